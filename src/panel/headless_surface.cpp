#include "panel/headless_surface.h"

#include "panel/control_ids.h"
#include "panel/main_dlg.h"

namespace korvane {

namespace {
const HeadlessSurface::Control kMissing{};
}

const HeadlessSurface::Control& HeadlessSurface::control(int id) const {
  auto it = controls_.find(id);
  return it == controls_.end() ? kMissing : it->second;
}

std::string HeadlessSurface::GetText(int id) const { return control(id).text; }

void HeadlessSurface::SetText(int id, const std::string& text) {
  Control& c = at(id);
  c.text = text;
  if (c.caret > static_cast<int>(text.size())) c.caret = static_cast<int>(text.size());
}

void HeadlessSurface::ResetList(int id) {
  Control& c = at(id);
  c.items.clear();
  c.selection = -1;
}

void HeadlessSurface::AddItem(int id, const std::string& text) { at(id).items.push_back(text); }

void HeadlessSurface::DeleteItem(int id, int index) {
  Control& c = at(id);
  if (index < 0 || index >= static_cast<int>(c.items.size())) return;
  c.items.erase(c.items.begin() + index);
  if (c.selection == index) {
    c.selection = -1;
  } else if (c.selection > index) {
    --c.selection;
  }
}

int HeadlessSurface::GetCount(int id) const { return static_cast<int>(control(id).items.size()); }

std::string HeadlessSurface::GetItemText(int id, int index) const {
  const Control& c = control(id);
  if (index < 0 || index >= static_cast<int>(c.items.size())) return {};
  return c.items[static_cast<size_t>(index)];
}

int HeadlessSurface::GetSelection(int id) const { return control(id).selection; }

void HeadlessSurface::SetSelection(int id, int index) {
  Control& c = at(id);
  c.selection = (index >= 0 && index < static_cast<int>(c.items.size())) ? index : -1;
  // An editable drop-down shows the chosen entry in its edit field.
  if (id == ctl::kPortList && c.selection >= 0) c.text = c.items[static_cast<size_t>(c.selection)];
}

void HeadlessSurface::ChoosePort(const std::string& name) {
  Control& ports = at(ctl::kPortList);
  for (size_t i = 0; i < ports.items.size(); ++i) {
    if (ports.items[i] == name) {
      SetSelection(ctl::kPortList, static_cast<int>(i));
      return;
    }
  }
  ports.selection = -1;
  ports.text = name;
}

bool HeadlessSurface::GetCheck(int id) const { return control(id).checked; }
void HeadlessSurface::SetCheck(int id, bool checked) { at(id).checked = checked; }
void HeadlessSurface::Enable(int id, bool enable) { at(id).enabled = enable; }
bool HeadlessSurface::IsEnabled(int id) const { return control(id).enabled; }
void HeadlessSurface::SetFocus(int id) { focus_ = id; }
int HeadlessSurface::GetCaret(int id) const { return control(id).caret; }

void HeadlessSurface::SetCaret(int id, int position) {
  Control& c = at(id);
  int size = static_cast<int>(c.text.size());
  c.caret = position < 0 ? 0 : (position > size ? size : position);
}

void HeadlessSurface::SetWarning(int id, bool warn) { at(id).warning = warn; }

void HeadlessSurface::MessageBox(const std::string& text, const std::string& caption, MessageIcon icon) {
  messages.push_back({text, caption, icon, {}});
}

std::optional<std::string> HeadlessSurface::Remembered(const std::string& key) const {
  auto it = remembered.find(key);
  if (it == remembered.end()) return std::nullopt;
  return it->second;
}

void HeadlessSurface::MessageBoxDetails(const std::string& text, const std::string& caption, MessageIcon icon,
                                        const std::string& details) {
  MessageBox(text, caption, icon);
  messages.back().details = details;
}

std::optional<std::string> HeadlessSurface::ChooseFile(const FileDialogRequest& request) {
  fileDialogs.push_back(request);
  if (fileChoices_.empty()) return std::nullopt;
  auto choice = std::move(fileChoices_.front());
  fileChoices_.pop_front();
  return choice;
}

void HeadlessSurface::StartTuneTimer(int ms) {
  timerArmed_ = true;
  timerMs_ = ms;
}

void HeadlessSurface::StopTuneTimer() { timerArmed_ = false; }

bool HeadlessSurface::FireTimer(CMainDlg& dlg) {
  if (!timerArmed_) return false;
  timerArmed_ = false;
  dlg.OnTimer(ctl::kTuneTimerId);
  return true;
}

void HeadlessSurface::ProgressCreate(const std::string& title) {
  progressOpen = true;
  progressValue = 0;
  progressMax = 0;
  progressLog.push_back("create:" + title);
}

void HeadlessSurface::ProgressStatus(const std::string& text) { progressLog.push_back("status:" + text); }

void HeadlessSurface::ProgressRange(int n) {
  progressMax = n;
  progressValue = 0;
  progressLog.push_back("range:" + std::to_string(n));
}

void HeadlessSurface::ProgressStep() {
  if (progressValue < progressMax) ++progressValue;
  // Thousands of writes: a run of steps is logged once; progressValue counts them.
  if (progressLog.empty() || progressLog.back() != "step") progressLog.push_back("step");
}

void HeadlessSurface::ProgressDestroy() {
  if (!progressOpen) return;
  progressOpen = false;
  progressLog.push_back("destroy");
}

}  // namespace korvane
