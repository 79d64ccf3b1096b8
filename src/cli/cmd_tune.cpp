// korvane-cli tune: set the signal generator as a user would and let the board retune.
#include <iostream>
#include <optional>

#include "cli/cli_board.h"
#include "cli/json.h"
#include "cli/plan_options.h"
#include "synth/number_text.h"
#include "texts/texts.h"

namespace korvane::cli {
namespace {

// A chip that is still settling may report no lock right after the retune; it gets the time the
// identification gives a probe before the answer counts.
constexpr int kLockSettleMs = 200;

[[noreturn]] void OutOfBand(double wanted, const std::string& what) {
  throw Failure(FormatFixed(wanted, 6) + " MHz is outside what " + what +
                ". Nothing was sent; --force sends it anyway.");
}

// The value of --band, "0" or "1".
Band BandArgument(const std::string& bandArg) { return bandArg == "1" ? Band::Out2 : Band::Out1; }

// --band as a choice of output: none given lets the frequency choose.
session::OutputChoice OutputArgument(const std::string& bandArg) {
  if (bandArg.empty()) return session::OutputChoice::Auto;
  return bandArg == "1" ? session::OutputChoice::Out2 : session::OutputChoice::Out1;
}

std::string LimitsText(ChipType chip, Band band) {
  const std::optional<BandLimits> limits = GetBandLimits(chip, band);
  if (!limits) return std::string(ChipName(chip)) + " makes";
  return "the " + std::string(ChipName(chip)) + " makes on " + std::string(BandLabel(band)) + " (" +
         FormatFixed(limits->low, 3) + " to " + FormatFixed(limits->high, 3) + " MHz)";
}

// Before the port is opened: a frequency that no output of the chip named (or of any chip,
// when it is to be identified) can make is refused without a byte on the line.
void RequireMakeable(session::ChipChoice choice, const std::string& bandArg, double wanted) {
  if (session::AnyBoardMakes(choice, OutputArgument(bandArg), wanted)) return;
  if (const std::optional<ChipType> chip = session::ChosenChip(choice); chip && !bandArg.empty()) {
    OutOfBand(wanted, LimitsText(*chip, BandArgument(bandArg)));
  }
  OutOfBand(wanted, "any output of the chip makes");
}

// Once the board is read: the output the signal generator is set to.
void RequireInBand(ChipType chip, Band band, double wanted) {
  if (!IsInBand(chip, band, wanted)) OutOfBand(wanted, LimitsText(chip, band));
}

int Run(const Args& args) {
  const std::string bandArg = args.Value("band", "");
  if (!bandArg.empty() && bandArg != "0" && bandArg != "1") throw UsageError("--band is 0 or 1");
  std::optional<PowerLevel> power;
  if (args.values.count("power")) power = PowerOption(args.Value("power", ""));
  // A script's typo must not program a board: nothing is sent for a text that is no number.
  const FrequencyPlan plan = PlanOptions(args);
  const std::string frequency = OutputFrequencyText(plan, args.positional[0], "FREQ_MHZ");
  // --force sends what lies outside the band, but nothing at or below zero: no board makes that.
  if (args.Has("force") && !(*ReadNumberStrict(frequency) > 0)) {
    const std::string what = plan.IsSet() ? "' asks for an output of " + frequency + " MHz, which" : "'";
    throw UsageError("FREQ_MHZ '" + args.positional[0] + what +
                     " is not above 0; --force sends only frequencies above 0");
  }
  PortOption(args);
  if (!args.Has("force")) RequireMakeable(ChipOption(args), bandArg, *ReadNumberStrict(frequency));

  CliBoard board;
  PanelSettings settings = board.Connect(args);
  SlotSettings& sg = settings.slot(Slot::SigGen);

  // The band goes first: it decides which power levels the list offers.
  if (!bandArg.empty()) {
    const Band band = BandArgument(bandArg);
    if (band != sg.band) {
      if (!session::CapabilitiesOf(board.session.Identity()).secondOutput)
        throw Failure("This board has no second output band.");
      // The power follows the output as it does in the window.
      sg.power = FitPowerLevel(settings.chip, band, sg.power);
      sg.band = band;
    }
  }
  if (power) {
    if (PowerListIndex(settings.chip, sg.band, *power) < 0) {
      throw UsageError("power " + std::string(PowerLabel(*power)) + " is not offered in this band");
    }
    sg.power = *power;
  }
  sg.frequency = frequency;
  sg.plan = plan;
  // --reset-fields sends Korvane's values in every field, whatever the board held.
  if (args.Has("reset-fields")) {
    sg.overrides.clear();
    sg.board.reset();
  }
  // --field comes on top of what the board's stored set already holds.
  for (const auto& [field, value] : FieldOptions(args, settings.chip)) sg.overrides[field] = value;
  settings.exact = args.Has("exact");
  if (settings.refDivisor <= 0) {
    throw Failure("The board's reference frequency is not valid for this chip. Nothing was sent.");
  }
  if (!args.Has("force")) RequireInBand(settings.chip, sg.band, *ReadNumberStrict(frequency));
  board.StopIfRequested("nothing was sent after the connect; the board's output is as it was.");
  // A signal interrupts the exchange in flight: what the board holds then depends on how far it got.
  const std::string unsure =
      "the new frequency went out, but the board's reply was not read: the output may be at the new frequency "
      "or still at the old one. Run the command again to be sure.";
  session::TuneResult result;
  try {
    result = board.session.Tune(settings, Slot::SigGen);
  } catch (const link::ConnectionLost&) {
    board.StopIfRequested(unsure);
    throw;
  }
  if (result.refusal) {
    board.session.Close();
    RequireAccepted(result);
  }
  if (!result.accepted()) {
    board.session.Close();
    board.StopIfRequested(unsure);
    RequireAccepted(result);
  }
  const std::string took = "the board took the new frequency (" +
                           session::RealFrequencyLabel(settings, Slot::SigGen).substr(2) +
                           " MHz); its lock was not read.";
  session::LockState lock = session::LockState::Unknown;
  try {
    lock = board.session.ReadLock();
    if (lock == session::LockState::NotLocked && !board.StopRequested()) {
      board.clock.SleepMs(kLockSettleMs);
      lock = board.session.ReadLock();
    }
  } catch (const link::ConnectionLost&) {
    board.StopIfRequested(took);
    throw;
  }
  board.session.Close();
  board.StopIfRequested(took);
  const std::optional<SlotSolution> solved = session::SolveSlot(settings, Slot::SigGen);
  std::vector<std::string> notes;
  for (const session::SlotNote& note : result.notes) notes.push_back(texts::SlotNoteText(note));
  if (args.Has("json")) {
    JsonObject json;
    json.Add("real", session::RealFrequencyLabel(settings, Slot::SigGen).substr(2))
        .Add("error_hz", solved ? solved->errorHz : 0.0)
        .Add("reference_command", result.reference.command)
        .Add("slot_command", result.slot.command)
        .AddRaw("expert", ExpertJson(settings, Slot::SigGen))
        .AddRaw("notes", JsonStrings(notes));
    if (plan.IsSet()) {
      json.AddRaw("rf_real", solved ? FormatFixed(RfFromOutput(plan, solved->achieved), 6) : "null")
          .Add("rf_error_hz", solved ? RfErrorHz(plan, solved->errorHz) : 0.0);
    }
    if (lock == session::LockState::Unknown) {
      json.AddRaw("locked", "null");
    } else {
      json.Add("locked", lock == session::LockState::Locked);
    }
    std::cout << json.str() << "\n";
  } else {
    static const char* const kLockTexts[] = {"lock unknown", "not locked", "locked"};
    std::cout << session::RealFrequencyLabel(settings, Slot::SigGen) << "\n";
    if (solved && plan.IsSet()) {
      // The error a user of the transverter sees is the one at RF.
      std::cout << "RF          " << FormatFixed(RfFromOutput(plan, solved->achieved), 6) << " MHz (" << PlanText(plan)
                << ")\n"
                << "error       " << ErrorHzText(RfErrorHz(plan, solved->errorHz)) << " at RF\n";
    } else if (solved) {
      std::cout << "error       " << ErrorHzText(solved->errorHz) << "\n";
    }
    if (const std::string expert = ExpertText(settings, Slot::SigGen); !expert.empty()) {
      std::cout << "expert      " << expert << "\n";
    }
    for (const std::string& note : notes) std::cout << "note        " << note << "\n";
    std::cout << kLockTexts[static_cast<int>(lock)] << "\n";
  }
  std::cout.flush();
  if (!std::cout) throw Failure("cannot write to standard output");
  if (args.Has("require-lock") && lock != session::LockState::Locked) throw Failure("The board reports no lock.");
  return kExitOk;
}

}  // namespace

const Command kTuneCommand{
    "tune",
    "--port PORT FREQ_MHZ [--power off|-4|-1|+2|+5] [--band 0|1] [--chip auto|adf4350|adf4351|max2871] "
    "[--exact] [--field NAME=VALUE]... [--reset-fields] [--force] [--json] [--require-lock] [--mult N] "
    "[--offset MHZ]",
    "Connects, sets the signal generator as a user would, lets it retune and prints the real frequency, "
    "its error and whether the board reports lock. A frequency outside the chip's band is refused unless "
    "--force is given.",
    {kPortOption,
     {"power", "LEVEL", "output power: off, -4, -1, +2 or +5 dBm"},
     {"band", "BAND", "0 for OUT1 <6GHz, 1 for OUT2 5..12GHz"},
     kChipOption,
     {"exact", "", "the nearest fraction to the digits typed instead of the classic search"},
     kFieldOption,
     {"reset-fields", "", "send Korvane's value in every field, not the values the board or an earlier --field left"},
     {"force", "", "send a frequency outside the chip's band all the same"},
     {"json", "", "print one JSON object (with the lock state as \"locked\")"},
     {"require-lock", "", "exit 1 when the board does not report lock"},
     kMultOption,
     kOffsetOption},
    1,
    1,
    Run};

}  // namespace korvane::cli
