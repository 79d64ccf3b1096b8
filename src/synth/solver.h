// Divider and fraction solver of the fractional-N loop.
#pragma once

#include <cstdint>

#include "synth/chip.h"

namespace korvane {

struct PllSolution {
  int32_t divExp = 0;  // output divider is 2^divExp
  int32_t INT = 0;
  int32_t FRAC = 0;
  int32_t MOD = 2;
};

PllSolution SolvePll(ChipType chip, Band band, double frequency, double pfd);

// (FRAC / MOD + INT) * pfd / 2^divExp, doubled in band 1. A MOD of 0 counts as integer-N.
double AchievedFrequency(const PllSolution& solution, Band band, double pfd);

}  // namespace korvane
