// Divider and fraction solver of the fractional-N loop.
#include "synth/solver.h"

#include <cmath>
#include <cstdlib>

#include "synth/number_text.h"

namespace korvane {

namespace {

int32_t DividerFor(ChipType chip, double x) {
  for (const DividerStep& s : DividerSteps(chip)) {
    if (x < s.threshold) return s.divExp;
  }
  return 0;
}

constexpr int32_t kMaxModulus = 4095;

}  // namespace

std::span<const DividerStep> DividerSteps(ChipType chip) { return Facts(chip).dividerSteps; }

IntRange IntRangeOf(ChipType chip) { return Facts(chip).intRange; }

PllSolution SolvePll(ChipType chip, Band band, double frequency, double pfd) {
  PllSolution s;
  double x = band == Band::Out2 ? frequency * 0.5 : frequency;
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
  return band == Band::Out2 ? f * 2.0 : f;
}

}  // namespace korvane
