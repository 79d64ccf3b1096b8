// The exact solver: the nearest fraction for a frequency read exactly, with no binary rounding on the way.
#include "synth/exact_solver.h"

#include <cmath>
#include <limits>
#include <span>

namespace korvane {

namespace {

// Sizes, for the bounds quoted below: digits < 10^19 < 2^63.2, a divisor < 2^32, 2^divExp <= 2^7, and
// refDivisor <= 2046, the most the R counter of R2 holds (AcceptReference makes 1 to 50).
using Wide = unsigned __int128;

constexpr int32_t kMaxRefDivisor = 2046;

constexpr uint32_t kMaxModulus = 4095;
// A ratio at or above 2^17 lies beyond every chip's INT range and every decoded INT + FRAC / MOD.
constexpr int kCeilingBits = 17;
// A positive ratio below 2^-13 is nearer 0 than any FRAC / MOD with FRAC > 0 can come.
constexpr int kFloorBits = 13;

Wide Pow2(int bits) { return Wide{1} << bits; }

// a x 10^exponent < b, exactly, for a, b < 2^70.
bool LessScaled(Wide a, int64_t exponent, Wide b) {
  if (exponent >= 0) {
    for (int64_t i = 0; i < exponent && a <= b; ++i) a *= 10;
  } else {
    for (int64_t i = 0; i < -exponent && b <= a; ++i) b *= 10;
  }
  return a < b;
}

// The ratio the loop divides by, t = 2^divExp x working frequency / pfd, as numerator / denominator while it
// is small enough to matter; far outside the INT range only the side is kept.
struct Ratio {
  enum class Where { kBelow, kInside, kAbove };
  Where where = Where::kInside;
  Wide numerator = 0;    // kInside: t = numerator / denominator < 2^17, denominator < 2^98
  Wide denominator = 1;  // (so numerator < 2^115)
};

Ratio TargetRatio(const ExactFrequency& frequency, const ExactReference& reference, Band band, int32_t divExp) {
  using Where = Ratio::Where;
  const ExactDecimal& f = frequency.mhz;
  const ExactDecimal& ref = reference.reference;
  if (f.digits == 0) return {};  // t = 0
  if (ref.digits == 0 || ref.negative || reference.refDivisor <= 0 || reference.refDivisor > kMaxRefDivisor) {
    // No comparison frequency: the ratio runs off to the frequency's side.
    return {f.negative ? Where::kBelow : Where::kAbove};
  }
  if (f.negative) return {Where::kBelow};

  // t = 2^divExp x (F x 10^e / (divisor x h)) x R / (2 x G x 10^g) with pfd = 2 x reference / R.
  const uint64_t h = band == Band::Out2 ? 2 : 1;
  const uint64_t divisor = frequency.divisor == 0 ? 1 : frequency.divisor;
  Wide a = (Wide{f.digits} << divExp) * static_cast<uint32_t>(reference.refDivisor);  // < 2^81.2
  Wide b = Wide{ref.digits} * (2 * h * divisor);                                      // < 2^97.2
  int64_t scale = static_cast<int64_t>(f.exponent) - ref.exponent;
  if (scale >= 0) {
    for (int64_t i = 0; i < scale; ++i) {
      if (a >= b * Pow2(kCeilingBits)) return {Where::kAbove};
      a *= 10;
    }
  } else {
    for (int64_t i = 0; i < -scale; ++i) {
      if (b > a * Pow2(kFloorBits)) return {Where::kBelow};
      b *= 10;  // b <= a x 2^13 before, so below 2^98 after
    }
  }
  if (a >= b * Pow2(kCeilingBits)) return {Where::kAbove};
  return {Where::kInside, a, b};
}

// The same divider as SolvePll, with the working frequency compared exactly against each threshold.
int32_t ExactDivider(ChipType chip, Band band, const ExactFrequency& frequency) {
  const ExactDecimal& f = frequency.mhz;
  const uint64_t h = band == Band::Out2 ? 2 : 1;
  const uint64_t divisor = frequency.divisor == 0 ? 1 : frequency.divisor;
  const std::span<const DividerStep> steps = DividerSteps(chip);
  if ((f.negative || f.digits == 0) && !steps.empty()) return steps.front().divExp;
  for (const DividerStep& step : steps) {
    // Thresholds are whole eighths of a MHz: x < T  <=>  8 x F x 10^e < (8 x T) x divisor x h.
    const auto eighths = static_cast<uint64_t>(step.threshold * 8.0);
    if (LessScaled(Wide{f.digits} * 8, f.exponent, Wide{eighths} * divisor * h)) return step.divExp;
  }
  return 0;
}

struct Fraction {
  uint64_t num;
  uint64_t den;
};

// Which of two fractions on either side of r / d comes nearer; a tie goes to the smaller denominator.
Fraction Nearer(Wide r, Wide d, Fraction x, Fraction y) {
  auto gap = [&](Fraction f) {
    Wide lhs = r * f.den, rhs = d * f.num;  // < 2^110
    return lhs > rhs ? lhs - rhs : rhs - lhs;
  };
  Wide gx = gap(x) * y.den, gy = gap(y) * x.den;  // |r/d - x| vs |r/d - y|, both scaled by d x.den x y.den
  if (gx != gy) return gx < gy ? x : y;
  return x.den <= y.den ? x : y;
}

// The fraction nearest r / d (0 <= r < d) with a denominator up to kMaxModulus: the last convergent of the
// continued fraction that fits, or the largest semiconvergent beyond it, whichever is nearer. 1/1 may come out.
Fraction BestFraction(Wide r, Wide d) {
  if (r == 0) return {0, 1};
  Fraction previous{1, 0}, current{0, 1};
  Wide num = d, den = r;
  for (;;) {
    Wide quotient = num / den, rest = num % den;
    const uint64_t room = (kMaxModulus - previous.den) / current.den;
    if (quotient > room) {
      Fraction semi{previous.num + room * current.num, previous.den + room * current.den};
      return Nearer(r, d, current, semi);
    }
    const auto a = static_cast<uint64_t>(quotient);
    Fraction next{a * current.num + previous.num, a * current.den + previous.den};
    previous = current;
    current = next;
    if (rest == 0) return current;
    num = den;
    den = rest;
  }
}

double Finite(double value) {
  constexpr double kMax = std::numeric_limits<double>::max();
  if (std::isnan(value)) return 0.0;
  return value > kMax ? kMax : value < -kMax ? -kMax : value;
}

}  // namespace

PllSolution SolvePllExact(ChipType chip, Band band, const ExactFrequency& frequency, const ExactReference& reference) {
  PllSolution s;
  s.divExp = ExactDivider(chip, band, frequency);
  const IntRange range = IntRangeOf(chip);
  const Ratio t = TargetRatio(frequency, reference, band, s.divExp);
  auto highest = [&] {
    s.INT = range.high;
    s.FRAC = static_cast<int32_t>(kMaxModulus) - 1;
    s.MOD = static_cast<int32_t>(kMaxModulus);
  };
  if (t.where == Ratio::Where::kBelow) {
    s.INT = range.low;
    return s;
  }
  if (t.where == Ratio::Where::kAbove) {
    highest();
    return s;
  }
  const Wide whole = t.numerator / t.denominator;
  const Wide rest = t.numerator % t.denominator;
  if (whole < static_cast<uint32_t>(range.low)) {
    s.INT = range.low;
    return s;
  }
  // At the top of the range INT cannot round up: nothing reaches past INT + 4094/4095.
  const auto high = static_cast<uint32_t>(range.high);
  if (whole > high || (whole == high && rest * kMaxModulus > (kMaxModulus - 1) * t.denominator)) {
    highest();
    return s;
  }
  s.INT = static_cast<int32_t>(whole);
  const Fraction f = BestFraction(rest, t.denominator);
  if (f.num == f.den) {
    ++s.INT;  // rounds up to the next integer; below the top, as shown above
  } else if (f.num != 0) {
    s.FRAC = static_cast<int32_t>(f.num);
    s.MOD = static_cast<int32_t>(f.den);
  }
  return s;
}

FrequencyError ExactFrequencyError(const PllSolution& solution, Band band, const ExactFrequency& frequency,
                                   const ExactReference& reference) {
  const bool fieldsFit = solution.divExp >= 0 && solution.divExp <= 7 && solution.INT >= 0 && solution.INT <= 0xFFFF &&
                         solution.FRAC >= 0 && solution.FRAC <= 0xFFF && solution.MOD >= 0 && solution.MOD <= 0xFFF;
  const uint64_t mod = solution.MOD == 0 ? 1 : static_cast<uint64_t>(solution.MOD);
  const uint64_t frac = solution.MOD == 0 ? 0 : static_cast<uint64_t>(solution.FRAC);
  const Ratio t = fieldsFit ? TargetRatio(frequency, reference, band, solution.divExp) : Ratio{Ratio::Where::kAbove};
  const double h = band == Band::Out2 ? 2.0 : 1.0;

  if (t.where != Ratio::Where::kInside) {
    // Far from anything the loop makes (or fields a chip cannot hold): the difference is not near zero,
    // and a double carries it.
    double pfd = reference.refDivisor > 0 ? 2.0 * ToDouble(reference.reference) / reference.refDivisor : 0.0;
    double wanted = ToDouble(frequency.mhz) / (frequency.divisor == 0 ? 1 : frequency.divisor);
    return {Finite((AchievedFrequency(solution, band, pfd) - wanted) * 1e6), false};
  }

  // achieved - wanted = (c - t) x pfd x h / 2^divExp with c = INT + FRAC / MOD, and
  // c - t = ((INT x MOD + FRAC) x den - num x MOD) / (MOD x den).
  const Wide c = Wide{static_cast<uint64_t>(solution.INT) * mod + frac};
  const Wide lhs = c * t.denominator;  // < 2^28.1 x 2^98
  const Wide rhs = t.numerator * mod;  // < 2^115 x 2^12
  if (lhs == rhs) return {0.0, true};
  const Wide gap = lhs > rhs ? lhs - rhs : rhs - lhs;
  double hz = static_cast<double>(gap) / (static_cast<double>(t.denominator) * static_cast<double>(mod));
  hz *= 2.0 * ToDouble(reference.reference) * h / reference.refDivisor / std::ldexp(1.0, solution.divExp) * 1e6;
  return {Finite(lhs > rhs ? hz : -hz), false};
}

int32_t ExactBandSelectDivider(const ExactReference& reference) {
  // floor(pfd / 0.05) = floor(40 x G x 10^g / R)
  const ExactDecimal& ref = reference.reference;
  if (reference.refDivisor <= 0 || ref.digits == 0) return 0;
  constexpr Wide kCap = Wide{std::numeric_limits<int32_t>::max()};
  Wide a = Wide{ref.digits} * 40;
  Wide b = static_cast<uint32_t>(reference.refDivisor);
  if (ref.exponent >= 0) {
    for (int32_t i = 0; i < ref.exponent && a < kCap * b; ++i) a *= 10;
  } else {
    for (int32_t i = 0; i < -ref.exponent && b <= a; ++i) b *= 10;
  }
  Wide q = a / b;
  auto bs = static_cast<int32_t>(q > kCap ? kCap : q);
  return ref.negative ? -bs : bs;
}

}  // namespace korvane
