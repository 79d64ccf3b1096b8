// The control panel's state as typed values, each with a change notification: what the
// window shows and what the presenter sends to a board. No widget, list position or control
// identifier appears here; the view maps them.
#pragma once

#include <QObject>
#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "config/panel_settings.h"
#include "link/board_link.h"
#include "link/port_list.h"
#include "session/board_session.h"
#include "session/sweep.h"
#include "synth/chip.h"
#include "synth/number_text.h"

namespace korvane::panel {

// One frequency slot: F1..F4, then the signal generator.
struct SlotState {
  std::string frequency = kDefaultFrequencyText;  // the output the board makes, in MHz; as typed without a plan
  // What the frequency field shows and the user types: the RF with a plan (as typed, or from the
  // output when the plan or the slot came from elsewhere), else the same text as `frequency`.
  std::string rf = kDefaultFrequencyText;
  Band band = Band::Out1;
  PowerLevel power = PowerLevel::Off;
  FieldOverrides overrides;        // expert settings the user set, sent on top of Korvane's words
  FrequencyPlan plan;              // the RF the output serves; kept through loads and saves
  std::optional<BoardSlot> board;  // what the board held for the slot when it was read

  // Derived from the above, the reference, the chip and the mode.
  bool isNumber = false;                 // the text is a number as typed (a decimal comma counts)
  std::optional<SlotSolution> solution;  // nullopt: no number, or no valid reference
  std::optional<double> realMhz;         // the frequency the chip makes
  std::optional<double> errorHz;         // real minus typed, at the output
  std::optional<double> rfRealMhz;       // with a plan: the RF the real output serves
  std::optional<double> rfErrorHz;       // with a plan: the error as it is seen at RF
  bool inBand = false;                   // a number within the output's band, with a valid reference
  std::string realLabel;                 // "/ %5.6lf" or "/ ----.---"; with a plan RF and output
  std::string errorText;                 // "-122.2 Hz from 1296.000000 MHz", "exact" or empty; at RF with a plan
  std::string bandNote;                  // a number outside the output's band: says so, else empty
  bool outOfReach = false;               // a number no register words come near ("1e300")
};

// The real-frequency label of a number no register words come near.
inline constexpr const char* kOutOfReachLabel = QT_TRANSLATE_NOOP("Texts", "/ out of reach");

// The lock detect as last read ("L;"): the state and the local time of the reading.
struct LockReading {
  session::LockState state = session::LockState::Unknown;
  std::optional<std::chrono::system_clock::time_point> readAt;  // none: not read since the connect
  // When an idle reading found a lock gone that had been there; kept while it stays gone. The
  // reading with lostAt == readAt is the one that noticed the loss.
  std::optional<std::chrono::system_clock::time_point> lostAt;
};

// The sweep panel's run: its points as they went out, and what it is doing.
struct SweepState {
  bool running = false;
  std::deque<session::SweepSample> samples;  // the newest kMaxSweepRows
  size_t pointsPerPass = 0;
  int64_t passes = 1;  // 0: until stopped
  std::string status;
};
inline constexpr size_t kMaxSweepRows = 100000;

// A real-frequency label: "/ %5.6lf", with a plan the RF the output serves, then the output.
std::string RealLabel(const FrequencyPlan& plan, double realMhz);

// What the panel is doing with the board besides live tuning.
enum class Operation { None, Connecting, Working, Updating };

// Which of the panel's controls the user can use, decided once for every view from the board's
// identity, the connection, the beacon and the running operation (which disables what would start
// another). Sweep, Registers and Exit are always there.
struct PanelControls {
  bool frequency = false;  // every slot's frequency and power level
  bool band = false;       // every slot's output choice: boards with a second output
  bool reference = false;
  bool extReference = false;  // hardware 2 and later
  bool exact = false;
  bool save = false;
  bool loadConfig = false;
  bool saveConfig = false;
  bool beacon = false;          // the "Enable beacon" box
  bool beaconSettings = false;  // scanning, speed, text and the pin function: with the beacon on
  bool firmwareInfo = false;    // hardware 3 and later
  bool update = false;          // "Repair..." without a board, "Update..." with one (hardware 3 and later)
  std::string updateText = "Repair...";
  bool disconnect = false;
  bool connect = false;  // Connect and the port list
  bool chipList = false;
  bool about = false;
  bool cancelShown = false;  // Cancel stands where Connect stands while a connect looks for the board
  bool operator==(const PanelControls&) const = default;
};

// The progress window of the firmware operations.
struct ProgressState {
  bool open = false;
  std::string title;
  std::string status;
  int range = 0;
  int value = 0;
  bool closeRequested = false;  // the window closes when the operation ends
};

class PanelModel : public QObject {
  Q_OBJECT

 public:
  PanelModel();

  // Chip: the choice of the chip list and the chip the panel computes for.
  session::ChipChoice chipChoice() const { return chipChoice_; }
  void SetChipChoice(session::ChipChoice choice);
  ChipType chip() const { return chip_; }
  // "Chip (MAX2871):" once a connect has identified or been told the chip, else "Chip:".
  std::string chipCaption() const;
  void SetChip(ChipType chip, bool shownInCaption);
  void ClearChipCaption();

  // Reference: the text as typed; refDivisor 0 means no valid reference.
  const std::string& reference() const { return reference_; }
  int32_t refDivisor() const { return refDivisor_; }
  double pfd() const { return pfd_; }
  bool extReference() const { return extReference_; }
  void SetReference(const std::string& text);
  // The reference as the user types it: text that is no number as typed gives no valid reference
  // (nothing is solved or sent) and marks the field; SetReference reads a leading number, as files are.
  void SetTypedReference(const std::string& text);
  bool referenceIsNumber() const { return referenceIsNumber_; }
  // The same rule for the keying speed the user typed (a file's or a board's is read as before).
  bool speedIsNumber() const { return !speedTyped_ || ReadTypedNumber(speed_).has_value(); }
  // The divider and comparison frequency a board reports with its reference text.
  void SetBoardReference(const std::string& text, int32_t refDivisor, double pfd);
  // A board whose reference cannot be read: 10 MHz at divider 1 are assumed.
  void AssumeBoardReference();
  void SetExtReference(bool on);

  bool exact() const { return exact_; }
  void SetExact(bool exact);

  const SlotState& slot(Slot which) const { return slots_[static_cast<size_t>(SlotNumber(which))]; }
  // The frequency as the user types it in the field: the RF when the slot has a plan, from which
  // the output follows ((RF - offset) / N); text that is no number stays no number.
  void SetSlotFrequency(Slot which, const std::string& text);
  // A plan for the slot (a plan that is not set removes it). The output, what the board makes,
  // stays; the field then shows the RF that output serves. Refused (false) when the plan is invalid.
  bool SetSlotPlan(Slot which, const FrequencyPlan& plan);
  // A new output keeps the power level when the output offers it, else the nearest one.
  void SetSlotBand(Slot which, Band band);
  void SetSlotPower(Slot which, PowerLevel level);
  // Output first, then power, then frequency: the whole slot at once, one notification.
  void SetSlot(Slot which, const SlotSettings& settings);
  // The slot's expert settings: fields sent with other values than Korvane's.
  void SetSlotOverrides(Slot which, const FieldOverrides& overrides);
  // Drops the user's and the board's values: the slot sends Korvane's words.
  void ResetSlotFields(Slot which);

  // Beacon: a pin function other than the frequency code needs the beacon.
  bool beacon() const { return beacon_; }
  bool scan() const { return scan_; }
  PinFunction pinFunction() const { return pinFunction_; }
  const std::string& speed() const { return speed_; }
  // The board's own keying code, with the speed text a readout showed for it.
  void SetBoardSpeed(const std::optional<BoardSpeed>& speed) { boardSpeed_ = speed; }
  const std::string& text() const { return text_; }
  void SetBeacon(bool on);
  void SetScan(bool on);
  void SetPinFunction(PinFunction function);
  void SetSpeed(const std::string& speed);
  // The speed as the user types it: marked, and refused by a save, when it is no number as typed.
  void SetTypedSpeed(const std::string& speed);
  void SetText(const std::string& text);

  // Connection.
  const std::vector<link::PortInfo>& ports() const { return ports_; }
  const std::string& port() const { return port_; }  // the name the user chose or typed
  void SetPorts(std::vector<link::PortInfo> ports);
  void SetPort(const std::string& name);
  bool connected() const { return connected_; }
  const link::BoardIdentity& identity() const { return identity_; }
  session::BoardCapabilities capabilities() const { return session::CapabilitiesOf(identity_); }
  // Settings become editable with the board's identity, before its readout completes.
  void SetBoard(bool editable, const link::BoardIdentity& identity);
  void SetConnected(bool connected);
  bool editable() const { return editable_; }

  // Which controls the user can use now, and what stands in Connect's place.
  PanelControls controls() const;

  const LockReading& lock() const { return lock_; }
  // What became of the last retune of the signal generator: the real frequency the board was given
  // last (none since the connect), and what the user should know (a refusal, or board values that
  // gave way), empty when there is nothing to say.
  const std::optional<double>& givenMhz() const { return givenMhz_; }
  // The status strip's real frequency: what the board was given last, with its error when it is
  // the typed frequency's; with a plan the RF first, its error at RF, then the output. Empty when
  // not connected or nothing was given.
  std::string givenText() const;
  const std::string& tuneNotice() const { return tuneNotice_; }
  bool tuneRefused() const { return tuneRefused_; }
  // What the connect's readout left aside (stored words that cannot be the chip's), one line a slot.
  const std::string& readNotes() const { return readNotes_; }
  void SetReadNotes(const std::string& notes);
  // A retune the board took: the frequency it was given, and the notes that came with it.
  void SetTuneGiven(std::optional<double> realMhz, const std::string& notes);
  // A retune refused before or on the wire: the board keeps what it was given last.
  void SetTuneRefused(const std::string& reason);
  // The settings the board took last (the readout at connect, then each retune it took).
  void SetGivenSettings(const PanelSettings& settings) { givenSettings_ = settings; }
  // What the board holds, for the views that show its words: the panel's settings, or after a
  // refused retune the settings it was last given.
  PanelSettings BoardSettings() const;
  void SetLock(const LockReading& reading);

  const SweepState& sweep() const { return sweep_; }
  void StartSweep(size_t pointsPerPass, int64_t passes);
  void AddSweepSample(const session::SweepSample& sample);
  void EndSweep(const std::string& status);
  // A frequency list the sweep panel loaded from a file.
  const std::string& sweepList() const { return sweepList_; }
  void SetSweepList(const std::string& list);

  Operation operation() const { return operation_; }
  bool busy() const { return operation_ != Operation::None; }
  void SetOperation(Operation operation);
  const ProgressState& progress() const { return progress_; }
  void OpenProgress(const std::string& title);
  void SetProgressPhase(const std::string& status, int range);
  void StepProgress();
  void RequestCloseAfterProgress();
  void CloseProgress();

  // Every setting as one value, for the session and the files.
  PanelSettings Settings() const;

 signals:
  void chipChanged();
  void referenceChanged();  // text, divider, external reference
  void exactChanged();
  void slotChanged(Slot which);
  void beaconChanged();  // beacon, scan, pin function, speed, text
  void portsChanged();
  void portChanged();
  void connectionChanged();  // connected, identity, editable
  void lockChanged();
  void sweepChanged();      // running, status, or the rows as a whole (a new sweep has none)
  void sweepSampleAdded();  // one more row at the end
  // A full table drops its oldest rows: before they go, and once they are gone.
  void sweepSamplesDropping(int count);
  void sweepSamplesDropped(int count);
  void sweepListChanged();
  void operationChanged();
  void progressChanged();

 private:
  void Derive(Slot which);
  void DeriveAll();

  session::ChipChoice chipChoice_ = session::ChipChoice::Auto;
  ChipType chip_ = ChipType::Max2871;
  bool chipInCaption_ = false;
  std::string reference_;
  int32_t refDivisor_ = 0;
  double pfd_ = 10.0;
  bool extReference_ = false;
  bool exact_ = false;
  SlotState& at(Slot which) { return slots_[static_cast<size_t>(SlotNumber(which))]; }

  std::array<SlotState, kSlotCount> slots_;
  bool beacon_ = false;
  bool scan_ = false;
  PinFunction pinFunction_ = PinFunction::FreqCode;
  std::string speed_ = "10";
  std::optional<BoardSpeed> boardSpeed_;
  std::string text_;
  std::vector<link::PortInfo> ports_;
  std::string port_;
  bool connected_ = false;
  bool editable_ = false;
  link::BoardIdentity identity_;
  LockReading lock_;
  std::optional<double> givenMhz_;
  std::optional<PanelSettings> givenSettings_;
  bool referenceIsNumber_ = true;
  bool speedTyped_ = false;
  std::string tuneNotice_;
  std::string readNotes_;
  bool tuneRefused_ = false;
  SweepState sweep_;
  std::string sweepList_;
  Operation operation_ = Operation::None;
  ProgressState progress_;
};

}  // namespace korvane::panel
