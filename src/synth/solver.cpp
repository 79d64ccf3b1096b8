// Divider and fraction solver of the fractional-N loop.
#include "synth/solver.h"

#include <cmath>
#include <cstdlib>

#include "synth/number_text.h"

namespace korvane {

namespace {

// The first threshold strictly above the working frequency picks the divider, so the
// oscillator ends up at 2200 MHz (ADF435x) or 3000 MHz (MAX2871) or above.
constexpr DividerStep kAdf4350Steps[] = {{275.0, 4}, {550.0, 3}, {1100.0, 2}, {2200.0, 1}};
constexpr DividerStep kAdf4351Steps[] = {{68.75, 6}, {137.5, 5}, {275.0, 4}, {550.0, 3}, {1100.0, 2}, {2200.0, 1}};
constexpr DividerStep kMax2871Steps[] = {{46.875, 7}, {93.75, 6},  {187.5, 5}, {375.0, 4},
                                         {750.0, 3},  {1500.0, 2}, {3000.0, 1}};

int32_t DividerFor(ChipType chip, double x) {
  for (const DividerStep& s : DividerSteps(chip)) {
    if (x < s.threshold) return s.divExp;
  }
  return 0;
}

constexpr int32_t kMaxModulus = 4095;

}  // namespace

std::span<const DividerStep> DividerSteps(ChipType chip) {
  switch (chip) {
    case ChipType::Adf4350:
      return kAdf4350Steps;
    case ChipType::Adf4351:
      return kAdf4351Steps;
    case ChipType::Max2871:
      return kMax2871Steps;
  }
  return {};
}

IntRange IntRangeOf(ChipType chip) { return chip == ChipType::Max2871 ? IntRange{19, 4091} : IntRange{75, 65535}; }

PllSolution SolvePll(ChipType chip, Band band, double frequency, double pfd) {
  PllSolution s;
  double x = band == kBandOut2 ? frequency * 0.5 : frequency;
  s.divExp = DividerFor(chip, x);

  double t = static_cast<double>(1 << s.divExp) * x / pfd;
  s.INT = SaturateToInt32(t);
  double d = t - s.INT;

  // Closest fraction from below: n is truncated, so n / i never passes d. Ties keep the
  // smaller modulus found first.
  double best = 1.0;
  for (int32_t i = 2; i <= kMaxModulus; ++i) {
    int32_t n = SaturateToInt32(i * d);
    double e = d - static_cast<double>(n) / i;
    if (std::fabs(e) < std::fabs(best)) {
      best = e;
      s.FRAC = n;
      s.MOD = i;
    }
    if (best == 0.0) break;
  }

  const IntRange range = IntRangeOf(chip);
  if (s.INT < range.low) s.INT = range.low;
  if (s.INT > range.high) s.INT = range.high;
  if (s.FRAC < 0) s.FRAC = 0;
  if (s.FRAC > 4095) s.FRAC = 4095;
  return s;
}

double AchievedFrequency(const PllSolution& solution, Band band, double pfd) {
  // A stored modulus of 0 cannot be a fraction: read it as integer-N rather than divide by zero.
  double fraction = solution.MOD == 0 ? 0.0 : static_cast<double>(solution.FRAC) / solution.MOD;
  double f = (fraction + solution.INT) * pfd / std::ldexp(1.0, solution.divExp);
  return band == kBandOut2 ? f * 2.0 : f;
}

}  // namespace korvane
