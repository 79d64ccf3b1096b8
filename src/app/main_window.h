// The main window (dialog 129): builds the controls, forwards what the user does to CMainDlg,
// and holds user input off while a board operation runs.
#pragma once

#include <QWidget>
#include <memory>

#include "app/message_loop.h"
#include "app/qt_surface.h"
#include "link/clock.h"
#include "link/demo_board.h"
#include "panel/main_dlg.h"
#include "session/board_session.h"

namespace korvane::app {

// What the window's board session runs on. The demo store is the demo board's memory for
// the whole run; tests give a fast clock, their own ports and transports.
struct WindowEnvironment {
  Clock* clock = nullptr;             // nullptr: the window's own real clock
  link::DemoStore* demo = nullptr;    // nullptr: the window's own
  link::PortEnumerator ports;         // empty: the system's serial ports
  link::TransportFactory transports;  // empty: local serial ports and network ports
};

class MainWindow : public QWidget, public CMessageFilter {
  Q_OBJECT

 public:
  // Builds the window, registers its message filter with the loop and runs the panel's
  // set-up. A test may pass a surface of its own (for example one that counts calls).
  explicit MainWindow(CMessageLoop& loop, std::unique_ptr<QtSurface> surface = nullptr,
                      WindowEnvironment environment = {});
  ~MainWindow() override;

  CMainDlg& dlg() { return *dlg_; }
  session::BoardSession& session() { return *session_; }
  QtSurface& surface() { return *surface_; }
  // The control with the given identifier.
  QWidget* Control(int id) const { return surface_->Widget(id); }

  bool PreTranslateMessage(QObject* receiver, QKeyEvent* event) override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void ConnectSignals();
  QWidget* BuildSignalGenerator();
  QWidget* BuildPresets();
  QWidget* BuildBeacon();
  QWidget* BuildColumn();
  bool IsInWindow(QObject* object) const;
  bool BelongsToWindow(QObject* object) const;
  void CentreOnScreen();

  CMessageLoop& loop_;
  std::unique_ptr<QtSurface> surface_;
  SteadyClock ownClock_;
  link::DemoStore ownDemo_;
  Clock& clock_;
  std::unique_ptr<session::BoardSession> session_;
  std::unique_ptr<CMainDlg> dlg_;
  int wheelRemainder_ = 0;
};

}  // namespace korvane::app
