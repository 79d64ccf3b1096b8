// Serial port names as the user types them and as Windows opens them. Pure text, the same on
// every system, so that a remembered name is handled alike wherever the settings were written.
#pragma once

#include <string>
#include <string_view>

namespace korvane::platform {

// Windows device names: ends in "COM" and one to three digits, any case, anything before.
bool IsComPortName(std::string_view name);

// The name Windows opens a COM port under: "\\.\COM12" for "COM12" or "com12", the form that
// reaches COM10 and above too. Any other name (a path, "\\.\COM3" already) is returned as it is.
std::string ComDevicePath(std::string_view name);

}  // namespace korvane::platform
