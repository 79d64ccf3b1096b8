// "Save config..." and "Load config...": the panel's settings in a configuration file.
#include <array>
#include <string>

#include "config/profile_file.h"
#include "config/text_encoding.h"
#include "link/board_link.h"
#include "panel/control_ids.h"
#include "panel/main_dlg.h"

namespace korvane {

namespace {

constexpr char kSigGen[] = "SigGen";
constexpr char kFreqs[] = "Freqs";
constexpr char kBeacon[] = "Beacon";

struct PresetDefaults {
  const char* freqKey;
  const char* pwrKey;
  const char* bandKey;
  const char* frequency;
};
constexpr std::array<PresetDefaults, 4> kPresets = {{
    {"Freq1", "Pwr1", "Band1", "1152.000"},
    {"Freq2", "Pwr2", "Band2", "1296.000"},
    {"Freq3", "Pwr3", "Band3", "404.000"},
    {"Freq4", "Pwr4", "Band4", "432.000"},
}};

constexpr int kDefaultPower = 4;  // "+5dBm"
constexpr int kDefaultBand = 0;   // "OUT1 <6GHz"

FileDialogSpec ConfigDialog(bool save) {
  return FileDialogSpec{"Korvane ini files (*.kvini)", "*.kvini", "kvini", save};
}

// Lists are written as one digit from "0" to "4"; a list left without a selection (a hand-
// edited file can do that) is written as its first entry.
std::string IndexText(int selection) {
  static constexpr const char* kDigits[] = {"0", "1", "2", "3", "4"};
  return (selection >= 0 && selection <= 4) ? kDigits[selection] : kDigits[0];
}

std::string CheckText(bool checked) { return checked ? "1" : "0"; }

}  // namespace

void CMainDlg::OnSaveConfig() {
  ControlSurface& ui = surface();
  std::optional<std::string> path = ui.ChooseFile(ConfigDialog(true));
  if (!path) return;

  // Keys are set in the file as it stands, so whatever else it holds survives the save.
  config::ProfileFile profile;
  std::string error;
  if (config::LoadProfileFile(*path, &profile, &error) == config::ReadStatus::Failed) {
    ui.MessageBox(error + "\nThe configuration was not saved.", "", MessageIcon::Information);
    return;
  }
  const bool withBands = link::GetBoardIdentity().sSuffix == 1;
  const int sg = ctl::kSigGenSlot;

  profile.WriteString(kSigGen, "Freq", ui.GetText(ctl::Freq(sg)));
  profile.WriteString(kSigGen, "Pwr", IndexText(ui.GetSelection(ctl::Power(sg))));
  if (withBands) profile.WriteString(kSigGen, "Band", IndexText(ui.GetSelection(ctl::BandList(sg))));

  profile.WriteString(kFreqs, "Reference", ui.GetText(ctl::kReference));
  profile.WriteString(kFreqs, "ExtReference", CheckText(ui.GetCheck(ctl::kExtReference)));
  for (int s = 0; s < static_cast<int>(kPresets.size()); ++s) {
    const PresetDefaults& keys = kPresets[static_cast<size_t>(s)];
    profile.WriteString(kFreqs, keys.freqKey, ui.GetText(ctl::Freq(s)));
    profile.WriteString(kFreqs, keys.pwrKey, IndexText(ui.GetSelection(ctl::Power(s))));
    if (withBands) profile.WriteString(kFreqs, keys.bandKey, IndexText(ui.GetSelection(ctl::BandList(s))));
  }

  profile.WriteString(kBeacon, "Beacon", CheckText(ui.GetCheck(ctl::kBeaconBox)));
  profile.WriteString(kBeacon, "Scan", CheckText(ui.GetCheck(ctl::kScanBox)));
  profile.WriteString(kBeacon, "Pin1_2", CheckText(ui.GetSelection(ctl::kPinFunction) == 1));
  profile.WriteString(kBeacon, "Speed", ui.GetText(ctl::kSpeed));
  profile.WriteString(kBeacon, "Text", config::FoldLineBreaks(ui.GetText(ctl::kBeaconText)));

  if (!config::SaveProfileFile(*path, profile, &error)) {
    ui.MessageBox(error + "\nThe configuration was not saved.", "", MessageIcon::Information);
  }
}

void CMainDlg::OnLoadConfig() {
  ControlSurface& ui = surface();
  std::optional<std::string> path = ui.ChooseFile(ConfigDialog(false));
  if (!path) return;

  // A file that does not exist loads the defaults; one that exists but cannot be read
  // leaves the panel as it is.
  config::ProfileFile profile;
  std::string error;
  if (config::LoadProfileFile(*path, &profile, &error) == config::ReadStatus::Failed) {
    ui.MessageBox(error + "\nNothing was loaded.", "", MessageIcon::Information);
    return;
  }

  // Band first, then the power list fitted to that band, then the power: a loaded power
  // level stands whatever band the slot showed before the load. The frequency text comes
  // last, so its change handling sees the loaded selections.
  auto loadSlot = [&](int slot, const char* section, const char* freqKey, const char* pwrKey, const char* bandKey,
                      const char* defaultFrequency) {
    std::string frequency = profile.ReadString(section, freqKey, defaultFrequency);
    int power = profile.ReadInt(section, pwrKey, kDefaultPower);
    int band = profile.ReadInt(section, bandKey, kDefaultBand);
    ui.SetSelection(ctl::BandList(slot), band);
    FitSlotPowerList(slot);
    // The second band offers only "Off" and "-1dBm": any level above "Off" becomes "-1dBm",
    // as it does when the band list is changed by hand.
    if (ui.GetCount(ctl::Power(slot)) == 2 && power > 1) power = 1;
    ui.SetSelection(ctl::Power(slot), power);
    SetFieldText(ctl::Freq(slot), frequency);
  };

  loadSlot(ctl::kSigGenSlot, kSigGen, "Freq", "Pwr", "Band", "180.000");
  SetFieldText(ctl::kReference, profile.ReadString(kFreqs, "Reference", "10.000"));
  ui.SetCheck(ctl::kExtReference, profile.ReadString(kFreqs, "ExtReference", "0", 2) == "1");
  for (int s = 0; s < static_cast<int>(kPresets.size()); ++s) {
    const PresetDefaults& keys = kPresets[static_cast<size_t>(s)];
    loadSlot(s, kFreqs, keys.freqKey, keys.pwrKey, keys.bandKey, keys.frequency);
  }

  int beacon = profile.ReadInt(kBeacon, "Beacon", 0);
  ui.SetCheck(ctl::kBeaconBox, beacon != 0);
  EnableBeaconControls(beacon);
  ui.SetCheck(ctl::kScanBox, profile.ReadInt(kBeacon, "Scan", 0) != 0);
  // After the beacon controls: disabling them has just reset the function list.
  ui.SetSelection(ctl::kPinFunction, profile.ReadInt(kBeacon, "Pin1_2", 0));
  SetFieldText(ctl::kSpeed, profile.ReadString(kBeacon, "Speed", "20.0"));
  SetFieldText(ctl::kBeaconText, profile.ReadString(kBeacon, "Text", "TEST TEST #5000 &1000"));
}

}  // namespace korvane
