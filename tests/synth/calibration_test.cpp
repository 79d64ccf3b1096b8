// The reference corrected from a counter's reading: the ratio, the board's 1 Hz step, and readings refused.
#include "synth/calibration.h"

#include <gtest/gtest.h>

#include <limits>

namespace korvane {
namespace {

TEST(Calibrate, CorrectsTheReferenceByTheMeasuredRatioInWholeHertz) {
  struct Case {
    double set, measured, reference;
    double corrected, ppm, residualHz;
    bool rounded;
  };
  const Case cases[] = {
      // 1 ppm high at 1296 MHz: the reference is 10 Hz high, exactly a step.
      {1296, 1296.001296, 10, 10.00001, 1.0, 0, false},
      // 7.7 ppm low: 9.99992284 MHz is between two steps; the nearer one leaves 20.8 Hz at 1296 MHz.
      {1296, 1295.99, 10, 9.999923, -7.716049, 20.80016, true},
      {432, 432.0001, 25, 25.000006, 0.231481, 3.68, true},
      {10368, 10368, 10, 10, 0, 0, false},
  };
  for (const Case& c : cases) {
    const CalibrationResult r = Calibrate(c.set, c.measured, c.reference);
    ASSERT_TRUE(r.calibration) << c.set;
    EXPECT_NEAR(r.calibration->referenceMhz, c.corrected, 1e-12) << c.set;
    EXPECT_NEAR(r.calibration->errorPpm, c.ppm, 1e-5) << c.set;
    EXPECT_NEAR(r.calibration->residualHz, c.residualHz, 1e-3) << c.set;
    EXPECT_EQ(r.calibration->Rounded(), c.rounded) << c.set;
  }
}

TEST(Calibrate, RefusesWhatIsNoFrequencyOrAnotherSignal) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  using Problem = CalibrationResult::Problem;
  const struct {
    double set, measured, reference;
    Problem problem;
  } cases[] = {
      {0, 100, 10, Problem::SetNotPositive},
      {100, -100, 10, Problem::MeasuredNotPositive},
      {100, 100, nan, Problem::ReferenceNotPositive},
      {100, 100, std::numeric_limits<double>::infinity(), Problem::ReferenceNotPositive},
      // The counter on a harmonic or the wrong output, not a reference error.
      {1296, 1298, 10, Problem::TooFarOff},
  };
  for (const auto& c : cases) {
    const CalibrationResult r = Calibrate(c.set, c.measured, c.reference);
    EXPECT_FALSE(r.calibration) << c.set;
    EXPECT_EQ(r.problem, c.problem) << c.set;
  }
  EXPECT_NEAR(Calibrate(1296, 1298, 10).errorPpm, 1543.2, 0.05);
}

}  // namespace
}  // namespace korvane
