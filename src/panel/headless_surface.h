// An in-memory window: every control the panel addresses, without a toolkit. The CLI and the
// tests drive CMainDlg through it.
#pragma once

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "panel/control_surface.h"

namespace korvane {

class CMainDlg;

class HeadlessSurface : public ControlSurface {
 public:
  struct Control {
    std::string text;
    std::vector<std::string> items;
    int selection = -1;
    bool checked = false;
    bool enabled = true;
    bool warning = false;
    int caret = 0;
    std::string tooltip;
  };
  struct Message {
    std::string text;
    std::string caption;
    MessageIcon icon = MessageIcon::Information;
    std::string details;
  };

  std::string GetText(int id) const override;
  void SetText(int id, const std::string& text) override;
  void ResetList(int id) override;
  void AddItem(int id, const std::string& text) override;
  void DeleteItem(int id, int index) override;
  int GetCount(int id) const override;
  std::string GetItemText(int id, int index) const override;
  int GetSelection(int id) const override;
  void SetSelection(int id, int index) override;
  bool GetCheck(int id) const override;
  void SetCheck(int id, bool checked) override;
  void Enable(int id, bool enable) override;
  bool IsEnabled(int id) const override;
  void SetFocus(int id) override;
  int GetFocus() const override { return focus_; }
  int GetCaret(int id) const override;
  void SetCaret(int id, int position) override;
  void SetWarning(int id, bool warn) override;
  void SetToolTip(int id, const std::string& tip) override { at(id).tooltip = tip; }
  void MessageBox(const std::string& text, const std::string& caption, MessageIcon icon) override;
  void MessageBoxDetails(const std::string& text, const std::string& caption, MessageIcon icon,
                         const std::string& details) override;
  void SetBusy(bool busy) override { busy_ = busy; }
  std::optional<std::string> Remembered(const std::string& key) const override;
  void Remember(const std::string& key, const std::string& value) override { remembered[key] = value; }
  bool Busy() const { return busy_; }
  std::optional<std::string> ChooseFile(const FileDialogRequest& request) override;
  void StartTuneTimer(int ms) override;
  void StopTuneTimer() override;
  void ProgressCreate(const std::string& title) override;
  void ProgressStatus(const std::string& text) override;
  void ProgressRange(int n) override;
  void ProgressStep() override;
  void ProgressDestroy() override;
  void ShowAbout() override { ++aboutShown; }
  void Quit(int exitCode) override { quitCode = exitCode; }

  // Test and CLI helpers.
  // Chooses a port as a user would: the listed entry of that name, else the name typed.
  void ChoosePort(const std::string& name);
  const Control& control(int id) const;
  bool TimerArmed() const { return timerArmed_; }
  int TimerMs() const { return timerMs_; }
  // Lets an armed tuning timer fire, as 500 ms of quiet would. Returns false if none was armed.
  bool FireTimer(CMainDlg& dlg);
  // Answers of the next file dialogs, in order; nullopt answers cancel. Empty queue: cancel.
  void QueueFileChoice(std::optional<std::string> path) { fileChoices_.push_back(std::move(path)); }

  std::map<std::string, std::string> remembered;
  std::vector<Message> messages;
  std::vector<FileDialogRequest> fileDialogs;
  std::vector<std::string> progressLog;  // "create:<title>", "status:<text>", "range:<n>", "step", "destroy"
  bool progressOpen = false;
  int progressValue = 0;
  int progressMax = 0;
  int aboutShown = 0;
  std::optional<int> quitCode;

 protected:
  Control& at(int id) { return controls_[id]; }

 private:
  std::map<int, Control> controls_;
  std::deque<std::optional<std::string>> fileChoices_;
  int focus_ = 0;
  bool busy_ = false;
  bool timerArmed_ = false;
  int timerMs_ = 0;
};

}  // namespace korvane
