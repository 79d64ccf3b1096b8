#include "synth/frequency_plan.h"

#include <cmath>

#include "synth/number_text.h"

namespace korvane {

namespace {
// Offsets beyond any IF a board's outputs could serve are typing errors.
constexpr double kMaxOffsetMhz = 1e6;
}  // namespace

double OutputFromRf(const FrequencyPlan& plan, double rfMhz) { return (rfMhz - plan.offsetMhz) / plan.multiplier; }

double RfFromOutput(const FrequencyPlan& plan, double outputMhz) {
  return plan.multiplier * outputMhz + plan.offsetMhz;
}

std::optional<std::string> OutputTextFromRf(const FrequencyPlan& plan, std::string_view rfText) {
  const std::optional<double> rf = ReadNumberStrict(rfText);
  if (!rf) return std::nullopt;
  if (!plan.IsSet()) return std::string(rfText);
  // Nine places keep a nanohertz-order rounding at the output, far below a hertz at RF for
  // any multiplier; trailing zeros go (at least three places stay, as the panel shows them).
  std::string text = FormatFixed(OutputFromRf(plan, *rf), 9);
  while (text.size() > 4 && text.back() == '0' && text[text.size() - 4] != '.') text.pop_back();
  return text;
}

std::optional<int> ReadMultiplier(std::string_view text) {
  const std::optional<double> value = ReadNumberStrict(text);
  if (!value || *value != std::floor(*value) || *value < kMinMultiplier || *value > kMaxMultiplier) {
    return std::nullopt;
  }
  return static_cast<int>(*value);
}

std::optional<double> ReadOffset(std::string_view text) {
  const std::optional<double> value = ReadNumberStrict(text);
  if (!value || std::fabs(*value) > kMaxOffsetMhz) return std::nullopt;
  return value;
}

std::optional<std::string> PlanProblem(const FrequencyPlan& plan) {
  if (plan.multiplier < kMinMultiplier || plan.multiplier > kMaxMultiplier) {
    return "the multiplier must be a whole number from 1 to 64";
  }
  if (!std::isfinite(plan.offsetMhz) || std::fabs(plan.offsetMhz) > kMaxOffsetMhz) {
    return "the offset must be a number of MHz within +-1000000";
  }
  return std::nullopt;
}

std::string PlanText(const FrequencyPlan& plan) {
  return "x" + std::to_string(plan.multiplier) + " " + (plan.offsetMhz < 0 ? "-" : "+") +
         FormatFixed(std::fabs(plan.offsetMhz), 6) + " MHz";
}

}  // namespace korvane
