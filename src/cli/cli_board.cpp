#include "cli/cli_board.h"

#include <cmath>
#include <iostream>
#include <optional>

#include "cli/interrupt_on_stop.h"
#include "cli/json.h"
#include "synth/number_text.h"
#include "texts/texts.h"

namespace korvane::cli {

std::string PortOption(const Args& args) {
  const std::string port = args.Value("port", "");
  if (port.empty()) throw UsageError("--port is required");
  return port;
}

session::ChipChoice ChipOption(const Args& args) {
  const std::string name = args.Value("chip", "auto");
  if (const std::optional<session::ChipChoice> choice = session::ChipChoiceFromName(name)) return *choice;
  throw UsageError("unknown chip '" + name + "' (auto, adf4350, adf4351 or max2871)");
}

ChipType ChipTypeOption(const Args& args, std::optional<ChipType> fallback) {
  const std::string name = args.Value("chip", "");
  if (name.empty() && !fallback) throw UsageError("--chip is required (adf4350, adf4351 or max2871)");
  if (!args.values.count("chip")) return *fallback;
  const std::optional<session::ChipChoice> choice = session::ChipChoiceFromName(name);
  if (const std::optional<ChipType> chip = choice ? session::ChosenChip(*choice) : std::nullopt) return *chip;
  throw UsageError("unknown chip '" + name + "' (adf4350, adf4351 or max2871)");
}

PowerLevel PowerOption(const std::string& power) {
  static const char* const kNames[] = {"off", "-4", "-1", "+2", "+5"};
  for (int level = 0; level < 5; ++level) {
    if (power == kNames[level]) return static_cast<PowerLevel>(level);
  }
  throw UsageError("unknown power '" + power + "' (off, -4, -1, +2 or +5)");
}

std::string WithReason(const std::string& message, const std::string& reason) {
  return reason.empty() ? message : message + "\n" + reason;
}

std::string WithReason(const std::string& message, const link::OpenFailure& reason) {
  return WithReason(message, texts::OpenFailureText(reason));
}

std::string ErrorHzText(double hz) {
  if (std::fabs(hz) >= 1e12) return hz < 0 ? "below -1 THz" : "above 1 THz";
  return FormatFixed(hz, 3) + " Hz";
}

FieldOverrides FieldOptions(const Args& args, ChipType chip) {
  FieldOverrides overrides;
  auto it = args.lists.find("field");
  if (it == args.lists.end()) return overrides;
  for (const std::string& option : it->second) {
    const size_t eq = option.find('=');
    if (eq == std::string::npos) throw UsageError("--field '" + option + "' is not NAME=VALUE");
    const std::string name = option.substr(0, eq);
    const RegisterField* field = FindField(chip, name);
    if (!field) {
      throw UsageError("the " + std::string(ChipName(chip)) + " has no field '" + name +
                       "' (\"korvane-cli fields --chip " + std::string(ChipName(chip)) + "\" lists them)");
    }
    const std::optional<uint32_t> value = ReadFieldValue(*field, option.substr(eq + 1));
    if (!value) {
      throw UsageError("--field " + name + ": '" + option.substr(eq + 1) + "' is not a value of " +
                       std::string(field->name) + " (" + texts::AllowedValuesText(*field) + ")");
    }
    if (std::optional<FieldIssue> why = CheckOverride(chip, field->field, *value)) {
      throw UsageError(texts::FieldIssueText(*why));
    }
    overrides[field->field] = *value;
  }
  return overrides;
}

std::string OverridesJson(ChipType chip, const FieldOverrides& overrides) {
  JsonObject o;
  for (const RegisterField& f : Facts(chip).fields) {
    if (auto it = overrides.find(f.field); it != overrides.end()) o.Add(f.name, static_cast<int64_t>(it->second));
  }
  return o.str();
}

std::string ExpertText(const PanelSettings& settings, Slot slot) {
  const SlotPlan plan = session::PlanSlotWords(settings, slot);
  std::string text;
  for (const RegisterField& f : Facts(settings.chip).fields) {
    auto it = plan.sources.find(f.field);
    if (it == plan.sources.end()) continue;
    const uint32_t value = ReadField(f, plan.words);
    if (!text.empty()) text += ", ";
    text += std::string(f.name) + "=" + std::to_string(value);
    if (std::string_view name = ValueName(f, value); !name.empty()) text += " (" + std::string(name) + ")";
    text += it->second == FieldSource::User ? " [set]" : " [board]";
  }
  return text;
}

std::string ExpertJson(const PanelSettings& settings, Slot slot) {
  const SlotPlan plan = session::PlanSlotWords(settings, slot);
  JsonObject o;
  for (const RegisterField& f : Facts(settings.chip).fields) {
    if (plan.sources.count(f.field)) o.Add(f.name, static_cast<int64_t>(ReadField(f, plan.words)));
  }
  return o.str();
}

std::string JsonStrings(const std::vector<std::string>& lines) {
  std::string json = "[";
  for (const std::string& text : lines) {
    if (json.size() > 1) json += ",";
    json += JsonQuote(text);
  }
  return json + "]";
}

void RequireAccepted(const session::TuneResult& result) {
  if (result.refusal) throw Failure(texts::SlotIssueText(*result.refusal) + "\nNothing was sent.");
  for (const session::Exchange* exchange : {&result.reference, &result.slot}) {
    // A retune leaves out the reference the board already holds.
    if (exchange == &result.reference && exchange->command.empty()) continue;
    if (!exchange->accepted()) {
      throw Failure("The board refused \"" + exchange->command + "\" (it answered \"" + exchange->reply + "\").");
    }
  }
}

std::string InterruptedConnectText(session::ProbeTrace probe) {
  switch (probe) {
    case session::ProbeTrace::None:
      return "nothing was written to the board.";
    case session::ProbeTrace::PutBack:
      return "the chip identification's test setting was taken off again; the board holds its own reference "
             "and slot-4 setting, as before.";
    case session::ProbeTrace::MayRemain:
      break;
  }
  return std::string("the link was lost during the chip identification.\n") + texts::kProbeMayRemain;
}

PanelSettings CliBoard::Connect(const Args& args, const platform::StopSignals& stop) {
  // What the window holds before its first "Connect": no reference yet, every slot at 180 MHz.
  PanelSettings start;
  start.reference.clear();
  std::optional<session::ConnectResult> connected;
  try {
    const InterruptOnStop interruptOnStop(stop, session);
    connected = session.Connect(PortOption(args), ChipOption(args), start);
  } catch (const link::ConnectionLost&) {
    if (stop.Requested()) throw Interrupted(InterruptedConnectText(session.LastProbe()), stop.ExitStatus());
    if (session.LastProbe() == session::ProbeTrace::MayRemain) {
      throw Failure(std::string(texts::kConnectionLost) + "\n" + texts::kProbeMayRemain);
    }
    throw;
  }
  if (stop.Requested()) {
    session.Close();
    throw Interrupted(InterruptedConnectText(session.LastProbe()), stop.ExitStatus());
  }
  const session::ConnectResult& result = *connected;
  using Status = session::ConnectResult::Status;
  switch (result.status) {
    case Status::Connected:
      // Stored words that cannot be the chip's were left aside: the user hears of it.
      for (Slot slot : kAllSlots) {
        if (const std::optional<FieldIssue>& note = result.readout.notes[static_cast<size_t>(SlotNumber(slot))]) {
          std::cerr << "note: " << texts::SlotIssueText({slot, *note}) << "\n";
        }
      }
      if (session.OpenWarning()) std::cerr << "warning: " << texts::OpenFailureText(session.OpenWarning()) << std::endl;
      return result.readout.settings;
    case Status::NotFound:
      throw Failure(WithReason(texts::kCouldNotFind, result.reason));
    case Status::HwTooOld:
      throw Failure(texts::kHwTooOld);
    case Status::FwTooOld:
      throw Failure(texts::kFwTooOld);
    case Status::CommunicationError:
      break;
  }
  session.Close();
  if (session.LastProbe() == session::ProbeTrace::MayRemain) {
    throw Failure(std::string(texts::kCommunicationError) + "\n" + texts::kProbeMayRemain);
  }
  throw Failure(texts::kCommunicationError);
}

PanelSettings CliBoard::Connect(const Args& args) { return Connect(args, HoldStops()); }

const platform::StopSignals& CliBoard::HoldStops() {
  if (!stops_) {
    stops_ = std::make_unique<platform::StopSignals>();
    interrupt_ = std::make_unique<InterruptOnStop>(*stops_, session);
  }
  return *stops_;
}

void CliBoard::StopIfRequested(const std::string& boardHolds) const {
  if (StopRequested()) throw Interrupted(boardHolds, stops_->ExitStatus());
}

}  // namespace korvane::cli
