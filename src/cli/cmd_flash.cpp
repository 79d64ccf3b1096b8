// korvane-cli flash: replace a board's firmware as the "Repair..." / "Update..." button does.
#include <filesystem>

#include "cli/panel_session.h"
#include "panel/control_ids.h"

namespace korvane::cli {
namespace {

int Run(const Args& args) {
  if (!args.values.count("port")) throw UsageError("--port is required");
  // The window's file dialog hands over a full path; so does this, for the messages.
  std::error_code error;
  std::filesystem::path image = std::filesystem::absolute(args.positional.at(0), error);
  if (error) image = args.positional.at(0);

  PanelSession session;
  session.SelectChip(args.Value("chip", "auto"));
  session.SelectPort(args.Value("port", ""));
  if (args.Has("connected")) {
    session.Connect();
    // The window offers "Update..." only to boards that can take it.
    if (!session.surface.IsEnabled(ctl::kRepairUpdate)) {
      session.Disconnect();
      throw Failure("This board cannot be updated from here (hardware version below 3).");
    }
  }
  size_t before = session.surface.messages.size();
  session.surface.QueueFileChoice(image.string());
  session.dlg.OnCommand(ctl::kRepairUpdate);
  session.ThrowIfFailed(before);
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
