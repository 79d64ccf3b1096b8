// "Save", "Save config..." and "Load config...": the panel's settings in the board's flash and in
// configuration files.
#include <string>

#include "config/profile_file.h"
#include "config/settings_file.h"
#include "panel/control_ids.h"
#include "panel/main_dlg.h"

namespace korvane {

namespace {

FileDialogRequest ConfigDialog(bool save) {
  return FileDialogRequest{"Korvane ini files (*.kvini)", "*.kvini", "kvini", save};
}

}  // namespace

void CMainDlg::OnSaveConfig() {
  std::optional<std::string> path = surface_.ChooseFile(ConfigDialog(true));
  if (!path) return;
  std::string error;
  if (!config::SaveSettingsFile(*path, ReadSettings(), session_.Identity().sSuffix == 1, &error)) {
    surface_.MessageBox(error + "\nThe configuration was not saved.", "", MessageIcon::Information);
  }
}

void CMainDlg::OnSaveToFlash() {
  const session::SaveResult result = session_.SaveToFlash(ReadSettings());
  if (!result.ok()) {
    surface_.MessageBox(result.Message(), "", MessageIcon::Information);
    return;
  }
  surface_.MessageBox(result.Message(), "Information",
                      result.allInBand ? MessageIcon::Information : MessageIcon::Warning);
}

void CMainDlg::OnLoadConfig() {
  std::optional<std::string> path = surface_.ChooseFile(ConfigDialog(false));
  if (!path) return;

  // A file that does not exist loads the defaults; one that exists but cannot be read
  // leaves the panel as it is.
  config::ProfileFile profile;
  std::string error;
  if (config::LoadProfileFile(*path, &profile, &error) == config::ReadStatus::Failed) {
    surface_.MessageBox(error + "\nNothing was loaded.", "", MessageIcon::Information);
    return;
  }
  const PanelSettings loaded = config::LoadSettings(profile, ReadSettings());

  // The mode first, so that every slot written next is solved in it.
  if (loaded.exact != surface_.GetCheck(ctl::kExactBox)) {
    surface_.SetCheck(ctl::kExactBox, loaded.exact);
    surface_.Remember(kExactSettingKey, loaded.exact ? "1" : "0");
  }
  WriteSlot(ctl::kSigGenSlot, loaded.freqSlots[ctl::kSigGenSlot]);
  SetFieldText(ctl::kReference, loaded.reference);
  surface_.SetCheck(ctl::kExtReference, loaded.extReference);
  for (int s = 0; s < ctl::kSigGenSlot; ++s) WriteSlot(s, loaded.freqSlots[static_cast<size_t>(s)]);

  surface_.SetCheck(ctl::kBeaconBox, loaded.beacon);
  EnableBeaconControls(loaded.beacon ? 1 : 0);
  surface_.SetCheck(ctl::kScanBox, loaded.scan);
  // After the beacon controls: disabling them has just reset the function list.
  surface_.SetSelection(ctl::kPinFunction, static_cast<int>(loaded.pinFunction));
  SetFieldText(ctl::kSpeed, loaded.speed);
  SetFieldText(ctl::kBeaconText, loaded.text);
}

}  // namespace korvane
