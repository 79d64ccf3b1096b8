// korvane-cli tune: set the signal generator as a user would and let the board retune.
#include <iostream>

#include "cli/panel_session.h"
#include "panel/control_ids.h"

namespace korvane::cli {
namespace {

std::string PowerLabel(const std::string& power) {
  if (power == "off") return "Off";
  if (power == "-4" || power == "-1" || power == "+2" || power == "+5") return power + "dBm";
  throw UsageError("unknown power '" + power + "' (off, -4, -1, +2 or +5)");
}

int Run(const Args& args) {
  if (!args.values.count("port")) throw UsageError("--port is required");
  std::string bandArg = args.Value("band", "");
  if (!bandArg.empty() && bandArg != "0" && bandArg != "1") throw UsageError("--band is 0 or 1");
  std::string power = args.values.count("power") ? PowerLabel(args.Value("power", "")) : "";

  PanelSession session;
  session.SelectChip(args.Value("chip", "auto"));
  session.SelectPort(args.Value("port", ""));
  session.Connect();
  size_t before = session.surface.messages.size();
  CliSurface& s = session.surface;
  const int sg = ctl::kSigGenSlot;

  // The band goes first: it decides which power levels the list offers.
  if (!bandArg.empty()) {
    int band = bandArg == "1" ? 1 : 0;
    if (band != s.GetSelection(ctl::BandList(sg))) {
      if (!s.IsEnabled(ctl::BandList(sg))) {
        session.Disconnect();
        throw Failure("This board has no second output band.");
      }
      s.SetSelection(ctl::BandList(sg), band);
      session.dlg.OnUserChange(ctl::BandList(sg));
    }
  }
  if (!power.empty()) {
    int index = -1;
    for (int i = 0; i < s.GetCount(ctl::Power(sg)); ++i) {
      if (s.GetItemText(ctl::Power(sg), i) == power) index = i;
    }
    if (index < 0) {
      session.Disconnect();
      throw UsageError("power " + power + " is not offered in this band");
    }
    if (index != s.GetSelection(ctl::Power(sg))) {
      s.SetSelection(ctl::Power(sg), index);
      session.dlg.OnUserChange(ctl::Power(sg));
    }
  }
  s.SetText(ctl::Freq(sg), args.positional[0]);
  session.dlg.OnUserChange(ctl::Freq(sg));
  s.FireTimer(session.dlg);
  session.ThrowIfFailed(before);
  std::cout << s.GetText(ctl::Real(sg)) << "\n";
  session.Disconnect();
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
