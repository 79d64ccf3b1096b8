// Replacing a board's firmware through its bootloader: choose and check the image, reach the
// bootloader, erase the application area, write the image halfword by halfword.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "firmware/firmware_host.h"

namespace korvane::firmware {

// The whole operation behind the "Repair..." / "Update..." button. Every outcome is reported
// to the user through the host's surface; a lost board connection propagates as
// link::ConnectionLost with the progress window already gone.
Result UpdateFirmware(const Host& host);

// The bootloader phases on an open bootloader link, each stepping the bar once per command.
// Return the page, or byte offset, whose command was refused; nullopt when all were accepted.
std::optional<int> EraseApplicationArea(const std::function<void()>& step);
bool SetWriteAddress();
std::optional<size_t> WriteImage(std::span<const uint8_t> image, const std::function<void()>& step);

}  // namespace korvane::firmware
