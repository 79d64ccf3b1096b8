#include "link/port_access.h"

#include <cerrno>
#include <cstring>

namespace korvane::link {

PortFileFacts InspectPortFile(const std::string& devicePath) { return platform::InspectDeviceFile(devicePath); }

OpenFailure DescribeOpenFailure(const std::string& devicePath, int errnoValue, const PortFileFacts& facts) {
  using Kind = OpenFailure::Kind;
  switch (facts.kind) {
    case PortFileKind::Missing:
      return {Kind::NotFound, devicePath};
    case PortFileKind::Directory:
      return {Kind::Directory, devicePath};
    case PortFileKind::RegularFile:
      return {Kind::RegularFile, devicePath};
    case PortFileKind::Other:
      return {Kind::NotASerialDevice, devicePath};
    case PortFileKind::Unknown:
      if (errnoValue == ENOENT) return {Kind::NotFound, devicePath};
      break;
    case PortFileKind::CharDevice:
      break;
  }
  if (errnoValue == EACCES || errnoValue == EPERM) {
    if (facts.kind != PortFileKind::CharDevice) return {Kind::PermissionDenied, devicePath};
    // Joining the root group would hand out far more than a serial port; that takes an administrator.
    return {facts.group == 0 ? Kind::AdministratorsOnly : Kind::NotInGroup, devicePath, facts.groupName};
  }
  // EBUSY: held for exclusive use (TIOCEXCL); EAGAIN, EWOULDBLOCK: its lock is taken.
  if (errnoValue == EBUSY || errnoValue == EAGAIN || errnoValue == EWOULDBLOCK) return {Kind::InUse, devicePath};
  return {Kind::CannotOpen, devicePath, std::strerror(errnoValue)};
}

OpenFailure DescribeOpenFailure(const std::string& devicePath, int errnoValue) {
  return DescribeOpenFailure(devicePath, errnoValue, InspectPortFile(devicePath));
}

}  // namespace korvane::link
