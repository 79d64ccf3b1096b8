#include "session/board_session.h"

#include "base/text_encoding.h"
#include "config/slot_words.h"
#include "firmware/bootloader.h"
#include "firmware/firmware_image.h"
#include "synth/field_overrides.h"
#include "synth/number_text.h"
#include "synth/register_set.h"
#include "synth/solver.h"

namespace korvane::session {

namespace {

constexpr char kFixedReference[] = "R  10.000000  ;";
constexpr double kSpeedDividend = 6664.0;
constexpr double kDefaultSpeedWpm = 10.0;

// Identification probes: a slot-4 set that only the named chip locks on.
struct Probe {
  ChipType chip;
  const char* command;
};
constexpr Probe kProbes[] = {
    {ChipType::Max2871, "4 812C0000 08008010 18007EC0 01000000 008C8038 60400000;"},
    {ChipType::Adf4351, "4 000C0000 00008010 18017EC0 00000000 00678038 00400000;"},
};

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

// A line break typed in the text field becomes one blank, and the board keeps kBeaconTextMax characters.
std::string FoldBeaconText(const std::string& text) {
  std::string folded = text::FoldLineBreaks(text);
  // Cut by characters, not bytes: each one goes out as one byte.
  size_t pos = 0;
  for (size_t chars = 0; chars < kBeaconTextMax && pos < folded.size(); ++chars) {
    ++pos;
    while (pos < folded.size() && (static_cast<unsigned char>(folded[pos]) & 0xC0u) == 0x80u) ++pos;
  }
  folded.resize(pos);
  return folded;
}

// 6664 / wpm, kept to what "S %04X;" can carry; no speed, zero or negative keys at 10 wpm.
// The speed shown for a board's own code gives that code back.
uint32_t SpeedValue(const PanelSettings& settings) {
  if (settings.boardSpeed && settings.boardSpeed->shown == settings.speed) return settings.boardSpeed->code;
  double wpm = ReadDouble(settings.speed).value_or(kDefaultSpeedWpm);
  if (!(wpm > 0.0)) wpm = kDefaultSpeedWpm;
  int32_t value = SaturateToInt32(kSpeedDividend / wpm);
  if (value < 1) value = 1;
  if (value > 0xFFFF) value = 0xFFFF;
  return static_cast<uint32_t>(value);
}

}  // namespace

namespace {
SolveMode ModeOf(const PanelSettings& settings) { return settings.exact ? SolveMode::Exact : SolveMode::Classic; }
SolveReference ReferenceOf(const PanelSettings& settings) {
  return {settings.reference, settings.refDivisor, settings.pfd};
}
}  // namespace

std::optional<SlotSolution> SolveSlot(const PanelSettings& settings, Slot slot) {
  if (settings.refDivisor <= 0) return std::nullopt;
  const SlotSettings& s = settings.slot(slot);
  return korvane::SolveSlot(ModeOf(settings), settings.chip, s.band, s.frequency, ReferenceOf(settings));
}

std::optional<double> RealFrequency(const PanelSettings& settings, Slot slot) {
  std::optional<SlotSolution> solved = SolveSlot(settings, slot);
  if (!solved) return std::nullopt;
  return solved->achieved;
}

std::string RealFrequencyLabel(const PanelSettings& settings, Slot slot) {
  std::optional<double> real = RealFrequency(settings, slot);
  return real ? "/ " + FormatFixed(*real, 6, 5) : kNoFrequencyLabel;
}

RegisterSet SlotWords(const PanelSettings& settings, Slot slot) {
  return {SlotNumber(slot), PlanSlotWords(settings, slot).words};
}

std::vector<SlotNote> SlotNotes(const PanelSettings& settings, Slot slot) {
  std::vector<SlotNote> notes;
  for (FieldNote& note : PlanSlotWords(settings, slot).notes) notes.push_back({slot, std::move(note)});
  return notes;
}

std::string SlotCommand(const PanelSettings& settings, Slot slot) {
  return FormatRegisterSet(SlotWords(settings, slot));
}

std::optional<SlotIssue> SlotRefusal(const PanelSettings& settings, Slot slot) {
  if (settings.slot(slot).overrides.empty()) return std::nullopt;
  std::optional<FieldIssue> why = PlanSlotWords(settings, slot).refusal;
  if (!why) return std::nullopt;
  return SlotIssue{slot, *why};
}

BoardSession::BoardSession(Clock& clock, link::DemoStore& demo, link::TransportFactory factory)
    : link_(clock, link::WithDemoBoard(demo, std::move(factory))) {}

void BoardSession::Close() {
  heldReference_.clear();
  link_.ClosePort();
}

void BoardSession::Interrupt() {
  const std::lock_guard<std::mutex> lock(interruptMutex_);
  interruptRequested_ = true;
  if (!probeOn_) link_.Interrupt();
}

void BoardSession::ClearInterrupt() {
  const std::lock_guard<std::mutex> lock(interruptMutex_);
  interruptRequested_ = false;
  link_.ClearInterrupt();
}

bool BoardSession::BeginProbe() {
  const std::lock_guard<std::mutex> lock(interruptMutex_);
  if (interruptRequested_) return false;
  probeOn_ = true;
  lastProbe_ = ProbeTrace::MayRemain;
  return true;
}

void BoardSession::EndProbe(bool putBack) {
  const std::lock_guard<std::mutex> lock(interruptMutex_);
  probeOn_ = false;
  if (putBack) lastProbe_ = ProbeTrace::PutBack;
  if (interruptRequested_) link_.Interrupt();
}

ConnectResult BoardSession::Connect(const std::string& port, ChipChoice chip, const PanelSettings& current) {
  lastProbe_ = ProbeTrace::None;
  ConnectResult result;
  result.readout.settings = current;
  // Identification and a board that was away may have changed the reference it holds.
  heldReference_.clear();
  if (!link_.OpenPort(port, link::kFirmwareBanner)) {
    result.status = ConnectResult::Status::NotFound;
    result.reason = link_.OpenFailure();
    result.inBootloader = link_.FoundBootloader();
    return result;
  }
  PanelSettings& settings = result.readout.settings;
  if (const std::optional<ChipType> named = ChosenChip(chip)) {
    settings.chip = *named;
  } else {
    switch (IdentifyChip(settings.chip)) {
      case Identify::Identified:
        result.identified = true;
        break;
      case Identify::HwTooOld:
        result.status = ConnectResult::Status::HwTooOld;
        return result;
      case Identify::FwTooOld:
        result.status = ConnectResult::Status::FwTooOld;
        return result;
      case Identify::Failed:
        result.status = ConnectResult::Status::CommunicationError;
        return result;
    }
  }
  if (interruptRequested_) {
    // A stop request that waited for the probe to be put back ends the connect here.
    link_.ClosePort();
    throw link::ConnectionLost();
  }
  result.status =
      ReadBack(result.readout) ? ConnectResult::Status::Connected : ConnectResult::Status::CommunicationError;
  return result;
}

BoardSession::Identify BoardSession::IdentifyChip(ChipType& chip) {
  const BoardCapabilities caps = CapabilitiesOf(link_.GetBoardIdentity());
  switch (caps.identification) {
    case Identification::HwTooOld:
      link_.ClosePort();
      return Identify::HwTooOld;
    case Identification::FwTooOld:
      link_.ClosePort();
      return Identify::FwTooOld;
    case Identification::Possible:
      break;
  }
  // Keep what the board runs now, so that it can be put back after probing.
  const std::string savedSlot = link_.SendCommand(link::SlotQuery(SlotNumber(Slot::SigGen)));
  if (!StartsWith(savedSlot, (std::to_string(SlotNumber(Slot::SigGen)) + " ").c_str())) return Identify::Failed;
  const std::string savedReference = link_.SendCommand(link::kReferenceQuery);
  if (!StartsWith(savedReference, "R ")) return Identify::Failed;
  // Whatever happens after the first probe, the board gets its own reference and slot-4 set
  // back, so its output does not stay on a probe frequency. A stop request meanwhile waits for
  // that; a lost link leaves lastProbe_ at MayRemain.
  if (!BeginProbe()) {
    // Stopped before anything was written: ends as any interrupted exchange does.
    link_.ClosePort();
    throw link::ConnectionLost();
  }
  struct ProbeSpan {
    BoardSession& session;
    bool putBack = false;
    ~ProbeSpan() { session.EndProbe(putBack); }
  } span{*this};
  auto restore = [&] {
    const bool reference = link::IsAccepted(link_.SendCommand(savedReference));
    const bool slot = link::IsAccepted(link_.SendCommand(savedSlot));
    span.putBack = reference && slot;
    return span.putBack;
  };
  if (caps.fixedProbeReference) {
    if (!link::IsAccepted(link_.SendCommand(kFixedReference))) {
      restore();
      return Identify::Failed;
    }
    link_.clock().SleepMs(20);
  }
  ChipType found = ChipType::Adf4350;
  for (const Probe& probe : kProbes) {
    if (!link::IsAccepted(link_.SendCommand(probe.command))) {
      restore();
      return Identify::Failed;
    }
    link_.clock().SleepMs(200);
    const LockState lock = link::ParseLock(link_.SendCommand(link::kLockCommand));
    if (lock == LockState::Locked) {
      found = probe.chip;
      break;
    }
    if (lock != LockState::NotLocked) {
      restore();
      return Identify::Failed;
    }
  }
  if (!restore()) return Identify::Failed;
  chip = found;
  return Identify::Identified;
}

bool BoardSession::ReadBack(Readout& readout) {
  const bool secondOutput = CapabilitiesOf(link_.GetBoardIdentity()).secondOutput;
  PanelSettings& s = readout.settings;

  const std::string mode = link_.SendCommand(link::kModeQuery);
  if (mode.size() < 4) return false;
  const uint32_t modeValue = ReadHex(std::string_view(mode).substr(1)).value_or(0);
  s.beacon = (modeValue & 1) != 0;
  s.scan = (modeValue & 2) != 0;
  s.pinFunction = s.beacon && (modeValue & 4) ? PinFunction::CwKeying : PinFunction::FreqCode;
  readout.stages = Readout::kMode;

  const std::string text = link_.SendCommand(link::kTextQuery);
  s.text = text.size() > 3 ? text.substr(2, text.size() - 3) : std::string();
  readout.stages = Readout::kText;

  const std::string speed = link_.SendCommand(link::kSpeedQuery);
  if (!StartsWith(speed, "S")) return false;
  const std::optional<uint32_t> speedValue = ReadHex(std::string_view(speed).substr(1));
  if (!speedValue) return false;
  // A stored code of 0 would mean an infinite keying speed; show the default speed instead
  // so that the next save sends a code the board can use.
  s.speed = *speedValue == 0 ? "10.0" : FormatFixed(kSpeedDividend / *speedValue, 1, 3);
  s.boardSpeed.reset();
  if (*speedValue != 0 && *speedValue <= 0xFFFF) s.boardSpeed = BoardSpeed{*speedValue, s.speed};
  readout.stages = Readout::kSpeed;

  const std::string reference = link_.SendCommand(link::kReferenceQuery);
  std::optional<double> referenceValue =
      reference.empty() ? std::nullopt : ReadDouble(std::string_view(reference).substr(1));
  readout.referenceReadable = referenceValue.has_value();
  if (!referenceValue) {
    s.pfd = 10.0;
    s.refDivisor = 1;
    s.extReference = false;
    referenceValue = 10.0;
  } else {
    s.extReference = reference.find('E') != std::string::npos;
  }
  readout.stages = Readout::kReference;

  for (Slot slot : kAllSlots) {
    SlotSettings& target = s.slot(slot);
    auto words = ParseRegisterReply(link_.SendCommand(link::SlotQuery(SlotNumber(slot))));
    if (!words) return false;
    const DecodedSet decoded = DecodeRegisterSet(s.chip, *words, secondOutput);
    // The set's values are the board's, not the user's: they go back as they are while nobody
    // touches the slot, and give way where a retune needs other ones. Words that cannot be this
    // chip's bring none.
    target.overrides.clear();
    target.board.reset();
    const double storedPfd = decoded.refDivisor > 0 ? *referenceValue * 2.0 / decoded.refDivisor : 0.0;
    if (std::optional<FieldIssue> note = ForeignWordsNote(s.chip, *words, storedPfd, secondOutput)) {
      readout.notes[static_cast<size_t>(SlotNumber(slot))] = note;
    } else {
      target.board.emplace();
      target.board->words = *words;
    }
    if ((*words)[0] == 0) {
      target.power = PowerLevel::Off;
      target.band = Band::Out1;
      readout.stages = Readout::kSlot0 + SlotNumber(slot) + 1;
      continue;
    }
    if (slot == Slot::F1) {
      // A stored divisor of 0 cannot give a comparison frequency; the reference text
      // written next decides then.
      if (decoded.refDivisor > 0) {
        s.refDivisor = decoded.refDivisor;
        s.pfd = *referenceValue * 2.0 / s.refDivisor;
      }
      s.reference = FormatFixed(*referenceValue, 6, 3);
      AcceptReference(s.reference, s.chip, s.refDivisor, s.pfd);
    }
    target.frequency = FormatFixed(AchievedFrequency(decoded.solution, decoded.band, s.pfd), 6, 5);
    target.band = decoded.band;
    target.power = decoded.power;
    readout.slotOn[static_cast<size_t>(SlotNumber(slot))] = true;
    readout.stages = Readout::kSlot0 + SlotNumber(slot) + 1;
  }
  for (SlotSettings& target : s.freqSlots) MarkAsRead(s, target);
  return true;
}

std::string ReferenceCommand(const PanelSettings& settings, const link::BoardIdentity& identity) {
  std::string command = "R " + FormatFixed(settings.refDivisor * settings.pfd * 0.5, 6, 3, true);
  if (!CapabilitiesOf(identity).referenceSource) return command + ";";
  return command + " " + (settings.extReference ? "E" : " ") + ";";
}

std::string BoardSession::ReferenceCommand(const PanelSettings& settings) const {
  return session::ReferenceCommand(settings, link_.GetBoardIdentity());
}

TuneResult BoardSession::Tune(const PanelSettings& settings, Slot slot) { return SendTune(settings, slot, true); }

TuneResult BoardSession::Retune(const PanelSettings& settings, Slot slot) {
  const bool held = !heldReference_.empty() && ReferenceCommand(settings) == heldReference_;
  return SendTune(settings, slot, !held);
}

TuneResult BoardSession::SendTune(const PanelSettings& settings, Slot slot, bool reference) {
  TuneResult result;
  if (std::optional<SlotIssue> why = SlotRefusal(settings, slot)) {
    result.refusal = why;
    return result;
  }
  result.notes = SlotNotes(settings, slot);
  if (reference) {
    result.reference.command = ReferenceCommand(settings);
    result.reference.reply = link_.SendCommand(result.reference.command);
    heldReference_ = result.reference.accepted() ? result.reference.command : std::string();
  }
  result.slot.command = SlotCommand(settings, slot);
  result.slot.reply = link_.SendCommand(result.slot.command);
  return result;
}

LockState BoardSession::ReadLock() {
  if (!CapabilitiesOf(link_.GetBoardIdentity()).lockQuery) return LockState::Unknown;
  if (std::optional<std::string> reply = link_.TrySendCommand(link::kLockCommand)) return link::ParseLock(*reply);
  // No answer in time: a board that still answers another query stays connected with its lock
  // unknown; one that answers nothing at all is lost.
  if (!link_.TrySendCommand(link::kModeQuery)) {
    link_.ClosePort();
    throw link::ConnectionLost();
  }
  return LockState::Unknown;
}

SaveResult BoardSession::SaveToFlash(const PanelSettings& settings, const std::function<bool()>& stop) {
  SaveResult result;
  if (settings.refDivisor <= 0) {
    result.status = SaveResult::Status::InvalidParameters;
    return result;
  }
  const std::string beaconText = FoldBeaconText(settings.text);
  if (beaconText.find(';') != std::string::npos) {
    result.status = SaveResult::Status::SemicolonInBeacon;
    return result;
  }
  for (Slot slot : kAllSlots) {
    if (std::optional<SlotIssue> why = SlotRefusal(settings, slot)) {
      result.status = SaveResult::Status::InvalidOverrides;
      result.reason = why;
      return result;
    }
  }
  auto send = [&](const std::string& command) {
    if (stop && stop()) {
      result.status = SaveResult::Status::Stopped;
      return false;
    }
    std::string reply = link_.SendCommand(command);
    if (link::IsAccepted(reply)) return true;
    result.status = SaveResult::Status::Refused;
    result.refused = {command, reply};
    return false;
  };

  uint32_t modeValue = 0;
  if (settings.beacon) modeValue |= 1u;
  if (settings.scan) modeValue |= 2u;
  if (settings.pinFunction == PinFunction::CwKeying) modeValue |= 4u;
  if (!send("M " + FormatHex(modeValue, 2) + ";")) return result;
  if (!send("S " + FormatHex(SpeedValue(settings), 4) + ";")) return result;
  if (!send("T " + beaconText + ";")) return result;
  heldReference_.clear();
  if (!send(ReferenceCommand(settings))) return result;
  heldReference_ = ReferenceCommand(settings);

  for (Slot slot : kAllSlots) {
    const SlotSettings& s = settings.slot(slot);
    const double frequency = FrequencyOrDefault(s.frequency);
    // An output that is switched off cannot be out of band.
    if (s.power != PowerLevel::Off && !IsInBand(settings.chip, s.band, frequency)) {
      result.allInBand = false;
    }
    if (!send(SlotCommand(settings, slot))) return result;
    ++result.slotsSent;
  }
  send(link::kSaveToFlashCommand);
  return result;
}

HandshakeResult BoardSession::Open(const std::string& port, BoardPart part) {
  heldReference_.clear();
  HandshakeResult result;
  result.found = link_.OpenPort(port, part == BoardPart::Firmware ? link::kFirmwareBanner : link::kBootloaderBanner);
  if (result.found) {
    result.identity = link_.GetBoardIdentity();
  } else {
    result.reason = link_.OpenFailure();
  }
  return result;
}

HandshakeResult BoardSession::ReadIdentity(const std::string& port, BoardPart part) {
  HandshakeResult result = Open(port, part);
  Close();
  return result;
}

Exchange BoardSession::Send(const std::string& command) {
  // What the board holds after a raw command is not known any more.
  heldReference_.clear();
  return {command, link_.SendCommand(command)};
}

bool BoardSession::SwitchToBootloader() {
  heldReference_.clear();
  return firmware::SwitchToBootloader(link_);
}

HandshakeResult BoardSession::EnterBootloader(const std::string& port) {
  LeaveRunningFirmware();
  return ReadIdentity(port, BoardPart::Bootloader);
}

bool BoardSession::LeaveRunningFirmware() { return firmware::LeaveRunningFirmware(link_); }

bool BoardSession::OpenBootloader(const std::string& port) {
  heldReference_.clear();
  return link_.OpenPort(port, link::kBootloaderBanner);
}

FirmwareResult BoardSession::WriteFirmware(std::span<const uint8_t> image,
                                           const std::function<void(FirmwarePhase, int total)>& phase,
                                           const std::function<void()>& step) {
  // Each failure leaves the board in its bootloader with a partial image; a new update
  // starts over with the erase.
  FirmwareResult result;
  phase(FirmwarePhase::Erasing, firmware::kLastAppPage - firmware::kFirstAppPage + 1);
  if (std::optional<int> page = firmware::EraseApplicationArea(link_, step)) {
    result.status = FirmwareResult::Status::EraseFailed;
    result.page = *page;
    return result;
  }
  if (!firmware::SetWriteAddress(link_)) {
    result.status = FirmwareResult::Status::AddressFailed;
    return result;
  }
  // One step per halfword actually written, the odd last byte's halfword included.
  phase(FirmwarePhase::Flashing, static_cast<int>(firmware::HalfwordCount(image.size())));
  if (std::optional<size_t> pos = firmware::WriteImage(link_, image, step)) {
    result.status = FirmwareResult::Status::WriteFailed;
    result.offset = *pos;
  }
  return result;
}

FirmwareResult BoardSession::UpdateFirmware(const std::string& port, std::span<const uint8_t> image,
                                            const std::function<void(FirmwarePhase, int total)>& phase,
                                            const std::function<void()>& step) {
  const bool wasConnected = LeaveRunningFirmware();
  FirmwareResult result;
  if (!OpenBootloader(port)) {
    result.status = FirmwareResult::Status::NoBootloader;
    result.reason = link_.OpenFailure();
  } else {
    result = WriteFirmware(image, phase, step);
  }
  result.wasConnected = wasConnected;
  link_.ClosePort();
  return result;
}

}  // namespace korvane::session
