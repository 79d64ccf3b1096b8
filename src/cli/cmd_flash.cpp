// korvane-cli flash: replace a board's firmware as the "Repair..." / "Update..." button does.
#include <filesystem>
#include <iostream>

#include "cli/cli_board.h"
#include "cli/interrupt_on_stop.h"
#include "cli/progress_line.h"
#include "firmware/bootloader.h"
#include "firmware/firmware_image.h"
#include "platform/stop_signals.h"
#include "texts/texts.h"

namespace korvane::cli {
namespace {

// Where an interrupted update leaves the board.
enum class Stage { Untouched, Switching, InBootloader };

std::string InterruptedText(Stage stage, session::ProbeTrace probe) {
  switch (stage) {
    case Stage::Untouched:
      return InterruptedConnectText(probe);
    case Stage::Switching:
      return "the board may be in its bootloader; run `korvane-cli flash` again without --connected to finish.";
    case Stage::InBootloader:
      break;
  }
  return "the board is in its bootloader; run `korvane-cli flash` again without --connected to finish.";
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
  // Ctrl-C or SIGTERM in the middle of an update makes the board's waits give up at once;
  // the update ends where it is, the line is ended, and the run ends as the signal would,
  // with a status a script sees as a failure, saying what state the board is in.
  platform::StopSignals stop;
  CliBoard board;
  const InterruptOnStop interruptOnStop(stop, board.session);
  Stage stage = Stage::Untouched;
  bool erasing = false;  // the old image is being replaced
  ProgressLine progress;
  try {
    if (args.Has("connected")) {
      board.Connect(args, stop);
      // The window offers "Update..." only to boards that can take it.
      if (!session::CapabilitiesOf(board.session.Identity()).firmwareUpdate) {
        throw Failure("This board cannot be updated from here (hardware version below 3).");
      }
    }
    progress.Phase(texts::kEntering, 0);
    stage = args.Has("connected") ? Stage::Switching : Stage::InBootloader;
    const session::FirmwareResult result = board.session.UpdateFirmware(
        port, image,
        [&](session::FirmwarePhase phase, int total) {
          stage = Stage::InBootloader;
          erasing = true;
          progress.Phase(phase == session::FirmwarePhase::Erasing ? texts::kErasing : texts::kFlashing, total);
        },
        [&] { progress.Step(); });
    if (!stop.Requested()) {
      progress.End();
      if (result.status == session::FirmwareResult::Status::NoBootloader && result.wasConnected) {
        // The board left its firmware on "B;": it waits in its bootloader, where flash finds it.
        throw Failure(WithReason(texts::FirmwareMessage(result), result.reason) +
                      "\nThe board now waits in its bootloader; run `korvane-cli flash` again without --connected "
                      "to finish the update.");
      }
      if (!result.ok()) throw Failure(WithReason(texts::FirmwareMessage(result), result.reason));
      std::cout << texts::FirmwareMessage(result) << std::endl;
      return kExitOk;
    }
  } catch (const Failure&) {
    if (!stop.Requested()) throw;
  } catch (const link::ConnectionLost& lost) {
    if (!stop.Requested()) {
      if (!erasing) throw;
      progress.End();
      throw Failure(std::string(lost.what()) + "\n" + texts::kPartialImage);
    }
  }
  // An open progress line is ended by the line break in front of the message.
  progress.Abandon();
  std::cerr << "\ninterrupted: " << InterruptedText(stage, board.session.LastProbe()) << std::endl;
  return stop.ExitStatus();
}

}  // namespace

const Command kFlashCommand{
    "flash",
    "--port PORT IMAGE.img [--connected] [--chip auto|adf4350|adf4351|max2871]",
    "Writes a firmware image through the board's bootloader. Without --connected the board is "
    "expected in its bootloader already, as \"Repair...\" does; with it the running board is "
    "connected first and switched over, as \"Connect\" then \"Update...\" do.",
    {kPortOption, {"connected", "", "connect to the running firmware first, then update"}, kChipOption},
    1,
    1,
    Run};

}  // namespace korvane::cli
