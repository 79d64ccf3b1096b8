#include "cli/plan_options.h"

namespace korvane::cli {

FrequencyPlan PlanOptions(const Args& args) {
  FrequencyPlan plan;
  if (args.values.count("mult")) {
    const std::string text = args.Value("mult", "");
    const std::optional<int> multiplier = ReadMultiplier(text);
    if (!multiplier) throw UsageError("--mult '" + text + "' is not a whole number from 1 to 64");
    plan.multiplier = *multiplier;
  }
  if (args.values.count("offset")) {
    const std::string text = args.Value("offset", "");
    const std::optional<double> offset = ReadOffset(text);
    if (!offset) throw UsageError("--offset '" + text + "' is not a number of MHz within +-1000000");
    plan.offsetMhz = *offset;
  }
  return plan;
}

std::string OutputFrequencyText(const FrequencyPlan& plan, const std::string& rfText, const std::string& what) {
  const std::optional<std::string> output = OutputTextFromRf(plan, rfText);
  if (!output) throw UsageError(what + " '" + rfText + "' is not a number");
  return *output;
}

}  // namespace korvane::cli
