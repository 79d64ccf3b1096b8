// Classic or exact solving of a slot's typed frequency: the one entry point the front ends call.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "synth/chip.h"
#include "synth/register_set.h"
#include "synth/solver.h"

namespace korvane {

// Classic: SolvePll's search, bit for bit what boards, files and stored sets have always had (the default).
// Exact: SolvePllExact on the typed digits; never further from the typed frequency than the classic search.
enum class SolveMode { Classic, Exact };

// The reference in force as a front end holds it: the reference field's text and the refDivisor and pfd that
// AcceptReference took from it. Classic solving uses refDivisor and pfd; exact solving reads the text again,
// exactly, and divides it by the same refDivisor, so that both modes send the same R2 word.
struct SolveReference {
  std::string_view text;
  int32_t refDivisor = 0;
  double pfd = 10.0;
};

// One slot's frequency solved: the loop setting, what the chip makes of it and how far that is from the text.
struct SlotSolution {
  PllSolution solution;
  double wanted = 0.0;    // MHz, the text read as ReadDouble reads it (for display)
  double achieved = 0.0;  // MHz, AchievedFrequency with the pfd in force: what a readout of the board shows
  double errorHz = 0.0;   // achieved minus wanted: classic in doubles, exact from the digits; always finite
  bool exact = false;     // the error is 0 (exact mode: exactly; classic: the two doubles are equal)
};

// Solves a frequency text in the mode; nullopt when the text is no number. Callers solve only while
// refDivisor > 0. When the reference text is not a number (so refDivisor cannot have come from it), the exact
// mode solves as the classic one does.
std::optional<SlotSolution> SolveSlot(SolveMode mode, ChipType chip, Band band, std::string_view frequencyText,
                                      const SolveReference& reference);

// BuildSlotCommand in either mode. Classic is BuildSlotCommand itself. Exact encodes SolvePllExact's setting
// and the MAX2871's band-select divider of the exact comparison frequency. A text that is no number stands
// for 180 MHz in both modes.
RegisterSet BuildSlotWords(SolveMode mode, int slot, ChipType chip, std::string_view frequencyText, Band band,
                           PowerLevel power, const SolveReference& reference);
// The command text of BuildSlotWords.
std::string BuildSlotCommand(SolveMode mode, int slot, ChipType chip, std::string_view frequencyText, Band band,
                             PowerLevel power, const SolveReference& reference);

// A solution's error as the tooltip of a real-frequency label shows it: "-122.2 Hz"; errors below
// 0.05 Hz or from 1 THz on are written as "4.0e-03 Hz"; never localised.
std::string FormatErrorHz(double hz);

}  // namespace korvane
