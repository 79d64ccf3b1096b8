// korvane-cli bootloader: bring a board into its bootloader as Ctrl+B does.
#include "cli/panel_session.h"
#include "panel/main_dlg.h"

namespace korvane::cli {
namespace {

int Run(const Args& args) {
  if (!args.values.count("port")) throw UsageError("--port is required");
  PanelSession session;
  session.SelectChip(args.Value("chip", "auto"));
  session.SelectPort(args.Value("port", ""));
  if (args.Has("connected")) session.Connect();
  size_t before = session.surface.messages.size();
  session.dlg.PreTranslateMessage(Key::B, true);
  session.ThrowIfFailed(before);
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
