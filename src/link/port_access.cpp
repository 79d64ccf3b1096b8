#include "link/port_access.h"

#include <cstring>

namespace korvane::link {

std::string DescribeOpenFailure(const std::string& devicePath, int errnoValue) {
  return devicePath + ": " + std::strerror(errnoValue);
}

}  // namespace korvane::link
