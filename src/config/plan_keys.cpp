#include "config/plan_keys.h"

#include <string>

#include "synth/number_text.h"

namespace korvane::config {

namespace {

constexpr char kPlans[] = "Plans";
std::string MultKey(Slot slot) { return std::string(SlotName(slot)) + "Mult"; }
std::string OffsetKey(Slot slot) { return std::string(SlotName(slot)) + "Offset"; }

}  // namespace

void StorePlans(const PanelSettings& settings, ProfileFile& profile) {
  for (Slot s : kAllSlots) {
    const FrequencyPlan& plan = settings.slot(s).plan;
    if (!plan.IsSet() && !profile.Find(kPlans, MultKey(s)) && !profile.Find(kPlans, OffsetKey(s))) continue;
    profile.WriteString(kPlans, MultKey(s), std::to_string(plan.multiplier));
    profile.WriteString(kPlans, OffsetKey(s), FormatFixed(plan.offsetMhz, 6));
  }
}

void LoadPlans(const ProfileFile& profile, PanelSettings& settings) {
  for (Slot s : kAllSlots) {
    FrequencyPlan& plan = settings.slot(s).plan;
    plan = {};
    const std::optional<int> multiplier = ReadMultiplier(profile.ReadString(kPlans, MultKey(s), "1"));
    const std::optional<double> offset = ReadOffset(profile.ReadString(kPlans, OffsetKey(s), "0"));
    // Half a plan would show the user wrong radio frequencies: a slot takes both or neither.
    if (multiplier && offset) plan = {*multiplier, *offset};
  }
}

}  // namespace korvane::config
