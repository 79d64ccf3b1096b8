#include "config/plan_keys.h"

#include <string>

#include "synth/number_text.h"

namespace korvane::config {

namespace {

constexpr char kPlans[] = "Plans";
constexpr const char* kSlotKeys[kSlotCount] = {"F1", "F2", "F3", "F4", "SigGen"};

std::string MultKey(int slot) { return std::string(kSlotKeys[slot]) + "Mult"; }
std::string OffsetKey(int slot) { return std::string(kSlotKeys[slot]) + "Offset"; }

}  // namespace

void StorePlans(const PanelSettings& settings, ProfileFile& profile) {
  for (int s = 0; s < kSlotCount; ++s) {
    const FrequencyPlan& plan = settings.freqSlots[static_cast<size_t>(s)].plan;
    if (!plan.IsSet() && !profile.Find(kPlans, MultKey(s)) && !profile.Find(kPlans, OffsetKey(s))) continue;
    profile.WriteString(kPlans, MultKey(s), std::to_string(plan.multiplier));
    profile.WriteString(kPlans, OffsetKey(s), FormatFixed(plan.offsetMhz, 6));
  }
}

void LoadPlans(const ProfileFile& profile, PanelSettings& settings) {
  for (int s = 0; s < kSlotCount; ++s) {
    FrequencyPlan& plan = settings.freqSlots[static_cast<size_t>(s)].plan;
    plan = {};
    const std::optional<int> multiplier = ReadMultiplier(profile.ReadString(kPlans, MultKey(s), "1"));
    const std::optional<double> offset = ReadOffset(profile.ReadString(kPlans, OffsetKey(s), "0"));
    // Half a plan would show the user wrong radio frequencies: a slot takes both or neither.
    if (multiplier && offset) plan = {*multiplier, *offset};
  }
}

}  // namespace korvane::config
