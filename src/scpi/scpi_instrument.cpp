#include "scpi/scpi_instrument.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <memory>
#include <utility>

#include "firmware/bootloader.h"
#include "synth/number_text.h"

namespace korvane::scpi {

namespace {

constexpr char kManufacturer[] = "Korvane";
// What a command returns while its board call is elsewhere; no SCPI error has this code.
constexpr int kBoardPending = INT32_MIN;
constexpr int64_t kMaxSweepPoints = 100000;
constexpr int64_t kMaxSweepCount = 1000000;
constexpr double kMaxDwellS = 1000.0;
constexpr size_t kMaxListPoints = 10000;
constexpr double kHzPerMhz = 1e6;
constexpr int64_t kDefaultSweepPoints = 11;
constexpr char kScpiVersion[] = "1999.0";
// FREQ:OFFS takes what a plan takes: a million MHz either way.
constexpr double kMaxPlanOffsetHz = 1e12;

// Hertz with millihertz, never localised.
std::string FormatHz(double hz) { return FormatFixed(hz, 3); }

// The shortest text that reads back as the same double ("0.01", "2.5").
std::string FormatShortest(double value) {
  char buffer[64];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return ec == std::errc() ? std::string(buffer, end) : std::string("0");
}

// A number as a query with MINimum, MAXimum or DEFault answers it.
std::string FormatLimit(Op op, double value) {
  switch (op) {
    case Op::Frequency:
    case Op::ListFrequency:
    case Op::Start:
    case Op::Stop:
    case Op::ReferenceFrequency:
    case Op::FrequencyOffset:
      return FormatHz(value);
    case Op::Center:
    case Op::Span:
    case Op::Step:
      return FormatHz(value);
    case Op::SweepDwell:
    case Op::ListDwell:
      return FormatShortest(value);
    default:
      break;
  }
  return std::to_string(std::llround(value));
}

// The lowest and the highest power level a band offers, in dBm.
// The lowest and the highest level in dBm that an output offers (its first level is Off).
std::pair<int, int> PowerRange(ChipType chip, Band band) {
  const std::span<const PowerLevel> levels = PowerLevels(chip, band);
  return {*PowerLevelDbm(levels[1]), *PowerLevelDbm(levels.back())};
}

std::string ErrorEntry(int code) { return std::to_string(code) + ",\"" + std::string(ErrorText(code)) + "\""; }

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

}  // namespace

Instrument::Instrument(session::BoardSession& session, Clock& clock, Options options, const PanelSettings& connected)
    : session_(session),
      identity_(session.Identity()),
      clock_(clock),
      options_(std::move(options)),
      output_(identity_, connected, options_.mode),
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
  client.status.esr |= EventBitOf(code);
  if (client.errors.size() < kErrorQueueSize) {
    client.errors.push_back(code);
  } else {
    client.errors.back() = kQueueOverflow;
    client.status.esr |= EventBitOf(kQueueOverflow);
  }
}

void Instrument::Abandon(ClientId id) {
  auto it = clients_.find(id);
  if (it != clients_.end()) it->second.program.reset();
}

int Instrument::StatusByte(ClientId id, bool messageAvailable) const {
  auto it = clients_.find(id);
  if (it == clients_.end()) return 0;
  return it->second.status.StatusByte(!it->second.errors.empty(), messageAvailable);
}

std::optional<std::string> Instrument::Execute(ClientId id, std::string_view line) {
  Begin(id, line);
  return Continue(clients_[id]);
}

void Instrument::Begin(ClientId id, std::string_view line) {
  Client& client = clients_[id];
  client.id = id;
  client.program.emplace();
  client.program->units = SplitLine(line);
  client.program->serial = nextSerial_++;
}

bool Instrument::Waiting(ClientId id) const {
  auto it = clients_.find(id);
  return it != clients_.end() && it->second.program.has_value();
}

bool Instrument::Blocked(ClientId id) const {
  auto it = clients_.find(id);
  if (it == clients_.end() || !it->second.program) return false;
  const Program& program = *it->second.program;
  // The client's own commands wait behind the one whose board call is in flight.
  if (inFlight_ && inFlight_->client == id && inFlight_->serial == program.serial) return true;
  if (!sweep_.running) return false;
  return program.next < program.units.size() && IsWaitUnit(program.units[program.next]);
}

bool Instrument::NextRunsBesideBoard(ClientId id) const {
  auto it = clients_.find(id);
  if (it == clients_.end() || !it->second.program) return false;
  const Program& program = *it->second.program;
  // An ended line only hands its reply over.
  if (program.next >= program.units.size()) return true;
  const ProgramUnit& unit = program.units[program.next];
  // A command that is refused before it runs only queues its error.
  if (unit.error != kNoError) return true;
  HeaderResolver resolver = program.resolver;
  const int index = resolver.Resolve(unit);
  if (index < 0) return true;
  const CommandEntry& entry = Commands()[static_cast<size_t>(index)];
  if (unit.query ? !entry.queryable : !entry.settable) return true;
  return RunsBesideBoard(entry.op);
}

std::optional<std::string> Instrument::Resume(ClientId id) {
  auto it = clients_.find(id);
  if (it == clients_.end() || !it->second.program || sweep_.running) return std::nullopt;
  return Continue(it->second);
}

std::optional<std::string> Instrument::Step(ClientId id, size_t replyRoom) {
  auto it = clients_.find(id);
  if (it == clients_.end() || !it->second.program) return std::nullopt;
  Client& client = it->second;
  // An empty line has no command to run.
  if (client.program->next < client.program->units.size()) RunNext(client, replyRoom);
  // A command whose board call is in flight ends its line once it is back (the next Step).
  if (Blocked(id) || client.program->next < client.program->units.size()) return std::nullopt;
  return EndProgram(client);
}

std::optional<std::string> Instrument::Continue(Client& client) {
  while (client.program->next < client.program->units.size()) {
    if (!RunNext(client, SIZE_MAX)) return std::nullopt;
  }
  return EndProgram(client);
}

bool Instrument::RunNext(Client& client, size_t replyRoom) {
  Program& program = *client.program;
  const ProgramUnit& unit = program.units[program.next];
  // *WAI and *OPC? hold this client's commands (only) until the sweep has ended.
  if (sweep_.running && IsWaitUnit(unit)) return false;
  if (program.reply && program.reply->size() >= replyRoom) {
    // One line of queries could otherwise build a reply of gigabytes (a list query repeated
    // by the compound-header rule): what is not built yet is dropped.
    Queue(client, kQueueOverflow);
    program.next = program.units.size();
    return true;
  }
  ++program.next;
  RunUnit(client, program, unit);
  return true;
}

std::optional<std::string> Instrument::EndProgram(Client& client) {
  std::optional<std::string> reply = std::move(client.program->reply);
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
  const bool takesValues = unit.query ? entry.limits : entry.arity != Arity::None;
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
    Parameter value = unit.query ? ReadParameter(text, Quantity::Plain, kLimitKeywords)
                                 : ReadParameter(text, entry.quantity, entry.keywords);
    int error = value.error;
    if (!error && !value.isKeyword && (unit.query || !entry.numbers)) error = kIllegalParameterValue;
    if (error) {
      Queue(client, error);
      return;
    }
    // MINimum, MAXimum and DEFault stand for numbers of the setting as it is now.
    if (entry.limits && value.isKeyword && value.keyword < kLimitCount) {
      value.number = Limit(entry.op, value.keyword);
      value.isKeyword = false;
    }
    values.push_back(value);
  }

  std::string reply;
  running_ = InFlight{client.id, program.serial, unit.query};
  const int error = unit.query ? Query(client, entry, values, reply) : Set(client, entry, values);
  running_.reset();
  if (error != kBoardPending) EndUnit(client, program, unit.query, error, std::move(reply));
}

void Instrument::EndUnit(Client& client, Program& program, bool query, int error, std::string answer) {
  if (error) {
    Queue(client, error);
  } else if (query) {
    if (program.reply) {
      program.reply->push_back(';');
      program.reply->append(answer);
    } else {
      program.reply = std::move(answer);
    }
  }
}

Instrument::BoardReply Instrument::RunBoardCall(session::BoardSession& session, const BoardCall& call) {
  BoardReply reply;
  try {
    ChipType chip = call.base.chip;
    if (call.reconnect) {
      const session::ConnectResult result = session.Connect(call.options.port, call.options.chip, call.restoreBase);
      if (!result.ok()) {
        session.Close();
        return reply;
      }
      reply.connected = true;
      reply.chip = chip = result.readout.settings.chip;
      reply.identity = session.Identity();
      // The board may have been reset while it was away: it gets back what the instrument says
      // it makes before anything else.
      PanelSettings base = call.restoreBase;
      base.chip = chip;
      if (base.refDivisor <= 0) {
        reply.restoreError = kSettingsConflict;
        return reply;
      }
      reply.restored = SigGenOutput::SettingsFor(call.restore, base, call.mode);
      if (!session.Retune(reply.restored, Slot::SigGen).accepted()) {
        reply.restoreError = kHardwareError;
        return reply;
      }
    }
    if (call.kind == BoardCall::Kind::Tune) {
      PanelSettings base = call.base;
      base.chip = chip;
      reply.tuned = SigGenOutput::SettingsFor(call.request, base, call.mode);
      reply.accepted = session.Retune(reply.tuned, Slot::SigGen).accepted();
    } else if (call.kind == BoardCall::Kind::ReadLock) {
      reply.lock = session.ReadLock();
    }
  } catch (const link::ConnectionLost&) {
    reply.lost = true;
  }
  return reply;
}

int Instrument::WithBoard(BoardCall call, Then then, std::string* answer) {
  std::string unused;
  std::string& text = answer ? *answer : unused;
  if (lost_) {
    // Each attempt costs a handshake: a lost board is looked for once in a while, not for each
    // command.
    if (clock_.NowMs() < retryAtMs_) return then(kHardwareMissing, BoardReply(), text);
    call.reconnect = true;
    call.options = options_;
    call.restore = output_.current();
    call.restoreBase = output_.settings();
  } else if (call.kind == BoardCall::Kind::None) {
    return then(kNoError, BoardReply(), text);
  }
  call.mode = output_.mode();
  if (!runner_) return Returned(call, RunBoardCall(session_, call), then, text);

  // The call gets its own copies and the session, which nothing here touches until it is back.
  auto reply = std::make_shared<BoardReply>();
  inFlight_ = running_.value_or(InFlight{});
  runner_([&session = session_, call, reply] { *reply = RunBoardCall(session, call); },
          [this, call, reply, then = std::move(then)] {
            const InFlight command = *inFlight_;
            inFlight_.reset();
            std::string answer;
            const int error = Returned(call, *reply, then, answer);
            if (!command.client) return;
            // The client may have gone, or had its line cleared, while the board was busy.
            auto it = clients_.find(*command.client);
            if (it == clients_.end() || !it->second.program || it->second.program->serial != command.serial) return;
            EndUnit(it->second, *it->second.program, command.query, error, std::move(answer));
          });
  return kBoardPending;
}

int Instrument::Returned(const BoardCall& call, const BoardReply& reply, const Then& then, std::string& answer) {
  int error = kNoError;
  if (call.reconnect) {
    if (reply.connected) {
      lost_ = false;
      identity_ = reply.identity;
      output_.SetBoard(reply.chip, reply.identity);
      if (reply.restoreError) {
        error = reply.restoreError;
      } else {
        output_.Accept(call.restore, reply.restored);
      }
    } else {
      error = kHardwareMissing;
    }
    if (error) retryAtMs_ = clock_.NowMs() + kReconnectIntervalMs;
  }
  if (reply.lost) {
    lost_ = true;
    retryAtMs_ = clock_.NowMs() + kReconnectIntervalMs;
    error = kHardwareMissing;
  }
  return then(error, reply, answer);
}

int Instrument::Apply(const OutputRequest& request, const PanelSettings& base, std::function<int(int)> after) {
  if (base.refDivisor <= 0) return after ? after(kSettingsConflict) : kSettingsConflict;
  BoardCall call;
  call.kind = BoardCall::Kind::Tune;
  call.request = request;
  call.base = base;
  return WithBoard(std::move(call),
                   [this, request, after = std::move(after)](int error, const BoardReply& reply, std::string&) {
                     if (!error && !reply.accepted) error = kHardwareError;
                     if (!error) output_.Accept(request, reply.tuned);
                     return after ? after(error) : error;
                   });
}

std::optional<OutputRequest> Instrument::RequestFor(double hz) const {
  const std::optional<Band> band = output_.BandFor(hz, choice_);
  if (!band) return std::nullopt;
  OutputRequest request = output_.current();
  request.hz = hz;
  request.band = *band;
  return request;
}

// In hertz throughout, so that without a plan a frequency is exactly the one given.
double Instrument::ShownHz(double outputHz) const { return plan_.multiplier * outputHz + plan_.offsetMhz * kHzPerMhz; }

double Instrument::OutputHz(double shownHz) const { return (shownHz - plan_.offsetMhz * kHzPerMhz) / plan_.multiplier; }

int Instrument::Reset() {
  if (sweep_.running) EndSweep();
  mode_ = Mode::Cw;
  choice_ = OutputChoice::Auto;
  sweepSettings_ = SweepSettings();
  sweepSettings_.startHz = output_.MinHz(OutputChoice::Auto);
  sweepSettings_.stopHz = output_.MaxHz(OutputChoice::Auto);
  cwHz_ = powerOn_.hz;
  plan_ = {};
  OutputRequest off = powerOn_;
  off.on = false;
  PanelSettings base = powerOnSettings_;
  base.chip = output_.settings().chip;
  return Apply(off, base);
}

double Instrument::Limit(Op op, size_t which) const {
  const auto pick = [which](double low, double high, double byDefault) {
    return which == 0 ? low : which == 1 ? high : byDefault;
  };
  switch (op) {
    case Op::Frequency:
    case Op::ListFrequency:
      return ShownHz(pick(output_.MinHz(choice_), output_.MaxHz(choice_), powerOn_.hz));
    case Op::Center:
      return ShownHz(pick(output_.MinHz(choice_), output_.MaxHz(choice_),
                          (output_.MinHz(OutputChoice::Auto) + output_.MaxHz(OutputChoice::Auto)) / 2.0));
    case Op::Span:
      // A span at RF is the multiplier times the span of the output.
      return plan_.multiplier * pick(0.0, output_.MaxHz(choice_) - output_.MinHz(choice_),
                                     output_.MaxHz(OutputChoice::Auto) - output_.MinHz(OutputChoice::Auto));
    case Op::Step:
      return pick(0.001, ShownHz(output_.MaxHz(choice_)), 1e6);
    case Op::ListPower:
      return Limit(Op::Power, which);
    case Op::Start:
      return ShownHz(pick(output_.MinHz(choice_), output_.MaxHz(choice_), output_.MinHz(OutputChoice::Auto)));
    case Op::Stop:
      return ShownHz(pick(output_.MinHz(choice_), output_.MaxHz(choice_), output_.MaxHz(OutputChoice::Auto)));
    case Op::FrequencyMultiplier:
      return pick(kMinMultiplier, kMaxMultiplier, 1);
    case Op::FrequencyOffset:
      return pick(-kMaxPlanOffsetHz, kMaxPlanOffsetHz, 0.0);
    case Op::Power: {
      const auto [low, high] = PowerRange(output_.settings().chip, output_.current().band);
      return pick(low, high, std::clamp<double>(powerOn_.dbm, low, high));
    }
    case Op::ReferenceFrequency:
      return pick(MinReference(output_.settings().chip) * kHzPerMhz, MaxReference(output_.settings().chip) * kHzPerMhz,
                  ReadDouble(powerOnSettings_.reference).value_or(10.0) * kHzPerMhz);
    case Op::SweepPoints:
      return pick(2, kMaxSweepPoints, kDefaultSweepPoints);
    case Op::SweepDwell:
    case Op::ListDwell:
      return pick(0.0, kMaxDwellS, 0.0);
    case Op::SweepCount:
      return pick(1, kMaxSweepCount, 1);
    case Op::EventStatusEnable:
    case Op::ServiceRequestEnable:
      return pick(0, 255, 0);
    case Op::OperationEnable:
    case Op::QuestionableEnable:
      return pick(0, kRegisterMask, 0);
    default:
      break;
  }
  return 0.0;
}

int Instrument::ReadLockCondition(std::function<int(int error, std::string& answer)> after, std::string& answer) {
  BoardCall call;
  call.kind = BoardCall::Kind::ReadLock;
  return WithBoard(
      std::move(call),
      [this, after = std::move(after)](int error, const BoardReply& reply, std::string& text) {
        if (!error && reply.lock == session::LockState::Unknown) error = kHardwareError;
        if (!error) {
          const int questionable = reply.lock == session::LockState::Locked ? questionableCondition_ & ~kFrequencyBit
                                                                            : questionableCondition_ | kFrequencyBit;
          SetConditions(operationCondition_, questionable);
        }
        return after(error, text);
      },
      &answer);
}

void Instrument::SetConditions(int operation, int questionable) {
  for (auto& [id, client] : clients_) {
    client.status.Transition(operationCondition_, operation, questionableCondition_, questionable);
  }
  operationCondition_ = operation;
  questionableCondition_ = questionable;
}

int Instrument::SweepPoints(Mode mode, std::vector<double>& hz, std::vector<int64_t>& dwellMs,
                            std::vector<double>& dbm) const {
  const SweepSettings& s = sweepSettings_;
  const auto ms = [](double seconds) { return std::llround(seconds * 1000.0); };
  switch (mode) {
    case Mode::Cw:
      return kSettingsConflict;
    case Mode::Sweep:
      for (int64_t i = 0; i < s.points; ++i) {
        const double t = static_cast<double>(i) / static_cast<double>(s.points - 1);
        hz.push_back(s.logSpacing ? s.startHz * std::pow(s.stopHz / s.startHz, t)
                                  : s.startHz + (s.stopHz - s.startHz) * t);
      }
      // The ends exactly as set, whatever the rounding in between.
      hz.back() = s.stopHz;
      dwellMs.assign(hz.size(), ms(s.dwellS));
      return kNoError;
    case Mode::List: {
      if (s.listHz.empty()) return kSettingsConflict;
      const size_t n = s.listHz.size();
      // A list of one applies to every point; any other length must match the frequencies.
      if ((s.listDwellS.size() != 1 && s.listDwellS.size() != n) || (s.listDbm.size() > 1 && s.listDbm.size() != n)) {
        return kListsNotSameLength;
      }
      hz = s.listHz;
      for (size_t i = 0; i < n; ++i) dwellMs.push_back(ms(s.listDwellS[s.listDwellS.size() == 1 ? 0 : i]));
      for (size_t i = 0; i < n && !s.listDbm.empty(); ++i) dbm.push_back(s.listDbm[s.listDbm.size() == 1 ? 0 : i]);
      return kNoError;
    }
  }
  return kSettingsConflict;
}

int Instrument::Initiate(ClientId owner) {
  if (sweep_.running) return kInitIgnored;
  std::vector<double> points;
  std::vector<int64_t> dwellMs;
  std::vector<double> dbm;
  if (const int error = SweepPoints(mode_, points, dwellMs, dbm)) return error;
  // Every point is checked first: a sweep that cannot finish does not start.
  std::vector<Band> bands;
  for (size_t i = 0; i < points.size(); ++i) {
    const std::optional<Band> band = output_.BandFor(points[i], choice_);
    if (!band) return kDataOutOfRange;
    if (!dbm.empty()) {
      const auto [low, high] = PowerRange(output_.settings().chip, *band);
      if (!(dbm[i] >= low && dbm[i] <= high)) return kDataOutOfRange;
    }
    bands.push_back(*band);
  }
  if (output_.settings().refDivisor <= 0) return kSettingsConflict;
  // A lost board is looked for first: a sweep starts only on a board that is there.
  return WithBoard({}, [this, owner, points, bands, dbm, dwellMs](int error, const BoardReply&, std::string&) {
    if (error) return error;
    sweep_.running = true;
    sweep_.owner = owner;
    sweep_.hz = points;
    sweep_.bands = bands;
    sweep_.dbm = dbm;
    sweep_.next = 0;
    sweep_.passesLeft = sweepSettings_.continuous ? 0 : sweepSettings_.count;
    sweep_.dwellMs = dwellMs;
    sweep_.bus = sweepSettings_.triggerBus;
    sweep_.dueMs = sweep_.bus ? INT64_MAX : clock_.NowMs();
    SetConditions(operationCondition_ | kSweepingBit, questionableCondition_);
    return kNoError;
  });
}

void Instrument::RunSweepPoint() {
  if (sweep_.running && !inFlight_) StepSweep();
}

int Instrument::StepSweep() {
  const size_t point = sweep_.next;
  OutputRequest request = output_.current();
  request.hz = sweep_.hz[point];
  request.band = sweep_.bands[point];
  if (!sweep_.dbm.empty()) request.dbm = sweep_.dbm[point];
  // Nothing that changes the sweep runs while its point is at the board (see RunsBesideBoard).
  return Apply(request, [this, point](int error) {
    if (!sweep_.running) return kNoError;
    if (error) {
      QueueError(sweep_.owner, error);
      EndSweep();
      return kNoError;
    }
    if (++sweep_.next == sweep_.hz.size()) {
      sweep_.next = 0;
      if (sweep_.passesLeft > 0 && --sweep_.passesLeft == 0) {
        // The output stays at the last point.
        EndSweep();
        return kNoError;
      }
    }
    sweep_.dueMs = sweep_.bus ? INT64_MAX : clock_.NowMs() + sweep_.dwellMs[point];
    return kNoError;
  });
}

int Instrument::Trigger() {
  if (!sweep_.running || !sweep_.bus) return kTriggerIgnored;
  return StepSweep();
}

int Instrument::SetFrequency(double hz) {
  const std::optional<OutputRequest> request = RequestFor(hz);
  if (!request) return kDataOutOfRange;
  // A running sweep owns the output; the frequency waits for CW.
  if (sweep_.running) {
    cwHz_ = hz;
    return kNoError;
  }
  return Apply(*request, [this, hz](int error) {
    if (!error) cwHz_ = hz;
    return error;
  });
}

int Instrument::SetRange(double startHz, double stopHz) {
  if (!output_.BandFor(startHz, choice_) || !output_.BandFor(stopHz, choice_)) return kDataOutOfRange;
  sweepSettings_.startHz = startHz;
  sweepSettings_.stopHz = stopHz;
  return kNoError;
}

void Instrument::EndSweep() {
  sweep_.running = false;
  for (auto& [id, client] : clients_) {
    if (client.opcArmed) client.status.esr |= kOperationCompleteBit;
    client.opcArmed = false;
  }
  SetConditions(operationCondition_ & ~kSweepingBit, questionableCondition_);
}

int Instrument::Set(Client& client, const CommandEntry& entry, const std::vector<Parameter>& values) {
  const Parameter* value = values.empty() ? nullptr : &values.front();
  auto inRange = [&](double hz) { return output_.BandFor(hz, choice_).has_value(); };
  auto dwell = [](const Parameter& p, double& target) {
    if (!(p.number >= 0.0 && p.number <= kMaxDwellS)) return kDataOutOfRange;
    target = p.number;
    return kNoError;
  };

  switch (entry.op) {
    case Op::Reset:
      ++stops_;
      return Reset();
    case Op::ClearStatus:
      client.errors.clear();
      client.status.Clear();
      client.opcArmed = false;
      return kNoError;
    case Op::OperationComplete:
      if (sweep_.running) {
        client.opcArmed = true;
      } else {
        client.status.esr |= kOperationCompleteBit;
      }
      return kNoError;
    case Op::Wait:
      return kNoError;
    case Op::EventStatusEnable:
    case Op::ServiceRequestEnable: {
      const std::optional<int64_t> mask = WholeNumber(value->number, 0, 255);
      if (!mask) return kDataOutOfRange;
      if (entry.op == Op::EventStatusEnable) {
        client.status.ese = static_cast<int>(*mask);
      } else {
        client.status.sre = static_cast<int>(*mask) & ~kMasterSummaryBit;
      }
      return kNoError;
    }
    case Op::OperationEnable:
    case Op::QuestionableEnable: {
      // All sixteen bits are taken; the unused top one is dropped.
      const std::optional<int64_t> mask = WholeNumber(value->number, 0, 0xFFFF);
      if (!mask) return kDataOutOfRange;
      (entry.op == Op::OperationEnable ? client.status.operationEnable : client.status.questionableEnable) =
          static_cast<int>(*mask) & kRegisterMask;
      return kNoError;
    }
    case Op::StatusPreset:
      client.status.Preset();
      return kNoError;
    case Op::Frequency:
      if (value->isKeyword) {
        // UP or DOWN by the step, which is counted at RF like the frequency typed.
        return SetFrequency(OutputHz(ShownHz(cwHz_) + (value->keyword == 3 ? 1.0 : -1.0) * sweepSettings_.stepHz));
      }
      return SetFrequency(OutputHz(value->number));
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
      return Apply(request, [this, choice](int error) {
        if (!error) choice_ = choice;
        return error;
      });
    }
    case Op::Power: {
      OutputRequest request = output_.current();
      // Between the output's lowest and highest level the nearest one is taken.
      const auto [low, high] = PowerRange(output_.settings().chip, request.band);
      if (!(value->number >= low && value->number <= high)) return kDataOutOfRange;
      request.dbm = value->number;
      return Apply(request);
    }
    case Op::OutputState: {
      OutputRequest request = output_.current();
      request.on = value->isKeyword ? value->keyword == 1 : std::nearbyint(value->number) != 0.0;
      return Apply(request);
    }
    case Op::ReferenceSource: {
      PanelSettings base = output_.settings();
      base.extReference = value->keyword == 1;
      return Apply(output_.current(), base);
    }
    case Op::ReferenceFrequency: {
      PanelSettings base = output_.settings();
      base.reference = FormatFixed(value->number / kHzPerMhz, 6);
      AcceptReference(base.reference, base.chip, base.refDivisor, base.pfd);
      if (base.refDivisor <= 0) return kDataOutOfRange;
      return Apply(output_.current(), base);
    }
    case Op::Start:
      return SetRange(OutputHz(value->number), sweepSettings_.stopHz);
    case Op::Stop:
      return SetRange(sweepSettings_.startHz, OutputHz(value->number));
    case Op::Center: {
      // The span shrinks to what fits around the new centre, as on bench generators. Centre and
      // span are the RF's; the range is kept as the outputs that serve it.
      const double center = value->number;
      if (!inRange(OutputHz(center))) return kDataOutOfRange;
      const double halfSpan =
          std::min({std::abs(ShownHz(sweepSettings_.stopHz) - ShownHz(sweepSettings_.startHz)) / 2.0,
                    center - Limit(Op::Center, 0), Limit(Op::Center, 1) - center});
      return SetRange(OutputHz(center - halfSpan), OutputHz(center + halfSpan));
    }
    case Op::Span: {
      const double center = ShownHz((sweepSettings_.startHz + sweepSettings_.stopHz) / 2.0);
      if (!(value->number >= 0.0)) return kDataOutOfRange;
      return SetRange(OutputHz(center - value->number / 2.0), OutputHz(center + value->number / 2.0));
    }
    case Op::Step:
      if (!(value->number >= Limit(Op::Step, 0) && value->number <= Limit(Op::Step, 1))) return kDataOutOfRange;
      sweepSettings_.stepHz = value->number;
      return kNoError;
    case Op::SweepSpacing:
      sweepSettings_.logSpacing = value->keyword == 1;
      return kNoError;
    case Op::Preset:
      ++stops_;
      return Reset();
    case Op::ModulationState: {
      // The board has no modulation to switch on.
      const bool on = value->isKeyword ? value->keyword == 1 : std::nearbyint(value->number) != 0.0;
      return on ? kSettingsConflict : kNoError;
    }
    case Op::InitContinuous: {
      const bool on = value->isKeyword ? value->keyword == 1 : std::nearbyint(value->number) != 0.0;
      sweepSettings_.continuous = on;
      if (on && mode_ != Mode::Cw && !sweep_.running) return Initiate(client.id);
      // Off: a running sweep ends with its pass, as many passes as SWE:COUN asks.
      if (!on && sweep_.running && sweep_.passesLeft == 0 && sweepSettings_.count != 0) sweep_.passesLeft = 1;
      return kNoError;
    }
    case Op::TriggerSource:
      sweepSettings_.triggerBus = value->keyword == 1;
      return kNoError;
    case Op::Trigger:
      return Trigger();
    case Op::Mode: {
      const Mode mode = value->keyword <= 1 ? Mode::Cw : value->keyword == 2 ? Mode::Sweep : Mode::List;
      if (mode != mode_ && sweep_.running) EndSweep();
      mode_ = mode;
      if (mode != Mode::Cw || output_.current().hz == cwHz_) return kNoError;
      const std::optional<OutputRequest> request = RequestFor(cwHz_);
      if (!request) return kDataOutOfRange;
      return Apply(*request);
    }
    case Op::SweepPoints: {
      const std::optional<int64_t> points = WholeNumber(value->number, 2, kMaxSweepPoints);
      if (!points) return kDataOutOfRange;
      sweepSettings_.points = *points;
      return kNoError;
    }
    case Op::SweepDwell: {
      double seconds = 0.0;
      const int error = dwell(*value, seconds);
      if (!error) sweepSettings_.dwellS = seconds;
      return error;
    }
    case Op::ListDwell: {
      std::vector<double> list(values.size());
      for (size_t i = 0; i < values.size(); ++i) {
        if (const int error = dwell(values[i], list[i])) return error;
      }
      sweepSettings_.listDwellS = std::move(list);
      return kNoError;
    }
    case Op::ListPower: {
      // Each level is checked against its point's output when the list starts.
      std::vector<double> list;
      for (const Parameter& p : values) {
        if (!(p.number >= -100.0 && p.number <= 100.0)) return kDataOutOfRange;
        list.push_back(p.number);
      }
      sweepSettings_.listDbm = std::move(list);
      return kNoError;
    }
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
      // One bad point refuses the whole list, as a list file is refused in the window and the CLI.
      for (const Parameter& p : values) {
        if (p.isKeyword || !inRange(OutputHz(p.number))) return kDataOutOfRange;
        list.push_back(OutputHz(p.number));
      }
      sweepSettings_.listHz = std::move(list);
      return kNoError;
    }
    case Op::FrequencyMultiplier: {
      // The output stays where it is; what FREQ and the sweeps mean changes, as on a bench generator.
      const std::optional<int64_t> multiplier = WholeNumber(value->number, kMinMultiplier, kMaxMultiplier);
      if (!multiplier) return kDataOutOfRange;
      plan_.multiplier = static_cast<int>(*multiplier);
      return kNoError;
    }
    case Op::FrequencyOffset:
      if (!(std::fabs(value->number) <= kMaxPlanOffsetHz)) return kDataOutOfRange;
      plan_.offsetMhz = value->number / kHzPerMhz;
      return kNoError;
    case Op::Initiate:
      return Initiate(client.id);
    case Op::Abort:
      ++stops_;
      if (sweep_.running) EndSweep();
      return kNoError;
    default:
      break;
  }
  return kUndefinedHeader;
}

int Instrument::Query(Client& client, const CommandEntry& entry, const std::vector<Parameter>& values,
                      std::string& reply) {
  // MINimum, MAXimum or DEFault, already a number.
  if (!values.empty()) {
    reply = FormatLimit(entry.op, values.front().number);
    return kNoError;
  }
  switch (entry.op) {
    case Op::Identify: {
      const link::BoardIdentity& id = identity_;
      std::string serial;
      for (uint32_t word : id.serialWords) serial += FormatHex(word, 8);
      reply = std::string(kManufacturer) + "," + std::string(ChipName(output_.settings().chip)) + "," + serial + "," +
              firmware::VersionNumber(id);
      return kNoError;
    }
    case Op::OperationComplete:
      reply = "1";
      return kNoError;
    case Op::EventStatus:
      reply = std::to_string(client.status.esr);
      client.status.esr = 0;
      return kNoError;
    case Op::EventStatusEnable:
      reply = std::to_string(client.status.ese);
      return kNoError;
    case Op::StatusByte:
      reply = std::to_string(client.status.StatusByte(!client.errors.empty(), false));
      return kNoError;
    case Op::ServiceRequestEnable:
      reply = std::to_string(client.status.sre);
      return kNoError;
    case Op::SelfTest:
      // The board answers its lock query: it runs, and its synthesizer reports.
      return ReadLockCondition(
          [](int error, std::string& answer) {
            answer = error == kNoError ? "0" : "1";
            return kNoError;
          },
          reply);
    case Op::Options:
      reply = output_.HasSecondOutput() ? "OUT2" : "0";
      return kNoError;
    case Op::NextError: {
      const int code = client.errors.empty() ? kNoError : client.errors.front();
      if (!client.errors.empty()) client.errors.pop_front();
      reply = ErrorEntry(code);
      return kNoError;
    }
    case Op::AllErrors:
      if (client.errors.empty()) reply = ErrorEntry(kNoError);
      for (int code : client.errors) reply += (reply.empty() ? "" : ",") + ErrorEntry(code);
      client.errors.clear();
      return kNoError;
    case Op::ErrorCount:
      reply = std::to_string(client.errors.size());
      return kNoError;
    case Op::Version:
      reply = kScpiVersion;
      return kNoError;
    case Op::OperationEvent:
      reply = std::to_string(client.status.operationEvent);
      client.status.operationEvent = 0;
      return kNoError;
    case Op::OperationCondition:
      reply = std::to_string(operationCondition_);
      return kNoError;
    case Op::OperationEnable:
      reply = std::to_string(client.status.operationEnable);
      return kNoError;
    case Op::QuestionableEvent:
      return ReadLockCondition(
          [this, id = client.id](int, std::string& answer) {
            // The client may have gone while the board was asked.
            auto it = clients_.find(id);
            if (it == clients_.end()) return kNoError;
            answer = std::to_string(it->second.status.questionableEvent);
            it->second.status.questionableEvent = 0;
            return kNoError;
          },
          reply);
    case Op::QuestionableCondition:
      return ReadLockCondition(
          [this](int, std::string& answer) {
            answer = std::to_string(questionableCondition_);
            return kNoError;
          },
          reply);
    case Op::QuestionableEnable:
      reply = std::to_string(client.status.questionableEnable);
      return kNoError;
    case Op::Frequency:
      reply = FormatHz(ShownHz(cwHz_));
      return kNoError;
    case Op::ActualFrequency: {
      const std::optional<double> hz = output_.RealHz();
      if (!hz) return kSettingsConflict;
      reply = FormatHz(ShownHz(*hz));
      return kNoError;
    }
    case Op::Center:
      reply = FormatHz(ShownHz((sweepSettings_.startHz + sweepSettings_.stopHz) / 2.0));
      return kNoError;
    case Op::Span:
      reply = FormatHz(plan_.multiplier * (sweepSettings_.stopHz - sweepSettings_.startHz));
      return kNoError;
    case Op::Step:
      reply = FormatHz(sweepSettings_.stepHz);
      return kNoError;
    case Op::SweepSpacing:
      reply = sweepSettings_.logSpacing ? "LOG" : "LIN";
      return kNoError;
    case Op::SweepTime: {
      // Each point: its dwell, then one slot set and its reply at 4800 baud, 10 bits a byte.
      std::vector<double> hz;
      std::vector<int64_t> dwellMs;
      std::vector<double> dbm;
      // The list in LIST mode, else the frequency sweep.
      const int error = SweepPoints(mode_ == Mode::List ? Mode::List : Mode::Sweep, hz, dwellMs, dbm);
      if (error) return error;
      const double lineS = static_cast<double>(output_.SlotCommandLength() + 3) * 10.0 / 4800.0;
      double seconds = 0.0;
      for (int64_t ms : dwellMs) seconds += static_cast<double>(ms) / 1000.0 + lineS;
      reply = FormatFixed(seconds, 3);
      return kNoError;
    }
    case Op::ModulationState:
      reply = "0";
      return kNoError;
    case Op::InitContinuous:
      reply = sweepSettings_.continuous ? "1" : "0";
      return kNoError;
    case Op::TriggerSource:
      reply = sweepSettings_.triggerBus ? "BUS" : "IMM";
      return kNoError;
    case Op::ListPower:
      for (double dbm : sweepSettings_.listDbm) reply += (reply.empty() ? "" : ",") + FormatShortest(dbm);
      if (reply.empty()) reply = std::to_string(output_.EffectiveDbm(output_.current()));
      return kNoError;
    case Op::FrequencyOutput:
      reply = kOutputKeywords[static_cast<int>(choice_)];
      return kNoError;
    case Op::Lock:
      return ReadLockCondition(
          [this](int error, std::string& answer) {
            if (!error) answer = questionableCondition_ & kFrequencyBit ? "0" : "1";
            return error;
          },
          reply);
    case Op::Power:
      reply = std::to_string(output_.EffectiveDbm(output_.current()));
      return kNoError;
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
      reply = FormatHz(ShownHz(sweepSettings_.startHz));
      return kNoError;
    case Op::Stop:
      reply = FormatHz(ShownHz(sweepSettings_.stopHz));
      return kNoError;
    case Op::FrequencyMultiplier:
      reply = std::to_string(plan_.multiplier);
      return kNoError;
    case Op::FrequencyOffset:
      reply = FormatHz(plan_.offsetMhz * kHzPerMhz);
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
      for (double hz : sweepSettings_.listHz) reply += (reply.empty() ? "" : ",") + FormatHz(ShownHz(hz));
      return kNoError;
    case Op::ListPoints:
      reply = std::to_string(sweepSettings_.listHz.size());
      return kNoError;
    case Op::ListDwell:
      for (double seconds : sweepSettings_.listDwellS) reply += (reply.empty() ? "" : ",") + FormatShortest(seconds);
      return kNoError;
    default:
      break;
  }
  return kUndefinedHeader;
}

}  // namespace korvane::scpi
