#include "support/headless_view.h"

#include <QObject>

namespace korvane::testing {

namespace {

constexpr const char* kChipListEntries[] = {"Auto", "ADF4350", "ADF4351", "MAX2871"};
constexpr const char* kPinFunctions[] = {"Freq. code", "CW keying"};

int SlotOf(int id, int base) {
  const int slot = id - base;
  return slot >= 0 && slot < ctl::kSlotCount ? slot : -1;
}

}  // namespace

HeadlessView::HeadlessView(panel::PanelModel& model) : model_(model) {
  QObject::connect(&model_, &panel::PanelModel::progressChanged, [this] { ProgressChanged(); });
}

void HeadlessView::ShowMessage(const panel::Message& message, std::function<void()> closed) {
  messages.push_back({message.text, message.caption, message.icon, message.details});
  timeline.push_back("message:" + message.text);
  if (closed) closed();
}

void HeadlessView::ChooseFile(const FileDialogRequest& request,
                              std::function<void(std::optional<std::string>)> chosen) {
  fileDialogs.push_back(request);
  std::optional<std::string> answer;
  if (!fileChoices_.empty()) {
    answer = fileChoices_.front();
    fileChoices_.pop_front();
  }
  chosen(answer);
}

void HeadlessView::StartTuneTimer(int ms) {
  timerArmed_ = true;
  timerMs_ = ms;
}

void HeadlessView::SetFocus(panel::FocusTarget target) {
  focus_ = target == panel::FocusTarget::PortList ? ctl::kPortList : ctl::Freq(ctl::kSigGenSlot);
}

std::optional<std::string> HeadlessView::Remembered(const std::string& key) const {
  auto it = remembered.find(key);
  if (it == remembered.end()) return std::nullopt;
  return it->second;
}

bool HeadlessView::FireTimer() {
  if (!timerArmed_) return false;
  timerArmed_ = false;
  dlg_->OnTimer();
  return true;
}

void HeadlessView::ProgressChanged() {
  const panel::ProgressState& now = model_.progress();
  if (!now.open) {
    if (progressOpen) {
      progressLog.push_back("destroy");
      timeline.push_back("destroy");
    }
    progressOpen = false;
    shownProgress_ = now;
    return;
  }
  if (!progressOpen || now.title != shownProgress_.title) {
    progressLog.push_back("create:" + now.title);
    timeline.push_back("create:" + now.title);
    progressOpen = true;
    progressValue = 0;
    shownProgress_ = panel::ProgressState{true, now.title, {}, -1, 0, false};
  }
  if (now.status != shownProgress_.status || now.range != shownProgress_.range) {
    progressLog.push_back("status:" + now.status);
    progressLog.push_back("range:" + std::to_string(now.range));
    progressValue = 0;
  }
  if (now.value > progressValue) {
    steps += now.value - progressValue;
    // Thousands of writes: a run of steps is logged once; progressValue counts them.
    if (progressLog.back() != "step") progressLog.push_back("step");
  }
  progressValue = now.value;
  shownProgress_ = now;
}

// ---------------------------------------------------------------------------------------------
// What the window would show

std::string HeadlessView::GetText(int id) const {
  if (int s = SlotOf(id, ctl::kFreqBase); s >= 0) return model_.slot(s).rf;
  if (int s = SlotOf(id, ctl::kRealBase); s >= 0) return model_.slot(s).realLabel;
  if (int s = SlotOf(id, ctl::kPowerBase); s >= 0) return GetItemText(id, GetSelection(id));
  if (int s = SlotOf(id, ctl::kBandBase); s >= 0) return GetItemText(id, GetSelection(id));
  switch (id) {
    case ctl::kReference:
      return model_.reference();
    case ctl::kSpeed:
      return model_.speed();
    case ctl::kBeaconText:
      return model_.text();
    case ctl::kChipCaption:
      return model_.chipCaption();
    case ctl::kRepairUpdate:
      return model_.controls().updateText;
    case ctl::kPortList:
      return model_.port();
    case ctl::kPinFunction:
    case ctl::kChipList:
      return GetItemText(id, GetSelection(id));
    default:
      return {};
  }
}

int HeadlessView::GetSelection(int id) const {
  if (int s = SlotOf(id, ctl::kPowerBase); s >= 0) {
    const panel::SlotState& slot = model_.slot(s);
    return PowerListIndex(model_.chip(), slot.band, slot.power);
  }
  if (int s = SlotOf(id, ctl::kBandBase); s >= 0) return static_cast<int>(model_.slot(s).band);
  switch (id) {
    case ctl::kPinFunction:
      return static_cast<int>(model_.pinFunction());
    case ctl::kChipList:
      return static_cast<int>(model_.chipChoice());
    case ctl::kPortList:
      for (size_t i = 0; i < model_.ports().size(); ++i) {
        if (model_.ports()[i].name == model_.port()) return static_cast<int>(i);
      }
      return -1;
    default:
      return -1;
  }
}

int HeadlessView::GetCount(int id) const {
  if (int s = SlotOf(id, ctl::kPowerBase); s >= 0) {
    return static_cast<int>(PowerLevels(model_.chip(), model_.slot(s).band).size());
  }
  if (SlotOf(id, ctl::kBandBase) >= 0) return 2;
  switch (id) {
    case ctl::kPinFunction:
      return 2;
    case ctl::kChipList:
      return 4;
    case ctl::kPortList:
      return static_cast<int>(model_.ports().size());
    default:
      return 0;
  }
}

std::string HeadlessView::GetItemText(int id, int index) const {
  if (index < 0 || index >= GetCount(id)) return {};
  if (int s = SlotOf(id, ctl::kPowerBase); s >= 0) {
    return std::string(PowerLabel(PowerLevels(model_.chip(), model_.slot(s).band)[static_cast<size_t>(index)]));
  }
  if (SlotOf(id, ctl::kBandBase) >= 0) return std::string(BandLabel(static_cast<Band>(index)));
  switch (id) {
    case ctl::kPinFunction:
      return kPinFunctions[index];
    case ctl::kChipList:
      return kChipListEntries[index];
    case ctl::kPortList:
      return model_.ports()[static_cast<size_t>(index)].name;
    default:
      return {};
  }
}

bool HeadlessView::GetCheck(int id) const {
  switch (id) {
    case ctl::kExtReference:
      return model_.extReference();
    case ctl::kExactBox:
      return model_.exact();
    case ctl::kBeaconBox:
      return model_.beacon();
    case ctl::kScanBox:
      return model_.scan();
    default:
      return false;
  }
}

bool HeadlessView::IsEnabled(int id) const {
  const panel::PanelControls c = model_.controls();
  if (SlotOf(id, ctl::kFreqBase) >= 0 || SlotOf(id, ctl::kPowerBase) >= 0) return c.frequency;
  if (SlotOf(id, ctl::kBandBase) >= 0) return c.band;
  switch (id) {
    case ctl::kReference:
      return c.reference;
    case ctl::kSave:
      return c.save;
    case ctl::kSaveConfig:
      return c.saveConfig;
    case ctl::kLoadConfig:
      return c.loadConfig;
    case ctl::kBeaconBox:
      return c.beacon;
    case ctl::kDisconnect:
      return c.disconnect;
    case ctl::kExtReference:
      return c.extReference;
    case ctl::kScanBox:
    case ctl::kSpeed:
    case ctl::kBeaconText:
    case ctl::kPinFunction:
      return c.beaconSettings;
    case ctl::kFirmwareInfo:
      return c.firmwareInfo;
    case ctl::kConnect:
    case ctl::kPortList:
      return c.connect;
    case ctl::kRepairUpdate:
      return c.update;
    case ctl::kChipList:
      return c.chipList;
    case ctl::kAbout:
      return c.about;
    case ctl::kExactBox:
      return c.exact;
    default:
      return true;
  }
}

bool HeadlessView::Warning(int id) const {
  if (id == ctl::kReference) return !model_.referenceIsNumber();
  if (id == ctl::kSpeed) return !model_.speedIsNumber();
  const int s = SlotOf(id, ctl::kFreqBase);
  return s >= 0 && !model_.slot(s).inBand;
}

int HeadlessView::GetCaret(int id) const {
  auto it = carets_.find(id);
  return it == carets_.end() ? 0 : it->second;
}

// ---------------------------------------------------------------------------------------------
// What the user does

void HeadlessView::Type(int id, const std::string& text) {
  if (int s = SlotOf(id, ctl::kFreqBase); s >= 0) return dlg_->OnFrequencyEdited(s, text);
  switch (id) {
    case ctl::kReference:
      return dlg_->OnReferenceEdited(text);
    case ctl::kSpeed:
      return dlg_->OnSpeedEdited(text);
    case ctl::kBeaconText:
      return dlg_->OnTextEdited(text);
    case ctl::kPortList:
      return dlg_->OnPortChosen(text);
    default:
      break;
  }
}

void HeadlessView::Choose(int list, int index) {
  if (int s = SlotOf(list, ctl::kPowerBase); s >= 0) {
    const panel::SlotState& slot = model_.slot(s);
    const std::optional<PowerLevel> level = PowerLevelAt(model_.chip(), slot.band, index);
    return dlg_->OnPowerChosen(s, level.value_or(PowerLevel::Off));
  }
  if (int s = SlotOf(list, ctl::kBandBase); s >= 0) return dlg_->OnBandChosen(s, static_cast<Band>(index));
  switch (list) {
    case ctl::kPinFunction:
      return dlg_->OnPinFunctionChosen(static_cast<PinFunction>(index));
    case ctl::kChipList:
      return dlg_->OnChipChosen(static_cast<session::ChipChoice>(index));
    case ctl::kPortList:
      return dlg_->OnPortChosen(GetItemText(list, index));
    default:
      break;
  }
}

void HeadlessView::Check(int box, bool checked) {
  switch (box) {
    case ctl::kExtReference:
      return dlg_->OnExtReferenceClicked(checked);
    case ctl::kExactBox:
      return dlg_->OnExactChanged(checked);
    case ctl::kBeaconBox:
      return dlg_->EnableBeaconControls(checked);
    case ctl::kScanBox:
      return dlg_->OnScanClicked(checked);
    default:
      break;
  }
}

void HeadlessView::Click(int id) {
  switch (id) {
    case ctl::kConnect:
      return dlg_->OnConnect();
    case ctl::kCancel:
      return dlg_->OnCancel();
    case ctl::kDisconnect:
      return dlg_->OnDisconnect();
    case ctl::kSave:
      return dlg_->OnSaveToFlash();
    case ctl::kLoadConfig:
      return dlg_->OnLoadConfig();
    case ctl::kSaveConfig:
      return dlg_->OnSaveConfig();
    case ctl::kFirmwareInfo:
      return dlg_->OnFirmwareInfo();
    case ctl::kRepairUpdate:
      return dlg_->OnFirmwareUpdate();
    case ctl::kAbout:
      return dlg_->OnAbout();
    case ctl::kExit:
      return dlg_->RequestClose();
    default:
      break;
  }
}

bool HeadlessView::Step(int direction) {
  const int slot = SlotOf(focus_, ctl::kFreqBase);
  if (slot < 0) return false;
  if (model_.busy()) return true;
  if (const std::optional<int> caret = dlg_->StepFrequency(slot, GetCaret(focus_), direction)) {
    carets_[focus_] = *caret;
  }
  return true;
}

bool HeadlessView::PreTranslateMessage(Key key, bool controlHeld) {
  switch (key) {
    case Key::Up:
    case Key::Down:
      return Step(key == Key::Up ? 1 : -1);
    case Key::B:
      if (!controlHeld) return false;
      dlg_->OnEnterBootloader();
      return true;
    case Key::Other:
      break;
  }
  return false;
}

void HeadlessView::Wheel(int delta) { Step(delta > 0 ? 1 : -1); }

}  // namespace korvane::testing
