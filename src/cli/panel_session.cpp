#include "cli/panel_session.h"

namespace korvane::cli {

int ChipListEntry(const std::string& name) {
  static const char* const kNames[] = {"auto", "adf4350", "adf4351", "max2871"};
  for (int i = 0; i < 4; ++i) {
    if (name == kNames[i]) return i;
  }
  throw UsageError("unknown chip '" + name + "' (auto, adf4350, adf4351 or max2871)");
}

PanelSession::PanelSession() { dlg.OnInitDialog(); }

void PanelSession::SelectPort(const std::string& port) { surface.ChoosePort(port); }

void PanelSession::SelectChip(const std::string& chipName) {
  surface.SetSelection(ctl::kChipList, ChipListEntry(chipName));
}

void PanelSession::Connect() {
  size_t before = surface.messages.size();
  dlg.OnCommand(ctl::kConnect);
  if (dlg.isConnected != 1) {
    // The panel explained why (a message box), or silently stayed as it was.
    if (surface.messages.size() == before) throw Failure("Not connected.");
    throw Failure("");
  }
}

void PanelSession::Disconnect() { dlg.OnCommand(ctl::kDisconnect); }

void PanelSession::ThrowIfFailed(size_t from) const {
  if (surface.FailedSince(from)) throw Failure("");
}

}  // namespace korvane::cli
