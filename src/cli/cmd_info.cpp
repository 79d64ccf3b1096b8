// korvane-cli info: identifies a board (or its bootloader) and prints what its banner says.
#include <iostream>

#include "cli/cli_board.h"
#include "cli/json.h"
#include "firmware/bootloader.h"
#include "synth/number_text.h"

namespace korvane::cli {
namespace {

std::string SerialHex(const link::BoardIdentity& id) {
  std::string text;
  for (uint32_t word : id.serialWords) text += FormatHex(word, 8);
  return text;
}

int Run(const Args& args) {
  const std::string port = PortOption(args);
  const bool bootloader = args.Has("bootloader");
  CliBoard board;
  board.HoldStops();
  const session::HandshakeResult found =
      board.session.ReadIdentity(port, bootloader ? session::BoardPart::Bootloader : session::BoardPart::Firmware);
  board.StopIfRequested("the board was only asked who it is; nothing on it changed.");
  if (!found.ok()) {
    throw Failure(WithReason(bootloader ? firmware::kNoBootloaderText : session::kCouldNotFind, found.reason));
  }
  const link::BoardIdentity& id = found.identity;

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
    std::cout << firmware::BootloaderVersionText(id) << "\n";
  } else {
    std::cout << firmware::FirmwareInfoText(id) << "\n";
  }
  return kExitOk;
}

}  // namespace

const Command kInfoCommand{"info",
                           "--port PORT [--bootloader] [--json]",
                           "Identifies the board on PORT from its banner and prints its hardware and firmware version, "
                           "date code and serial number. Nothing is changed on the board.",
                           {kPortOption,
                            {"bootloader", "", "talk to the board's bootloader instead of its firmware"},
                            {"json", "", "print the identity as JSON"}},
                           0,
                           0,
                           Run};

}  // namespace korvane::cli
