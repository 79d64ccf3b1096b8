#include "platform/device_names.h"

#include <cctype>

namespace korvane::platform {

namespace {

constexpr std::string_view kDevicePrefix = "\\\\.\\";

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

// "COM" and one to three digits and nothing else, any case.
bool IsPlainComName(std::string_view name) {
  return name.size() >= 4 && name.size() <= 6 && IsComPortName(name) && IsComPortName(name.substr(0, 4));
}

}  // namespace

bool IsComPortName(std::string_view name) {
  size_t digits = 0;
  while (digits < name.size() && std::isdigit(static_cast<unsigned char>(name[name.size() - 1 - digits]))) ++digits;
  if (digits < 1 || digits > 3 || name.size() < digits + 3) return false;
  const std::string_view com = name.substr(name.size() - digits - 3, 3);
  return Lower(com[0]) == 'c' && Lower(com[1]) == 'o' && Lower(com[2]) == 'm';
}

std::string ComDevicePath(std::string_view name) {
  if (!IsPlainComName(name)) return std::string(name);
  return std::string(kDevicePrefix) + "COM" + std::string(name.substr(3));
}

}  // namespace korvane::platform
