// "Save", "Save config..." and "Load config...": the panel's settings in the board's flash and in
// configuration files.
#include <string>

#include "config/profile_file.h"
#include "config/settings_file.h"
#include "panel/main_dlg.h"

namespace korvane::panel {

namespace {

FileDialogRequest ConfigDialog(bool save) {
  return FileDialogRequest{Tr(QT_TRANSLATE_NOOP("Texts", "Korvane ini files (*.kvini)")), "*.kvini", "kvini", save};
}

}  // namespace

void CMainDlg::OnSaveConfig() {
  if (!StartOperation(Operation::Working)) return;
  view_.ChooseFile(ConfigDialog(true), [this](std::optional<std::string> path) {
    config::SaveFileError error;
    if (path && !config::SaveSettingsFile(*path, model_.Settings(), model_.capabilities().secondOutput, &error)) {
      ShowError(
          Tr(QT_TRANSLATE_NOOP("Texts", "%1\nThe configuration was not saved."), {texts::SaveFileErrorText(error)}),
          [this] { EndOperation(); });
      return;
    }
    EndOperation();
  });
}

void CMainDlg::OnSaveToFlash() {
  if (!StartOperation(Operation::Working)) return;
  // A frequency that is no number would be stored as some other frequency; a slot whose output is
  // off stores no frequency, so it may hold none. Each field at fault is named.
  std::string fields;
  for (Slot slot : kAllSlots) {
    const SlotState& state = model_.slot(slot);
    if (state.isNumber || state.power == PowerLevel::Off) continue;
    fields += (fields.empty() ? "" : ", ") +
              (slot == Slot::SigGen ? Tr(QT_TRANSLATE_NOOP("Texts", "Signal generator frequency"))
                                    : Tr(QT_TRANSLATE_NOOP("Texts", "%1 frequency"), {session::SlotName(slot)}));
  }
  if (!model_.referenceIsNumber()) {
    fields = Tr(QT_TRANSLATE_NOOP("Texts", "Reference")) + (fields.empty() ? "" : ", " + fields);
  }
  if (!model_.speedIsNumber()) fields += (fields.empty() ? "" : ", ") + Tr(QT_TRANSLATE_NOOP("Texts", "Speed"));
  if (!fields.empty()) {
    session::SaveResult refused;
    refused.status = session::SaveResult::Status::InvalidParameters;
    ShowError(texts::SaveMessage(refused) + Tr(QT_TRANSLATE_NOOP("Texts", "\nNo number in: %1."), {fields}),
              [this] { EndOperation(); });
    return;
  }
  runner_.Post({Request::Kind::Other,
                [this, settings = model_.Settings()](session::BoardSession& session, const RequestProgress&) {
                  const session::SaveResult result = session.SaveToFlash(settings);
                  return Completion([this, result] {
                    if (!result.ok()) {
                      ShowError(texts::SaveMessage(result), [this] { EndOperation(); });
                      return;
                    }
                    Show({texts::SaveMessage(result),
                          Tr(kInformationCaption),
                          result.allInBand ? MessageIcon::Information : MessageIcon::Warning,
                          {}},
                         [this] { EndOperation(); });
                  });
                }});
}

void CMainDlg::OnLoadConfig() {
  if (!StartOperation(Operation::Working)) return;
  view_.ChooseFile(ConfigDialog(false), [this](std::optional<std::string> path) {
    if (!path) {
      EndOperation();
      return;
    }
    // A file that does not exist loads the defaults; one that exists but cannot be read
    // leaves the panel as it is.
    config::ProfileFile profile;
    std::string error;
    const config::ReadStatus status = config::LoadProfileFile(*path, &profile, &error);
    if (status == config::ReadStatus::Failed) {
      ShowError(Tr(kNothingLoaded, {error}), [this] { EndOperation(); });
      return;
    }
    // Defaults for every key would replace the whole panel, and the next retune would send them.
    if (status == config::ReadStatus::Ok && !config::HoldsSettings(profile)) {
      ShowError(Tr(kNothingLoaded, {texts::NotAConfiguration(*path)}), [this] { EndOperation(); });
      return;
    }
    const PanelSettings loaded = config::LoadSettings(profile, model_.Settings());

    // The mode first, so that every slot written next is solved in it.
    if (loaded.exact != model_.exact()) {
      model_.SetExact(loaded.exact);
      view_.Remember(kExactSettingKey, loaded.exact ? "1" : "0");
    }
    model_.SetSlot(Slot::SigGen, loaded.slot(Slot::SigGen));
    ArmTuneTimer();
    model_.SetReference(loaded.reference);
    ArmTuneTimer();
    model_.SetExtReference(loaded.extReference);
    for (Slot s : kPresetSlots) model_.SetSlot(s, loaded.slot(s));

    model_.SetBeacon(loaded.beacon);
    model_.SetScan(loaded.scan);
    model_.SetPinFunction(loaded.pinFunction);
    model_.SetSpeed(loaded.speed);
    model_.SetText(loaded.text);
    EndOperation();
  });
}

}  // namespace korvane::panel
