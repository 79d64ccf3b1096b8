// korvane-cli solve: the register set and loop settings for one frequency, without a board.
#include <cmath>
#include <iostream>

#include "cli/cli_board.h"
#include "cli/command.h"
#include "cli/json.h"
#include "cli/plan_options.h"
#include "synth/chip.h"
#include "synth/field_overrides.h"
#include "synth/number_text.h"
#include "synth/register_set.h"
#include "synth/solve_mode.h"
#include "synth/solver.h"
#include "texts/texts.h"

namespace korvane::cli {
namespace {

int Run(const Args& args) {
  const FrequencyPlan plan = PlanOptions(args);
  const std::string freqText = OutputFrequencyText(plan, args.positional[0], "FREQ_MHZ");
  std::optional<double> wanted = ReadNumberStrict(freqText);
  ChipType chip = ChipTypeOption(args, ChipType::Max2871);

  std::string bandText = args.Value("band", "0");
  if (bandText != "0" && bandText != "1") throw UsageError("--band is 0 or 1");
  Band band = bandText == "1" ? Band::Out2 : Band::Out1;

  PowerLevel level = PowerOption(args.Value("power", "-1"));
  if (band == Band::Out2 && PowerListIndex(chip, band, level) < 0) {
    throw UsageError("band 1 offers only off or -1 dBm");
  }

  // The board's slot digit; the signal generator's unless another is named.
  Slot slot = Slot::SigGen;
  if (args.values.count("slot")) {
    const std::string slotText = args.Value("slot", "");
    const std::optional<uint64_t> digit = slotText.size() == 1 ? ReadDigits(slotText, kSlotCount - 1) : std::nullopt;
    if (!digit) throw UsageError("--slot is 0 to 4");
    slot = SlotAt(static_cast<int>(*digit));
  }

  std::string refText = args.Value("ref", "10");
  if (!ReadNumberStrict(refText)) throw UsageError("--ref '" + refText + "' is not a number");
  int32_t refDivisor = 0;
  double pfd = 10.0;
  AcceptReference(refText, chip, refDivisor, pfd);
  if (refDivisor == 0) {
    throw Failure("A reference of '" + refText + "' MHz is not accepted by the " + std::string(ChipName(chip)) + " (" +
                  FormatFixed(MinReference(chip), 0) + " to " + FormatFixed(MaxReference(chip), 0) + " MHz).");
  }

  const SolveMode mode = args.Has("exact") ? SolveMode::Exact : SolveMode::Classic;
  const SolveReference reference{refText, refDivisor, pfd};
  const FieldOverrides overrides = FieldOptions(args, chip);
  RegisterSet set = BuildSlotWords(mode, SlotNumber(slot), chip, freqText, band, level, reference);
  ApplyOverrides(chip, overrides, set.words);
  if (std::optional<FieldIssue> why = CheckOverrides(chip, overrides, set.words, pfd)) {
    throw Failure(texts::FieldIssueText(*why));
  }
  std::string command = FormatRegisterSet(set);
  // FREQ_MHZ was read above, so it solves.
  const SlotSolution solved = *SolveSlot(mode, chip, band, freqText, reference);
  const PllSolution& s = solved.solution;
  double achieved = solved.achieved;
  double oscillator = AchievedFrequency(PllSolution{0, s.INT, s.FRAC, s.MOD}, Band::Out1, pfd);
  bool inBand = IsInBand(chip, band, *wanted) == 1;

  if (args.Has("json")) {
    JsonObject o;
    o.Add("slot", SlotNumber(slot))
        .Add("chip", static_cast<int>(chip))
        .Add("band", static_cast<int>(band))
        .Add("power_level", static_cast<int>(level))
        .Add("ref_divisor", static_cast<int>(refDivisor))
        .Add("pfd", pfd)
        .Add("divExp", static_cast<int>(s.divExp))
        .Add("INT", static_cast<int>(s.INT))
        .Add("FRAC", static_cast<int>(s.FRAC))
        .Add("MOD", static_cast<int>(s.MOD))
        .AddRaw("achieved_mhz", FormatFixed(achieved, 6))
        .Add("error_hz", solved.errorHz)
        .Add("in_band", inBand)
        .AddRaw("overrides", OverridesJson(chip, overrides));
    if (plan.IsSet()) {
      o.AddRaw("rf_mhz", FormatFixed(RfFromOutput(plan, achieved), 6))
          .Add("rf_error_hz", RfErrorHz(plan, solved.errorHz));
    }
    o.Add("command", command);
    std::cout << o.str() << "\n";
    return kExitOk;
  }

  std::cout << command << "\n"
            << "divider     " << (1 << s.divExp) << " (divExp " << s.divExp << ")\n"
            << "INT         " << s.INT << "\n"
            << "FRAC        " << s.FRAC << "\n"
            << "MOD         " << s.MOD << "\n"
            << "pfd         " << FormatFixed(pfd, 6) << " MHz (R " << refDivisor << ")\n"
            << "oscillator  " << FormatFixed(oscillator, 6) << " MHz\n"
            << "achieved    " << FormatFixed(achieved, 6) << " MHz\n"
            << "error       " << ErrorHzText(solved.errorHz) << "\n"
            << "in band     " << (inBand ? "yes" : "no") << " (" << ChipName(chip) << ", " << BandLabel(band) << ")\n";
  if (plan.IsSet()) {
    std::cout << "RF          " << FormatFixed(RfFromOutput(plan, achieved), 6) << " MHz (" << PlanText(plan) << ")\n"
              << "RF error    " << ErrorHzText(RfErrorHz(plan, solved.errorHz)) << "\n";
  }
  return kExitOk;
}

}  // namespace

const Command kSolveCommand{
    "solve",
    "FREQ_MHZ [--chip adf4350|adf4351|max2871] [--ref MHZ] [--band 0|1] [--power off|-4|-1|+2|+5] [--slot 0..4] "
    "[--exact] [--field NAME=VALUE]... [--json] [--mult N] [--offset MHZ]",
    "Prints the register set a board would be sent for FREQ_MHZ, and the loop settings behind it. With "
    "--mult or --offset, FREQ_MHZ is the RF and the output serves it.",
    {{"chip", "CHIP", "adf4350, adf4351 or max2871 (the default)"},
     {"ref", "MHZ", "reference frequency, 10 by default"},
     {"band", "BAND", "0 for OUT1 <6GHz (the default), 1 for OUT2 5..12GHz"},
     {"power", "LEVEL", "output power: off, -4, -1 (the default), +2 or +5 dBm; band 1: off or -1"},
     {"slot", "SLOT", "0 to 3 for F1 to F4, 4 for the signal generator (the default)"},
     {"exact", "", "the nearest fraction to the digits typed (any modulus 2..4095) instead of the classic search"},
     kFieldOption,
     {"json", "", "print one JSON object"},
     kMultOption,
     kOffsetOption},
    1,
    1,
    Run};

}  // namespace korvane::cli
