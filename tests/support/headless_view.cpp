#include "support/headless_view.h"

#include <QObject>

namespace korvane::testing {

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
  if (target == panel::FocusTarget::PortList) {
    FocusElsewhere();
    portListFocused = true;
  } else {
    FocusFrequency(Slot::SigGen);
  }
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

int HeadlessView::GetCaret(Slot slot) const {
  auto it = carets_.find(slot);
  return it == carets_.end() ? 0 : it->second;
}

bool HeadlessView::Step(int direction) {
  if (!focusedSlot) return false;
  if (model_.busy()) return true;
  if (const std::optional<int> caret = dlg_->StepFrequency(*focusedSlot, GetCaret(*focusedSlot), direction)) {
    carets_[*focusedSlot] = *caret;
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
