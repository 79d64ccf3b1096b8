// The slots' frequency plans in a configuration file: a section of their own, [Plans], that
// readers without plans never look at, so a file keeps its frequencies as the board gets them.
#pragma once

#include "config/panel_settings.h"
#include "config/profile_file.h"

namespace korvane::config {

// Writes the plan of every slot that has one, and clears one an earlier save wrote; a file
// without plans gets no [Plans] section.
void StorePlans(const PanelSettings& settings, ProfileFile& profile);
// Sets every slot's plan from the file: no plan where it has none or holds no valid one.
void LoadPlans(const ProfileFile& profile, PanelSettings& settings);

}  // namespace korvane::config
