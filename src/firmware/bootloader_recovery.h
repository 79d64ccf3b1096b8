// The board's identity as last read, and bringing a board into its bootloader (Ctrl+B).
#pragma once

#include <string>

#include "firmware/firmware_host.h"
#include "link/board_link.h"

namespace korvane::firmware {

// "Firmware version %d.%02d.%04d from %08X. \nS/N %04X %04X %04X %04X %04X %04X"
std::string FirmwareInfoText(const link::BoardIdentity& identity);

// Shows the identity of the last board identified; nothing is sent.
void ShowFirmwareInfo(ControlSurface& surface);

// Switches a connected board to its bootloader (or looks for one at once when none is
// connected), reports the bootloader's version and leaves the panel disconnected.
Result EnterBootloader(const Host& host);

}  // namespace korvane::firmware
