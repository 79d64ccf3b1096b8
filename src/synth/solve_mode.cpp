// Classic or exact solving of a slot's typed frequency: the one entry point the front ends call.
#include "synth/solve_mode.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "synth/exact_solver.h"
#include "synth/number_text.h"
#include "synth/register_set.h"

namespace korvane {

namespace {

// The exact reading of the reference behind refDivisor; none when the text cannot be what it came from.
std::optional<ExactReference> ExactReferenceOf(const SolveReference& reference) {
  std::optional<ExactDecimal> value = ReadExactDecimal(reference.text);
  if (!value || value->digits == 0 || value->negative) return std::nullopt;
  return ExactReference{*value, reference.refDivisor};
}

// A classic error of "1e308" MHz overflows a double on the way to hertz.
double FiniteHz(double hz) {
  constexpr double kMax = std::numeric_limits<double>::max();
  if (std::isnan(hz)) return 0.0;
  return hz > kMax ? kMax : hz < -kMax ? -kMax : hz;
}

}  // namespace

std::optional<SlotSolution> SolveSlot(SolveMode mode, ChipType chip, Band band, std::string_view frequencyText,
                                      const SolveReference& reference) {
  std::optional<double> wanted = ReadDouble(frequencyText);
  if (!wanted) return std::nullopt;
  SlotSolution solved;
  solved.wanted = *wanted;
  std::optional<ExactReference> exactReference =
      mode == SolveMode::Exact ? ExactReferenceOf(reference) : std::optional<ExactReference>();
  if (exactReference) {
    // ReadExactDecimal accepts exactly the texts ReadDouble accepts.
    const ExactFrequency frequency{*ReadExactDecimal(frequencyText)};
    solved.solution = SolvePllExact(chip, band, frequency, *exactReference);
    solved.achieved = AchievedFrequency(solved.solution, band, reference.pfd);
    FrequencyError error = ExactFrequencyError(solved.solution, band, frequency, *exactReference);
    solved.errorHz = error.hz;
    solved.exact = error.zero && !frequency.mhz.rounded;
    return solved;
  }
  solved.solution = SolvePll(chip, band, *wanted, reference.pfd);
  solved.achieved = AchievedFrequency(solved.solution, band, reference.pfd);
  solved.errorHz = FiniteHz((solved.achieved - *wanted) * 1e6);
  solved.exact = solved.errorHz == 0.0;
  return solved;
}

RegisterSet BuildSlotWords(SolveMode mode, int slot, ChipType chip, std::string_view frequencyText, Band band,
                           PowerLevel power, const SolveReference& reference) {
  std::optional<ExactReference> exactReference =
      mode == SolveMode::Exact ? ExactReferenceOf(reference) : std::optional<ExactReference>();
  if (!exactReference) {
    return BuildSlotWords(slot, chip, frequencyText, band, power, reference.refDivisor, reference.pfd);
  }
  const PowerLevel level = FitPowerLevel(chip, band, power);
  // A text that is no number goes out as the default frequency, as BuildSlotCommand sends it.
  const ExactFrequency frequency{ReadExactDecimal(frequencyText).value_or(*ReadExactDecimal(kDefaultFrequencyText))};
  PllSolution solution = SolvePllExact(chip, band, frequency, *exactReference);
  return EncodeRegisterWordsWithDivider(slot, chip, reference.refDivisor, ExactBandSelectDivider(*exactReference),
                                        solution, level, band);
}

std::string BuildSlotCommand(SolveMode mode, int slot, ChipType chip, std::string_view frequencyText, Band band,
                             PowerLevel power, const SolveReference& reference) {
  return FormatRegisterSet(BuildSlotWords(mode, slot, chip, frequencyText, band, power, reference));
}

std::string FormatErrorHz(double hz) {
  const double size = std::fabs(hz);
  // One decimal is what a synthesizer's error is worth; smaller and huge errors keep their size in view
  // rather than showing "0.0" or a screen of digits.
  if (size >= 0.05 && size < 1e12) return FormatFixed(hz, 1) + " Hz";
  char buffer[32];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, hz, std::chars_format::scientific, 1);
  (void)ec;  // 32 characters hold any double with one decimal
  return std::string(buffer, end) + " Hz";
}

}  // namespace korvane
