// The words one slot of the panel sends: Korvane's own for its settings, with the board's values
// and the user's on top.
#include "config/slot_words.h"

#include "synth/solve_mode.h"

namespace korvane {

bool Untouched(const PanelSettings& settings, Slot slot) {
  const SlotSettings& s = settings.slot(slot);
  if (!s.board) return false;
  const BoardSlot& b = *s.board;
  return b.chip == settings.chip && b.reference == settings.reference && b.exact == settings.exact &&
         b.frequency == s.frequency && b.band == s.band && b.power == s.power;
}

RegisterSet KorvaneWords(const PanelSettings& settings, Slot slot) {
  const SlotSettings& s = settings.slot(slot);
  return BuildSlotWords(settings.exact ? SolveMode::Exact : SolveMode::Classic, SlotNumber(slot), settings.chip,
                        s.frequency, s.band, s.power, {settings.reference, settings.refDivisor, settings.pfd});
}

namespace {
SlotPlan Plan(const PanelSettings& settings, Slot slot, const FieldOverrides& user) {
  const SlotSettings& s = settings.slot(slot);
  // Words of another chip's table say nothing about this one's fields.
  const RegisterWords* board = s.board && s.board->chip == settings.chip ? &s.board->words : nullptr;
  return PlanSlot(settings.chip, KorvaneWords(settings, slot).words, board, Untouched(settings, slot), user,
                  settings.pfd);
}
}  // namespace

SlotPlan PlanSlotWords(const PanelSettings& settings, Slot slot) {
  return Plan(settings, slot, settings.slot(slot).overrides);
}

std::optional<RegisterWords> BoardWordsToKeep(const PanelSettings& settings, Slot slot) {
  const SlotSettings& s = settings.slot(slot);
  if (!s.board || s.board->chip != settings.chip) return std::nullopt;
  const RegisterWords words = Untouched(settings, slot) ? s.board->words : Plan(settings, slot, {}).words;
  // Words Korvane computes from the file's settings alone need no keeping.
  if (words == KorvaneWords(settings, slot).words) return std::nullopt;
  return words;
}

void MarkAsRead(const PanelSettings& settings, SlotSettings& slot) {
  if (!slot.board) return;
  slot.board->chip = settings.chip;
  slot.board->reference = settings.reference;
  slot.board->exact = settings.exact;
  slot.board->frequency = slot.frequency;
  slot.board->band = slot.band;
  slot.board->power = slot.power;
}

}  // namespace korvane
