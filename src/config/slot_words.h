// The words one slot of the panel sends: Korvane's own for its settings, with the board's values
// and the user's on top.
#pragma once

#include "config/panel_settings.h"
#include "synth/field_overrides.h"
#include "synth/register_set.h"

namespace korvane {

// Whether the slot's settings are still those its board words were read with.
bool Untouched(const PanelSettings& settings, Slot slot);
// Korvane's own words for the slot's settings, without board or user values.
RegisterSet KorvaneWords(const PanelSettings& settings, Slot slot);
// What the slot sends: Korvane's words, the board's values and the user's (see PlanSlot).
SlotPlan PlanSlotWords(const PanelSettings& settings, Slot slot);
// The words a file keeps as the slot's board words: the board's words while nobody touched the slot,
// else what it sends without the user's values (the board's values that still apply, on Korvane's
// words for its settings); nullopt for a slot without board words.
std::optional<RegisterWords> BoardWordsToKeep(const PanelSettings& settings, Slot slot);
// Records the slot's settings as those its board words were read with.
void MarkAsRead(const PanelSettings& settings, SlotSettings& slot);

}  // namespace korvane
