#include "synth/calibration.h"

#include <cmath>

namespace korvane {

CalibrationResult Calibrate(double setMhz, double measuredMhz, double referenceMhz) {
  using Problem = CalibrationResult::Problem;
  const struct {
    double value;
    Problem problem;
  } inputs[] = {{setMhz, Problem::SetNotPositive},
                {measuredMhz, Problem::MeasuredNotPositive},
                {referenceMhz, Problem::ReferenceNotPositive}};
  for (const auto& input : inputs) {
    if (!std::isfinite(input.value) || input.value <= 0) return {std::nullopt, input.problem};
  }
  Calibration c;
  c.errorPpm = (measuredMhz - setMhz) / setMhz * 1e6;
  if (std::fabs(c.errorPpm) > kMaxCalibrationPpm) return {std::nullopt, Problem::TooFarOff, c.errorPpm};
  c.exactMhz = referenceMhz * measuredMhz / setMhz;
  c.referenceMhz = std::round(c.exactMhz / kReferenceStepMhz) * kReferenceStepMhz;
  // Within a rounding of the step the two are the same number the board gets.
  if (std::fabs(c.referenceMhz - c.exactMhz) < kReferenceStepMhz * 1e-6) c.referenceMhz = c.exactMhz;
  c.residualHz = (c.referenceMhz / c.exactMhz - 1) * setMhz * 1e6;
  return {c};
}

}  // namespace korvane
