// The control panel: panel state and every handler of the main window, toolkit-free.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "panel/control_ids.h"
#include "panel/control_surface.h"
#include "synth/chip.h"

namespace korvane {

enum class Key { Up, Down, B, Other };

inline constexpr char kWindowTitle[] = "MAX2871/ADF435x board utility v3.7";

class CMainDlg {
 public:
  explicit CMainDlg(ControlSurface& surface);
  CMainDlg(const CMainDlg&) = delete;
  CMainDlg& operator=(const CMainDlg&) = delete;

  // Set-up of the window: lists, initial texts, port list.
  void OnInitDialog();

  // Entry points for the front ends. Each runs one handler to completion, reports a lost
  // connection ("Connection with device lost!") and leaves the panel disconnected then.
  // While one runs, user events are dropped and a tuning-timer event waits until it ends.
  void OnCommand(int id);     // button clicks; the close box arrives as ctl::kExit
  void OnUserChange(int id);  // typed text, user list selection, check-box click
  void OnTimer(int timerId);
  bool PreTranslateMessage(Key key, bool controlHeld);  // true when consumed
  void OnMouseWheel(int delta);
  void OnPortDropDown();
  bool IsBusy() const { return busy_ > 0; }

  // Handlers.
  void RefreshPortList();
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

  ControlSurface& surface() { return surface_; }
  const ControlSurface& surface() const { return surface_; }

  // Panel state.
  ChipType chipType = ChipType::Max2871;
  int32_t refDivisor = 0;
  double pfd = 10.0;
  int32_t isConnected = 0;
  std::array<int32_t, ctl::kSlotCount> slotValid{};
  int tuneTimer = 0;

 private:
  enum class IdentifyResult { Identified, Refused, Failed };

  void Guarded(const std::function<void()>& handler);
  void ArmTuneTimer();
  void ReferenceChanged();
  void FitSlotPowerList(int slot);
  IdentifyResult IdentifyChip();
  bool ReadBoardSettings();
  void SetConnectedControls();
  void CommunicationFailure();

  ControlSurface& surface_;
  int busy_ = 0;
  bool timerPending_ = false;
};

}  // namespace korvane
