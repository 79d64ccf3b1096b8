#include "link/port_access.h"

#include <cerrno>
#include <cstring>

namespace korvane::link {

PortFileFacts InspectPortFile(const std::string& devicePath) { return platform::InspectDeviceFile(devicePath); }

std::string DescribeOpenFailure(const std::string& devicePath, int errnoValue, const PortFileFacts& facts) {
  switch (facts.kind) {
    case PortFileKind::Missing:
      return devicePath + " not found: no such device; check that the board is plugged in.";
    case PortFileKind::Directory:
      return devicePath + " is a directory, not a serial device.";
    case PortFileKind::RegularFile:
      return devicePath + " is a regular file, not a serial device.";
    case PortFileKind::Other:
      return devicePath + " is not a serial device.";
    case PortFileKind::Unknown:
      if (errnoValue == ENOENT) return devicePath + " not found: no such device; check that the board is plugged in.";
      break;
    case PortFileKind::CharDevice:
      break;
  }
  if (errnoValue == EACCES || errnoValue == EPERM) {
    if (facts.kind != PortFileKind::CharDevice) return "Permission denied: " + devicePath + ".";
    // Joining the root group would hand out far more than a serial port; that takes an administrator.
    if (facts.group == 0) {
      return "Permission denied: " + devicePath + " belongs to the group " + facts.groupName +
             ", so only an administrator can open it.";
    }
    return "Permission denied: " + devicePath + " belongs to the group " + facts.groupName +
           ". Add your user to it with: sudo usermod -aG " + facts.groupName + " $USER, then log out and in again.";
  }
  // EBUSY: held for exclusive use (TIOCEXCL); EAGAIN, EWOULDBLOCK: its lock is taken.
  if (errnoValue == EBUSY || errnoValue == EAGAIN || errnoValue == EWOULDBLOCK) {
    return devicePath + " is in use by another program.";
  }
  return "Cannot open " + devicePath + ": " + std::strerror(errnoValue) + ".";
}

std::string DescribeOpenFailure(const std::string& devicePath, int errnoValue) {
  return DescribeOpenFailure(devicePath, errnoValue, InspectPortFile(devicePath));
}

}  // namespace korvane::link
