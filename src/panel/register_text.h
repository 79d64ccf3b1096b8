// What the register view shows for a slot: the six words the slot sends, and every field of
// them as the chip's data sheet names it.
#pragma once

#include <string>

#include "config/panel_settings.h"

namespace korvane::panel {

// Plain text, one slot: a heading with the frequency, the words in hex ("R0 00C80000 ..."), then
// one line per field: register, name, bits, value. Without a number or a valid reference the
// text says why there are no words.
std::string RegisterText(const PanelSettings& settings, Slot slot);
// "Expert settings: 2 fields differ from Korvane's (CP, SDN)."; empty for a slot without any.
std::string OverridesNote(ChipType chip, const std::map<Field, FieldSource>& sources);

}  // namespace korvane::panel
