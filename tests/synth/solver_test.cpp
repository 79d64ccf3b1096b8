// Divider and fraction solver and the achieved frequency.
#include "synth/solver.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "synth/number_text.h"

namespace korvane {
namespace {

using enum Band;

struct SolveCase {
  ChipType chip;
  Band band;
  double f;
  int32_t divExp, INT, FRAC, MOD;  // MOD 0: not checked
  const char* achieved;            // "%.6f"
};

TEST(SolvePll, KnownFrequenciesAtTenMhz) {
  const SolveCase cases[] = {
      {ChipType::Max2871, Out1, 144, 5, 460, 4, 5, "144.000000"},
      {ChipType::Max2871, Out1, 432, 3, 345, 3, 5, "432.000000"},
      {ChipType::Max2871, Out1, 1296, 2, 518, 1637, 4093, "1295.999878"},
      {ChipType::Max2871, Out1, 5760, 0, 576, 0, 2, "5760.000000"},
      {ChipType::Max2871, Out2, 10368, 0, 518, 1637, 4093, "10367.999023"},
      {ChipType::Max2871, Out2, 5500, 1, 550, 0, 2, "5500.000000"},
      {ChipType::Adf4351, Out1, 50, 6, 320, 0, 2, "50.000000"},
      {ChipType::Adf4350, Out1, 2200, 0, 220, 0, 2, "2200.000000"},
      {ChipType::Adf4350, Out1, 145.2, 4, 232, 1303, 4072, "145.199994"},
      {ChipType::Adf4350, Out1, 432.1, 3, 345, 17, 25, "432.100000"},
      // One below a threshold takes the larger divider.
      {ChipType::Adf4350, Out1, 2199.99, 1, 439, 3991, 3999, nullptr},
      {ChipType::Adf4350, Out1, 1100, 1, 220, 0, 2, nullptr},
      // An exact half stops at i = 2; a quarter survives the tie at i = 3 and stops at i = 4.
      {ChipType::Max2871, Out1, 3005, 0, 300, 1, 2, "3005.000000"},
      {ChipType::Max2871, Out1, 3002.5, 0, 300, 1, 4, "3002.500000"},
      // Just above 1/4095: only the largest modulus the chip takes comes close from below.
      {ChipType::Max2871, Out1, 3000.0 + 10.0 / 4095 + 1e-8, 0, 300, 1, 4095, nullptr},
      // Clamps: INT computed out of the chip's range, FRAC and MOD kept as computed.
      {ChipType::Adf4350, Out1, 1000000, 0, 65535, 0, 2, nullptr},
      {ChipType::Max2871, Out1, -5, 7, 19, 0, 2, nullptr},
      // A negative fraction ends as FRAC 0 (MOD is whatever the search left: not checked).
      {ChipType::Max2871, Out1, -5.03, 7, 19, 0, 0, nullptr},
  };
  for (const SolveCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "chip " << static_cast<int>(c.chip) << " band " << static_cast<int>(c.band)
                                    << " f " << c.f);
    PllSolution s = SolvePll(c.chip, c.band, c.f, 10.0);
    EXPECT_EQ(s.divExp, c.divExp);
    EXPECT_EQ(s.INT, c.INT);
    EXPECT_EQ(s.FRAC, c.FRAC);
    if (c.MOD) {
      EXPECT_EQ(s.MOD, c.MOD);
    }
    if (c.achieved) {
      EXPECT_EQ(FormatFixed(AchievedFrequency(s, c.band, 10.0), 6), c.achieved);
    }
  }
}

TEST(SolvePll, NonFiniteAndHugeInputsGiveClampedValues) {
  const double inputs[] = {1000.0,
                           1e300,
                           -1e300,
                           std::numeric_limits<double>::infinity(),
                           -std::numeric_limits<double>::infinity(),
                           std::numeric_limits<double>::quiet_NaN()};
  for (ChipType chip : {ChipType::Adf4350, ChipType::Adf4351, ChipType::Max2871}) {
    const int32_t low = chip == ChipType::Max2871 ? 19 : 75;
    const int32_t high = chip == ChipType::Max2871 ? 4091 : 65535;
    for (Band band : kBands) {
      for (double f : inputs) {
        for (double pfd : {10.0, 0.0}) {  // a comparison frequency of 0 divides into infinity
          SCOPED_TRACE(testing::Message() << "chip " << static_cast<int>(chip) << " f " << f << " pfd " << pfd);
          PllSolution s = SolvePll(chip, band, f, pfd);
          EXPECT_GE(s.INT, low);
          EXPECT_LE(s.INT, high);
          EXPECT_GE(s.FRAC, 0);
          EXPECT_LE(s.FRAC, 4095);
          EXPECT_GE(s.MOD, 2);
          EXPECT_LE(s.MOD, 4095);
          EXPECT_GE(s.divExp, 0);
          EXPECT_LE(s.divExp, 7);
        }
      }
    }
  }
}

TEST(SolvePll, FractionComesFromBelowAndIsClosest) {
  // Whatever the frequency, FRAC/MOD never exceeds the wanted fraction and no smaller error
  // exists among denominators up to 4095.
  for (double f = 3000.0; f < 3010.0; f += 0.0137) {
    PllSolution s = SolvePll(ChipType::Max2871, Out1, f, 10.0);
    double t = f / 10.0;
    double d = t - std::trunc(t);
    double e = d - static_cast<double>(s.FRAC) / s.MOD;
    ASSERT_GE(e, 0.0) << f;
    ASSERT_LT(e, 1.0 / 4095) << f;
  }
}

TEST(AchievedFrequency, ZeroModulusIsIntegerN) {
  PllSolution s{0, 300, 7, 0};
  EXPECT_EQ(AchievedFrequency(s, Out1, 10.0), 3000.0);
  EXPECT_EQ(AchievedFrequency(s, Out2, 10.0), 6000.0);
  s.divExp = 3;
  EXPECT_EQ(AchievedFrequency(s, Out1, 10.0), 375.0);
}

}  // namespace
}  // namespace korvane
