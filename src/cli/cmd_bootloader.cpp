// korvane-cli bootloader: bring a board into its bootloader as Ctrl+B does.
#include <iostream>

#include "cli/cli_board.h"
#include "firmware/bootloader.h"

namespace korvane::cli {
namespace {

int Run(const Args& args) {
  const std::string port = PortOption(args);
  ChipOption(args);
  CliBoard board;
  board.HoldStops();
  if (args.Has("connected")) board.Connect(args);
  board.StopIfRequested("the board was left in its firmware; nothing was sent after the connect.");
  std::cerr << firmware::kEnteringText << std::endl;
  const session::HandshakeResult bootloader = board.session.EnterBootloader(port);
  board.StopIfRequested(
      "the board may be in its bootloader or still in its firmware; \"korvane-cli info --bootloader\" tells which.");
  if (!bootloader.ok()) throw Failure(WithReason(firmware::kNoBootloaderText, bootloader.reason));
  std::cout << firmware::BootloaderVersionText(bootloader.identity) << "\nPlease reconnect the board." << std::endl;
  return kExitOk;
}

}  // namespace

const Command kBootloaderCommand{
    "bootloader",
    "--port PORT [--connected] [--chip auto|adf4350|adf4351|max2871]",
    "Switches the board to its bootloader and prints the bootloader's version, as Ctrl+B does. "
    "Without --connected the bootloader is looked for at once.",
    {kPortOption, {"connected", "", "connect to the running firmware first and switch it over"}, kChipOption},
    0,
    0,
    Run};

}  // namespace korvane::cli
