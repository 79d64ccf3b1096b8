#include "panel/register_text.h"

#include <algorithm>
#include <cstdio>

#include "session/board_session.h"
#include "synth/chip_facts.h"
#include "synth/field_overrides.h"
#include "synth/number_text.h"
#include "synth/register_set.h"
#include "texts/texts.h"

namespace korvane::panel {

using texts::Tr;

namespace {

std::string SlotTitle(Slot slot) {
  return slot == Slot::SigGen ? Tr(QT_TRANSLATE_NOOP("Texts", "Signal generator")) : std::string(SlotName(slot));
}

std::string Padded(std::string text, size_t width) {
  if (text.size() < width) text.append(width - text.size(), ' ');
  return text;
}

}  // namespace

std::string RegisterText(const PanelSettings& settings, Slot slot) {
  const SlotSettings& s = settings.slot(slot);
  std::string text = SlotTitle(slot) + ": " + s.frequency + " MHz, " + std::string(BandLabel(s.band)) + ", " +
                     std::string(PowerLabel(s.power)) + "\n";
  // With a plan the words make the output; the user thinks in the RF it serves.
  const std::optional<double> output = ReadTypedNumber(s.frequency);
  if (s.plan.IsSet() && output) {
    text += Tr(QT_TRANSLATE_NOOP("Texts", "RF %1 MHz, plan %2: the board makes (RF - offset) / %3\n"),
               {FormatFixed(RfFromOutput(s.plan, *output), 6), PlanText(s.plan), std::to_string(s.plan.multiplier)});
  }
  const std::optional<SlotSolution> solved = session::SolveSlot(settings, slot);
  if (!solved) {
    return text + (settings.refDivisor <= 0
                       ? Tr(QT_TRANSLATE_NOOP("Texts", "No register words: the reference frequency is not valid.\n"))
                       : Tr(QT_TRANSLATE_NOOP("Texts", "No register words: the frequency is not a number.\n")));
  }
  const SlotPlan plan = session::PlanSlotWords(settings, slot);
  const RegisterSet words{SlotNumber(slot), plan.words};
  const RegisterSet* set = &words;
  for (int r = 0; r < 6; ++r) {
    text += (r == 0 ? "" : "  ") + std::string("R") + std::to_string(r) + " " +
            FormatHex(set->words[static_cast<size_t>(r)], 8);
  }
  text += Tr(QT_TRANSLATE_NOOP("Texts", "\n\nReal frequency %1 MHz%2, PFD %3 MHz, output divider %4\n\n"),
             {FormatFixed(solved->achieved, 6),
              s.plan.IsSet() ? " (RF " + FormatFixed(RfFromOutput(s.plan, solved->achieved), 6) + " MHz)" : "",
              FormatFixed(settings.pfd, 6), std::to_string(1 << solved->solution.divExp)});
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
    const std::string mark = source == plan.sources.end()          ? ""
                             : source->second == FieldSource::User ? Tr(QT_TRANSLATE_NOOP("Texts", "  [expert]"))
                                                                   : Tr(QT_TRANSLATE_NOOP("Texts", "  [board]"));
    text += "R" + std::to_string(field.reg) + "  " + Padded(std::string(field.name), nameWidth + 2) + Padded(bits, 9) +
            std::to_string(value) + (named.empty() ? "" : " (" + std::string(named) + ")") + mark + "\n";
  }
  for (const FieldNote& note : plan.notes) {
    text += Tr(QT_TRANSLATE_NOOP("Texts", "\nNote: %1"), {texts::FieldNoteText(note)});
  }
  if (plan.refusal) text += Tr(QT_TRANSLATE_NOOP("Texts", "\nRefused: %1"), {texts::FieldIssueText(*plan.refusal)});
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
    names += source == FieldSource::User ? Tr(QT_TRANSLATE_NOOP("Texts", " set by you"))
                                         : Tr(QT_TRANSLATE_NOOP("Texts", " as the board holds it"));
  }
  return Tr(sources.size() == 1 ? QT_TRANSLATE_NOOP("Texts", "Expert settings: %1 field differs from Korvane's (%2).")
                                : QT_TRANSLATE_NOOP("Texts", "Expert settings: %1 fields differ from Korvane's (%2)."),
            {std::to_string(sources.size()), names});
}

}  // namespace korvane::panel
