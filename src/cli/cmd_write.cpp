// korvane-cli write: load a configuration file into the panel and store it in the board's flash.
#include <iostream>
#include <string>

#include "cli/cli_board.h"
#include "config/file_io.h"
#include "config/settings_file.h"
#include "texts/texts.h"

namespace korvane::cli {
namespace {

// The window loads defaults for a file that is not there; a script naming a file means that
// file, so a missing one is an error here, found before the board is touched.
config::ProfileFile ReadConfiguration(const std::string& path) {
  std::string bytes;
  std::string error;
  switch (config::ReadSmallFile(path, &bytes, &error)) {
    case config::ReadStatus::Ok: {
      // Defaults for every key would replace the presets in the board's flash: a file that is
      // no configuration is refused before the board is touched.
      config::ProfileFile profile = config::ProfileFile::Parse(bytes);
      if (!config::HoldsSettings(profile)) {
        throw Failure(texts::NotAConfiguration(path) + " Nothing was sent.");
      }
      return profile;
    }
    case config::ReadStatus::Missing:
      throw Failure("Configuration file \"" + path + "\" not found.");
    case config::ReadStatus::Failed:
      break;
  }
  throw Failure(error);
}

// What the board holds after a save that a signal stopped before its commit.
std::string StoppedSaveText(const session::SaveResult& result) {
  std::string slots;
  for (Slot slot : kAllSlots) {
    if (SlotNumber(slot) >= result.slotsSent) break;
    slots += (slots.empty() ? "" : ", ") + std::string(SlotName(slot));
  }
  return "the save was stopped before its commit: nothing was written to flash memory, which holds what it held "
         "before.\nSlots that reached the board (in effect until it restarts): " +
         (slots.empty() ? std::string("none") : slots) + ".";
}

int Run(const Args& args) {
  const std::string path = args.positional[0];
  PortOption(args);
  ChipOption(args);
  const config::ProfileFile profile = ReadConfiguration(path);

  // A signal from here on stops the command between two of its board commands, never inside one.
  const platform::StopSignals stop;
  CliBoard board;
  PanelSettings settings = config::LoadSettings(profile, board.Connect(args, stop));
  // --exact asks for the exact search; without it the file says which search it was made with.
  if (args.Has("exact")) settings.exact = true;
  // --field sets the field in every slot, on top of the file's own expert settings.
  const FieldOverrides fields = FieldOptions(args, settings.chip);
  for (SlotSettings& slot : settings.freqSlots) {
    for (const auto& [field, value] : fields) slot.overrides[field] = value;
  }

  if (args.Has("no-flash")) {
    // What the window sends half a second after a load: the reference and the signal generator.
    if (settings.refDivisor <= 0) {
      throw Failure("The reference frequency in \"" + path + "\" is not valid for this chip. Nothing was sent.");
    }
    if (stop.Requested()) throw Interrupted("nothing was sent after the connect.", stop.ExitStatus());
    const session::TuneResult result = board.session.Tune(settings, Slot::SigGen);
    board.session.Close();
    RequireAccepted(result);
    std::cout << "Configuration loaded from \"" << path << "\"; flash memory left as it was." << std::endl;
    return kExitOk;
  }

  const session::SaveResult result = board.session.SaveToFlash(settings, [&stop] { return stop.Requested(); });
  board.session.Close();
  if (result.status == session::SaveResult::Status::Stopped) {
    throw Interrupted(StoppedSaveText(result), stop.ExitStatus());
  }
  if (!result.ok()) throw Failure(texts::SaveMessage(result));
  // The result goes to stdout, the out-of-band warning (a saved configuration) to stderr.
  (result.allInBand ? std::cout : std::cerr) << texts::SaveMessage(result) << std::endl;
  return kExitOk;
}

}  // namespace

const Command kWriteCommand{
    "write",
    "--port PORT [--chip auto|adf4350|adf4351|max2871] FILE.kvini [--no-flash] [--exact] [--field NAME=VALUE]...",
    "Connects, loads a configuration file as \"Load config...\" does and saves it to the board's flash. The file's "
    "expert settings ([Fields]) go out with it.",
    {kPortOption,
     kChipOption,
     {"no-flash", "", "only load the file and retune the signal generator; leave the flash as it is"},
     {"exact", "", "solve with the exact search (else the file's \"Exact\" key decides)"},
     {"field", "NAME=VALUE",
      "set a register field in every slot, on top of the file's expert settings (repeatable; \"korvane-cli "
      "fields\" lists the names and values)"}},
    1,
    1,
    Run};

}  // namespace korvane::cli
