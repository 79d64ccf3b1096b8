#include "scpi/scpi_instrument.h"

#include <charconv>
#include <cmath>

#include "synth/number_text.h"

namespace korvane::scpi {

namespace {

constexpr char kManufacturer[] = "Korvane";
constexpr int64_t kMaxSweepPoints = 100000;
constexpr int64_t kMaxSweepCount = 1000000;
constexpr double kMaxDwellS = 1000.0;
constexpr size_t kMaxListPoints = 10000;
constexpr double kHzPerMhz = 1e6;

// Standard event status bits an error sets, by its hundreds.
constexpr int kOperationCompleteBit = 1;
constexpr int kQueryErrorBit = 4;
constexpr int kDeviceErrorBit = 8;
constexpr int kExecutionErrorBit = 16;
constexpr int kCommandErrorBit = 32;
// Status byte: error queue not empty, and event status summary.
constexpr int kErrorQueueBit = 4;
constexpr int kEventSummaryBit = 32;

int EventBitOf(int code) {
  if (code <= -100 && code > -200) return kCommandErrorBit;
  if (code <= -200 && code > -300) return kExecutionErrorBit;
  if (code <= -300 && code > -400) return kDeviceErrorBit;
  if (code <= -400 && code > -500) return kQueryErrorBit;
  return 0;
}

// Hertz with millihertz, never localised.
std::string FormatHz(double hz) { return FormatFixed(hz, 3); }

// The shortest text that reads back as the same double ("0.01", "2.5").
std::string FormatShortest(double value) {
  char buffer[64];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return ec == std::errc() ? std::string(buffer, end) : std::string("0");
}

// A whole number from a parameter: rounded, as the standard asks of integer settings.
std::optional<int64_t> WholeNumber(double value, int64_t low, int64_t high) {
  const double rounded = std::nearbyint(value);
  if (!(rounded >= static_cast<double>(low) && rounded <= static_cast<double>(high))) return std::nullopt;
  return static_cast<int64_t>(rounded);
}

bool IsWaitUnit(const ProgramUnit& unit) {
  if (!unit.common || unit.error != kNoError || !unit.params.empty()) return false;
  return (unit.nodes[0] == "*WAI" && !unit.query) || (unit.nodes[0] == "*OPC" && unit.query);
}

std::string FirmwareVersion(const link::BoardIdentity& id) {
  std::string minor = std::to_string(id.fwMinor);
  std::string major = std::to_string(id.fwMajor);
  if (major.size() < 2) major.insert(0, 2 - major.size(), '0');
  if (minor.size() < 4) minor.insert(0, 4 - minor.size(), '0');
  return std::to_string(id.hwVersion) + "." + major + "." + minor;
}

}  // namespace

Instrument::Instrument(session::BoardSession& session, Clock& clock, Options options, const PanelSettings& connected)
    : session_(session),
      clock_(clock),
      options_(std::move(options)),
      output_(session, connected, options_.mode),
      powerOn_(output_.current()),
      powerOnSettings_(connected),
      cwHz_(output_.current().hz) {
  sweepSettings_.startHz = output_.MinHz(OutputChoice::Auto);
  sweepSettings_.stopHz = output_.MaxHz(OutputChoice::Auto);
}

void Instrument::AddClient(ClientId id) { clients_[id].id = id; }

void Instrument::RemoveClient(ClientId id) { clients_.erase(id); }

void Instrument::QueueError(ClientId id, int code) {
  auto it = clients_.find(id);
  if (it != clients_.end()) Queue(it->second, code);
}

void Instrument::Queue(Client& client, int code) {
  client.esr |= EventBitOf(code);
  if (client.errors.size() < kErrorQueueSize) {
    client.errors.push_back(code);
  } else {
    client.errors.back() = kQueueOverflow;
    client.esr |= EventBitOf(kQueueOverflow);
  }
}

std::optional<std::string> Instrument::Execute(ClientId id, std::string_view line) {
  Client& client = clients_[id];
  client.id = id;
  client.program.emplace();
  client.program->units = SplitLine(line);
  return Continue(client);
}

bool Instrument::Waiting(ClientId id) const {
  auto it = clients_.find(id);
  return it != clients_.end() && it->second.program.has_value();
}

std::optional<std::string> Instrument::Resume(ClientId id) {
  auto it = clients_.find(id);
  if (it == clients_.end() || !it->second.program || sweep_.running) return std::nullopt;
  return Continue(it->second);
}

std::optional<std::string> Instrument::Continue(Client& client) {
  Program& program = *client.program;
  while (program.next < program.units.size()) {
    const ProgramUnit& unit = program.units[program.next];
    // *WAI and *OPC? hold this client's commands (only) until the sweep has ended.
    if (sweep_.running && IsWaitUnit(unit)) return std::nullopt;
    ++program.next;
    RunUnit(client, program, unit);
  }
  std::optional<std::string> reply;
  for (const std::string& part : program.replies) {
    if (reply) {
      reply->push_back(';');
      reply->append(part);
    } else {
      reply = part;
    }
  }
  client.program.reset();
  return reply;
}

void Instrument::RunUnit(Client& client, Program& program, const ProgramUnit& unit) {
  if (unit.error != kNoError) {
    program.resolver.ResetPath();
    Queue(client, unit.error);
    return;
  }
  const int index = program.resolver.Resolve(unit);
  if (index < 0) {
    Queue(client, kUndefinedHeader);
    return;
  }
  const CommandEntry& entry = Commands()[static_cast<size_t>(index)];
  if (unit.query ? !entry.queryable : !entry.settable) {
    Queue(client, kUndefinedHeader);
    return;
  }

  // Parameters are read before anything runs: a malformed one leaves the instrument as it was.
  std::vector<Parameter> values;
  const bool takesValues = unit.query ? entry.queryLimits : entry.arity != Arity::None;
  if (!takesValues && !unit.params.empty()) {
    Queue(client, kParameterNotAllowed);
    return;
  }
  if (!unit.query && entry.arity != Arity::None && unit.params.empty()) {
    Queue(client, kMissingParameter);
    return;
  }
  const size_t most = unit.query || entry.arity == Arity::One ? 1 : kMaxListPoints;
  if (unit.params.size() > most) {
    Queue(client, unit.query || entry.arity == Arity::One ? kParameterNotAllowed : kDataOutOfRange);
    return;
  }
  for (const std::string& text : unit.params) {
    const Parameter value = unit.query ? ReadParameter(text, Quantity::Plain, kLimitKeywords)
                                       : ReadParameter(text, entry.quantity, entry.keywords);
    int error = value.error;
    if (!error && !value.isKeyword && (unit.query || !entry.numbers)) error = kIllegalParameterValue;
    if (error) {
      Queue(client, error);
      return;
    }
    values.push_back(value);
  }

  std::string reply;
  const int error = unit.query ? Query(client, entry, values, reply) : Set(client, entry, values);
  if (error) {
    Queue(client, error);
  } else if (unit.query) {
    program.replies.push_back(std::move(reply));
  }
}

template <typename Action>
int Instrument::WithBoard(Action action) {
  try {
    if (lost_) {
      if (const int error = Reconnect()) return error;
    }
    return action();
  } catch (const link::ConnectionLost&) {
    lost_ = true;
    return kHardwareMissing;
  }
}

int Instrument::Reconnect() {
  const session::ConnectResult result = session_.Connect(options_.port, options_.chip, output_.settings());
  if (!result.ok()) {
    session_.Close();
    return kHardwareMissing;
  }
  lost_ = false;
  output_.SetChip(result.readout.settings.chip);
  // The board may have been reset while it was away: it gets back what the instrument says
  // it makes before anything else.
  return Apply(output_.current());
}

int Instrument::Apply(const OutputRequest& request, const PanelSettings& base) {
  if (base.refDivisor <= 0) return kSettingsConflict;
  return output_.Tune(request, base).accepted() ? kNoError : kHardwareError;
}

std::optional<OutputRequest> Instrument::RequestFor(double hz) const {
  const std::optional<Band> band = output_.BandFor(hz, choice_);
  if (!band) return std::nullopt;
  OutputRequest request = output_.current();
  request.hz = hz;
  request.band = *band;
  return request;
}

int Instrument::Reset() {
  if (sweep_.running) EndSweep();
  mode_ = Mode::Cw;
  choice_ = OutputChoice::Auto;
  sweepSettings_ = SweepSettings();
  sweepSettings_.startHz = output_.MinHz(OutputChoice::Auto);
  sweepSettings_.stopHz = output_.MaxHz(OutputChoice::Auto);
  cwHz_ = powerOn_.hz;
  OutputRequest off = powerOn_;
  off.on = false;
  PanelSettings base = powerOnSettings_;
  base.chip = output_.settings().chip;
  return WithBoard([&] { return Apply(off, base); });
}

int Instrument::Initiate(ClientId owner) {
  if (sweep_.running) return kInitIgnored;
  std::vector<double> points;
  int64_t dwellMs = 0;
  switch (mode_) {
    case Mode::Cw:
      return kSettingsConflict;
    case Mode::Sweep: {
      const SweepSettings& s = sweepSettings_;
      for (int64_t i = 0; i < s.points; ++i) {
        points.push_back(s.startHz +
                         (s.stopHz - s.startHz) * static_cast<double>(i) / static_cast<double>(s.points - 1));
      }
      dwellMs = std::llround(s.dwellS * 1000.0);
      break;
    }
    case Mode::List:
      if (sweepSettings_.listHz.empty()) return kSettingsConflict;
      points = sweepSettings_.listHz;
      dwellMs = std::llround(sweepSettings_.listDwellS * 1000.0);
      break;
  }
  // Every point is checked first: a sweep that cannot finish does not start.
  std::vector<Band> bands;
  for (double hz : points) {
    const std::optional<Band> band = output_.BandFor(hz, choice_);
    if (!band) return kDataOutOfRange;
    bands.push_back(*band);
  }
  if (output_.settings().refDivisor <= 0) return kSettingsConflict;
  const int error = WithBoard([] { return kNoError; });
  if (error) return error;
  sweep_.running = true;
  sweep_.owner = owner;
  sweep_.hz = std::move(points);
  sweep_.bands = std::move(bands);
  sweep_.next = 0;
  sweep_.passesLeft = sweepSettings_.count;
  sweep_.dwellMs = dwellMs;
  sweep_.dueMs = clock_.NowMs();
  return kNoError;
}

void Instrument::RunSweepPoint() {
  if (!sweep_.running) return;
  OutputRequest request = output_.current();
  request.hz = sweep_.hz[sweep_.next];
  request.band = sweep_.bands[sweep_.next];
  const int error = WithBoard([&] { return Apply(request); });
  if (error) {
    QueueError(sweep_.owner, error);
    EndSweep();
    return;
  }
  if (++sweep_.next == sweep_.hz.size()) {
    sweep_.next = 0;
    if (sweep_.passesLeft > 0 && --sweep_.passesLeft == 0) {
      // The output stays at the last point.
      EndSweep();
      return;
    }
  }
  sweep_.dueMs = clock_.NowMs() + sweep_.dwellMs;
}

void Instrument::EndSweep() {
  sweep_.running = false;
  for (auto& [id, client] : clients_) {
    if (client.opcArmed) client.esr |= kOperationCompleteBit;
    client.opcArmed = false;
  }
}

int Instrument::Set(Client& client, const CommandEntry& entry, const std::vector<Parameter>& values) {
  const Parameter* value = values.empty() ? nullptr : &values.front();
  // MINimum and MAXimum of a frequency under the present output choice.
  auto frequency = [&](const Parameter& p) {
    if (!p.isKeyword) return p.number;
    return p.keyword == 0 ? output_.MinHz(choice_) : output_.MaxHz(choice_);
  };
  auto inRange = [&](double hz) { return output_.BandFor(hz, choice_).has_value(); };
  auto dwell = [](const Parameter& p, double& target) {
    if (!(p.number >= 0.0 && p.number <= kMaxDwellS)) return kDataOutOfRange;
    target = p.number;
    return kNoError;
  };

  switch (entry.op) {
    case Op::Reset:
      return Reset();
    case Op::ClearStatus:
      client.errors.clear();
      client.esr = 0;
      client.opcArmed = false;
      return kNoError;
    case Op::OperationComplete:
      if (sweep_.running) {
        client.opcArmed = true;
      } else {
        client.esr |= kOperationCompleteBit;
      }
      return kNoError;
    case Op::Wait:
      return kNoError;
    case Op::EventStatusEnable: {
      const std::optional<int64_t> mask = WholeNumber(value->number, 0, 255);
      if (!mask) return kDataOutOfRange;
      client.ese = static_cast<int>(*mask);
      return kNoError;
    }
    case Op::Frequency: {
      const double hz = frequency(*value);
      const std::optional<OutputRequest> request = RequestFor(hz);
      if (!request) return kDataOutOfRange;
      // A running sweep owns the output; the frequency waits for CW.
      if (sweep_.running) {
        cwHz_ = hz;
        return kNoError;
      }
      const int error = WithBoard([&] { return Apply(*request); });
      if (!error) cwHz_ = hz;
      return error;
    }
    case Op::FrequencyOutput: {
      const auto choice = static_cast<OutputChoice>(value->keyword);
      if (sweep_.running || (choice == OutputChoice::Out2 && !output_.HasSecondOutput())) return kSettingsConflict;
      const std::optional<Band> band = output_.BandFor(output_.current().hz, choice);
      if (!band) return kSettingsConflict;
      if (*band == output_.current().band) {
        choice_ = choice;
        return kNoError;
      }
      OutputRequest request = output_.current();
      request.band = *band;
      const int error = WithBoard([&] { return Apply(request); });
      if (!error) choice_ = choice;
      return error;
    }
    case Op::Power: {
      OutputRequest request = output_.current();
      if (value->isKeyword) {
        // The lowest or the highest level the output offers.
        const double far = value->keyword == 0 ? -1e9 : 1e9;
        request.dbm = *PowerLevelDbm(NearestPowerLevel(output_.settings().chip, request.band, far));
      } else {
        request.dbm = value->number;
      }
      return WithBoard([&] { return Apply(request); });
    }
    case Op::OutputState: {
      OutputRequest request = output_.current();
      request.on = value->isKeyword ? value->keyword == 1 : std::nearbyint(value->number) != 0.0;
      return WithBoard([&] { return Apply(request); });
    }
    case Op::ReferenceSource: {
      PanelSettings base = output_.settings();
      base.extReference = value->keyword == 1;
      return WithBoard([&] { return Apply(output_.current(), base); });
    }
    case Op::ReferenceFrequency: {
      PanelSettings base = output_.settings();
      base.reference = FormatFixed(value->number / kHzPerMhz, 6);
      AcceptReference(base.reference, base.chip, base.refDivisor, base.pfd);
      if (base.refDivisor <= 0) return kDataOutOfRange;
      return WithBoard([&] { return Apply(output_.current(), base); });
    }
    case Op::Start:
    case Op::Stop: {
      const double hz = frequency(*value);
      if (!inRange(hz)) return kDataOutOfRange;
      (entry.op == Op::Start ? sweepSettings_.startHz : sweepSettings_.stopHz) = hz;
      return kNoError;
    }
    case Op::Mode: {
      const Mode mode = value->keyword <= 1 ? Mode::Cw : value->keyword == 2 ? Mode::Sweep : Mode::List;
      if (mode != mode_ && sweep_.running) EndSweep();
      mode_ = mode;
      if (mode != Mode::Cw || output_.current().hz == cwHz_) return kNoError;
      const std::optional<OutputRequest> request = RequestFor(cwHz_);
      if (!request) return kDataOutOfRange;
      return WithBoard([&] { return Apply(*request); });
    }
    case Op::SweepPoints: {
      const std::optional<int64_t> points = WholeNumber(value->number, 2, kMaxSweepPoints);
      if (!points) return kDataOutOfRange;
      sweepSettings_.points = *points;
      return kNoError;
    }
    case Op::SweepDwell:
      return dwell(*value, sweepSettings_.dwellS);
    case Op::ListDwell:
      return dwell(*value, sweepSettings_.listDwellS);
    case Op::SweepCount: {
      if (value->isKeyword) {
        sweepSettings_.count = 0;
        return kNoError;
      }
      const std::optional<int64_t> count = WholeNumber(value->number, 1, kMaxSweepCount);
      if (!count) return kDataOutOfRange;
      sweepSettings_.count = *count;
      return kNoError;
    }
    case Op::ListFrequency: {
      std::vector<double> list;
      for (const Parameter& p : values) {
        if (p.isKeyword || !inRange(p.number)) return kDataOutOfRange;
        list.push_back(p.number);
      }
      sweepSettings_.listHz = std::move(list);
      return kNoError;
    }
    case Op::Initiate:
      return Initiate(client.id);
    case Op::Abort:
      if (sweep_.running) EndSweep();
      return kNoError;
    default:
      break;
  }
  return kUndefinedHeader;
}

int Instrument::Query(Client& client, const CommandEntry& entry, const std::vector<Parameter>& values,
                      std::string& reply) {
  const bool limit = !values.empty();
  const bool maximum = limit && values.front().keyword == 1;
  switch (entry.op) {
    case Op::Identify: {
      const link::BoardIdentity& id = session_.Identity();
      std::string serial;
      for (uint32_t word : id.serialWords) serial += FormatHex(word, 8);
      reply = std::string(kManufacturer) + "," + std::string(ChipName(output_.settings().chip)) + "," + serial + "," +
              FirmwareVersion(id);
      return kNoError;
    }
    case Op::OperationComplete:
      reply = "1";
      return kNoError;
    case Op::EventStatus:
      reply = std::to_string(client.esr);
      client.esr = 0;
      return kNoError;
    case Op::EventStatusEnable:
      reply = std::to_string(client.ese);
      return kNoError;
    case Op::StatusByte: {
      int stb = 0;
      if (!client.errors.empty()) stb |= kErrorQueueBit;
      if (client.esr & client.ese) stb |= kEventSummaryBit;
      reply = std::to_string(stb);
      return kNoError;
    }
    case Op::NextError: {
      const int code = client.errors.empty() ? kNoError : client.errors.front();
      if (!client.errors.empty()) client.errors.pop_front();
      reply = std::to_string(code) + ",\"" + std::string(ErrorText(code)) + "\"";
      return kNoError;
    }
    case Op::Frequency: {
      if (limit) {
        reply = FormatHz(maximum ? output_.MaxHz(choice_) : output_.MinHz(choice_));
        return kNoError;
      }
      const std::optional<double> hz = output_.RealHz();
      if (!hz) return kSettingsConflict;
      reply = FormatHz(*hz);
      return kNoError;
    }
    case Op::FrequencyOutput:
      reply = kOutputKeywords[static_cast<int>(choice_)];
      return kNoError;
    case Op::Lock:
      return WithBoard([&] {
        switch (session_.ReadLock()) {
          case session::LockState::Locked:
            reply = "1";
            return kNoError;
          case session::LockState::NotLocked:
            reply = "0";
            return kNoError;
          case session::LockState::Unknown:
            break;
        }
        return kHardwareError;
      });
    case Op::Power: {
      OutputRequest request = output_.current();
      if (limit) request.dbm = maximum ? 1e9 : -1e9;
      reply = std::to_string(output_.EffectiveDbm(request));
      return kNoError;
    }
    case Op::OutputState:
      reply = output_.current().on ? "1" : "0";
      return kNoError;
    case Op::ReferenceSource:
      reply = output_.settings().extReference ? "EXT" : "INT";
      return kNoError;
    case Op::ReferenceFrequency:
      reply = FormatHz(ReadDouble(output_.settings().reference).value_or(0.0) * kHzPerMhz);
      return kNoError;
    case Op::Start:
      reply = FormatHz(sweepSettings_.startHz);
      return kNoError;
    case Op::Stop:
      reply = FormatHz(sweepSettings_.stopHz);
      return kNoError;
    case Op::Mode:
      reply = mode_ == Mode::Cw ? "CW" : mode_ == Mode::Sweep ? "SWE" : "LIST";
      return kNoError;
    case Op::SweepPoints:
      reply = std::to_string(sweepSettings_.points);
      return kNoError;
    case Op::SweepDwell:
      reply = FormatShortest(sweepSettings_.dwellS);
      return kNoError;
    case Op::SweepCount:
      reply = sweepSettings_.count == 0 ? "INF" : std::to_string(sweepSettings_.count);
      return kNoError;
    case Op::ListFrequency:
      for (double hz : sweepSettings_.listHz) reply += (reply.empty() ? "" : ",") + FormatHz(hz);
      return kNoError;
    case Op::ListPoints:
      reply = std::to_string(sweepSettings_.listHz.size());
      return kNoError;
    case Op::ListDwell:
      reply = FormatShortest(sweepSettings_.listDwellS);
      return kNoError;
    default:
      break;
  }
  return kUndefinedHeader;
}

}  // namespace korvane::scpi
