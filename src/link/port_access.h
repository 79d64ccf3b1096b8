// Why a serial device could not be opened, in words that tell the user what to do about it.
#pragma once

#include <string>

#include "platform/devices.h"

namespace korvane::link {

// What the file system says about a device path. Kept apart from the wording so that every
// case can be described without the device at hand, and as root, whom no permission stops.
using PortFileKind = platform::DeviceFileKind;
using PortFileFacts = platform::DeviceFileFacts;

PortFileFacts InspectPortFile(const std::string& devicePath);

// One or two sentences for an open of devicePath that failed with errnoValue: a device that
// is not there, a path that is no serial device, a permission the user lacks (naming the
// device's group and how to join it), a device another program holds, else the system's
// reason.
std::string DescribeOpenFailure(const std::string& devicePath, int errnoValue, const PortFileFacts& facts);

// The same, with the facts looked up now.
std::string DescribeOpenFailure(const std::string& devicePath, int errnoValue);

}  // namespace korvane::link
