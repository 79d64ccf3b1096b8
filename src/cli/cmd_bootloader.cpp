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
  if (args.Has("connected")) board.Connect(args);
  std::cerr << firmware::kEnteringText << std::endl;
  board.session.LeaveRunningFirmware();
  if (!board.session.OpenBootloader(port)) {
    throw Failure(WithReason(firmware::kNoBootloaderText, board.session.link().OpenFailure()));
  }
  std::cout << firmware::BootloaderVersionText(board.session.Identity()) << "\nPlease reconnect the board."
            << std::endl;
  board.session.Close();
  return kExitOk;
}

const Registrar kRegistrar(Command{
    "bootloader",
    "--port PORT [--connected] [--chip auto|adf4350|adf4351|max2871]",
    "Switches the board to its bootloader and prints the bootloader's version, as Ctrl+B does. "
    "Without --connected the bootloader is looked for at once.",
    {kPortOption, {"connected", "", "connect to the running firmware first and switch it over"}, kChipOption},
    0,
    0,
    Run});

}  // namespace
}  // namespace korvane::cli
