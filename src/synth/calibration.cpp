#include "synth/calibration.h"

#include <cmath>

#include "synth/number_text.h"

namespace korvane {

CalibrationResult Calibrate(double setMhz, double measuredMhz, double referenceMhz) {
  const struct {
    double value;
    const char* name;
  } inputs[] = {{setMhz, "set"}, {measuredMhz, "measured"}, {referenceMhz, "reference"}};
  for (const auto& input : inputs) {
    if (!std::isfinite(input.value) || input.value <= 0) {
      return {std::nullopt, std::string("the ") + input.name + " frequency must be a positive number of MHz"};
    }
  }
  Calibration c;
  c.errorPpm = (measuredMhz - setMhz) / setMhz * 1e6;
  if (std::fabs(c.errorPpm) > kMaxCalibrationPpm) {
    return {std::nullopt, "the measured frequency is " + FormatFixed(c.errorPpm, 1) + " ppm from the set one; " +
                              "a reference is not that far off (is the counter reading another signal?)"};
  }
  c.exactMhz = referenceMhz * measuredMhz / setMhz;
  c.referenceMhz = std::round(c.exactMhz / kReferenceStepMhz) * kReferenceStepMhz;
  // Within a rounding of the step the two are the same number the board gets.
  if (std::fabs(c.referenceMhz - c.exactMhz) < kReferenceStepMhz * 1e-6) c.referenceMhz = c.exactMhz;
  c.residualHz = (c.referenceMhz / c.exactMhz - 1) * setMhz * 1e6;
  return {c, ""};
}

}  // namespace korvane
