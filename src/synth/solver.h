// Divider and fraction solver of the fractional-N loop.
#pragma once

#include <cstdint>
#include <span>

#include "synth/chip.h"

namespace korvane {

struct PllSolution {
  int32_t divExp = 0;  // output divider is 2^divExp
  int32_t INT = 0;
  int32_t FRAC = 0;
  int32_t MOD = 2;
};

// One row of a chip's output-divider table: a working frequency below the threshold (MHz) takes 2^divExp.
struct DividerStep {
  double threshold;  // every threshold is a whole number of eighths of a MHz
  int32_t divExp;
};

// The chip's rows, lowest threshold first; a working frequency at or above the last takes divExp 0.
std::span<const DividerStep> DividerSteps(ChipType chip);

// The INT values the chip's loop takes; solutions are clamped into them.
struct IntRange {
  int32_t low;
  int32_t high;
};
IntRange IntRangeOf(ChipType chip);

PllSolution SolvePll(ChipType chip, Band band, double frequency, double pfd);

// (FRAC / MOD + INT) * pfd / 2^divExp, doubled in band 1. A MOD of 0 counts as integer-N.
double AchievedFrequency(const PllSolution& solution, Band band, double pfd);

}  // namespace korvane
