// korvane-cli flash: replace a board's firmware as the "Repair..." / "Update..." button does.
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "cli/cli_board.h"
#include "cli/progress_line.h"
#include "firmware/bootloader.h"
#include "firmware/firmware_image.h"

namespace korvane::cli {
namespace {

// Where an interrupted update leaves the board, for the signal handler to say.
enum class Stage { Untouched, Switching, InBootloader };
std::atomic<Stage> stage{Stage::Untouched};

void WriteStderr(const char* text) {
  size_t left = std::strlen(text);
  while (left > 0) {
    const ssize_t n = ::write(STDERR_FILENO, text, left);
    if (n <= 0) return;
    text += n;
    left -= static_cast<size_t>(n);
  }
}

// Ctrl-C or SIGTERM in the middle of an update: end the progress line, say what state the
// board is in, and end as the signal would, with a status a script sees as a failure.
void OnInterrupt(int signal) {
  WriteStderr("\ninterrupted: ");
  switch (stage.load()) {
    case Stage::Untouched:
      WriteStderr("nothing was written to the board.\n");
      break;
    case Stage::Switching:
      WriteStderr("the board may be in its bootloader; run `korvane-cli flash` again without --connected to finish.\n");
      break;
    case Stage::InBootloader:
      WriteStderr("the board is in its bootloader; run `korvane-cli flash` again without --connected to finish.\n");
      break;
  }
  ::_exit(128 + signal);
}

void CatchInterrupts() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);
}

int Run(const Args& args) {
  const std::string port = PortOption(args);
  ChipOption(args);
  // The window's file dialog hands over a full path; so does this, for the messages.
  std::error_code error;
  std::filesystem::path path = std::filesystem::absolute(args.positional.at(0), error);
  if (error) path = args.positional.at(0);

  // The image is checked before the board is touched.
  std::string reason;
  const std::vector<uint8_t> image = firmware::ReadImageFile(path.string(), &reason);
  if (!firmware::IsValidImageSize(image.size())) {
    throw Failure(WithReason("File: " + path.string() + " is not a valid firmware image!", reason));
  }
  CatchInterrupts();
  CliBoard board;
  if (args.Has("connected")) {
    board.Connect(args);
    // The window offers "Update..." only to boards that can take it.
    if (board.session.Identity().hwVersion <= 2) {
      throw Failure("This board cannot be updated from here (hardware version below 3).");
    }
  }

  ProgressLine progress;
  progress.Phase(firmware::kEnteringText, 0);
  stage = args.Has("connected") ? Stage::Switching : Stage::InBootloader;
  const session::FirmwareResult result = board.session.UpdateFirmware(
      port, image,
      [&](session::FirmwarePhase phase, int total) {
        stage = Stage::InBootloader;
        progress.Phase(phase == session::FirmwarePhase::Erasing ? firmware::kErasingText : firmware::kFlashingText,
                       total);
      },
      [&] { progress.Step(); });
  progress.End();
  if (result.status == session::FirmwareResult::Status::NoBootloader && result.wasConnected) {
    // The board left its firmware on "B;": it waits in its bootloader, where flash finds it.
    throw Failure(WithReason(result.Message(), result.reason) +
                  "\nThe board now waits in its bootloader; run `korvane-cli flash` again without --connected "
                  "to finish the update.");
  }
  if (!result.ok()) throw Failure(WithReason(result.Message(), result.reason));
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
