// Divider and fraction solver of the fractional-N loop.
#pragma once

#include <cstdint>
#include <span>

#include "synth/chip.h"
#include "synth/chip_facts.h"

namespace korvane {

struct PllSolution {
  int32_t divExp = 0;  // output divider is 2^divExp
  int32_t INT = 0;
  int32_t FRAC = 0;
  int32_t MOD = 2;
};

// The chip's rows, lowest threshold first; a working frequency at or above the last takes divExp 0.
std::span<const DividerStep> DividerSteps(ChipType chip);

// The INT values the chip's loop takes; solutions are clamped into them.
IntRange IntRangeOf(ChipType chip);

PllSolution SolvePll(ChipType chip, Band band, double frequency, double pfd);

// (FRAC / MOD + INT) * pfd / 2^divExp, doubled in band 1. A MOD of 0 counts as integer-N.
double AchievedFrequency(const PllSolution& solution, Band band, double pfd);

}  // namespace korvane
