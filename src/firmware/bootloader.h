// The way from a running board into its bootloader, the bootloader commands that carry an
// image into the flash, and the texts that report a board's identity.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "link/board_link.h"

namespace korvane::firmware {

// With a board connected: sends "B;" without waiting for a reply (the firmware gives none) and
// closes the link once the board has taken it. Returns whether a board was connected.
bool SwitchToBootloader(link::BoardLink& link);
// SwitchToBootloader, then gives the board time to restart in its bootloader.
bool LeaveRunningFirmware(link::BoardLink& link);

// The bootloader phases on an open bootloader link, each calling step once per command.
// Return the page, or byte offset, whose command was refused; nullopt when all were accepted.
std::optional<int> EraseApplicationArea(link::BoardLink& link, const std::function<void()>& step);
bool SetWriteAddress(link::BoardLink& link);
std::optional<size_t> WriteImage(link::BoardLink& link, std::span<const uint8_t> image,
                                 const std::function<void()>& step);

// The firmware's version as "%d.%02d.%04d" (hardware, major, minor): "4.03.0012".
std::string VersionNumber(const link::BoardIdentity& id);
// The version as the board's banner states it ("v3s.3.07"), else VersionNumber.
std::string StatedVersion(const link::BoardIdentity& id);

}  // namespace korvane::firmware
