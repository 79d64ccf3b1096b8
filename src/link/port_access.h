// Why a serial device cannot be opened, in words a user can act on.
#pragma once

#include <string>

namespace korvane::link {

// One line naming the device and the reason; for a permission problem the group that owns
// the device and how to join it.
std::string DescribeOpenFailure(const std::string& devicePath, int errnoValue);

}  // namespace korvane::link
