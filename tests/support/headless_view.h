// A window without a toolkit for the panel's tests: it implements the presenter's view, reads
// the panel model by the window's control identifiers, and acts for the user the way the Qt
// window does (typing, choosing, clicking, keys). Messages and file dialogs answer at once.
#pragma once

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/control_ids.h"
#include "panel/main_dlg.h"
#include "panel/panel_model.h"
#include "panel/panel_view.h"

namespace korvane::testing {

namespace ctl = app::ctl;
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

  // What the window would show.
  std::string GetText(int id) const;
  int GetSelection(int id) const;  // -1: none
  int GetCount(int id) const;
  std::string GetItemText(int id, int index) const;
  bool GetCheck(int id) const;
  // Whether the panel lets the user use the control now.
  bool IsEnabled(int id) const;
  bool Warning(int id) const;  // a frequency, reference or speed field in the warning colour
  int GetFocus() const { return focus_; }
  int GetCaret(int id) const;

  // What the user does.
  void Type(int id, const std::string& text);
  void Choose(int list, int index);
  void Check(int box, bool checked);
  void Click(int id);
  // Chooses a port as a user would: the listed entry of that name, else the name typed.
  void ChoosePort(const std::string& name) { Type(ctl::kPortList, name); }
  void SetFocus(int id) { focus_ = id; }
  void SetCaret(int id, int position) { carets_[id] = position; }
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
  std::map<int, int> carets_;
  int focus_ = 0;
  bool timerArmed_ = false;
  int timerMs_ = 0;
  panel::ProgressState shownProgress_;
};

}  // namespace korvane::testing
