// Why a serial device could not be opened, told apart so that the words for it can say what to do.
#pragma once

#include <string>

#include "link/open_failure.h"
#include "platform/devices.h"

namespace korvane::link {

// What the file system says about a device path. Kept apart from the wording so that every
// case can be described without the device at hand, and as root, whom no permission stops.
using PortFileKind = platform::DeviceFileKind;
using PortFileFacts = platform::DeviceFileFacts;

PortFileFacts InspectPortFile(const std::string& devicePath);

// Why an open of devicePath failed with errnoValue: a device that is not there, a path that is
// no serial device, a permission the user lacks (with the device's group, which the user may
// join unless it is root's), a device another program holds, else the system's reason.
OpenFailure DescribeOpenFailure(const std::string& devicePath, int errnoValue, const PortFileFacts& facts);

// The same, with the facts looked up now.
OpenFailure DescribeOpenFailure(const std::string& devicePath, int errnoValue);

}  // namespace korvane::link
