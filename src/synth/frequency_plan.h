// A slot's frequency plan: the radio frequency a board's output serves through a multiplier and a
// mixer (a transverter's LO), RF = multiplier x output + offset, as bench generators' FREQ:MULT and
// FREQ:OFFS give it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korvane {

inline constexpr int kMinMultiplier = 1;
inline constexpr int kMaxMultiplier = 64;

struct FrequencyPlan {
  int multiplier = 1;
  double offsetMhz = 0;  // the IF; negative for an LO above the signal

  bool IsSet() const { return multiplier != 1 || offsetMhz != 0; }
  bool operator==(const FrequencyPlan&) const = default;
};

// The output that serves an RF, and the RF an output serves, in MHz.
double OutputFromRf(const FrequencyPlan& plan, double rfMhz);
double RfFromOutput(const FrequencyPlan& plan, double outputMhz);
// An output's error seen at RF: the multiplier multiplies it, the offset adds none.
inline double RfErrorHz(const FrequencyPlan& plan, double outputErrorHz) { return plan.multiplier * outputErrorHz; }

// The output frequency as a slot's text from an RF text: enough digits that the multiplier does not
// magnify the rounding past a hertz at RF. nullopt when the text is no number.
std::optional<std::string> OutputTextFromRf(const FrequencyPlan& plan, std::string_view rfText);

// A multiplier as text ("2"): a whole number from 1 to 64; and an offset ("-144", "0.5").
std::optional<int> ReadMultiplier(std::string_view text);
std::optional<double> ReadOffset(std::string_view text);
// Why a plan cannot be used ("the multiplier must be a whole number from 1 to 64"), or nullopt.
std::optional<std::string> PlanProblem(const FrequencyPlan& plan);

// "x2 +144.000000 MHz": how the plan reads where it is shown beside a frequency.
std::string PlanText(const FrequencyPlan& plan);

}  // namespace korvane
