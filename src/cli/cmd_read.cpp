// korvane-cli read: connect as the "Connect" button does and print what the window shows.
#include <cmath>
#include <iostream>

#include "cli/cli_board.h"
#include "cli/json.h"
#include "config/settings_file.h"
#include "texts/texts.h"

namespace korvane::cli {
namespace {

// What the real-frequency label shows, without the leading "/ ".
std::string RealText(const PanelSettings& s, Slot slot) { return session::RealFrequencyLabel(s, slot).substr(2); }

// What the board's stored words make, from the frequency shown; 0 when nothing is solved.
double ErrorHz(const PanelSettings& s, Slot slot) {
  const std::optional<SlotSolution> solved = session::SolveSlot(s, slot);
  // The text shown is rounded to the hertz; millihertz are all the readout can say.
  return solved ? std::round(solved->errorHz * 1000.0) / 1000.0 : 0.0;
}

void PrintText(const PanelSettings& s, bool identified) {
  std::cout << "chip:        " << ChipName(s.chip) << (identified ? " (identified)" : " (chosen)") << "\n";
  std::cout << "reference:   " << s.reference << " MHz" << (s.extReference ? ", external" : ", internal") << "\n";
  for (Slot slot : kAllSlots) {
    const SlotSettings& slotSettings = s.slot(slot);
    std::string name(SlotName(slot));
    name.resize(12, ' ');
    std::cout << name << slotSettings.frequency << " MHz  " << BandLabel(slotSettings.band) << "  "
              << PowerLabel(slotSettings.power) << "  real " << RealText(s, slot) << "\n";
    if (const std::string expert = ExpertText(s, slot); !expert.empty()) {
      std::cout << "            expert: " << expert << "\n";
    }
  }
  std::cout << "beacon:      " << (s.beacon ? "on" : "off") << ", scanning " << (s.scan ? "on" : "off")
            << ", outputs 1 & 2: " << PinFunctionLabel(s.pinFunction) << ", speed " << s.speed << " wpm\n";
  std::cout << "beacon text: " << s.text << "\n";
}

void PrintJson(const PanelSettings& s) {
  std::string slots = "[";
  for (Slot slot : kAllSlots) {
    const SlotSettings& slotSettings = s.slot(slot);
    if (slot != Slot::F1) slots += ",";
    slots += JsonObject()
                 .Add("freq", slotSettings.frequency)
                 .Add("band", BandLabel(slotSettings.band))
                 .Add("power", PowerLabel(slotSettings.power))
                 .Add("real", RealText(s, slot))
                 .Add("error_hz", ErrorHz(s, slot))
                 .AddRaw("overrides", ExpertJson(s, slot))
                 .AddRaw("set", OverridesJson(s.chip, slotSettings.overrides))
                 .str();
  }
  slots += "]";
  std::cout << JsonObject()
                   .Add("chip", ChipName(s.chip))
                   .Add("reference", s.reference)
                   .Add("ext_reference", s.extReference)
                   .AddRaw("slots", slots)
                   .Add("beacon", s.beacon)
                   .Add("scan", s.scan)
                   .Add("pin_function", PinFunctionLabel(s.pinFunction))
                   .Add("speed", s.speed)
                   .Add("text", s.text)
                   .str()
            << "\n";
}

int Run(const Args& args) {
  CliBoard board;
  const PanelSettings settings = board.Connect(args);
  board.StopIfRequested("the board was read and left as it was; nothing was saved or printed.");
  const bool identified = ChipOption(args) == session::ChipChoice::Auto;
  if (args.values.count("ini")) {
    config::SaveFileError error;
    if (!config::SaveSettingsFile(args.Value("ini", ""), settings,
                                  session::CapabilitiesOf(board.session.Identity()).secondOutput, &error)) {
      throw Failure(texts::SaveFileErrorText(error) + "\nThe configuration was not saved.");
    }
  }
  board.session.Close();
  board.StopIfRequested("the board was read and left as it was; nothing was printed.");
  if (args.Has("json")) {
    PrintJson(settings);
  } else {
    PrintText(settings, identified);
  }
  return kExitOk;
}

}  // namespace

const Command kReadCommand{"read",
                           "--port PORT [--chip auto|adf4350|adf4351|max2871] [--ini FILE.kvini] [--json]",
                           "Connects as the \"Connect\" button does and prints what the window then shows.",
                           {kPortOption,
                            kChipOption,
                            {"ini", "FILE", "also save the configuration as \"Save config...\" does"},
                            {"json", "", "print one JSON object"}},
                           0,
                           0,
                           Run};

}  // namespace korvane::cli
