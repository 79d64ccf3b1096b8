// korvane-cli read: connect as the "Connect" button does and print what the window shows.
#include <iostream>

#include "cli/json.h"
#include "cli/panel_session.h"
#include "panel/control_ids.h"

namespace korvane::cli {
namespace {

const char* const kSlotNames[] = {"F1", "F2", "F3", "F4", "SigGen"};

std::string Selected(const CliSurface& s, int list) {
  int index = s.GetSelection(list);
  return index < 0 ? std::string("(none)") : s.GetItemText(list, index);
}

// What the real-frequency label shows, without the leading "/ ".
std::string RealText(const CliSurface& s, int slot) {
  std::string label = s.GetText(ctl::Real(slot));
  return label.rfind("/ ", 0) == 0 ? label.substr(2) : label;
}

std::string ChipName(const PanelSession& session) { return kChipNames[static_cast<int>(session.dlg.chipType)]; }

void PrintText(const PanelSession& session) {
  const CliSurface& s = session.surface;
  std::string caption = s.GetText(ctl::kChipCaption);
  std::cout << "chip:        " << ChipName(session) << (caption == "Chip:" ? " (chosen)" : " (identified)") << "\n";
  std::cout << "reference:   " << s.GetText(ctl::kReference) << " MHz"
            << (s.GetCheck(ctl::kExtReference) ? ", external" : ", internal") << "\n";
  for (int slot = 0; slot < ctl::kSlotCount; ++slot) {
    std::string name = kSlotNames[slot];
    name.resize(12, ' ');
    std::cout << name << s.GetText(ctl::Freq(slot)) << " MHz  " << Selected(s, ctl::BandList(slot)) << "  "
              << Selected(s, ctl::Power(slot)) << "  real " << RealText(s, slot) << "\n";
  }
  std::cout << "beacon:      " << (s.GetCheck(ctl::kBeaconBox) ? "on" : "off") << ", scanning "
            << (s.GetCheck(ctl::kScanBox) ? "on" : "off") << ", outputs 1 & 2: " << Selected(s, ctl::kPinFunction)
            << ", speed " << s.GetText(ctl::kSpeed) << " wpm\n";
  std::cout << "beacon text: " << s.GetText(ctl::kBeaconText) << "\n";
}

void PrintJson(const PanelSession& session) {
  const CliSurface& s = session.surface;
  std::string slots = "[";
  for (int slot = 0; slot < ctl::kSlotCount; ++slot) {
    if (slot) slots += ",";
    slots += JsonObject()
                 .Add("freq", s.GetText(ctl::Freq(slot)))
                 .Add("band", Selected(s, ctl::BandList(slot)))
                 .Add("power", Selected(s, ctl::Power(slot)))
                 .Add("real", RealText(s, slot))
                 .str();
  }
  slots += "]";
  std::cout << JsonObject()
                   .Add("chip", ChipName(session))
                   .Add("reference", s.GetText(ctl::kReference))
                   .Add("ext_reference", s.GetCheck(ctl::kExtReference))
                   .AddRaw("slots", slots)
                   .Add("beacon", s.GetCheck(ctl::kBeaconBox))
                   .Add("scan", s.GetCheck(ctl::kScanBox))
                   .Add("pin_function", Selected(s, ctl::kPinFunction))
                   .Add("speed", s.GetText(ctl::kSpeed))
                   .Add("text", s.GetText(ctl::kBeaconText))
                   .str()
            << "\n";
}

int Run(const Args& args) {
  if (!args.values.count("port")) throw UsageError("--port is required");
  PanelSession session;
  session.SelectChip(args.Value("chip", "auto"));
  session.SelectPort(args.Value("port", ""));
  session.Connect();
  if (args.values.count("ini")) {
    size_t before = session.surface.messages.size();
    session.surface.QueueFileChoice(args.Value("ini", ""));
    session.dlg.OnCommand(ctl::kSaveConfig);
    session.ThrowIfFailed(before);
  }
  if (args.Has("json")) {
    PrintJson(session);
  } else {
    PrintText(session);
  }
  session.Disconnect();
  return kExitOk;
}

const Registrar kRegistrar(Command{"read",
                                   "--port PORT [--chip auto|adf4350|adf4351|max2871] [--ini FILE.kvini] [--json]",
                                   "Connects as the \"Connect\" button does and prints what the window then shows.",
                                   {kPortOption,
                                    kChipOption,
                                    {"ini", "FILE", "also save the configuration as \"Save config...\" does"},
                                    {"json", "", "print one JSON object"}},
                                   0,
                                   0,
                                   Run});

}  // namespace
}  // namespace korvane::cli
