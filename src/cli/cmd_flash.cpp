// korvane-cli flash: replace a board's firmware as the "Repair..." / "Update..." button does.
#include <filesystem>
#include <iostream>

#include "cli/cli_board.h"
#include "cli/progress_line.h"
#include "firmware/bootloader.h"
#include "firmware/firmware_image.h"

namespace korvane::cli {
namespace {

int Run(const Args& args) {
  const std::string port = PortOption(args);
  ChipOption(args);
  // The window's file dialog hands over a full path; so does this, for the messages.
  std::error_code error;
  std::filesystem::path path = std::filesystem::absolute(args.positional.at(0), error);
  if (error) path = args.positional.at(0);

  CliBoard board;
  if (args.Has("connected")) {
    board.Connect(args);
    // The window offers "Update..." only to boards that can take it.
    if (board.session.Identity().hwVersion <= 2) {
      throw Failure("This board cannot be updated from here (hardware version below 3).");
    }
  }
  const std::vector<uint8_t> image = firmware::ReadImageFile(path.string());
  if (!firmware::IsValidImageSize(image.size())) {
    throw Failure("File: " + path.string() + " is not a valid firmware image!");
  }

  ProgressLine progress;
  progress.Phase(firmware::kEnteringText, 0);
  const session::FirmwareResult result = board.session.UpdateFirmware(
      port, image,
      [&](session::FirmwarePhase phase, int total) {
        progress.Phase(phase == session::FirmwarePhase::Erasing ? firmware::kErasingText : firmware::kFlashingText,
                       total);
      },
      [&] { progress.Step(); });
  progress.End();
  if (!result.ok()) throw Failure(result.Message());
  std::cout << result.Message() << std::endl;
  return kExitOk;
}

const Registrar kRegistrar(Command{
    "flash",
    "--port PORT IMAGE.img [--connected] [--chip auto|adf4350|adf4351|max2871]",
    "Writes a firmware image through the board's bootloader. Without --connected the board is "
    "expected in its bootloader already, as \"Repair...\" does; with it the running board is "
    "connected first and switched over, as \"Connect\" then \"Update...\" do.",
    {kPortOption, {"connected", "", "connect to the running firmware first, then update"}, kChipOption},
    1,
    1,
    Run});

}  // namespace
}  // namespace korvane::cli
