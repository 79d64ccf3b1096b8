#include "panel/main_dlg.h"

#include <cctype>
#include <cmath>
#include <utility>
#include <vector>

#include "firmware/bootloader.h"
#include "link/port_list.h"
#include "synth/number_text.h"

namespace korvane::panel {

CMainDlg::CMainDlg(PanelModel& model, PanelView& view, SessionRunner& runner, link::PortEnumerator ports)
    : model_(model), view_(view), runner_(runner), ports_(std::move(ports)) {
  runner_.SetEvents({[this](const std::string& what) { ConnectionLost(what); },
                     [this](session::FirmwarePhase phase, int total) {
                       model_.SetProgressPhase(
                           Tr(phase == session::FirmwarePhase::Erasing ? texts::kErasing : texts::kFlashing), total);
                     },
                     [this] { model_.StepProgress(); }});
}

// ---------------------------------------------------------------------------------------------
// Set-up

void CMainDlg::OnInitDialog() {
  model_.SetExact(view_.Remembered(kExactSettingKey).value_or("0") == "1");
  // Nothing is chosen yet: the list's first entry, unless the port that last connected is there.
  model_.SetPort({});
  RefreshPortList();
  SelectRememberedPort();
}

// ---------------------------------------------------------------------------------------------
// Operations: one at a time; messages are steps of the operation that shows them

bool CMainDlg::StartOperation(Operation operation) {
  if (model_.busy()) return false;
  model_.SetOperation(operation);
  return true;
}

void CMainDlg::EndOperation() {
  model_.SetOperation(Operation::None);
  if (timerPending_) {
    // The tick came while the board was busy. Unless the operation armed the timer again
    // (a readout does), the send follows a full delay after the operation, never at once.
    timerPending_ = false;
    if (!armedSinceTick_) ArmTuneTimer();
  }
  if (closePending_) {
    closePending_ = false;
    Exit();
  }
}

void CMainDlg::Show(Message message, std::function<void()> then) { view_.ShowMessage(message, std::move(then)); }

// Refusals and errors come in a box without a caption of its own, results with "Information".
void CMainDlg::ShowError(const std::string& text, std::function<void()> then) {
  Show({text, "", MessageIcon::Information, {}}, std::move(then));
}

void CMainDlg::ShowResult(const std::string& text, std::function<void()> then) {
  Show({text, Tr(kInformationCaption), MessageIcon::Information, {}}, std::move(then));
}

std::string ConnectFailureText(const session::ConnectResult& result) {
  std::string text = Tr(texts::kCouldNotFind);
  if (result.reason) text += "\n" + texts::OpenFailureText(result.reason);
  if (result.inBootloader) text += "\n" + Tr(kRepairHint);
  return text;
}

void CMainDlg::ConnectionLost(const std::string& what) {
  // The board vanished mid-exchange. Every value the user has in the window stays; the
  // panel falls back to the disconnected state.
  if (!model_.busy()) model_.SetOperation(Operation::Working);
  cancelling_ = false;
  // Once the erase has begun, the board is left in its bootloader with part of an image.
  const bool updateCut =
      model_.operation() == Operation::Updating && model_.progress().open &&
      (model_.progress().status == Tr(texts::kErasing) || model_.progress().status == Tr(texts::kFlashing));
  model_.CloseProgress();
  if (model_.sweep().running) {
    sweepStop_.reset();
    model_.EndSweep(what);
  }
  Show({updateCut ? what + "\n" + Tr(kUpdateCutText) : what, Tr(kErrorCaption), MessageIcon::Stop, {}}, [this] {
    Disconnected();
    EndOperation();
  });
}

void CMainDlg::RequestClose() {
  if (!model_.busy()) {
    Exit();
    return;
  }
  closePending_ = true;
  OnSweepStop();
  if (model_.operation() == Operation::Connecting) {
    // Looking for a board can take three handshake time-outs; nobody waits for it now.
    OnCancel();
  } else if (model_.progress().open) {
    model_.RequestCloseAfterProgress();
  }
}

void CMainDlg::OnCancel() {
  OnSweepStop();
  if (model_.operation() != Operation::Connecting) return;
  cancelling_ = true;
  runner_.CancelConnect();
}

void CMainDlg::Exit() {
  view_.StopTuneTimer();
  runner_.Post({Request::Kind::Other, [](session::BoardSession& session, const RequestProgress&) {
                  session.Close();
                  return Completion();
                }});
  view_.Quit(0);
}

void CMainDlg::OnAbout() { view_.ShowAbout(); }

// ---------------------------------------------------------------------------------------------
// Change handling and live tuning

void CMainDlg::OnFrequencyEdited(Slot slot, const std::string& text) {
  model_.SetSlotFrequency(slot, text);
  if (slot == Slot::SigGen) ArmTuneTimer();
}

std::optional<std::string> CMainDlg::OnPlanChosen(Slot slot, const std::string& multiplier, const std::string& offset) {
  const std::optional<int> n = ReadMultiplier(DecimalCommaAsPoint(multiplier));
  if (!n) return Tr(QT_TRANSLATE_NOOP("Texts", "The multiplier must be a whole number from 1 to 64."));
  const std::optional<double> mhz = ReadOffset(DecimalCommaAsPoint(offset));
  if (!mhz) {
    return Tr(QT_TRANSLATE_NOOP(
        "Texts", "The offset must be a number of MHz within +-1000000 (negative for an LO above the signal)."));
  }
  // The board keeps its output: only what the field shows changes, so nothing is sent.
  model_.SetSlotPlan(slot, FrequencyPlan{*n, *mhz});
  return std::nullopt;
}

void CMainDlg::OnPlanRemoved(Slot slot) { model_.SetSlotPlan(slot, FrequencyPlan{}); }

void CMainDlg::OnBandChosen(Slot slot, Band band) {
  model_.SetSlotBand(slot, band);
  if (slot == Slot::SigGen) ArmTuneTimer();
}

void CMainDlg::OnPowerChosen(Slot slot, PowerLevel level) {
  model_.SetSlotPower(slot, level);
  if (slot == Slot::SigGen) ArmTuneTimer();
}

void CMainDlg::OnReferenceEdited(const std::string& text) {
  model_.SetTypedReference(text);
  ArmTuneTimer();
}

void CMainDlg::OnExtReferenceClicked(bool on) {
  model_.SetExtReference(on);
  ArmTuneTimer();
}

void CMainDlg::OnExactChanged(bool exact) {
  model_.SetExact(exact);
  view_.Remember(kExactSettingKey, exact ? "1" : "0");
  // Every slot is solved again at once; the signal generator follows half a second later.
  ArmTuneTimer();
}

void CMainDlg::EnableBeaconControls(bool enable) { model_.SetBeacon(enable); }
void CMainDlg::OnScanClicked(bool on) { model_.SetScan(on); }
void CMainDlg::OnPinFunctionChosen(PinFunction function) { model_.SetPinFunction(function); }
void CMainDlg::OnSpeedEdited(const std::string& speed) { model_.SetTypedSpeed(speed); }
void CMainDlg::OnTextEdited(const std::string& text) { model_.SetText(text); }
void CMainDlg::OnChipChosen(session::ChipChoice choice) { model_.SetChipChoice(choice); }
void CMainDlg::OnPortChosen(const std::string& name) { model_.SetPort(name); }

void CMainDlg::ArmTuneTimer() {
  if (model_.refDivisor() <= 0) return;
  armedSinceTick_ = true;
  view_.StartTuneTimer(kTuneDelayMs);
}

void CMainDlg::OnTimer() {
  if (model_.busy()) {
    // Never a retune in the middle of an operation: it waits until the operation is done.
    timerPending_ = true;
    armedSinceTick_ = false;
    return;
  }
  view_.StopTuneTimer();
  if (!model_.connected() || model_.refDivisor() <= 0) return;
  // A field that holds no number as typed sends nothing; the board keeps what it makes.
  if (!model_.slot(Slot::SigGen).isNumber) return;
  // Nor does one no words come near: the counters' limits are no frequency anyone asked for.
  if (model_.slot(Slot::SigGen).outOfReach) {
    model_.SetTuneRefused(Tr(kNothingSentAfter, {model_.slot(Slot::SigGen).errorText}));
    return;
  }
  // The window shows what the board makes: a refusal says why and leaves the display on what the
  // board was given last. The lock detect is read after every retune the board took.
  const PanelSettings settings = model_.Settings();
  if (std::optional<session::SlotIssue> why = session::SlotRefusal(settings, Slot::SigGen)) {
    model_.SetTuneRefused(Tr(kNothingSentAfter, {texts::SlotIssueText(*why)}));
    return;
  }
  runner_.Post({Request::Kind::Retune, [this, settings](session::BoardSession& session, const RequestProgress&) {
                  const session::TuneResult result = session.Tune(settings, Slot::SigGen);
                  if (!result.accepted()) {
                    const session::Exchange& refused = result.reference.command.empty() || result.reference.accepted()
                                                           ? result.slot
                                                           : result.reference;
                    return Completion([this, text = Tr(kBoardRefused, {refused.command, refused.reply})] {
                      if (model_.connected()) model_.SetTuneRefused(text);
                    });
                  }
                  std::string notes;
                  for (const session::SlotNote& note : result.notes) {
                    notes += (notes.empty() ? "" : "\n") + texts::SlotNoteText(note);
                  }
                  const Completion lock = LockCompletion(session.ReadLock());
                  return Completion([this, lock, notes, settings] {
                    if (model_.connected()) model_.SetGivenSettings(settings);
                    if (model_.connected()) model_.SetTuneGiven(session::RealFrequency(settings, Slot::SigGen), notes);
                    lock();
                  });
                }});
}

void CMainDlg::OnLockTimer() {
  if (!model_.connected() || model_.busy() || !runner_.Idle()) return;
  // A board whose firmware cannot tell is never asked.
  if (!model_.capabilities().lockQuery) return;
  runner_.Post({Request::Kind::Other, [this](session::BoardSession& session, const RequestProgress&) {
                  return LockCompletion(session.ReadLock(), true);
                }});
}

Completion CMainDlg::LockCompletion(session::LockState state, bool idle) {
  return [this, idle, reading = LockReading{state, std::chrono::system_clock::now(), std::nullopt}]() mutable {
    // A reading that comes back after a disconnect belongs to no board.
    if (!model_.connected()) return;
    const LockReading& before = model_.lock();
    if (reading.state == session::LockState::NotLocked) {
      if (before.state == session::LockState::NotLocked) {
        reading.lostAt = before.lostAt;
      } else if (idle && before.state == session::LockState::Locked) {
        reading.lostAt = reading.readAt;
      }
    }
    model_.SetLock(reading);
  };
}

std::string CMainDlg::ReferenceCommand() const {
  return session::ReferenceCommand(model_.Settings(), model_.identity());
}

std::optional<int> CMainDlg::StepFrequency(Slot slot, int caret, int direction) {
  // The field's own text: the RF when the slot has a plan.
  const std::string text = model_.slot(slot).rf;
  if (caret <= 0 || caret > static_cast<int>(text.size()) || !IsDigit(text[static_cast<size_t>(caret - 1)])) {
    return std::nullopt;
  }
  const std::optional<double> value = ReadTypedNumber(text);
  if (!value) return std::nullopt;  // no number as typed: nothing to step from
  const size_t point = text.find_first_of(".,");
  const int p = point == std::string::npos ? static_cast<int>(text.size()) : static_cast<int>(point);
  const int exponent = caret <= p ? p - caret : p + 1 - caret;
  const double step = std::pow(10.0, exponent);
  OnFrequencyEdited(slot, FormatFixed(*value + direction * step, 6));
  return caret;
}

// ---------------------------------------------------------------------------------------------
// Port list, connect, readout, disconnect

void CMainDlg::OnPortDropDown() {
  if (model_.busy()) return;
  RefreshPortList();
}

void CMainDlg::RefreshPortList() {
  // What the user chose or typed survives a new reading of the list, even a name that means
  // no port now: Connect then says that it is not found. Only with nothing chosen yet is the
  // first entry chosen, as at start.
  const std::string chosen = model_.port();
  std::vector<link::PortInfo> ports = link::ListSerialPorts(ports_);
  const std::string first = ports.empty() ? std::string() : ports.front().name;
  model_.SetPorts(std::move(ports));
  model_.SetPort(chosen.empty() ? first : chosen);
}

void CMainDlg::SelectRememberedPort() {
  const std::optional<std::string> last = view_.Remembered(kLastPortKey);
  if (!last) return;
  bool listed = false;
  for (const link::PortInfo& port : model_.ports()) listed = listed || port.name == *last;
  if (listed || link::IsUsablePortName(*last)) model_.SetPort(*last);
}

void CMainDlg::OnConnect() {
  if (!StartOperation(Operation::Connecting)) return;
  cancelling_ = false;
  runner_.Post({Request::Kind::Connect,
                [port = model_.port(), choice = model_.chipChoice(), current = model_.Settings(), this](
                    session::BoardSession& session, const RequestProgress&) -> Completion {
                  session::ConnectResult result = session.Connect(port, choice, current);
                  link::BoardIdentity identity = session.Identity();
                  return [this, result = std::move(result), identity] {
                    model_.SetBoard(false, identity);
                    ConnectFinished(result);
                  };
                }});
}

void CMainDlg::ConnectFinished(const session::ConnectResult& result) {
  const bool cancelled = std::exchange(cancelling_, false);
  const link::BoardIdentity identity = model_.identity();
  using Status = session::ConnectResult::Status;
  switch (result.status) {
    case Status::NotFound:
      // A connect the user cancelled, or a window that is closing, does not stop to say that
      // nothing was found.
      if (cancelled || closePending_) {
        Disconnected();
        EndOperation();
        return;
      }
      Show({ConnectFailureText(result), "", MessageIcon::Information, {}}, [this] {
        Disconnected();
        EndOperation();
      });
      return;
    case Status::HwTooOld:
    case Status::FwTooOld:
      // The board is refused, no longer looked for: while the message is up the window stands as
      // before the connect, Connect in its place. A closing window does not stop to say it.
      if (closePending_) {
        EndOperation();
        return;
      }
      EndOperation();
      Show({Tr(result.status == Status::HwTooOld ? texts::kHwTooOld : texts::kFwTooOld),
            "",
            MessageIcon::Information,
            {}});
      return;
    case Status::CommunicationError:
      // A failed identification leaves the panel as it was; a failed readout shows what it
      // read before it fails.
      if (model_.chipChoice() == session::ChipChoice::Auto && !result.identified) {
        CommunicationFailure();
        return;
      }
      break;
    case Status::Connected:
      break;
  }
  model_.SetChip(result.readout.settings.chip, result.identified);
  model_.SetBoard(true, identity);
  ApplyReadout(result.readout);
  if (!result.ok()) {
    CommunicationFailure();
    return;
  }
  model_.SetConnected(true);
  view_.Remember(kLastPortKey, model_.port());
  view_.SetFocus(FocusTarget::SigGenFrequency);
  EndOperation();
}

void CMainDlg::ApplyReadout(const session::Readout& readout) {
  std::string notes;
  for (Slot slot : kAllSlots) {
    if (const std::optional<FieldIssue>& note = readout.notes[static_cast<size_t>(SlotNumber(slot))]) {
      notes += (notes.empty() ? "" : "\n") + texts::SlotIssueText({slot, *note});
    }
  }
  model_.SetReadNotes(notes);
  using R = session::Readout;
  const PanelSettings& s = readout.settings;
  if (readout.stages >= R::kMode) {
    model_.SetBeacon(s.beacon);
    model_.SetScan(s.scan);
    model_.SetPinFunction(s.pinFunction);
  }
  if (readout.stages >= R::kText) model_.SetText(s.text);
  if (readout.stages >= R::kSpeed) {
    model_.SetBoardSpeed(s.boardSpeed);
    model_.SetSpeed(s.speed);
  }
  if (readout.stages >= R::kReference) {
    if (!readout.referenceReadable) model_.AssumeBoardReference();
    model_.SetExtReference(s.extReference);
  }
  for (Slot slot : kAllSlots) {
    if (readout.stages < R::kSlot0 + SlotNumber(slot) + 1) break;
    if (!readout.slotOn[static_cast<size_t>(SlotNumber(slot))]) {
      // Nothing stored: the output is off; the typed frequency stays, the stored fields come along.
      model_.SetSlot(slot, {model_.slot(slot).frequency, Band::Out1, PowerLevel::Off, s.slot(slot).overrides,
                            model_.slot(slot).plan, s.slot(slot).board});
      continue;
    }
    if (slot == Slot::F1) {
      model_.SetBoardReference(s.reference, s.refDivisor, s.pfd);
      ArmTuneTimer();
    }
    model_.SetSlot(slot, s.slot(slot));
    if (slot == Slot::SigGen) ArmTuneTimer();
  }
}

void CMainDlg::CommunicationFailure() {
  ShowError(Tr(texts::kCommunicationError), [this] {
    Disconnected();
    EndOperation();
  });
}

void CMainDlg::OnDisconnect() {
  if (model_.busy()) return;
  Disconnected();
}

void CMainDlg::Disconnected() {
  model_.SetConnected(false);
  model_.ClearChipCaption();
  runner_.Post({Request::Kind::Other, [](session::BoardSession& session, const RequestProgress&) {
                  session.Close();
                  return Completion();
                }});
  view_.SetFocus(FocusTarget::PortList);
}

}  // namespace korvane::panel
