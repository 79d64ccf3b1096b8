// A window without a toolkit for the panel's tests: it implements the presenter's view and
// records what it was asked to show; messages and file dialogs answer at once. What the user
// types, chooses and clicks goes to the presenter's handlers directly; the keys and the wheel
// that step a frequency field go through here, as the window's message filter takes them.
#pragma once

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "panel/main_dlg.h"
#include "panel/panel_model.h"
#include "panel/panel_view.h"

namespace korvane::testing {

using panel::CMainDlg;
using panel::FileDialogRequest;
using panel::MessageIcon;

enum class Key { Up, Down, B, Other };

class HeadlessView : public panel::PanelView {
 public:
  struct Shown {
    std::string text;
    std::string caption;
    MessageIcon icon = MessageIcon::Information;
    std::string details;
  };

  explicit HeadlessView(panel::PanelModel& model);
  void Attach(CMainDlg& dlg) { dlg_ = &dlg; }

  // panel::PanelView
  void ShowMessage(const panel::Message& message, std::function<void()> closed) override;
  void ChooseFile(const FileDialogRequest& request, std::function<void(std::optional<std::string>)> chosen) override;
  void StartTuneTimer(int ms) override;
  void StopTuneTimer() override { timerArmed_ = false; }
  void SetFocus(panel::FocusTarget target) override;
  std::optional<std::string> Remembered(const std::string& key) const override;
  void Remember(const std::string& key, const std::string& value) override { remembered[key] = value; }
  void ShowAbout() override { ++aboutShown; }
  void Quit(int exitCode) override { quitCode = exitCode; }

  // Where the keyboard focus is: the port list, a slot's frequency field, or elsewhere.
  bool portListFocused = false;
  std::optional<Slot> focusedSlot;
  void FocusFrequency(Slot slot) {
    focusedSlot = slot;
    portListFocused = false;
  }
  void FocusElsewhere() {
    focusedSlot.reset();
    portListFocused = false;
  }
  // The caret of a slot's frequency field, a byte position in its text.
  int GetCaret(Slot slot) const;
  void SetCaret(Slot slot, int position) { carets_[slot] = position; }
  // A key as the window's message filter sees it; true when consumed.
  bool PreTranslateMessage(Key key, bool controlHeld);
  void Wheel(int delta);

  bool TimerArmed() const { return timerArmed_; }
  int TimerMs() const { return timerMs_; }
  // Lets an armed tuning timer fire, as 500 ms of quiet would. Returns false if none was armed.
  bool FireTimer();
  // Answers of the next file dialogs, in order; nullopt answers cancel. Empty queue: cancel.
  void QueueFileChoice(std::optional<std::string> path) { fileChoices_.push_back(std::move(path)); }

  std::map<std::string, std::string> remembered;
  std::vector<Shown> messages;
  std::vector<FileDialogRequest> fileDialogs;
  // Every message and progress event in order: "message:<text>", "create:<title>", "destroy".
  std::vector<std::string> timeline;
  // "create:<title>", "status:<text>", "range:<n>", "step" (a run of steps once), "destroy".
  std::vector<std::string> progressLog;
  bool progressOpen = false;
  int progressValue = 0;
  int steps = 0;
  int aboutShown = 0;
  std::optional<int> quitCode;

 protected:
  panel::PanelModel& model_;

 private:
  void ProgressChanged();
  bool Step(int direction);

  CMainDlg* dlg_ = nullptr;
  std::deque<std::optional<std::string>> fileChoices_;
  std::map<Slot, int> carets_;
  bool timerArmed_ = false;
  int timerMs_ = 0;
  panel::ProgressState shownProgress_;
};

}  // namespace korvane::testing
