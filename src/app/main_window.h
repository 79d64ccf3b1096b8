// The main window: the control panel's widgets bound to the panel model. What the user does
// goes to the presenter CMainDlg; what the model says is shown. Board work runs on the
// session's worker thread, so the window never blocks.
#pragma once

#include <QColor>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/calibrate_dialog.h"
#include "app/message_loop.h"
#include "app/plan_dialog.h"
#include "app/port_combo.h"
#include "app/register_dialog.h"
#include "app/sweep_dialog.h"
#include "app/update_info_dlg.h"
#include "base/clock.h"
#include "link/demo_board.h"
#include "panel/main_dlg.h"
#include "panel/panel_model.h"
#include "panel/panel_view.h"
#include "panel/session_runner.h"
#include "session/board_session.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSystemTrayIcon;

namespace korvane::app {

// The controls of one slot: F1..F4, then the signal generator.
struct SlotControls {
  QLineEdit* frequency = nullptr;
  QLabel* real = nullptr;  // "/ 180.000000", the frequency the chip makes
  QComboBox* power = nullptr;
  QComboBox* band = nullptr;  // the output
};

// The window's controls by what they are. The window owns them for its whole life.
struct MainControls {
  std::array<SlotControls, kSlotCount> slot;  // by slot number
  SlotControls& Of(Slot which) { return slot[static_cast<size_t>(SlotNumber(which))]; }
  const SlotControls& Of(Slot which) const { return slot[static_cast<size_t>(SlotNumber(which))]; }
  QLineEdit* reference = nullptr;
  QCheckBox* extReference = nullptr;
  QCheckBox* exact = nullptr;
  QCheckBox* beacon = nullptr;
  QCheckBox* scan = nullptr;
  QLineEdit* speed = nullptr;
  QPlainTextEdit* beaconText = nullptr;
  QComboBox* pinFunction = nullptr;
  QLabel* chipCaption = nullptr;
  QComboBox* chipList = nullptr;
  PortCombo* portList = nullptr;
  QPushButton* connect = nullptr;
  QPushButton* cancel = nullptr;  // stands where Connect stands while a connect looks for the board
  QPushButton* disconnect = nullptr;
  QPushButton* save = nullptr;
  QPushButton* loadConfig = nullptr;
  QPushButton* saveConfig = nullptr;
  QPushButton* sweep = nullptr;
  QPushButton* registers = nullptr;
  QPushButton* firmwareInfo = nullptr;
  QPushButton* repairUpdate = nullptr;  // "Repair..." / "Update..."
  QPushButton* about = nullptr;
  QPushButton* exit = nullptr;
  // The status strip.
  QLabel* statusPort = nullptr;
  QLabel* statusBoard = nullptr;
  QLabel* statusNotice = nullptr;
  QLabel* lockLight = nullptr;
  QLabel* statusReal = nullptr;
};

// The background of a frequency field whose frequency the chip cannot make.
inline const QColor kWarningColour(255, 130, 0);
// Title of message boxes that bring none of their own.
inline constexpr char kDefaultCaption[] = "Korvane";

// What the window's board session runs on. The demo store is the demo board's memory for
// the whole run; tests give a fast clock, their own ports and transports.
struct WindowEnvironment {
  Clock* clock = nullptr;             // nullptr: the window's own real clock
  link::DemoStore* demo = nullptr;    // nullptr: the window's own
  link::PortEnumerator ports;         // empty: the system's serial ports
  link::TransportFactory transports;  // empty: local serial ports and network ports
};

// Stand-ins for the modal parts, so that tests never wait for a person.
struct ViewHooks {
  std::function<void(const panel::Message& message)> message;
  std::function<std::optional<std::string>(const panel::FileDialogRequest& request)> file;
  std::function<void(int exitCode)> quit;
};

class MainWindow : public QWidget, public CMessageFilter, public panel::PanelView {
  Q_OBJECT

 public:
  // Builds the window, registers its message filter with the loop and runs the panel's set-up.
  explicit MainWindow(CMessageLoop& loop, WindowEnvironment environment = {});
  ~MainWindow() override;

  panel::CMainDlg& dlg() { return *dlg_; }
  // The session lives on its worker thread; look at it only while the window is Idle.
  session::BoardSession& session() { return runner_->session(); }
  // No operation runs and no board work waits or runs.
  bool Idle() const { return !model_.busy() && runner_->Idle(); }
  panel::PanelModel& model() { return model_; }
  ViewHooks& hooks() { return hooks_; }
  const MainControls& controls() const { return ui_; }
  // The sweep panel and the register view, once opened.
  SweepDialog* sweepDialog() const { return sweep_; }
  RegisterDialog* registerDialog() const { return registers_; }
  // The open progress window, if any.
  CUpdateInfoDlg* progress() const { return progress_; }
  bool TuneTimerActive() const { return tuneTimer_.isActive(); }
  // "Calibrate..." from the reference field's menu; the dialog while it is open.
  void OpenCalibrate();
  CalibrateDialog* calibrateDialog() const { return calibrate_; }
  // "Plan..." from a frequency field's menu; the dialog while it is open.
  void OpenPlan(Slot slot);
  PlanDialog* planDialog() const { return plan_; }
  // The lock detect's idle reading; tests fire it themselves.
  QTimer& lockTimer() { return lockTimer_; }
  // The status strip's real frequency to the clipboard, as its "Copy" does.
  void CopyRealFrequency();

  bool PreTranslateMessage(QObject* receiver, QKeyEvent* event) override;

  // panel::PanelView
  void ShowMessage(const panel::Message& message, std::function<void()> closed) override;
  void ChooseFile(const panel::FileDialogRequest& request,
                  std::function<void(std::optional<std::string>)> chosen) override;
  void StartTuneTimer(int ms) override;
  void StopTuneTimer() override;
  void SetFocus(panel::FocusTarget target) override;
  std::optional<std::string> Remembered(const std::string& key) const override;
  void Remember(const std::string& key, const std::string& value) override;
  void ShowAbout() override;
  void Quit(int exitCode) override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  QWidget* BuildSignalGenerator();
  QWidget* BuildPresets();
  QWidget* BuildBeacon();
  QWidget* BuildColumn();
  QWidget* BuildStatusStrip();
  // Keeps the control in its member and gives it its tooltip.
  template <class W>
  W* Make(W*& member, W* widget, const char* tooltip = nullptr);

  void ConnectUserSignals();
  void BindModel();
  void ShowSlot(Slot slot);
  void ShowReference();
  void ShowBeacon();
  void ShowPorts();
  void ShowPort();
  void ShowChip();
  void ShowEnabled();
  void ShowProgress();
  void ShowStatus();
  // A lock the idle poll found gone: a desktop notification, once per loss.
  void NotifyLockLost();
  void SetWarning(QLineEdit* edit, bool warn);
  // Which slot's frequency field has the focus; -1 when none has.
  std::optional<Slot> FocusedSlot() const;
  void Step(Slot slot, int direction);
  void CentreOnScreen();
  // Owner of message boxes and dialogs: the active window, else the main window.
  QWidget* Owner();

  CMessageLoop& loop_;
  SteadyClock ownClock_;
  link::DemoStore ownDemo_;
  Clock& clock_;
  std::unique_ptr<panel::ThreadedRunner> runner_;
  panel::PanelModel model_;
  std::unique_ptr<panel::CMainDlg> dlg_;
  ViewHooks hooks_;
  MainControls ui_;
  QTimer tuneTimer_;
  QTimer lockTimer_;
  QPointer<CUpdateInfoDlg> progress_;
  QPointer<SweepDialog> sweep_;
  QPointer<RegisterDialog> registers_;
  QPointer<CalibrateDialog> calibrate_;
  QPointer<PlanDialog> plan_;
  // Made when a lock is lost and the desktop has a tray to tell it through.
  QSystemTrayIcon* tray_ = nullptr;
  QPointer<QWidget> pendingFocus_;
  int progressShownValue_ = 0;
  int wheelRemainder_ = 0;
  bool showing_ = false;  // the model is being shown: widget signals are the program's own
};

}  // namespace korvane::app
