// korvane-cli tune: set the signal generator as a user would and let the board retune.
#include <iostream>
#include <vector>

#include "cli/cli_board.h"

namespace korvane::cli {
namespace {

std::string PowerLabel(const std::string& power) {
  if (power == "off") return "Off";
  if (power == "-4" || power == "-1" || power == "+2" || power == "+5") return power + "dBm";
  throw UsageError("unknown power '" + power + "' (off, -4, -1, +2 or +5)");
}

// A band change keeps the power list in step as the window's list does.
void ChangeBand(SlotSettings& slot, Band band) {
  std::vector<std::string> entries;
  for (int i = 0; i < PowerEntries(slot.band); ++i) entries.push_back(PowerListLabel(slot.band, i));
  FitPowerList(band, entries, slot.power);
  slot.band = band;
}

int Run(const Args& args) {
  const std::string bandArg = args.Value("band", "");
  if (!bandArg.empty() && bandArg != "0" && bandArg != "1") throw UsageError("--band is 0 or 1");
  const std::string power = args.values.count("power") ? PowerLabel(args.Value("power", "")) : "";
  PortOption(args);
  ChipOption(args);

  CliBoard board;
  PanelSettings settings = board.Connect(args);
  SlotSettings& sg = settings.freqSlots[kSigGenSlot];

  // The band goes first: it decides which power levels the list offers.
  if (!bandArg.empty()) {
    const Band band = bandArg == "1" ? kBandOut2 : kBandOut1;
    if (band != sg.band) {
      if (board.session.Identity().sSuffix != 1) throw Failure("This board has no second output band.");
      ChangeBand(sg, band);
    }
  }
  if (!power.empty()) {
    int index = -1;
    for (int i = 0; i < PowerEntries(sg.band); ++i) {
      if (PowerListLabel(sg.band, i) == power) index = i;
    }
    if (index < 0) throw UsageError("power " + power + " is not offered in this band");
    sg.power = index;
  }
  sg.frequency = args.positional[0];
  if (settings.refDivisor <= 0) {
    throw Failure("The board's reference frequency is not valid for this chip. Nothing was sent.");
  }
  const session::TuneResult result = board.session.Tune(settings, kSigGenSlot);
  board.session.Close();
  RequireAccepted(result);
  std::cout << session::RealFrequencyLabel(settings, kSigGenSlot) << "\n";
  return kExitOk;
}

const Registrar kRegistrar(Command{
    "tune",
    "--port PORT FREQ_MHZ [--power off|-4|-1|+2|+5] [--band 0|1] [--chip auto|adf4350|adf4351|max2871]",
    "Connects, sets the signal generator as a user would, lets it retune and prints the real frequency.",
    {kPortOption,
     {"power", "LEVEL", "output power: off, -4, -1, +2 or +5 dBm"},
     {"band", "BAND", "0 for OUT1 <6GHz, 1 for OUT2 5..12GHz"},
     kChipOption},
    1,
    1,
    Run});

}  // namespace
}  // namespace korvane::cli
