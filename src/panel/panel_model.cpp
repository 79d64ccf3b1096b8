#include "panel/panel_model.h"

#include <cmath>
#include <utility>

#include "synth/number_text.h"
#include "synth/solve_mode.h"
#include "texts/texts.h"

namespace korvane::panel {

using texts::Tr;

namespace {

// "-122.2 Hz from 1296.000000 MHz", or "exact".
std::string ErrorText(const SlotSolution& solved) {
  if (solved.exact) return Tr(QT_TRANSLATE_NOOP("Texts", "exact"));
  return Tr(QT_TRANSLATE_NOOP("Texts", "%1 from %2 MHz"),
            {FormatErrorHz(solved.errorHz), FormatFixed(solved.wanted, 6)});
}

}  // namespace

PanelModel::PanelModel() { DeriveAll(); }

// ---------------------------------------------------------------------------------------------
// Chip

void PanelModel::SetChipChoice(session::ChipChoice choice) {
  if (choice == chipChoice_) return;
  chipChoice_ = choice;
  emit chipChanged();
}

std::string PanelModel::chipCaption() const {
  if (!chipInCaption_) return Tr(QT_TRANSLATE_NOOP("Texts", "Chip:"));
  return Tr(QT_TRANSLATE_NOOP("Texts", "Chip (%1):"), {ChipName(chip_)});
}

void PanelModel::SetChip(ChipType chip, bool shownInCaption) {
  if (chip == chip_ && shownInCaption == chipInCaption_) return;
  const bool recompute = chip != chip_;
  chip_ = chip;
  chipInCaption_ = shownInCaption;
  // Every band's limits belong to the chip; the divider stays what the reference gave.
  if (recompute) DeriveAll();
  emit chipChanged();
}

void PanelModel::ClearChipCaption() {
  if (!chipInCaption_) return;
  chipInCaption_ = false;
  emit chipChanged();
}

// ---------------------------------------------------------------------------------------------
// Reference and mode

void PanelModel::SetTypedReference(const std::string& text) {
  if (ReadTypedNumber(text)) {
    SetReference(text);
    return;
  }
  reference_ = text;
  referenceIsNumber_ = false;
  refDivisor_ = 0;
  DeriveAll();
  emit referenceChanged();
}

void PanelModel::SetReference(const std::string& text) {
  reference_ = text;
  referenceIsNumber_ = true;
  AcceptReference(DecimalCommaAsPoint(reference_), chip_, refDivisor_, pfd_);
  DeriveAll();
  emit referenceChanged();
}

void PanelModel::SetBoardReference(const std::string& text, int32_t refDivisor, double pfd) {
  // The board's divider and comparison frequency first; its reference text, read as typed
  // text is, gives the same divider, and where it cannot be read the board's pfd stays.
  reference_ = text;
  referenceIsNumber_ = true;
  refDivisor_ = refDivisor;
  pfd_ = pfd;
  AcceptReference(reference_, chip_, refDivisor_, pfd_);
  DeriveAll();
  emit referenceChanged();
}

void PanelModel::AssumeBoardReference() {
  refDivisor_ = 1;
  pfd_ = 10.0;
  DeriveAll();
  emit referenceChanged();
}

void PanelModel::SetExtReference(bool on) {
  if (on == extReference_) return;
  extReference_ = on;
  emit referenceChanged();
}

void PanelModel::SetExact(bool exact) {
  if (exact == exact_) return;
  exact_ = exact;
  DeriveAll();
  emit exactChanged();
}

// ---------------------------------------------------------------------------------------------
// Slots

namespace {

// The RF a slot's output text serves, as the field shows it; the output's text where it is no number.
std::string RfText(const FrequencyPlan& plan, const std::string& output) {
  const std::optional<double> value = ReadTypedNumber(output);
  if (!plan.IsSet() || !value) return output;
  return FormatFixed(RfFromOutput(plan, *value), 6);
}

}  // namespace

std::string RealLabel(const FrequencyPlan& plan, double realMhz) {
  if (!plan.IsSet()) return "/ " + FormatFixed(realMhz, 6, 5);
  return Tr(QT_TRANSLATE_NOOP("Texts", "/ %1 RF, output %2"),
            {FormatFixed(RfFromOutput(plan, realMhz), 6, 5), FormatFixed(realMhz, 6)});
}

void PanelModel::SetSlotFrequency(Slot which, const std::string& text) {
  SlotState& slot = at(which);
  slot.rf = text;
  // Text that is no number is kept as typed, so that the field is marked and nothing is sent.
  slot.frequency = OutputTextFromRf(slot.plan, DecimalCommaAsPoint(text)).value_or(text);
  Derive(which);
  emit slotChanged(which);
}

bool PanelModel::SetSlotPlan(Slot which, const FrequencyPlan& plan) {
  if (PlanProblem(plan)) return false;
  SlotState& slot = at(which);
  slot.plan = plan.IsSet() ? plan : FrequencyPlan{};
  slot.rf = RfText(slot.plan, slot.frequency);
  Derive(which);
  emit slotChanged(which);
  return true;
}

void PanelModel::SetSlotBand(Slot which, Band band) {
  SlotState& slot = at(which);
  slot.band = band;
  slot.power = FitPowerLevel(chip_, band, slot.power);
  Derive(which);
  emit slotChanged(which);
}

void PanelModel::SetSlotPower(Slot which, PowerLevel level) {
  SlotState& slot = at(which);
  slot.power = FitPowerLevel(chip_, slot.band, level);
  emit slotChanged(which);
}

void PanelModel::SetSlot(Slot which, const SlotSettings& settings) {
  SlotState& slot = at(which);
  slot.band = settings.band;
  slot.power = FitPowerLevel(chip_, settings.band, settings.power);
  slot.frequency = settings.frequency;
  slot.overrides = settings.overrides;
  slot.plan = settings.plan;
  slot.rf = RfText(slot.plan, slot.frequency);
  slot.board = settings.board;
  Derive(which);
  emit slotChanged(which);
}

void PanelModel::SetSlotOverrides(Slot which, const FieldOverrides& overrides) {
  at(which).overrides = overrides;
  emit slotChanged(which);
}

void PanelModel::ResetSlotFields(Slot which) {
  at(which).overrides.clear();
  at(which).board.reset();
  emit slotChanged(which);
}

void PanelModel::Derive(Slot which) {
  SlotState& slot = at(which);
  const PanelSettings settings = Settings();
  // Only a number as typed is solved: "12a96" is no 12 MHz, and nothing is sent for it.
  const std::optional<double> typed = ReadTypedNumber(slot.frequency);
  slot.isNumber = typed.has_value();
  slot.solution = typed ? session::SolveSlot(settings, which) : std::nullopt;
  slot.realMhz = slot.solution ? std::optional<double>(slot.solution->achieved) : std::nullopt;
  slot.errorHz = slot.solution ? std::optional<double>(slot.solution->errorHz) : std::nullopt;
  slot.inBand = typed && refDivisor_ > 0 && IsInBand(chip_, slot.band, *typed) != 0;
  slot.realLabel = typed ? session::RealFrequencyLabel(settings, which) : session::kNoFrequencyLabel;
  slot.errorText = slot.solution ? ErrorText(*slot.solution) : std::string();
  slot.rfRealMhz.reset();
  slot.rfErrorHz.reset();
  if (slot.plan.IsSet() && slot.solution) {
    // The user works at RF: the label shows the RF the real output serves, then the output; the
    // error is the output's multiplied, from the RF the field asks for.
    slot.rfRealMhz = RfFromOutput(slot.plan, slot.solution->achieved);
    slot.rfErrorHz = RfErrorHz(slot.plan, slot.solution->errorHz);
    slot.realLabel = RealLabel(slot.plan, *slot.realMhz);
    SlotSolution atRf = *slot.solution;
    atRf.wanted = RfFromOutput(slot.plan, atRf.wanted);
    atRf.errorHz = *slot.rfErrorHz;
    slot.errorText = Tr(atRf.exact ? QT_TRANSLATE_NOOP("Texts", "%1 at RF (output %2 MHz, %3)")
                                   : QT_TRANSLATE_NOOP("Texts", "%1 RF (output %2 MHz, %3)"),
                        {ErrorText(atRf), FormatFixed(slot.solution->achieved, 6), PlanText(slot.plan)});
  }
  slot.bandNote.clear();
  // Every frequency the counters can make lies within half a phase-detector step of one they make;
  // further off ("1e300"), they stopped at their limits and no frequency near it comes out.
  slot.outOfReach = slot.solution && !(std::abs(slot.solution->errorHz) <= settings.pfd * 1e6 / 2);
  if (slot.outOfReach) {
    slot.realLabel = Tr(kOutOfReachLabel);
    slot.errorHz.reset();
    slot.errorText =
        Tr(QT_TRANSLATE_NOOP("Texts", "\"%1\" MHz is out of the %2's reach: its counters come no nearer than %3 MHz."),
           {slot.frequency, ChipName(chip_), FormatFixed(slot.solution->achieved, 6)});
    slot.bandNote = slot.errorText;
  } else if (typed && refDivisor_ > 0 && !slot.inBand) {
    const BandLimits limits = GetBandLimits(chip_, slot.band).value_or(BandLimits{0.0, 0.0});
    // With a plan the field holds the RF: the note names the output it asks of the board.
    slot.bandNote = Tr(slot.plan.IsSet()
                           ? QT_TRANSLATE_NOOP("Texts",
                                               "The output %1 MHz lies outside the %2's band for %3 (%4 to %5 MHz); it "
                                               "is sent as typed and may not lock.")
                           : QT_TRANSLATE_NOOP("Texts",
                                               "%1 MHz lies outside the %2's band for %3 (%4 to %5 MHz); it is sent as "
                                               "typed and may not lock."),
                       {FormatFixed(*typed, 6), ChipName(chip_), BandLabel(slot.band), FormatFixed(limits.low, 3),
                        FormatFixed(limits.high, 3)});
  }
}

void PanelModel::DeriveAll() {
  for (Slot s : kAllSlots) Derive(s);
  for (Slot s : kAllSlots) emit slotChanged(s);
}

// ---------------------------------------------------------------------------------------------
// Beacon

void PanelModel::SetBeacon(bool on) {
  beacon_ = on;
  // Without the beacon the outputs carry the frequency code.
  if (!on) pinFunction_ = PinFunction::FreqCode;
  emit beaconChanged();
}

void PanelModel::SetScan(bool on) {
  scan_ = on;
  emit beaconChanged();
}

void PanelModel::SetPinFunction(PinFunction function) {
  pinFunction_ = function;
  emit beaconChanged();
}

void PanelModel::SetSpeed(const std::string& speed) {
  speed_ = speed;
  speedTyped_ = false;
  emit beaconChanged();
}

void PanelModel::SetTypedSpeed(const std::string& speed) {
  speed_ = speed;
  speedTyped_ = true;
  emit beaconChanged();
}

void PanelModel::SetText(const std::string& text) {
  text_ = text;
  emit beaconChanged();
}

// ---------------------------------------------------------------------------------------------
// Connection and operations

void PanelModel::SetPorts(std::vector<link::PortInfo> ports) {
  ports_ = std::move(ports);
  emit portsChanged();
}

void PanelModel::SetPort(const std::string& name) {
  if (name == port_) return;
  port_ = name;
  emit portChanged();
}

void PanelModel::SetBoard(bool editable, const link::BoardIdentity& identity) {
  editable_ = editable;
  identity_ = identity;
  emit connectionChanged();
}

void PanelModel::SetConnected(bool connected) {
  connected_ = connected;
  if (!connected) editable_ = false;
  emit connectionChanged();
  // A reading belongs to the board it came from.
  // The readout the connect has just applied is what the board holds.
  if (connected) givenSettings_ = Settings();
  if (!connected) {
    givenMhz_.reset();
    givenSettings_.reset();
    tuneNotice_.clear();
    readNotes_.clear();
    tuneRefused_ = false;
    SetLock({});
  }
}

void PanelModel::SetReadNotes(const std::string& notes) {
  readNotes_ = notes;
  emit lockChanged();
}

void PanelModel::SetTuneGiven(std::optional<double> realMhz, const std::string& notes) {
  givenMhz_ = realMhz;
  tuneNotice_ = notes;
  tuneRefused_ = false;
  emit slotChanged(Slot::SigGen);
  emit lockChanged();
}

PanelSettings PanelModel::BoardSettings() const {
  return connected_ && tuneRefused_ && givenSettings_ ? *givenSettings_ : Settings();
}

void PanelModel::SetTuneRefused(const std::string& reason) {
  tuneNotice_ = reason;
  tuneRefused_ = true;
  // Until the board answers a retune again, nobody knows whether it locks.
  lock_ = {};
  emit slotChanged(Slot::SigGen);
  emit lockChanged();
}

void PanelModel::SetLock(const LockReading& reading) {
  lock_ = reading;
  emit lockChanged();
}

void PanelModel::StartSweep(size_t pointsPerPass, int64_t passes) {
  sweep_ = SweepState{true, {}, pointsPerPass, passes, {}};
  emit sweepChanged();
}

void PanelModel::AddSweepSample(const session::SweepSample& sample) {
  if (sweep_.samples.size() >= kMaxSweepRows) {
    // A sweep that runs on keeps its newest points; the oldest tenth goes at once, so that the
    // views drop rows seldom.
    constexpr int kDropped = static_cast<int>(kMaxSweepRows / 10);
    emit sweepSamplesDropping(kDropped);
    sweep_.samples.erase(sweep_.samples.begin(), sweep_.samples.begin() + kDropped);
    emit sweepSamplesDropped(kDropped);
  }
  sweep_.samples.push_back(sample);
  emit sweepSampleAdded();
}

void PanelModel::EndSweep(const std::string& status) {
  sweep_.running = false;
  sweep_.status = status;
  emit sweepChanged();
}

void PanelModel::SetSweepList(const std::string& list) {
  sweepList_ = list;
  emit sweepListChanged();
}

PanelControls PanelModel::controls() const {
  const bool idle = !busy();
  const bool settings = editable_ && idle;
  const session::BoardCapabilities caps = capabilities();
  PanelControls c;
  c.frequency = c.reference = c.save = c.loadConfig = c.saveConfig = c.beacon = c.disconnect = settings;
  c.band = settings && caps.secondOutput;
  c.extReference = settings && caps.extReference;
  c.exact = idle;
  c.beaconSettings = settings && beacon_;
  c.firmwareInfo = settings && caps.firmwareInfo;
  c.update = idle && (!editable_ || caps.firmwareUpdate);
  c.updateText = editable_ ? Tr(QT_TRANSLATE_NOOP("Texts", "Update...")) : Tr(QT_TRANSLATE_NOOP("Texts", "Repair..."));
  c.connect = idle && !editable_;
  c.chipList = c.about = idle;
  c.cancelShown = operation_ == Operation::Connecting;
  return c;
}

void PanelModel::SetOperation(Operation operation) {
  if (operation == operation_) return;
  operation_ = operation;
  emit operationChanged();
}

void PanelModel::OpenProgress(const std::string& title) {
  progress_ = ProgressState{true, title, {}, 0, 0, false};
  emit progressChanged();
}

void PanelModel::SetProgressPhase(const std::string& status, int range) {
  progress_.status = status;
  progress_.range = range;
  progress_.value = 0;
  emit progressChanged();
}

void PanelModel::StepProgress() {
  if (progress_.value < progress_.range) ++progress_.value;
  emit progressChanged();
}

void PanelModel::RequestCloseAfterProgress() {
  progress_.closeRequested = true;
  emit progressChanged();
}

void PanelModel::CloseProgress() {
  if (!progress_.open) return;
  progress_ = ProgressState{};
  emit progressChanged();
}

std::string PanelModel::givenText() const {
  const SlotState& sg = slot(Slot::SigGen);
  // What the board was given last, not what is typed: they differ after a refused retune.
  const std::optional<double> given = givenMhz_ ? givenMhz_ : tuneRefused_ ? std::nullopt : sg.realMhz;
  if (!connected_ || !given) return {};
  const bool typedOne = sg.errorHz && sg.realMhz == given;
  if (!sg.plan.IsSet()) {
    return FormatFixed(*given, 6) + " MHz" + (typedOne ? " (" + FormatFixed(*sg.errorHz, 1) + " Hz)" : "");
  }
  return Tr(QT_TRANSLATE_NOOP("Texts", "%1 MHz RF%2, output %3 MHz"),
            {FormatFixed(RfFromOutput(sg.plan, *given), 6),
             typedOne ? " (" + FormatFixed(RfErrorHz(sg.plan, *sg.errorHz), 1) + " Hz)" : "", FormatFixed(*given, 6)});
}

PanelSettings PanelModel::Settings() const {
  PanelSettings settings;
  settings.chip = chip_;
  // Files and the wire carry the decimal point, whatever the user typed.
  settings.reference = DecimalCommaAsPoint(reference_);
  settings.extReference = extReference_;
  settings.exact = exact_;
  settings.refDivisor = refDivisor_;
  settings.pfd = pfd_;
  for (Slot which : kAllSlots) {
    const SlotState& slot = this->slot(which);
    settings.slot(which) =
        SlotSettings{DecimalCommaAsPoint(slot.frequency), slot.band, slot.power, slot.overrides, slot.plan, slot.board};
  }
  settings.beacon = beacon_;
  settings.scan = scan_;
  settings.pinFunction = pinFunction_;
  settings.speed = DecimalCommaAsPoint(speed_);
  settings.boardSpeed = boardSpeed_;
  settings.text = text_;
  return settings;
}

}  // namespace korvane::panel
