#include "platform/devices.h"

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QSerialPortInfo>
#include <cerrno>
#include <filesystem>
#include <vector>

namespace korvane::platform {

namespace {

std::string GroupName(gid_t group) {
  std::vector<char> buffer(16384);
  struct group entry;
  struct group* found = nullptr;
  if (::getgrgid_r(group, &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->gr_name) {
    return found->gr_name;
  }
  return std::to_string(group);
}

}  // namespace

DeviceFileFacts InspectDeviceFile(const std::string& path) {
  DeviceFileFacts facts;
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) {
    facts.kind = (errno == ENOENT || errno == ENOTDIR) ? DeviceFileKind::Missing : DeviceFileKind::Unknown;
    return facts;
  }
  if (S_ISCHR(info.st_mode)) {
    facts.kind = DeviceFileKind::CharDevice;
  } else if (S_ISDIR(info.st_mode)) {
    facts.kind = DeviceFileKind::Directory;
  } else if (S_ISREG(info.st_mode)) {
    facts.kind = DeviceFileKind::RegularFile;
  } else {
    facts.kind = DeviceFileKind::Other;
  }
  facts.group = info.st_gid;
  facts.groupName = GroupName(info.st_gid);
  return facts;
}

std::vector<SerialDevice> ListSerialDevices() {
  std::vector<SerialDevice> devices;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    devices.push_back({info.portName().toStdString(),
                       (info.manufacturer() + QLatin1Char(' ') + info.description()).simplified().toStdString()});
  }
  return devices;
}

std::string SerialDevicePath(const std::string& name) {
  // A bare name is a device in /dev, as the serial port opens it.
  return !name.empty() && name.front() == '/' ? name : "/dev/" + name;
}

bool MayBeSerialDevice(const std::string& name) {
  std::error_code error;
  return !name.empty() && std::filesystem::exists(SerialDevicePath(name), error);
}

bool MayReadAndWrite(const std::string& path) { return ::access(path.c_str(), R_OK | W_OK) == 0; }

bool StandardErrorIsTerminal() { return ::isatty(STDERR_FILENO) != 0; }

}  // namespace korvane::platform
