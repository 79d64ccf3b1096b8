// What the system says about a device path, for the words that tell a user why a serial port
// would not open, and whether standard error is a terminal.
#pragma once

#include <cstdint>
#include <string>

namespace korvane::platform {

enum class DeviceFileKind { Missing, Unknown, CharDevice, Directory, RegularFile, Other };

struct DeviceFileFacts {
  DeviceFileKind kind = DeviceFileKind::Unknown;  // Unknown: the path could not be looked at
  std::uint32_t group = 0;                        // the group that owns it, when it exists
  std::string groupName;                          // that group's name, or its number
};

DeviceFileFacts InspectDeviceFile(const std::string& path);

// Whether the device's permissions let this process read and write it.
bool MayReadAndWrite(const std::string& path);

// Whether standard error goes to a terminal (a progress line is redrawn there).
bool StandardErrorIsTerminal();

}  // namespace korvane::platform
