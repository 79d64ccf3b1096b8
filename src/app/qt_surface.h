// The Qt Widgets side of the control panel: every ControlSurface call on the real widgets.
#pragma once

#include <QColor>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "app/update_info_dlg.h"
#include "panel/control_surface.h"

class QWidget;

namespace korvane::app {

// The background of a frequency field whose frequency the chip cannot make.
inline const QColor kWarningColour(255, 130, 0);
// Title of message boxes that bring none of their own.
inline constexpr char kDefaultCaption[] = "Korvane";

class QtSurface : public ControlSurface {
 public:
  // The main window may be attached later, before the first call.
  explicit QtSurface(QWidget* mainWindow = nullptr);
  ~QtSurface() override;
  QtSurface(const QtSurface&) = delete;
  QtSurface& operator=(const QtSurface&) = delete;

  // The window registers each control under its identifier.
  void Register(int id, QWidget* widget);
  QWidget* Widget(int id) const;
  // Identifier of a control or of a widget inside one (the port list's edit field); 0 if none.
  int IdOf(const QWidget* widget) const;
  QWidget* mainWindow() const { return main_; }
  void AttachWindow(QWidget* mainWindow) { main_ = mainWindow; }

  // Called when the tuning timer expires.
  void SetTimerHandler(std::function<void()> handler) { timerHandler_ = std::move(handler); }
  // True while the program itself writes a text, so that change signals are not mistaken
  // for typing.
  bool Writing() const { return writing_ > 0; }

  std::string GetText(int id) const override;
  void SetText(int id, const std::string& text) override;
  void ResetList(int id) override;
  void AddItem(int id, const std::string& text) override;
  void DeleteItem(int id, int index) override;
  int GetCount(int id) const override;
  std::string GetItemText(int id, int index) const override;
  int GetSelection(int id) const override;
  void SetSelection(int id, int index) override;
  void SetItemTooltip(int id, int index, const std::string& tip) override;
  bool GetCheck(int id) const override;
  void SetCheck(int id, bool checked) override;
  void Enable(int id, bool enable) override;
  bool IsEnabled(int id) const override;
  void SetFocus(int id) override;
  int GetFocus() const override;
  int GetCaret(int id) const override;
  void SetCaret(int id, int position) override;
  void SetWarning(int id, bool warn) override;
  void SetToolTip(int id, const std::string& tip) override;
  void MessageBox(const std::string& text, const std::string& caption, MessageIcon icon) override;
  void MessageBoxDetails(const std::string& text, const std::string& caption, MessageIcon icon,
                         const std::string& details) override;
  void SetBusy(bool busy) override;
  // Kept with QSettings as organisation "Korvane", application "korvane"
  // (~/.config/Korvane/korvane.conf on Linux).
  std::optional<std::string> Remembered(const std::string& key) const override;
  void Remember(const std::string& key, const std::string& value) override;
  bool Busy() const { return busy_; }
  std::optional<std::string> ChooseFile(const FileDialogRequest& request) override;
  void StartTuneTimer(int ms) override;
  void StopTuneTimer() override;
  void ProgressCreate(const std::string& title) override;
  void ProgressStatus(const std::string& text) override;
  void ProgressRange(int n) override;
  void ProgressStep() override;
  void ProgressDestroy() override;
  void ShowAbout() override;
  void Quit(int exitCode) override;

  // Hooks that stand in for the modal parts, so that tests never block on a dialog.
  std::function<void(const std::string& text, const std::string& caption, MessageIcon icon)> messageHook;
  std::function<std::optional<std::string>(const FileDialogRequest& request)> fileHook;
  std::function<void(int exitCode)> quitHook;
  // The details of the last message shown (empty when it had none).
  std::string lastDetails;

  bool TimerActive() const { return timer_.isActive(); }
  int TimerInterval() const { return timer_.interval(); }
  CUpdateInfoDlg* progress() const { return progress_; }

 private:
  // Owner of message boxes and dialogs: the active window, else (or instead of the progress
  // window) the main window.
  QWidget* Owner() const;

  QWidget* main_;
  std::map<int, QPointer<QWidget>> widgets_;
  QTimer timer_;
  std::function<void()> timerHandler_;
  QPointer<CUpdateInfoDlg> progress_;
  int writing_ = 0;
  bool busy_ = false;
};

}  // namespace korvane::app
