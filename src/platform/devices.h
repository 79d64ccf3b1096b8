// The serial ports the system offers, the device a port name opens, what the system says about
// a device path (for the words that tell a user why a serial port would not open), and whether
// standard error is a terminal.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvane::platform {

enum class DeviceFileKind { Missing, Unknown, CharDevice, Directory, RegularFile, Other };

struct DeviceFileFacts {
  DeviceFileKind kind = DeviceFileKind::Unknown;  // Unknown: the path could not be looked at
  std::uint32_t group = 0;                        // the group that owns it, when it exists
  std::string groupName;                          // that group's name, or its number
};

DeviceFileFacts InspectDeviceFile(const std::string& path);

struct SerialDevice {
  std::string name;         // as the user types it: "ttyUSB0", "COM12"
  std::string description;  // maker and product where the system gives them
};

// The system's serial ports as they are now.
std::vector<SerialDevice> ListSerialDevices();

// The device a port name opens, as the user typed it: "ttyUSB0" is /dev/ttyUSB0 on Linux,
// "COM12" is \\.\COM12 on Windows; a path is itself.
std::string SerialDevicePath(const std::string& name);

// Whether a port name the system's list lacks may still be a serial port: a device file that
// exists, or on Windows any COM name, since a USB adapter's COM port comes back with it.
bool MayBeSerialDevice(const std::string& name);

// Whether the device's permissions let this process read and write it.
bool MayReadAndWrite(const std::string& path);

// Whether standard error goes to a terminal that takes the escape sequences a progress line is
// redrawn with (switched on where the system needs that).
bool StandardErrorIsTerminal();

}  // namespace korvane::platform
