// korvane-cli decode: what a board readout shows for one stored register set.
#include <iostream>

#include "cli/cli_board.h"
#include "cli/command.h"
#include "cli/json.h"
#include "synth/chip.h"
#include "synth/chip_facts.h"
#include "synth/field_overrides.h"
#include "synth/number_text.h"
#include "synth/register_set.h"
#include "synth/solver.h"

namespace korvane::cli {
namespace {

int Run(const Args& args) {
  const std::string& text = args.positional[0];
  const std::optional<ChipType> chip = ChipTypeOption(args, ChipType::Max2871);
  std::string refText = args.Value("ref", "10");
  std::optional<double> reference = ReadNumberStrict(refText);
  if (!reference) throw UsageError("--ref '" + refText + "' is not a number");
  // Outside the chip's reference range no board runs, and a huge reference would carry
  // the frequency past what a double holds.
  if (*reference < MinReference(*chip) || *reference > MaxReference(*chip)) {
    throw UsageError("--ref " + refText + " is outside the " + std::string(ChipName(*chip)) + "'s reference range of " +
                     FormatFixed(MinReference(*chip), 0) + " to " + FormatFixed(MaxReference(*chip), 0) + " MHz");
  }

  std::optional<RegisterSet> set = ReadRegisterSetText(text);
  if (!set) {
    throw UsageError("'" + text +
                     "' is not a register set: expected a slot digit 0 to 4 and six hexadecimal words of up to "
                     "eight digits, as in \"0 01033328 2000FFE8 18007FC0 01000000 008C8140 60400000;\".");
  }
  DecodedSet d = DecodeRegisterSet(*chip, set->words, args.Has("s-suffix"));
  // The entry of the power list a readout selects.
  const int powerIndex = PowerListIndex(*chip, d.band, d.power);

  // The readout takes its comparison frequency from the divisor stored in R2; a divisor of 0
  // leaves no frequency to compute.
  std::optional<double> frequency;
  double pfd = 0.0;
  if (!d.off && d.refDivisor > 0) {
    pfd = 2.0 * *reference / d.refDivisor;
    frequency = AchievedFrequency(d.solution, d.band, pfd);
  }
  const bool noDivisor = !d.off && d.refDivisor == 0;

  if (args.Has("json")) {
    JsonObject o;
    o.Add("off", d.off)
        .Add("band", static_cast<int>(d.band))
        .Add("power_index", powerIndex)
        .Add("INT", static_cast<int>(d.solution.INT))
        .Add("FRAC", static_cast<int>(d.solution.FRAC))
        .Add("MOD", static_cast<int>(d.solution.MOD))
        .Add("divExp", static_cast<int>(d.solution.divExp))
        .Add("ref_divisor", static_cast<int>(d.refDivisor));
    if (frequency) {
      o.AddFixed("frequency_mhz", *frequency, 6);
    } else {
      o.AddRaw("frequency_mhz", "null");
    }
    // Every field of the chip by its data sheet name, in register order.
    JsonObject fields;
    for (const RegisterField& f : Facts(*chip).fields)
      fields.Add(f.name, static_cast<int64_t>(ReadField(f, set->words)));
    o.AddRaw("fields", fields.str());
    std::cout << o.str() << "\n";
  } else if (d.off) {
    std::cout << "off         output switched off (Off, " << BandLabel(Band::Out1) << ")\n"
              << "ref divisor " << d.refDivisor << "\n";
  } else {
    std::cout << "band        " << static_cast<int>(d.band) << " (" << BandLabel(d.band) << ")\n"
              << "power       " << PowerLabel(d.power) << " (entry " << powerIndex << ")\n"
              << "INT         " << d.solution.INT << "\n"
              << "FRAC        " << d.solution.FRAC << "\n"
              << "MOD         " << d.solution.MOD << (d.solution.MOD == 0 ? " (read as integer-N)" : "") << "\n"
              << "divider     " << (1 << d.solution.divExp) << " (divExp " << d.solution.divExp << ")\n"
              << "ref divisor " << d.refDivisor;
    if (frequency) {
      std::cout << " (pfd " << FormatFixed(pfd, 6) << " MHz)\n"
                << "frequency   " << FormatFixed(*frequency, 6, 5) << " MHz"
                << (IsInBand(*chip, d.band, *frequency) ? "" : " (outside the chip's band)") << "\n";
    } else {
      std::cout << "\n";
    }
  }
  if (noDivisor) {
    throw Failure("The set stores a reference divisor of 0 in R2: no comparison frequency, so no frequency.");
  }
  return kExitOk;
}

}  // namespace

const Command kDecodeCommand{"decode",
                             "\"SET TEXT\" [--chip adf4350|adf4351|max2871] [--ref MHZ] [--s-suffix] [--json]",
                             "Shows what a board readout makes of one slot's register set, as a board sends it.",
                             {{"chip", "CHIP", "adf4350, adf4351 or max2871 (the default), for the band check"},
                              {"ref", "MHZ", "the board's reference frequency, 10 by default"},
                              {"s-suffix", "", "the board has the second output band (reads the band from R4)"},
                              {"json", "", "print one JSON object, with every register field by name"}},
                             1,
                             1,
                             Run};

}  // namespace korvane::cli
