// What the control panel needs of a window, addressed by control identifier. The Qt window
// and the headless surfaces of the CLI and the tests implement it.
#pragma once

#include <optional>
#include <string>

namespace korvane {

enum class MessageIcon { Information, Warning, Stop };

struct FileDialogRequest {
  std::string filterName;        // "Korvane ini files (*.kvini)"
  std::string pattern;           // "*.kvini"
  std::string defaultExtension;  // "kvini", added to a name typed without one
  bool save = false;             // save dialog with an overwrite prompt, else open dialog
};

class ControlSurface {
 public:
  virtual ~ControlSurface() = default;

  // Texts of edit fields, static texts, buttons and the port list's edit field. Writing a
  // text here raises no change handling; CMainDlg::SetFieldText does that, once.
  virtual std::string GetText(int id) const = 0;
  virtual void SetText(int id, const std::string& text) = 0;

  // Drop-down lists. A selection set here raises no change handling.
  virtual void ResetList(int id) = 0;
  virtual void AddItem(int id, const std::string& text) = 0;  // appended
  virtual void DeleteItem(int id, int index) = 0;
  virtual int GetCount(int id) const = 0;
  virtual std::string GetItemText(int id, int index) const = 0;
  virtual int GetSelection(int id) const = 0;        // -1: none
  virtual void SetSelection(int id, int index) = 0;  // out of range: none
  virtual void SetItemTooltip(int id, int index, const std::string& tip) { (void)id, (void)index, (void)tip; }

  // Check boxes; a check mark set here raises no change handling.
  virtual bool GetCheck(int id) const = 0;
  virtual void SetCheck(int id, bool checked) = 0;

  virtual void Enable(int id, bool enable) = 0;
  virtual bool IsEnabled(int id) const = 0;
  virtual void SetFocus(int id) = 0;
  virtual int GetFocus() const = 0;  // 0 when no control of the window has it
  virtual int GetCaret(int id) const = 0;
  virtual void SetCaret(int id, int position) = 0;  // empty selection, scrolled into view
  virtual void SetWarning(int id, bool warn) = 0;   // orange background of a frequency field
  // The tooltip of a control; empty gives back the one it was built with.
  virtual void SetToolTip(int id, const std::string& tip) { (void)id, (void)tip; }

  // Modal message; an empty caption is the platform's default title.
  virtual void MessageBox(const std::string& text, const std::string& caption, MessageIcon icon) = 0;
  // The same with the system's reason or a hint behind a "details" button (a window) or on a
  // line of its own; surfaces without room for details show the message alone.
  virtual void MessageBoxDetails(const std::string& text, const std::string& caption, MessageIcon icon,
                                 const std::string& details) {
    (void)details;
    MessageBox(text, caption, icon);
  }
  // Full path of the chosen file, or nullopt on cancel.
  virtual std::optional<std::string> ChooseFile(const FileDialogRequest& request) = 0;

  // The tuning timer: one shot, restarted when started again. On expiry the front end calls
  // CMainDlg::OnTimer(ctl::kTuneTimerId).
  virtual void StartTuneTimer(int ms) = 0;
  virtual void StopTuneTimer() = 0;

  // The progress window of the firmware operations, created over the main window.
  virtual void ProgressCreate(const std::string& title) = 0;
  virtual void ProgressStatus(const std::string& text) = 0;
  virtual void ProgressRange(int n) = 0;  // 0..n, step 1
  virtual void ProgressStep() = 0;
  virtual void ProgressDestroy() = 0;

  // Values kept between runs of the window (the last port that connected); none by default.
  virtual std::optional<std::string> Remembered(const std::string& key) const {
    (void)key;
    return std::nullopt;
  }
  virtual void Remember(const std::string& key, const std::string& value) { (void)key, (void)value; }

  // An operation with the board starts (true) or ends: a busy cursor, no user input.
  virtual void SetBusy(bool busy) { (void)busy; }

  virtual void ShowAbout() = 0;
  virtual void Quit(int exitCode) = 0;
};

}  // namespace korvane
