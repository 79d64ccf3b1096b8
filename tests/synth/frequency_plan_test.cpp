// Frequency plans: RF = multiplier x output + offset both ways, the error seen at RF, and the
// slot text the board gets for a typed RF.
#include "synth/frequency_plan.h"

#include <gtest/gtest.h>

namespace korvane {
namespace {

TEST(FrequencyPlan, ConvertsBetweenRfAndOutput) {
  struct Case {
    FrequencyPlan plan;
    const char* rf;
    const char* output;  // the slot's text
    double outputErrorHz;
    double rfErrorHz;
  };
  const Case cases[] = {
      // 3 cm transverter: IF 144 MHz, LO doubled after the board.
      {{2, 144}, "10368.100", "5112.050", -0.5, -1.0},
      // An LO above the signal: the offset is negative.
      {{1, -28}, "1296.2", "1324.200", 2.0, 2.0},
      // A tripler: the output needs more places than the RF was typed with.
      {{3, 0}, "24048.1", "8016.033333333", 1.5, 4.5},
      {{64, 0}, "122880", "1920.000", 0.25, 16.0},
      // Without a plan the text goes to the board as typed.
      {{}, "432.1", "432.1", -6.0, -6.0},
  };
  for (const Case& c : cases) {
    const std::optional<std::string> output = OutputTextFromRf(c.plan, c.rf);
    ASSERT_TRUE(output) << c.rf;
    EXPECT_EQ(*output, c.output) << c.rf;
    // And back: the output the board makes serves the RF typed, to well under a hertz.
    EXPECT_NEAR(RfFromOutput(c.plan, std::stod(*output)), std::stod(c.rf), 1e-6) << c.rf;
    EXPECT_DOUBLE_EQ(RfErrorHz(c.plan, c.outputErrorHz), c.rfErrorHz) << c.rf;
  }
  EXPECT_EQ(OutputTextFromRf({2, 144}, "10GHz"), std::nullopt);
}

TEST(FrequencyPlan, ReadsOnlyPlansThatCanBeUsed) {
  const struct {
    const char* text;
    std::optional<int> multiplier;
  } multipliers[] = {{"1", 1},
                     {"64", 64},
                     {" 2 ", 2},
                     {"0", std::nullopt},
                     {"65", std::nullopt},
                     {"2.5", std::nullopt},
                     {"-2", std::nullopt},
                     {"x2", std::nullopt},
                     {"nan", std::nullopt}};
  for (const auto& m : multipliers) EXPECT_EQ(ReadMultiplier(m.text), m.multiplier) << m.text;
  EXPECT_EQ(ReadOffset("-144"), -144.0);
  EXPECT_EQ(ReadOffset("1e7"), std::nullopt);
  EXPECT_EQ(ReadOffset("IF"), std::nullopt);
  EXPECT_FALSE(PlanProblem({64, -1e6}));
  EXPECT_TRUE(PlanProblem({0, 0}));
  EXPECT_TRUE(PlanProblem({2, 1e300}));
  EXPECT_EQ(PlanText({2, -144}), "x2 -144.000000 MHz");
}

}  // namespace
}  // namespace korvane
