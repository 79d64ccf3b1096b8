// The control panel: panel state and every handler of the main window, toolkit-free.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "config/panel_settings.h"
#include "korvane/version.h"
#include "link/port_list.h"
#include "panel/control_ids.h"
#include "panel/control_surface.h"
#include "session/board_session.h"
#include "synth/chip.h"

namespace korvane {

enum class Key { Up, Down, B, Other };

// What the window remembers between runs: whether it solves exactly.
inline constexpr char kExactSettingKey[] = "exact";

inline constexpr char kWindowTitle[] = "MAX2871/ADF435x board utility v" KORVANE_SHORT_VERSION;

class CMainDlg {
 public:
  // The panel drives its board through the session; ports come from the enumerator (the
  // system's serial ports when it is empty).
  CMainDlg(ControlSurface& surface, session::BoardSession& session, link::PortEnumerator ports = {});
  CMainDlg(const CMainDlg&) = delete;
  CMainDlg& operator=(const CMainDlg&) = delete;

  // Set-up of the window: lists, initial texts, port list.
  void OnInitDialog();

  // Entry points for the front ends. Each runs one handler to completion, reports a lost
  // connection ("Connection with device lost!") and leaves the panel disconnected then.
  // While one runs, user events are dropped and a tuning-timer event waits until it ends;
  // the timer is then armed again rather than replayed.
  void OnCommand(int id);     // button clicks; the close box arrives as ctl::kExit
  void OnUserChange(int id);  // typed text, user list selection, check-box click
  void OnTimer(int timerId);
  bool PreTranslateMessage(Key key, bool controlHeld);  // true when consumed
  void OnMouseWheel(int delta);
  void OnPortDropDown();
  bool IsBusy() const { return busy_ > 0; }
  // The window's close box, Exit or Alt+F4: at once when idle, else when the running
  // operation ends; a connect still looking for a board stops looking.
  void RequestClose();
  bool ClosePending() const { return closePending_; }

  // Handlers.
  void RefreshPortList();
  // The port that last connected, when it is still there.
  void SelectRememberedPort();
  void OnConnect();
  void OnDisconnect();
  void OnControlChanged(int id);
  void RefreshSlot(int slot);
  void SendLiveSettings(int timerId);
  void OnSaveToFlash();
  void OnSaveConfig();
  void OnLoadConfig();
  void OnFirmwareUpdate();
  void OnFirmwareInfo();
  void OnEnterBootloader();
  void EnableBeaconControls(int enable);
  // The "Exact frequencies" box: solve every slot in the chosen mode.
  void OnExactChanged();
  bool StepFrequency(int direction);  // true when handled (focus in a frequency field)
  void Exit();

  // Writes a field's text and runs its change handling exactly once, as typing does.
  void SetFieldText(int id, const std::string& text);
  // The port as the user chose it: the selected entry, else the typed text.
  std::string PortName() const;
  // Whether a frequency field is painted in the warning colour.
  bool NeedsWarningColour(int id) const;
  // Reference command of the live send and the save ("R % 3.6lf %lc;" / "R % 3.6lf;").
  std::string ReferenceCommand() const;
  // Every setting as the controls show it now.
  PanelSettings ReadSettings() const;

  ControlSurface& surface() { return surface_; }
  const ControlSurface& surface() const { return surface_; }
  session::BoardSession& session() { return session_; }

  // Panel state.
  ChipType chipType = ChipType::Max2871;
  int32_t refDivisor = 0;
  double pfd = 10.0;
  int32_t isConnected = 0;
  std::array<int32_t, ctl::kSlotCount> slotValid{};
  int tuneTimer = 0;

 private:
  void Guarded(const std::function<void()>& handler);
  void ArmTuneTimer();
  void ReferenceChanged();
  void FitSlotPowerList(int slot);
  void ApplyReadout(const session::Readout& readout);
  void WriteSlot(int slot, const SlotSettings& settings);
  void SetConnectedControls();
  void CommunicationFailure();
  void ShowError(const std::string& text);
  void ShowResult(const std::string& text);

  ControlSurface& surface_;
  session::BoardSession& session_;
  link::PortEnumerator ports_;
  int busy_ = 0;
  bool connecting_ = false;
  bool closePending_ = false;
  bool timerPending_ = false;
  bool armedSinceTick_ = false;
};

}  // namespace korvane
