// The control panel's presenter: every handler of the main window, toolkit-free. It changes
// the panel model, sends board work to the session runner and handles the typed results; it
// never waits on the wire.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "korvane/version.h"
#include "link/port_list.h"
#include "panel/panel_model.h"
#include "panel/panel_view.h"
#include "panel/session_runner.h"
#include "texts/texts.h"

namespace korvane::panel {

// The presenter's texts are English sources for the window's translation (context "Texts").
using texts::Tr;

// What the window remembers between runs: whether it solves exactly, the port that connected.
inline constexpr char kExactSettingKey[] = "exact";
inline constexpr char kLastPortKey[] = "port";
// The one timer of the window: the signal generator follows the last change after this delay.
inline constexpr int kTuneDelayMs = 500;
// While connected and idle the lock detect is read at most this often.
inline constexpr int kLockPollMs = 2000;

// What a board found in its bootloader, and one whose update was cut off, need next.
inline constexpr const char* kRepairHint = QT_TRANSLATE_NOOP(
    "Texts", "Use \"Repair...\" to write its firmware; the board stays in its bootloader until then.");
inline constexpr const char* kUpdateCutText = QT_TRANSLATE_NOOP(
    "Texts", "The board now waits in its bootloader with part of the new firmware; \"Repair...\" finishes the update.");
// Message captions, and what a file that could not be loaded adds to why.
inline constexpr const char* kInformationCaption = QT_TRANSLATE_NOOP("Texts", "Information");
inline constexpr const char* kErrorCaption = QT_TRANSLATE_NOOP("Texts", "Error!");
inline constexpr const char* kNothingLoaded = QT_TRANSLATE_NOOP("Texts", "%1\nNothing was loaded.");
inline constexpr const char* kNothingSent = QT_TRANSLATE_NOOP("Texts", "%1\nNothing was sent.");
inline constexpr const char* kNothingSentAfter = QT_TRANSLATE_NOOP("Texts", "%1 Nothing was sent.");
inline constexpr const char* kBoardRefused =
    QT_TRANSLATE_NOOP("Texts", "The board refused \"%1\" (it answered \"%2\").");

// A failed connect: the common text, then why, on a line the user sees without asking.
std::string ConnectFailureText(const session::ConnectResult& result);

inline constexpr char kWindowTitle[] = "MAX2871/ADF435x board utility v" KORVANE_SHORT_VERSION;

// What the sweep panel asks for, as typed.
struct SweepRequest {
  bool fromList = false;          // the list, else START to STOP in STEP
  std::string start, stop, step;  // MHz
  std::string list;               // MHz, one or more per line, or a CSV file's first column
  std::string dwellMs = "0";
  std::string passes = "1";         // 0: until stopped
  std::optional<PowerLevel> power;  // none: the signal generator's level
  bool exact = false;
  bool readLock = true;
};

class CMainDlg {
 public:
  // Ports come from the enumerator (the system's serial ports when it is empty).
  CMainDlg(PanelModel& model, PanelView& view, SessionRunner& runner, link::PortEnumerator ports = {});
  CMainDlg(const CMainDlg&) = delete;
  CMainDlg& operator=(const CMainDlg&) = delete;

  // Set-up: remembered mode, port list, the port that last connected.
  void OnInitDialog();

  // What the user changes. Each runs its change handling once; the signal generator's
  // settings, the reference and the mode retune the board half a second after the last one.
  void OnFrequencyEdited(Slot slot, const std::string& text);
  // "Plan..." of a frequency field: the multiplier and offset as typed. Returns why they cannot be
  // used, or nullopt once the slot has the plan (the output stays; the field shows the RF it serves).
  std::optional<std::string> OnPlanChosen(Slot slot, const std::string& multiplier, const std::string& offset);
  void OnPlanRemoved(Slot slot);
  void OnBandChosen(Slot slot, Band band);
  void OnPowerChosen(Slot slot, PowerLevel level);
  void OnReferenceEdited(const std::string& text);
  void OnExtReferenceClicked(bool on);
  void OnExactChanged(bool exact);
  void EnableBeaconControls(bool enable);  // the "Enable beacon" box
  void OnScanClicked(bool on);
  void OnPinFunctionChosen(PinFunction function);
  void OnSpeedEdited(const std::string& speed);
  void OnTextEdited(const std::string& text);
  void OnChipChosen(session::ChipChoice choice);
  void OnPortChosen(const std::string& name);  // picked from the list or typed
  void OnPortDropDown();

  // Buttons and keys.
  void OnConnect();
  void OnDisconnect();
  void OnSaveToFlash();
  void OnSaveConfig();
  void OnLoadConfig();
  void OnFirmwareUpdate();  // "Repair..." / "Update..."
  void OnFirmwareInfo();
  void OnEnterBootloader();  // Ctrl+B
  void OnAbout();
  // Esc or Cancel: a connect in progress stops looking for the board; a sweep stops.
  void OnCancel();
  // The close box, Exit or Alt+F4: at once when idle; a connect is cancelled first; during
  // any other operation the request is acknowledged and kept until it ends.
  void RequestClose();
  bool ClosePending() const { return closePending_; }

  // The sweep panel: runs the sweep on the session, one slot set per point; Stop ends it
  // within one point and leaves the output at the last point.
  void OnSweepStart(const SweepRequest& request);
  void OnSweepStop();
  void OnSweepLoadList();
  void OnSweepSaveCsv();

  // The register view's expert settings: a field of a slot set to a value (Korvane's own value
  // removes the override), checked before it is kept; a reset returns one slot, or every slot,
  // to Korvane's words. The signal generator follows half a second later.
  void OnFieldEdited(Slot slot, Field field, uint32_t value);
  void OnResetFields(std::optional<Slot> slot);
  // The value Korvane itself sends in the field for the slot as it stands.
  uint32_t KorvaneFieldValue(Slot slot, const RegisterField& field) const;

  // The tuning timer expired.
  void OnTimer();
  // The view's lock timer (every kLockPollMs): reads the lock detect when connected, no
  // operation runs and no board work waits.
  void OnLockTimer();
  // Arrow keys and the wheel in a frequency field: steps the digit left of the caret (a byte
  // position in the field's text). Returns the caret to restore, or nullopt when the field
  // holds nothing to step.
  std::optional<int> StepFrequency(Slot slot, int caret, int direction);

  // Reference command of the live send and the save ("R % 3.6lf %lc;" / "R % 3.6lf;").
  std::string ReferenceCommand() const;

  PanelModel& model() { return model_; }
  const PanelModel& model() const { return model_; }

 private:
  void ArmTuneTimer();
  void RefreshPortList();
  void SelectRememberedPort();
  bool StartOperation(Operation operation);
  void EndOperation();
  void Show(Message message, std::function<void()> then = {});
  void ShowError(const std::string& text, std::function<void()> then = {});
  void ShowResult(const std::string& text, std::function<void()> then = {});
  void ConnectionLost(const std::string& what);
  void ConnectFinished(const session::ConnectResult& result);
  void ApplyReadout(const session::Readout& readout);
  void CommunicationFailure();
  void Disconnected();
  void StartUpdate(const std::string& path);
  void FinishUpdate(bool opened, bool wasConnected, const session::FirmwareResult& result);
  void Exit();
  // A completion that shows a lock reading taken on the session's thread.
  // `idle`: the idle poll's reading, which alone tells a lock lost on its own from a retune's.
  Completion LockCompletion(session::LockState state, bool idle = false);

  void FinishSweep(const session::SweepEnd& end, bool exact);

  PanelModel& model_;
  PanelView& view_;
  SessionRunner& runner_;
  link::PortEnumerator ports_;
  bool closePending_ = false;
  bool cancelling_ = false;
  bool timerPending_ = false;
  bool armedSinceTick_ = false;
  std::shared_ptr<std::atomic<bool>> sweepStop_;
};

}  // namespace korvane::panel
