// korvane-cli write: load a configuration file into the panel and store it in the board's flash.
#include <iostream>
#include <string>

#include "cli/panel_session.h"
#include "config/file_io.h"
#include "panel/control_ids.h"

namespace korvane::cli {
namespace {

// The window loads defaults for a file that is not there; a script naming a file means that
// file, so a missing one is an error here, found before the board is touched.
void RequireReadableFile(const std::string& path) {
  std::string bytes;
  std::string error;
  switch (config::ReadSmallFile(path, &bytes, &error)) {
    case config::ReadStatus::Ok:
      return;
    case config::ReadStatus::Missing:
      throw Failure("Configuration file \"" + path + "\" not found.");
    case config::ReadStatus::Failed:
      throw Failure(error);
  }
}

int Run(const Args& args) {
  if (!args.values.count("port")) throw UsageError("--port is required");
  const std::string path = args.positional[0];
  PanelSession session;
  session.SelectChip(args.Value("chip", "auto"));
  RequireReadableFile(path);
  session.SelectPort(args.Value("port", ""));
  session.Connect();

  CliSurface& s = session.surface;
  size_t before = s.messages.size();
  s.QueueFileChoice(path);
  session.dlg.OnCommand(ctl::kLoadConfig);
  if (s.FailedSince(before)) {
    session.Disconnect();
    throw Failure("");
  }

  if (args.Has("no-flash")) {
    // What the window sends half a second after a load: the reference and the signal generator.
    if (session.dlg.refDivisor <= 0) {
      session.Disconnect();
      throw Failure("The reference frequency in \"" + path + "\" is not valid for this chip. Nothing was sent.");
    }
    s.FireTimer(session.dlg);
    bool failed = s.FailedSince(before);
    session.Disconnect();
    if (failed) throw Failure("");
    std::cout << "Configuration loaded from \"" << path << "\"; flash memory left as it was." << std::endl;
    return kExitOk;
  }

  before = s.messages.size();
  session.dlg.OnCommand(ctl::kSave);
  // The result goes to stdout, the out-of-band warning (a saved configuration) to stderr.
  bool failed = s.FailedSince(before) || s.messages.size() == before;
  session.Disconnect();
  if (failed) throw Failure("");
  return kExitOk;
}

const Registrar kRegistrar(Command{
    "write",
    "--port PORT [--chip auto|adf4350|adf4351|max2871] FILE.kvini [--no-flash]",
    "Connects, loads a configuration file as \"Load config...\" does and saves it to the board's flash.",
    {kPortOption,
     kChipOption,
     {"no-flash", "", "only load the file and retune the signal generator; leave the flash as it is"}},
    1,
    1,
    Run});

}  // namespace
}  // namespace korvane::cli
