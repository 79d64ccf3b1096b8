// The reference frequency corrected from what a counter measured at one of the board's outputs.
#pragma once

#include <optional>

namespace korvane {

// The board takes its reference in whole hertz ("R %3.6lf;" in MHz).
inline constexpr double kReferenceStepMhz = 1e-6;

struct Calibration {
  double exactMhz = 0;      // the reference that makes the measured output come out at the set one
  double referenceMhz = 0;  // exactMhz in the board's 1 Hz steps
  double errorPpm = 0;      // how far the old reference was off: (measured - set) / set
  // What the 1 Hz step leaves at the set output, in hertz: (referenceMhz / exactMhz - 1) * set.
  double residualHz = 0;
  bool Rounded() const { return referenceMhz != exactMhz; }
};

// Every output is the reference times a fixed ratio, so a measured output corrects the reference
// by the same ratio: reference * measured / set. None when a value is no positive frequency, or
// when the measurement is so far off (more than kMaxCalibrationPpm) that it is another signal or a
// misread counter rather than a reference error.
inline constexpr double kMaxCalibrationPpm = 1000;
struct CalibrationResult {
  enum class Problem { None, SetNotPositive, MeasuredNotPositive, ReferenceNotPositive, TooFarOff };
  std::optional<Calibration> calibration;
  Problem problem = Problem::None;
  double errorPpm = 0;  // with TooFarOff: how far the measurement is from the set frequency
};
CalibrationResult Calibrate(double setMhz, double measuredMhz, double referenceMhz);

}  // namespace korvane
