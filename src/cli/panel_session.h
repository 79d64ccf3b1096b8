// One headless control panel for a CLI command: set-up, port and chip choice, connect.
#pragma once

#include <string>

#include "cli/cli_surface.h"
#include "cli/command.h"
#include "panel/main_dlg.h"

namespace korvane::cli {

// Chip list entry for --chip: auto 0, adf4350 1, adf4351 2, max2871 3. Throws UsageError.
int ChipListEntry(const std::string& name);

class PanelSession {
 public:
  PanelSession();

  // Chooses the port as a user would: the list entry when listed, else typed into the field.
  void SelectPort(const std::string& port);
  void SelectChip(const std::string& chipName);
  // Clicks "Connect"; throws Failure (message already shown) when the panel is not connected.
  void Connect();
  // Clicks "Disconnect".
  void Disconnect();
  // Throws Failure when a message other than a result was shown since `from`.
  void ThrowIfFailed(size_t from) const;

  CliSurface surface;
  CMainDlg dlg{surface};
};

}  // namespace korvane::cli
