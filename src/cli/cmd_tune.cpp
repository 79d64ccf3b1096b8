// korvane-cli tune: set the signal generator as a user would and let the board retune.
#include <iostream>
#include <vector>

#include "cli/cli_board.h"
#include "cli/json.h"
#include "synth/number_text.h"

namespace korvane::cli {
namespace {

// A chip that is still settling may report no lock right after the retune; it gets the time the
// identification gives a probe before the answer counts.
constexpr int kLockSettleMs = 200;

// A band change keeps the power list in step as the window's list does.
void ChangeBand(SlotSettings& slot, Band band) {
  std::vector<std::string> entries;
  for (int i = 0; i < PowerEntries(slot.band); ++i) entries.push_back(PowerListLabel(slot.band, i));
  FitPowerList(band, entries, slot.power);
  slot.band = band;
}

[[noreturn]] void OutOfBand(double wanted, const std::string& what) {
  throw Failure(FormatFixed(wanted, 6) + " MHz is outside what " + what +
                ". Nothing was sent; --force sends it anyway.");
}

std::string LimitsText(ChipType chip, Band band) {
  const std::optional<BandLimits> limits = GetBandLimits(chip, band);
  if (!limits) return std::string(kChipNames[static_cast<int>(chip)]) + " makes";
  return std::string("the ") + kChipNames[static_cast<int>(chip)] + " makes on " + kBandLabels[band] + " (" +
         FormatFixed(limits->low, 3) + " to " + FormatFixed(limits->high, 3) + " MHz)";
}

// Before the port is opened: a frequency that no output of the chip named (or of any chip,
// when it is to be identified) can make is refused without a byte on the line.
void RequireMakeable(session::ChipChoice choice, const std::string& bandArg, double wanted) {
  for (int chip = 0; chip < 3; ++chip) {
    if (choice != session::ChipChoice::Auto && chip != static_cast<int>(choice) - 1) continue;
    for (Band band : {kBandOut1, kBandOut2}) {
      if (!bandArg.empty() && band != (bandArg == "1" ? kBandOut2 : kBandOut1)) continue;
      if (IsInBand(static_cast<ChipType>(chip), band, wanted)) return;
    }
  }
  if (choice != session::ChipChoice::Auto && !bandArg.empty()) {
    OutOfBand(wanted, LimitsText(static_cast<ChipType>(static_cast<int>(choice) - 1), bandArg == "1" ? 1 : 0));
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
  const std::string power = args.values.count("power") ? kPowerLabels[PowerOption(args.Value("power", ""))] : "";
  const std::string frequency = args.positional[0];
  // A script's typo must not program a board: nothing is sent for a text that is no number.
  if (!ReadNumberStrict(frequency)) throw UsageError("FREQ_MHZ '" + frequency + "' is not a number");
  PortOption(args);
  if (!args.Has("force")) RequireMakeable(ChipOption(args), bandArg, *ReadNumberStrict(frequency));

  CliBoard board;
  PanelSettings settings = board.Connect(args);
  SlotSettings& sg = settings.freqSlots[kSigGenSlot];

  // The band goes first: it decides which power levels the list offers.
  if (!bandArg.empty()) {
    const Band band = bandArg == "1" ? kBandOut2 : kBandOut1;
    if (band != sg.band) {
      if (board.session.Identity().sSuffix != 1) throw Failure("This board has no second output band.");
      ChangeBand(sg, band);
    }
  }
  if (!power.empty()) {
    int index = -1;
    for (int i = 0; i < PowerEntries(sg.band); ++i) {
      if (PowerListLabel(sg.band, i) == power) index = i;
    }
    if (index < 0) throw UsageError("power " + power + " is not offered in this band");
    sg.power = index;
  }
  sg.frequency = frequency;
  settings.exact = args.Has("exact");
  if (settings.refDivisor <= 0) {
    throw Failure("The board's reference frequency is not valid for this chip. Nothing was sent.");
  }
  if (!args.Has("force")) RequireInBand(settings.chip, sg.band, *ReadNumberStrict(frequency));
  const session::TuneResult result = board.session.Tune(settings, kSigGenSlot);
  session::LockState lock = session::LockState::Unknown;
  if (result.accepted()) {
    lock = board.session.ReadLock();
    if (lock == session::LockState::NotLocked) {
      board.clock.SleepMs(kLockSettleMs);
      lock = board.session.ReadLock();
    }
  }
  board.session.Close();
  RequireAccepted(result);
  const std::optional<SlotSolution> solved = session::SolveSlot(settings, kSigGenSlot);
  if (args.Has("json")) {
    JsonObject json;
    json.Add("real", session::RealFrequencyLabel(settings, kSigGenSlot).substr(2))
        .Add("error_hz", solved ? solved->errorHz : 0.0)
        .Add("reference_command", result.reference.command)
        .Add("slot_command", result.slot.command);
    if (lock == session::LockState::Unknown) {
      json.AddRaw("locked", "null");
    } else {
      json.Add("locked", lock == session::LockState::Locked);
    }
    std::cout << json.str() << "\n";
  } else {
    static const char* const kLockTexts[] = {"lock unknown", "not locked", "locked"};
    std::cout << session::RealFrequencyLabel(settings, kSigGenSlot) << "\n";
    if (solved) std::cout << "error       " << ErrorHzText(solved->errorHz) << "\n";
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
    "[--exact] [--force] [--json] [--require-lock]",
    "Connects, sets the signal generator as a user would, lets it retune and prints the real frequency, "
    "its error and whether the board reports lock. A frequency outside the chip's band is refused unless "
    "--force is given.",
    {kPortOption,
     {"power", "LEVEL", "output power: off, -4, -1, +2 or +5 dBm"},
     {"band", "BAND", "0 for OUT1 <6GHz, 1 for OUT2 5..12GHz"},
     kChipOption,
     {"exact", "", "the nearest fraction to the digits typed instead of the classic search"},
     {"force", "", "send a frequency outside the chip's band all the same"},
     {"json", "", "print one JSON object (with the lock state as \"locked\")"},
     {"require-lock", "", "exit 1 when the board does not report lock"}},
    1,
    1,
    Run};

}  // namespace korvane::cli
