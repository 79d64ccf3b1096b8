// korvane-cli info: identifies a board (or its bootloader) and prints what its banner says.
#include <iostream>

#include "cli/command.h"
#include "cli/json.h"
#include "firmware/bootloader_recovery.h"
#include "link/board_link.h"
#include "synth/number_text.h"

namespace korvane::cli {
namespace {

std::string SerialHex(const link::BoardIdentity& id) {
  std::string text;
  for (uint32_t word : id.serialWords) text += FormatHex(word, 8);
  return text;
}

int Run(const Args& args) {
  if (!args.values.count("port")) throw UsageError("--port is required");
  const bool bootloader = args.Has("bootloader");
  if (!link::OpenPort(args.Value("port", ""), bootloader ? link::kBootloaderBanner : link::kFirmwareBanner)) {
    throw Failure(bootloader ? "Cannot connect to board bootloader!" : "Could not find Synth board!");
  }
  const link::BoardIdentity id = link::GetBoardIdentity();
  link::ClosePort();

  if (args.Has("json")) {
    std::cout << JsonObject()
                     .Add("hwVersion", static_cast<int64_t>(id.hwVersion))
                     .Add("fwMajor", static_cast<int64_t>(id.fwMajor))
                     .Add("fwMinor", static_cast<int64_t>(id.fwMinor))
                     .Add("fwDateCode", FormatHex(id.fwDateCode, 8))
                     .Add("serial", SerialHex(id))
                     .Add("sSuffix", static_cast<int64_t>(id.sSuffix))
                     .str()
              << "\n";
  } else if (bootloader) {
    std::cout << "Bootloader v" << id.hwVersion << "." << id.fwMajor << "\n";
  } else {
    std::cout << firmware::FirmwareInfoText(id) << "\n";
  }
  return kExitOk;
}

const Registrar kRegistrar(Command{
    "info",
    "--port PORT [--bootloader] [--json]",
    "Identifies the board on PORT from its banner and prints its hardware and firmware version, "
    "date code and serial number. Nothing is changed on the board.",
    {kPortOption,
     {"bootloader", "", "talk to the board's bootloader instead of its firmware"},
     {"json", "", "print the identity as JSON"}},
    0,
    0,
    Run});

}  // namespace
}  // namespace korvane::cli
