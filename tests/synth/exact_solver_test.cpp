// The exact solver: nearest fractions, the classic divider and clamps, exact errors, and its edge against SolvePll.
#include "synth/exact_solver.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <random>
#include <string>

#include "synth/number_text.h"
#include "synth/register_set.h"

namespace korvane {
namespace {

using enum Band;

const char* const kReferences[] = {"10", "25", "26", "100"};

ExactDecimal Decimal(const char* text) {
  std::optional<ExactDecimal> value = ReadExactDecimal(text);
  EXPECT_TRUE(value) << text;
  return value.value_or(ExactDecimal{});
}

// The reference as AcceptReference takes it, in both forms.
struct Reference {
  ExactReference exact;
  double pfd = 10.0;
};

Reference Accept(const char* text, ChipType chip) {
  Reference r;
  r.exact.reference = Decimal(text);
  AcceptReference(text, chip, r.exact.refDivisor, r.pfd);
  EXPECT_GT(r.exact.refDivisor, 0) << text;
  return r;
}

TEST(SolvePllExact, HitsTheBandsTheClassicSearchMisses) {
  struct Case {
    Band band;
    const char* f;
    ChipType chip;
    int32_t divExp, INT, FRAC, MOD;
    double classicErrorHz;  // SolvePll's setting, measured exactly
  };
  const Case cases[] = {
      {Out1, "1296", ChipType::Max2871, 2, 518, 2, 5, -122.2},
      {Out1, "1296", ChipType::Adf4350, 1, 259, 1, 5, -244.4},
      {Out1, "1296", ChipType::Adf4351, 1, 259, 1, 5, -244.4},
      {Out1, "2256", ChipType::Max2871, 1, 451, 1, 5, -244.4},
      {Out1, "2256", ChipType::Adf4350, 0, 225, 3, 5, -488.8},
      {Out1, "2256", ChipType::Adf4351, 0, 225, 3, 5, -488.8},
      {Out1, "432.05", ChipType::Max2871, 3, 345, 16, 25, -12.2},
      {Out1, "432.05", ChipType::Adf4350, 3, 345, 16, 25, -12.2},
      {Out1, "432.05", ChipType::Adf4351, 3, 345, 16, 25, -12.2},
      // The second output doubles: 5184 MHz at the oscillator. (The ADF435x stop at 8800 MHz there, but the
      // solver computes regardless of the band limits.)
      {Out2, "10368", ChipType::Max2871, 0, 518, 2, 5, -977.3},
      {Out2, "10368", ChipType::Adf4350, 0, 518, 2, 5, -977.3},
      {Out2, "10368", ChipType::Adf4351, 0, 518, 2, 5, -977.3},
      {Out2, "10368.1", ChipType::Max2871, 0, 518, 81, 200, -25.5},
      {Out2, "10368.1", ChipType::Adf4350, 0, 518, 81, 200, -25.5},
      {Out2, "10368.1", ChipType::Adf4351, 0, 518, 81, 200, -25.5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << ChipName(c.chip) << " " << c.f);
    Reference ref = Accept("10", c.chip);
    ExactFrequency f{Decimal(c.f)};
    PllSolution s = SolvePllExact(c.chip, c.band, f, ref.exact);
    EXPECT_EQ(s.divExp, c.divExp);
    EXPECT_EQ(s.INT, c.INT);
    EXPECT_EQ(s.FRAC, c.FRAC);
    EXPECT_EQ(s.MOD, c.MOD);
    FrequencyError exact = ExactFrequencyError(s, c.band, f, ref.exact);
    EXPECT_TRUE(exact.zero);
    EXPECT_EQ(exact.hz, 0.0);
    PllSolution classic = SolvePll(c.chip, c.band, *ReadDouble(c.f), ref.pfd);
    FrequencyError before = ExactFrequencyError(classic, c.band, f, ref.exact);
    EXPECT_FALSE(before.zero);
    EXPECT_NEAR(before.hz, c.classicErrorHz, 0.05);
  }
}

TEST(SolvePllExact, EdgesFollowTheClassicDividerAndIntRange) {
  struct Case {
    ChipType chip;
    Band band;
    const char* f;
    int32_t refDivisor;  // 2: the 10 MHz reference; 0: no comparison frequency
    int32_t divExp, INT, FRAC, MOD;
  };
  const Case cases[] = {
      // Integer ratios are integer-N with MOD 2, as SolvePll leaves them; halves and quarters are kept.
      {ChipType::Max2871, Out1, "5760", 2, 0, 576, 0, 2},
      {ChipType::Max2871, Out2, "5500", 2, 1, 550, 0, 2},
      {ChipType::Max2871, Out1, "3005", 2, 0, 300, 1, 2},
      {ChipType::Max2871, Out1, "3002.5", 2, 0, 300, 1, 4},
      // A fraction within 1/8190 of 1 rounds INT up.
      {ChipType::Max2871, Out1, "3009.9999", 2, 0, 301, 0, 2},
      // Thresholds: equal takes the smaller divider, as SolvePll does; the comparison is exact, so a text just
      // below 2200 that a double would round up to it still takes the larger divider.
      {ChipType::Adf4350, Out1, "2200", 2, 0, 220, 0, 2},
      {ChipType::Adf4350, Out1, "2199.99", 2, 1, 439, 499, 500},
      {ChipType::Adf4350, Out1, "2199.999999999999999", 2, 1, 440, 0, 2},
      {ChipType::Adf4351, Out1, "50", 2, 6, 320, 0, 2},
      {ChipType::Max2871, Out1, "46.875", 2, 6, 300, 0, 2},
      {ChipType::Max2871, Out1, "46.874", 2, 7, 599, 617, 625},
      // Below the INT range: the lowest INT, no fraction (what SolvePll gives for these too).
      {ChipType::Max2871, Out1, "-5", 2, 7, 19, 0, 2},
      {ChipType::Max2871, Out1, "0", 2, 7, 19, 0, 2},
      {ChipType::Max2871, Out1, "1e-300", 2, 7, 19, 0, 2},
      {ChipType::Adf4350, Out1, "-1e300", 2, 4, 75, 0, 2},
      // Above it: the highest setting the loop can make, nearer than SolvePll's FRAC 0.
      {ChipType::Adf4350, Out1, "1000000", 2, 0, 65535, 4094, 4095},
      {ChipType::Adf4350, Out1, "655359.999", 2, 0, 65535, 4094, 4095},
      {ChipType::Adf4350, Out1, "655359.99", 2, 0, 65535, 999, 1000},
      {ChipType::Max2871, Out2, "1e300", 2, 0, 4091, 4094, 4095},
      {ChipType::Max2871, Out1, "144", 0, 5, 4091, 4094, 4095},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << ChipName(c.chip) << " " << c.f << " R " << c.refDivisor);
    ExactReference ref{Decimal("10"), c.refDivisor};
    PllSolution s = SolvePllExact(c.chip, c.band, ExactFrequency{Decimal(c.f)}, ref);
    EXPECT_EQ(s.divExp, c.divExp);
    EXPECT_EQ(s.INT, c.INT);
    EXPECT_EQ(s.FRAC, c.FRAC);
    EXPECT_EQ(s.MOD, c.MOD);
  }
}

TEST(SolvePllExact, TiesTakeTheSmallerModulus) {
  // Ratios 300 + d at pfd 10 MHz on the MAX2871 (no divider): the frequency is (300 + d) x 10 MHz.
  struct Case {
    uint64_t dNum;
    uint32_t dDen;
    int32_t FRAC, MOD;
  };
  const Case cases[] = {
      {1, 8190, 0, 2},             // halfway between 0 and 1/4095
      {1, 8191, 0, 2},             // nearer 0
      {1, 8189, 1, 4095},          // nearer 1/4095
      {8189, 33529860, 1, 4094},   // halfway between 1/4095 and 1/4094
      {16377, 67059720, 1, 4095},  // just below that midpoint
      {2047, 4094, 1, 2},          // 1/2 written large
      {1, 3, 1, 3},                // a denominator no decimal frequency has at 10 MHz
  };
  ExactReference ref{Decimal("10"), 2};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.dNum << "/" << c.dDen);
    ExactFrequency f;
    f.mhz.digits = (uint64_t{300} * c.dDen + c.dNum) * 10;
    f.divisor = c.dDen;
    PllSolution s = SolvePllExact(ChipType::Max2871, Out1, f, ref);
    EXPECT_EQ(s.INT, 300);
    EXPECT_EQ(s.FRAC, c.FRAC);
    EXPECT_EQ(s.MOD, c.MOD);
  }
}

TEST(ExactFrequencyError, MeasuresAnySolution) {
  ExactReference ref{Decimal("10"), 2};
  struct Case {
    PllSolution solution;
    Band band;
    const char* f;
    bool zero;
    double hz;  // to 1e-9 of itself
  };
  const Case cases[] = {
      {{0, 300, 7, 0}, Out1, "3000", true, 0.0},  // a stored MOD of 0 is integer-N, as the readout takes it
      {{2, 518, 1637, 4093}, Out1, "1296", false, -122.1597849987784},
      {{2, 518, 1637, 4093}, Out1, "1295.9998779", false, -0.05978499877840215},
      {{0, 518, 1637, 4093}, Out2, "10368", false, -977.2782799902272},
      {{5, 460, 4, 5}, Out1, "144.000001", false, -1.0},
      {{7, 19, 0, 2}, Out1, "-5", false, 6484375.0},  // beyond the loop's reach: measured in doubles
      {{0, 65535, 4094, 4095}, Out1, "1e300", false, -1e306},
      {{0, 70000, 0, 2}, Out1, "3000", false, 6.97e11},  // an INT no word holds: measured in doubles
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.f);
    FrequencyError e = ExactFrequencyError(c.solution, c.band, ExactFrequency{Decimal(c.f)}, ref);
    EXPECT_EQ(e.zero, c.zero);
    EXPECT_NEAR(e.hz, c.hz, std::fabs(c.hz) * 1e-9);
  }
}

TEST(ExactBandSelectDivider, CountsTheExactComparisonFrequencyIn50KhzSteps) {
  struct Case {
    const char* reference;
    int32_t refDivisor;
    int32_t exact;
    int32_t classic;  // BandSelectDivider of the double pfd
  };
  const Case cases[] = {
      {"10", 2, 200, 200},
      {"26", 5, 208, 208},
      {"9.99", 1, 399, 399},
      {"250", 50, 200, 200},
      // 10.1 MHz is held just below itself: the double count loses a step.
      {"5.05", 1, 202, 201},
      {"0", 2, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reference);
    ExactReference ref{Decimal(c.reference), c.refDivisor};
    EXPECT_EQ(ExactBandSelectDivider(ref), c.exact);
    EXPECT_EQ(BandSelectDivider(*ReadDouble(c.reference) * 2.0 / c.refDivisor), c.classic);
  }
}

// Properties over random frequencies, one suite per chip and output.
struct ChipBand {
  ChipType chip;
  Band band;
};

class ExactProperties : public testing::TestWithParam<ChipBand> {
 protected:
  struct Range {
    double low, high;
  };
  // The chip's limits for the output, and the oscillator's range.
  Range BandLimits() const {
    static const Range kLimits[3][2] = {
        {{137.5, 4400.0}, {5000.0, 8800.0}},
        {{34.375, 4400.0}, {5000.0, 8800.0}},
        {{23.5, 6000.0}, {5000.0, 12000.0}},
    };
    return kLimits[static_cast<int>(GetParam().chip)][static_cast<int>(GetParam().band)];
  }
  Range Oscillator() const { return GetParam().chip == ChipType::Max2871 ? Range{3000, 6000} : Range{2200, 4400}; }
  int32_t MaxDivExp() const {
    return GetParam().chip == ChipType::Adf4350 ? 4 : GetParam().chip == ChipType::Adf4351 ? 6 : 7;
  }
};

constexpr int kSamples = 100000;

// Frequencies typed with 0 to 9 decimals anywhere in the band, at each reference in turn.
TEST_P(ExactProperties, NeverFurtherThanTheClassicSearch) {
  const ChipType chip = GetParam().chip;
  const Band band = GetParam().band;
  const IntRange ints = IntRangeOf(chip);
  std::mt19937_64 random(1000 + static_cast<int>(chip) * 2 + static_cast<int>(band));
  std::uniform_real_distribution<double> inBand(BandLimits().low, BandLimits().high);
  std::uniform_int_distribution<int> decimals(0, 9);
  Reference refs[4];
  for (int r = 0; r < 4; ++r) refs[r] = Accept(kReferences[r], chip);
  int better = 0;
  for (int i = 0; i < kSamples; ++i) {
    const Reference& ref = refs[i % 4];
    std::string text = FormatFixed(inBand(random), decimals(random));
    ExactFrequency f{Decimal(text.c_str())};
    PllSolution s = SolvePllExact(chip, band, f, ref.exact);
    // Built only when an assertion fails: a trace per sample would cost more than the solving.
    auto where = [&] {
      return testing::Message() << text << " MHz, reference " << kReferences[i % 4] << ": INT " << s.INT << " FRAC "
                                << s.FRAC << " MOD " << s.MOD;
    };
    ASSERT_GE(s.FRAC, 0) << where();
    ASSERT_LT(s.FRAC, s.MOD) << where();
    ASSERT_GE(s.MOD, 2) << where();
    ASSERT_LE(s.MOD, 4095) << where();
    ASSERT_GE(s.INT, ints.low) << where();
    ASSERT_LE(s.INT, ints.high) << where();
    // The oscillator stays in its range, give or take the finest step of the fraction at a band edge.
    double oscillator = (s.INT + static_cast<double>(s.FRAC) / s.MOD) * ref.pfd;
    ASSERT_GE(oscillator, Oscillator().low - ref.pfd / 4095) << where();
    ASSERT_LE(oscillator, Oscillator().high + ref.pfd / 4095) << where();
    FrequencyError exact = ExactFrequencyError(s, band, f, ref.exact);
    // Nothing beats an error of 0; the classic search (most of this test's time) only runs where it could.
    if (exact.zero) continue;
    PllSolution classic = SolvePll(chip, band, *ReadDouble(text), ref.pfd);
    ASSERT_EQ(s.divExp, classic.divExp) << where();
    FrequencyError before = ExactFrequencyError(classic, band, f, ref.exact);
    ASSERT_FALSE(before.zero) << where();
    // Both are exact values rounded to doubles: allow for the last bits of two different roundings.
    ASSERT_LE(std::fabs(exact.hz), std::fabs(before.hz) * (1 + 1e-12)) << where();
    better += std::fabs(exact.hz) < std::fabs(before.hz) * (1 - 1e-12);
  }
  // About a third of these texts have no exact setting, and there the classic search almost never finds the
  // nearest fraction.
  EXPECT_GT(better, kSamples / 5);
}

// Every ratio INT + p/q with q up to 4095 comes out exactly, whichever divider and reference.
TEST_P(ExactProperties, LoopRatiosComeOutExactly) {
  const ChipType chip = GetParam().chip;
  const Band band = GetParam().band;
  std::mt19937_64 random(2000 + static_cast<int>(chip) * 2 + static_cast<int>(band));
  std::uniform_int_distribution<uint32_t> modulus(1, 4095);
  std::uniform_int_distribution<int32_t> divExp(0, MaxDivExp());
  Reference refs[4];
  for (int r = 0; r < 4; ++r) refs[r] = Accept(kReferences[r], chip);
  for (int i = 0; i < kSamples; ++i) {
    const Reference& ref = refs[i % 4];
    // INT + p/q times pfd inside the oscillator's range, below its top.
    const auto intLow = static_cast<uint32_t>(std::ceil(Oscillator().low / ref.pfd));
    const auto intHigh = static_cast<uint32_t>(std::floor(Oscillator().high / ref.pfd)) - 1;
    const uint64_t INT = std::uniform_int_distribution<uint32_t>(intLow, intHigh)(random);
    const uint32_t q = modulus(random);
    const uint64_t p = std::uniform_int_distribution<uint32_t>(0, q - 1)(random);
    const int32_t k = divExp(random);
    // f = (INT + p/q) x (2 x reference / R) / 2^k, doubled on the second output, written as a decimal over
    // a whole divisor.
    ExactFrequency f;
    const ExactDecimal& r = ref.exact.reference;
    f.mhz.digits = (INT * q + p) * 2 * r.digits * (band == Out2 ? 2 : 1);
    f.mhz.exponent = r.exponent;
    f.divisor = q * static_cast<uint32_t>(ref.exact.refDivisor) << k;
    PllSolution s = SolvePllExact(chip, band, f, ref.exact);
    auto where = [&] {
      return testing::Message() << INT << " + " << p << "/" << q << " at reference " << kReferences[i % 4]
                                << ", divExp " << k;
    };
    const uint64_t g = std::gcd(p, uint64_t{q});
    ASSERT_EQ(s.divExp, k) << where();
    ASSERT_EQ(s.INT, static_cast<int32_t>(INT)) << where();
    ASSERT_EQ(s.FRAC, static_cast<int32_t>(p / g)) << where();
    ASSERT_EQ(s.MOD, p == 0 ? 2 : static_cast<int32_t>(q / g)) << where();
    FrequencyError e = ExactFrequencyError(s, band, f, ref.exact);
    ASSERT_TRUE(e.zero) << where();
    ASSERT_EQ(e.hz, 0.0) << where();
  }
}

INSTANTIATE_TEST_SUITE_P(EachChipAndOutput, ExactProperties,
                         testing::Values(ChipBand{ChipType::Adf4350, Out1}, ChipBand{ChipType::Adf4350, Out2},
                                         ChipBand{ChipType::Adf4351, Out1}, ChipBand{ChipType::Adf4351, Out2},
                                         ChipBand{ChipType::Max2871, Out1}, ChipBand{ChipType::Max2871, Out2}),
                         [](const testing::TestParamInfo<ChipBand>& info) {
                           return std::string(ChipName(info.param.chip)) + "_OUT" +
                                  std::to_string(static_cast<int>(info.param.band) + 1);
                         });

}  // namespace
}  // namespace korvane
