// Frequency plans in configuration files: their own section, a round trip, files without plans
// saved byte for byte as before, and plans a file cannot hold dropped whole.
#include "config/plan_keys.h"

#include <gtest/gtest.h>

#include "config/settings_file.h"

namespace korvane::config {
namespace {

constexpr char kWithoutPlans[] =
    "[SigGen]\r\nFreq=145.500\r\nPwr=3\r\nBand=0\r\n"
    "[Freqs]\r\nReference=26.000\r\nExtReference=1\r\n"
    "Freq1=10368.000\r\nPwr1=1\r\nBand1=1\r\nFreq2=2400.000\r\nPwr2=4\r\nBand2=0\r\n"
    "Freq3=5760.000\r\nPwr3=0\r\nBand3=1\r\nFreq4=432.100\r\nPwr4=1\r\nBand4=0\r\n"
    "[Beacon]\r\nBeacon=1\r\nScan=0\r\nPin1_2=1\r\nSpeed=12.5\r\nText=CQ DE TEST\r\n";

TEST(PlanKeys, PlansRoundTripAndFilesWithoutThemStayAsTheyWere) {
  ProfileFile profile = ProfileFile::Parse(kWithoutPlans);
  PanelSettings settings = LoadSettings(profile, {});
  for (const SlotSettings& slot : settings.freqSlots) EXPECT_FALSE(slot.plan.IsSet());
  StoreSettings(settings, true, profile);
  EXPECT_EQ(profile.Serialize(), kWithoutPlans);

  // The slot frequency stays the output: what an older reader sends to the board.
  settings.freqSlots[0].frequency = "5112.050";
  settings.freqSlots[0].plan = {2, 144};
  settings.slot(Slot::SigGen).plan = {1, -28};
  StoreSettings(settings, true, profile);
  const std::string saved = profile.Serialize();
  EXPECT_NE(saved.find("Freq1=5112.050\r\n"), std::string::npos);
  EXPECT_NE(saved.find("[Plans]\r\nF1Mult=2\r\nF1Offset=144.000000\r\nSigGenMult=1\r\nSigGenOffset=-28.000000\r\n"),
            std::string::npos)
      << saved;
  const PanelSettings loaded = LoadSettings(ProfileFile::Parse(saved), {});
  EXPECT_EQ(loaded.freqSlots[0].plan, (FrequencyPlan{2, 144}));
  EXPECT_EQ(loaded.slot(Slot::SigGen).plan, (FrequencyPlan{1, -28}));
  EXPECT_FALSE(loaded.freqSlots[1].plan.IsSet());

  // A plan taken off is written back as none, not left behind for the next load.
  settings.freqSlots[0].plan = {};
  StoreSettings(settings, true, profile);
  EXPECT_FALSE(LoadSettings(profile, {}).freqSlots[0].plan.IsSet());
}

TEST(PlanKeys, APlanTheFileCannotHoldIsDroppedWhole) {
  const struct {
    const char* plans;
    FrequencyPlan plan;
  } cases[] = {
      {"F2Mult=3\nF2Offset=-10.5\n", {3, -10.5}}, {"F2Mult=3\n", {3, 0}}, {"F2Mult=0\nF2Offset=144\n", {}},
      {"F2Mult=2\nF2Offset=lots\n", {}},          {"F2Mult=99\n", {}},
  };
  for (const auto& c : cases) {
    PanelSettings settings;
    LoadPlans(ProfileFile::Parse(std::string("[Plans]\n") + c.plans), settings);
    EXPECT_EQ(settings.freqSlots[1].plan, c.plan) << c.plans;
  }
}

}  // namespace
}  // namespace korvane::config
