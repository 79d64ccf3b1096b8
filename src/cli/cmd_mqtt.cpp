// korvane-cli mqtt: a board kept connected and bridged to an MQTT broker, for boards on remote
// sites watched and retuned from home.
#include <QDateTime>
#include <algorithm>
#include <cctype>
#include <fstream>
#include <iostream>

#include "cli/cli_board.h"
#include "cli/json.h"
#include "cli/mqtt_client.h"
#include "cli/plan_options.h"
#include "firmware/bootloader.h"
#include "synth/number_text.h"
#include "texts/texts.h"

namespace korvane::cli {
namespace {

constexpr int kLockReadMs = 2000;
constexpr int kStateRepeatMs = 60000;
// A lost board is looked for again this often.
constexpr int kBoardRetryMs = 5000;

struct Broker {
  std::string host;
  int port = 0;
};

Broker BrokerOption(const Args& args, int defaultPort) {
  const std::string text = args.Value("broker", "");
  if (text.empty()) throw UsageError("--broker is required");
  Broker broker{text, defaultPort};
  size_t colon = text.rfind(':');
  // "[::1]:1883" and "host:1883"; a bare IPv6 address has more than one colon and no port.
  if (!text.empty() && text.front() == '[') {
    const size_t close = text.find(']');
    if (close == std::string::npos) throw UsageError("--broker '" + text + "' lacks its ']'");
    broker.host = text.substr(1, close - 1);
    colon = close + 1 < text.size() && text[close + 1] == ':' ? close + 1 : std::string::npos;
  } else if (colon != std::string::npos && text.find(':') != colon) {
    colon = std::string::npos;
  } else if (colon != std::string::npos) {
    broker.host = text.substr(0, colon);
  }
  if (colon != std::string::npos) {
    const std::string portText = text.substr(colon + 1);
    const std::optional<double> port = ReadNumberStrict(portText);
    if (!port || *port < 1 || *port > 65535 || *port != static_cast<int>(*port)) {
      throw UsageError("--broker port '" + portText + "' is not a port number");
    }
    broker.port = static_cast<int>(*port);
  }
  if (broker.host.empty()) throw UsageError("--broker '" + text + "' names no host");
  return broker;
}

std::string ReadPasswordFile(const std::string& path) {
  std::ifstream in(path);
  std::string password;
  if (!in || !std::getline(in, password)) throw Failure("cannot read the password file '" + path + "'");
  if (!password.empty() && password.back() == '\r') password.pop_back();
  return password;
}

// A topic level from a port name or serial: MQTT's wildcards and separators become "_".
std::string TopicLevel(std::string text) {
  if (const size_t slash = text.find_last_of('/'); slash != std::string::npos && slash + 1 < text.size()) {
    text = text.substr(slash + 1);
  }
  for (char& c : text) {
    if (c == '+' || c == '#' || c == '/' || c == ':' || static_cast<unsigned char>(c) < 0x20) c = '_';
  }
  return text.empty() ? "board" : text;
}

std::string SerialText(const link::BoardIdentity& id) {
  if (id.serialWords == std::array<uint32_t, 3>{}) return "";
  std::string text;
  for (uint32_t word : id.serialWords) text += FormatHex(word, 8);
  return text;
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// The board as the bridge keeps it: connected or being looked for, and what it was last given.
class Bridge {
 public:
  Bridge(const Args& args, const platform::StopSignals& stop) : args_(args), stop_(stop), plan_(PlanOptions(args)) {}

  void Run();

 private:
  void TryBoard();
  void LoseBoard(const std::string& why);
  void ReadLock();
  void Handle(const MqttMessage& message);
  // Applies the changed signal generator as a retune; the reason it was not applied, or empty.
  std::string Apply(const PanelSettings& changed);
  std::string SetFrequency(const std::string& text);
  std::string SetPower(const std::string& text);
  std::string SetOutput(const std::string& text);
  std::string StateJson() const;
  void PublishState();
  void PublishDiscovery();

  const Args& args_;
  const platform::StopSignals& stop_;
  // With a plan, set/frequency and the state's "rf" are the RF the output serves.
  const FrequencyPlan plan_;
  CliBoard board_;
  std::unique_ptr<MqttClient> mqtt_;
  std::string prefix_;
  bool open_ = false;
  PanelSettings settings_;
  bool haveSettings_ = false;
  session::LockState lock_ = session::LockState::Unknown;
  PowerLevel lastOnPower_ = PowerLevel::Off;
  std::string lastError_;
  std::string published_;
};

void Bridge::TryBoard() {
  try {
    settings_ = board_.Connect(args_, stop_);
    settings_.slot(Slot::SigGen).plan = plan_;
    haveSettings_ = true;
    open_ = true;
    lastError_.clear();
    std::cerr << "mqtt: board connected on " << PortOption(args_) << "\n";
    ReadLock();
  } catch (const Failure& e) {
    LoseBoard(e.what());
  } catch (const link::ConnectionLost& e) {
    LoseBoard(e.what());
  }
}

void Bridge::LoseBoard(const std::string& why) {
  board_.session.Close();
  if (open_ || lastError_ != why) std::cerr << "mqtt: board lost: " << why << "\n";
  open_ = false;
  lock_ = session::LockState::Unknown;
  lastError_ = why;
}

void Bridge::ReadLock() {
  if (!open_) return;
  try {
    lock_ = board_.session.ReadLock();
  } catch (const link::ConnectionLost& e) {
    LoseBoard(e.what());
  }
}

std::string Bridge::Apply(const PanelSettings& changed) {
  if (!open_) return "the board is not connected";
  try {
    const session::TuneResult result = board_.session.Retune(changed, Slot::SigGen);
    if (result.refusal) return texts::SlotIssueText(*result.refusal);
    if (!result.accepted()) {
      const session::Exchange& refused = result.slot.accepted() ? result.reference : result.slot;
      // What the board holds after a refused set is not known: the next retune sends all of it.
      return "the board refused \"" + refused.command + "\" (it answered \"" + refused.reply + "\")";
    }
  } catch (const link::ConnectionLost& e) {
    LoseBoard(e.what());
    return e.what();
  }
  settings_ = changed;
  const PowerLevel power = settings_.slot(Slot::SigGen).power;
  if (power != PowerLevel::Off) lastOnPower_ = power;
  ReadLock();
  return "";
}

std::string Bridge::SetFrequency(const std::string& text) {
  const std::optional<std::string> output = OutputTextFromRf(plan_, text);
  if (!output) return "'" + text + "' is not a frequency in MHz";
  const std::optional<double> mhz = ReadNumberStrict(*output);
  const SlotSettings& sg = settings_.slot(Slot::SigGen);
  if (!IsInBand(settings_.chip, sg.band, *mhz)) {
    const std::optional<BandLimits> limits = GetBandLimits(settings_.chip, sg.band);
    return FormatFixed(*mhz, 6) + " MHz is outside what the " + std::string(ChipName(settings_.chip)) + " makes" +
           (limits ? " on " + std::string(BandLabel(sg.band)) + " (" + FormatFixed(limits->low, 3) + " to " +
                         FormatFixed(limits->high, 3) + " MHz)"
                   : "");
  }
  PanelSettings changed = settings_;
  changed.slot(Slot::SigGen).frequency = *output;
  return Apply(changed);
}

std::string Bridge::SetPower(const std::string& text) {
  std::optional<PowerLevel> level;
  if (Lower(text) == "off") level = PowerLevel::Off;
  if (const std::optional<double> dbm = ReadNumberStrict(text)) {
    for (PowerLevel l : {PowerLevel::Minus4, PowerLevel::Minus1, PowerLevel::Plus2, PowerLevel::Plus5}) {
      if (PowerLevelDbm(l) == *dbm) level = l;
    }
  }
  if (!level) return "'" + text + "' is not a power level (off, -4, -1, +2 or +5 dBm)";
  const SlotSettings& sg = settings_.slot(Slot::SigGen);
  if (PowerListIndex(settings_.chip, sg.band, *level) < 0) {
    return "power " + std::string(PowerLabel(*level)) + " is not offered on " + std::string(BandLabel(sg.band));
  }
  PanelSettings changed = settings_;
  changed.slot(Slot::SigGen).power = *level;
  return Apply(changed);
}

std::string Bridge::SetOutput(const std::string& text) {
  const std::string word = Lower(text);
  PanelSettings changed = settings_;
  PowerLevel& power = changed.slot(Slot::SigGen).power;
  if (word == "off" || word == "0" || word == "false") {
    power = PowerLevel::Off;
  } else if (word == "on" || word == "1" || word == "true") {
    if (power != PowerLevel::Off) return "";
    // The level it had before it was switched off, else the lowest the output offers.
    const Band band = changed.slot(Slot::SigGen).band;
    power = lastOnPower_ != PowerLevel::Off ? FitPowerLevel(changed.chip, band, lastOnPower_)
                                            : NearestPowerLevel(changed.chip, band, -100);
  } else {
    return "'" + text + "' is not on or off";
  }
  return Apply(changed);
}

void Bridge::Handle(const MqttMessage& message) {
  const std::string setPrefix = prefix_ + "/set/";
  const std::string what = message.topic.substr(std::min(message.topic.size(), setPrefix.size()));
  const std::string text = Trimmed(message.payload);
  std::string error;
  if (!haveSettings_) {
    error = "the board is not connected";
  } else if (what == "frequency") {
    error = SetFrequency(text);
  } else if (what == "power") {
    error = SetPower(text);
  } else if (what == "output") {
    error = SetOutput(text);
  } else {
    error = "unknown topic (set/frequency, set/power and set/output are known)";
  }
  if (!error.empty()) {
    lastError_ = "set/" + what + ": " + error;
    mqtt_->Publish(prefix_ + "/error", lastError_);
  } else {
    lastError_.clear();
  }
  PublishState();
}

std::string Bridge::StateJson() const {
  JsonObject json;
  json.Add("board", open_ ? "connected" : "lost");
  const link::BoardIdentity& id = board_.session.Identity();
  if (haveSettings_) {
    const SlotSettings& sg = settings_.slot(Slot::SigGen);
    json.Add("chip", ChipName(settings_.chip))
        .Add("firmware", firmware::VersionNumber(id))
        .Add("frequency", sg.frequency);
    const std::optional<double> real = session::RealFrequency(settings_, Slot::SigGen);
    if (real) {
      json.AddFixed("real", *real, 6);
    } else {
      json.AddRaw("real", "null");
    }
    if (plan_.IsSet()) {
      json.Add("multiplier", plan_.multiplier).AddFixed("offset", plan_.offsetMhz, 6);
      if (real) {
        json.AddFixed("rf", RfFromOutput(plan_, *real), 6);
      } else {
        json.AddRaw("rf", "null");
      }
    }
    if (const std::optional<int> dbm = PowerLevelDbm(sg.power)) {
      json.Add("power", *dbm);
    } else {
      json.AddRaw("power", "null");
    }
    json.Add("output", sg.power == PowerLevel::Off ? "off" : "on");
  }
  static const char* const kLockTexts[] = {"unknown", "not locked", "locked"};
  json.Add("lock", kLockTexts[static_cast<int>(lock_)]);
  json.Add("error", lastError_);
  json.Add("time", QDateTime::currentDateTimeUtc().toString(Qt::ISODate).toStdString());
  return json.str();
}

void Bridge::PublishState() {
  const std::string state = StateJson();
  mqtt_->PublishRetained(prefix_ + "/state", state);
  published_ = state.substr(0, state.rfind(",\"time\""));
}

// Home Assistant's MQTT discovery: the real frequency, the lock and the output as one device,
// available while the bridge's status is "online".
void Bridge::PublishDiscovery() {
  std::string id = prefix_;
  for (char& c : id) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  if (id.rfind("korvane", 0) != 0) id = "korvane_" + id;
  const std::string device =
      JsonObject().AddRaw("identifiers", "[" + JsonQuote(id) + "]").Add("name", "Korvane " + prefix_).str();
  auto common = [&](const std::string& name, const std::string& key) {
    JsonObject o;
    o.Add("name", name)
        .Add("unique_id", id + "_" + key)
        .Add("state_topic", prefix_ + "/state")
        .Add("availability_topic", prefix_ + "/status")
        .AddRaw("device", device);
    return o;
  };
  mqtt_->PublishRetained("homeassistant/sensor/" + id + "/frequency/config",
                         common("Frequency", "frequency")
                             .Add("value_template", "{{ value_json.real }}")
                             .Add("unit_of_measurement", "MHz")
                             .str());
  mqtt_->PublishRetained(
      "homeassistant/binary_sensor/" + id + "/lock/config",
      common("Lock", "lock").Add("value_template", "{{ 'ON' if value_json.lock == 'locked' else 'OFF' }}").str());
  mqtt_->PublishRetained("homeassistant/switch/" + id + "/output/config",
                         common("Output", "output")
                             .Add("command_topic", prefix_ + "/set/output")
                             .Add("value_template", "{{ value_json.output }}")
                             .Add("state_on", "on")
                             .Add("state_off", "off")
                             .Add("payload_on", "on")
                             .Add("payload_off", "off")
                             .str());
}

void Bridge::Run() {
  const bool tls = args_.values.count("cafile") > 0;
  const Broker broker = BrokerOption(args_, tls ? 8883 : 1883);
  MqttOptions options;
  options.host = broker.host;
  options.port = broker.port;
  options.username = args_.Value("username", "");
  if (args_.values.count("password-file")) {
    if (options.username.empty()) throw UsageError("--password-file needs --username");
    options.password = ReadPasswordFile(args_.Value("password-file", ""));
  }
  options.caFile = args_.Value("cafile", "");
  const std::string port = PortOption(args_);

  TryBoard();
  if (stop_.Requested()) return;
  prefix_ = args_.Value("topic", "");
  if (prefix_.empty()) {
    const std::string serial = open_ ? SerialText(board_.session.Identity()) : "";
    prefix_ = "korvane/" + TopicLevel(serial.empty() ? port : serial);
  }
  if (prefix_.find_first_of("+#") != std::string::npos) throw UsageError("--topic must not hold + or #");
  while (!prefix_.empty() && prefix_.back() == '/') prefix_.pop_back();
  options.clientId = "korvane-" + TopicLevel(prefix_) + "-" + std::to_string(QDateTime::currentMSecsSinceEpoch());
  options.willTopic = options.onlineTopic = prefix_ + "/status";
  options.willPayload = "offline";
  options.onlinePayload = "online";
  options.subscription = prefix_ + "/set/+";
  try {
    mqtt_ = std::make_unique<MqttClient>(options);
  } catch (const std::runtime_error& e) {
    throw Failure(e.what());
  }
  std::cout << "bridging " << port << " to " << broker.host << ":" << broker.port << " under " << prefix_ << std::endl;
  PublishState();
  if (args_.Has("discovery")) PublishDiscovery();
  mqtt_->Start();

  int64_t lastLock = board_.clock.NowMs();
  int64_t lastState = lastLock;
  int64_t lastBoardTry = lastLock;
  while (!stop_.Requested()) {
    if (std::optional<MqttMessage> message = mqtt_->Next(50)) {
      Handle(*message);
      lastState = board_.clock.NowMs();
      continue;
    }
    if (const size_t dropped = mqtt_->TakeDropped()) {
      mqtt_->Publish(prefix_ + "/error", std::to_string(dropped) + " message(s) dropped: longer than " +
                                             std::to_string(MqttClient::kPayloadLimit) + " bytes, or too many at once");
    }
    const int64_t now = board_.clock.NowMs();
    const std::string before = published_;
    if (!open_ && now - lastBoardTry >= kBoardRetryMs) {
      lastBoardTry = now;
      TryBoard();
    } else if (open_ && now - lastLock >= kLockReadMs) {
      lastLock = now;
      ReadLock();
    }
    if (stop_.Requested()) break;
    const std::string state = StateJson();
    if (state.substr(0, state.rfind(",\"time\"")) != before || now - lastState >= kStateRepeatMs) {
      PublishState();
      lastState = now;
    }
  }
  board_.session.Close();
  mqtt_->Stop(prefix_ + "/status", "offline");
}

int Run(const Args& args) {
  const platform::StopSignals stop;
  Bridge bridge(args, stop);
  try {
    bridge.Run();
  } catch (const Interrupted&) {
    // A stop during a board connect: the bridge ends as on any other stop.
  }
  return kExitOk;
}

}  // namespace

const Command kMqttCommand{
    "mqtt",
    "--port PORT --broker HOST[:PORT] [--topic PREFIX] [--username U --password-file F] [--cafile F] "
    "[--discovery] [--mult N] [--offset MHZ]",
    "Keeps the board connected and bridges it to an MQTT broker. Under PREFIX (default korvane/ and the "
    "board's serial number, or the port's name): status (\"online\", retained; \"offline\" as the last will "
    "and on exit), state (retained JSON on every change and at least every 60 s), set/frequency (MHz), "
    "set/power (off, -4, -1, +2, +5) and set/output (on, off), each applied as a retune and answered by a "
    "new state, or by a message on error with the reason. A lost board or broker is looked for again "
    "until Ctrl-C or a request to stop ends the bridge with exit code 0.",
    {kPortOption,
     kChipOption,
     {"broker", "HOST[:PORT]", "the MQTT broker (port 1883, or 8883 with --cafile)"},
     {"topic", "PREFIX", "the topics' prefix (default korvane/SERIAL)"},
     {"username", "U", "the user name the broker knows"},
     {"password-file", "F", "a file whose first line is the password"},
     {"cafile", "F", "connect with TLS and check the broker's certificate against the CA file F"},
     {"discovery", "", "publish Home Assistant's MQTT discovery for the frequency, the lock and the output"},
     kMultOption,
     kOffsetOption},
    0,
    0,
    Run};

}  // namespace korvane::cli
