#include "panel/register_text.h"

#include <algorithm>
#include <cstdio>

#include "session/board_session.h"
#include "synth/chip_facts.h"
#include "synth/field_overrides.h"
#include "synth/number_text.h"
#include "synth/register_set.h"

namespace korvane::panel {

namespace {

std::string SlotName(int slot) { return slot == kSigGenSlot ? "Signal generator" : "F" + std::to_string(slot + 1); }

std::string Padded(std::string text, size_t width) {
  if (text.size() < width) text.append(width - text.size(), ' ');
  return text;
}

}  // namespace

std::string RegisterText(const PanelSettings& settings, int slot) {
  const SlotSettings& s = settings.freqSlots[static_cast<size_t>(slot)];
  std::string text = SlotName(slot) + ": " + s.frequency + " MHz, " + std::string(BandLabel(s.band)) + ", " +
                     std::string(PowerLabel(s.power)) + "\n";
  // With a plan the words make the output; the user thinks in the RF it serves.
  const std::optional<double> output = ReadTypedNumber(s.frequency);
  if (s.plan.IsSet() && output) {
    text += "RF " + FormatFixed(RfFromOutput(s.plan, *output), 6) + " MHz, plan " + PlanText(s.plan) +
            ": the board makes (RF - offset) / " + std::to_string(s.plan.multiplier) + "\n";
  }
  const std::optional<SlotSolution> solved = session::SolveSlot(settings, slot);
  if (!solved) {
    return text + (settings.refDivisor <= 0 ? "No register words: the reference frequency is not valid.\n"
                                            : "No register words: the frequency is not a number.\n");
  }
  const SlotPlan plan = session::PlanSlotWords(settings, slot);
  const RegisterSet words{slot, plan.words};
  const RegisterSet* set = &words;
  for (int r = 0; r < 6; ++r) {
    text += (r == 0 ? "" : "  ") + std::string("R") + std::to_string(r) + " " +
            FormatHex(set->words[static_cast<size_t>(r)], 8);
  }
  text += "\n\nReal frequency " + FormatFixed(solved->achieved, 6) + " MHz" +
          (s.plan.IsSet() ? " (RF " + FormatFixed(RfFromOutput(s.plan, solved->achieved), 6) + " MHz)" : "") +
          ", PFD " + FormatFixed(settings.pfd, 6) + " MHz, output divider " +
          std::to_string(1 << solved->solution.divExp) + "\n\n";
  // The longest name still leaves a blank before the bits.
  size_t nameWidth = 0;
  for (const RegisterField& field : Facts(settings.chip).fields) nameWidth = std::max(nameWidth, field.name.size());
  for (const RegisterField& field : Facts(settings.chip).fields) {
    const uint32_t value = ReadField(field, set->words);
    const int high = field.lowBit + field.width - 1;
    const std::string bits = field.width == 1 ? "DB" + std::to_string(field.lowBit)
                                              : "DB" + std::to_string(high) + ":" + std::to_string(field.lowBit);
    const std::string_view named = ValueName(field, value);
    const auto source = plan.sources.find(field.field);
    const char* mark = source == plan.sources.end()          ? ""
                       : source->second == FieldSource::User ? "  [expert]"
                                                             : "  [board]";
    text += "R" + std::to_string(field.reg) + "  " + Padded(std::string(field.name), nameWidth + 2) + Padded(bits, 9) +
            std::to_string(value) + (named.empty() ? "" : " (" + std::string(named) + ")") + mark + "\n";
  }
  for (const std::string& note : plan.notes) text += "\nNote: " + note;
  if (plan.refusal) text += "\nRefused: " + *plan.refusal;
  if (!plan.notes.empty() || plan.refusal) text += "\n";
  return text;
}

std::string OverridesNote(ChipType chip, const std::map<Field, FieldSource>& sources) {
  if (sources.empty()) return {};
  std::string names;
  for (const auto& [field, source] : sources) {
    const RegisterField* f = Facts(chip).Find(field);
    if (!names.empty()) names += ", ";
    names += f != nullptr ? std::string(f->name) : "?";
    names += source == FieldSource::User ? " set by you" : " as the board holds it";
  }
  return "Expert settings: " + std::to_string(sources.size()) +
         (sources.size() == 1 ? " field differs" : " fields differ") + " from Korvane's (" + names + ").";
}

}  // namespace korvane::panel
