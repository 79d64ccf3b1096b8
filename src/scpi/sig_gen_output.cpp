#include "scpi/sig_gen_output.h"

#include "session/board_session.h"
#include "synth/number_text.h"

namespace korvane::scpi {

namespace {

constexpr double kHzPerMhz = 1e6;
// The power a switched-off output comes back on with when nothing else was asked: the lowest.
constexpr double kDefaultDbm = -4.0;

}  // namespace

SigGenOutput::SigGenOutput(const link::BoardIdentity& identity, const PanelSettings& connected, SolveMode mode)
    : secondOutput_(session::CapabilitiesOf(identity).secondOutput), mode_(mode), settings_(connected) {
  settings_.exact = mode == SolveMode::Exact;
  const SlotSettings& slot = settings_.slot(Slot::SigGen);
  current_.hz = ReadDouble(slot.frequency).value_or(0.0) * kHzPerMhz;
  current_.band = slot.band;
  const std::optional<int> dbm = PowerLevelDbm(slot.power);
  current_.on = dbm.has_value();
  current_.dbm = dbm ? *dbm : kDefaultDbm;
}

bool SigGenOutput::HasSecondOutput() const { return secondOutput_; }

void SigGenOutput::SetBoard(ChipType chip, const link::BoardIdentity& identity) {
  settings_.chip = chip;
  secondOutput_ = session::CapabilitiesOf(identity).secondOutput;
}

std::optional<Band> SigGenOutput::BandFor(double hz, OutputChoice choice) const {
  return session::OutputFor(settings_.chip, HasSecondOutput(), hz / kHzPerMhz, choice);
}

double SigGenOutput::MinHz(OutputChoice choice) const {
  const Band band = choice == OutputChoice::Out2 && HasSecondOutput() ? Band::Out2 : Band::Out1;
  return GetBandLimits(settings_.chip, band).value_or(BandLimits{0.0, 0.0}).low * kHzPerMhz;
}

double SigGenOutput::MaxHz(OutputChoice choice) const {
  const Band band = choice != OutputChoice::Out1 && HasSecondOutput() ? Band::Out2 : Band::Out1;
  return GetBandLimits(settings_.chip, band).value_or(BandLimits{0.0, 0.0}).high * kHzPerMhz;
}

PanelSettings SigGenOutput::SettingsFor(const OutputRequest& request, const PanelSettings& base, SolveMode mode) {
  PanelSettings next = base;
  next.exact = mode == SolveMode::Exact;
  SlotSettings& slot = next.slot(Slot::SigGen);
  // Millihertz in MHz: the frequency a client asked for, to the resolution it is reported in.
  slot.frequency = FormatFixed(request.hz / kHzPerMhz, 9);
  slot.band = request.band;
  slot.power = request.on ? NearestPowerLevel(next.chip, request.band, request.dbm) : PowerLevel::Off;
  return next;
}

void SigGenOutput::Accept(const OutputRequest& request, PanelSettings settings) {
  settings_ = std::move(settings);
  current_ = request;
}

int SigGenOutput::EffectiveDbm(const OutputRequest& request) const {
  return *PowerLevelDbm(NearestPowerLevel(settings_.chip, request.band, request.dbm));
}

std::optional<double> SigGenOutput::RealHz() const {
  const std::optional<double> mhz = session::RealFrequency(settings_, Slot::SigGen);
  if (!mhz) return std::nullopt;
  return *mhz * kHzPerMhz;
}

size_t SigGenOutput::SlotCommandLength() const { return session::SlotCommand(settings_, Slot::SigGen).size(); }

}  // namespace korvane::scpi
