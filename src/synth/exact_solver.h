// The exact solver: the nearest fraction for a frequency read exactly, with no binary rounding on the way.
#pragma once

#include <cstdint>

#include "synth/chip.h"
#include "synth/exact_decimal.h"
#include "synth/solver.h"

namespace korvane {

// A wanted frequency in MHz, exactly: a decimal over a whole divisor. Typed text has divisor 1; a
// frequency built from a loop setting (INT + FRAC / MOD) x pfd / 2^divExp needs the divisor.
struct ExactFrequency {
  ExactDecimal mhz;
  uint32_t divisor = 1;  // 0 counts as 1
};

// The reference as typed and the refDivisor that divides it: the comparison frequency is exactly
// 2 x reference / refDivisor, as the chip makes it.
struct ExactReference {
  ExactDecimal reference;
  int32_t refDivisor = 0;
};

// SolvePll's divider (the same thresholds, compared exactly) and the INT range of the chip, with the fraction
// that comes nearest the exact ratio: the best approximation with a modulus of 2 to 4095 (ties take the smaller
// modulus). A ratio that is an integer (or rounds to one) is integer-N: FRAC 0, MOD 2, as SolvePll gives it.
// Outside the chip's INT range the nearest setting it can make is taken: INT at its lowest with FRAC 0, or at
// its highest with FRAC 4094, MOD 4095. A comparison frequency of 0 or below, or a refDivisor above 2046 (more
// than R2 holds), counts as an endless ratio.
PllSolution SolvePllExact(ChipType chip, Band band, const ExactFrequency& frequency, const ExactReference& reference);

// How far a solution lands from the wanted frequency: achieved minus wanted, in hertz.
struct FrequencyError {
  double hz = 0.0;    // the exact difference as a double (good to about 1e-15 of itself); finite
  bool zero = false;  // the difference is exactly 0
};

// The error of any solution (either solver's, or a decoded one) against the wanted frequency, worked out
// with exact integers; only the result is turned into a double. A MOD of 0 counts as integer-N. Far outside
// the loop's reach (a ratio beyond 2^17 or below 2^-13, or fields wider than the chip's words) the
// difference is computed in doubles: it cannot be 0 there.
FrequencyError ExactFrequencyError(const PllSolution& solution, Band band, const ExactFrequency& frequency,
                                   const ExactReference& reference);

// The MAX2871's band-select divider from the exact comparison frequency: pfd in 50 kHz steps, truncated.
int32_t ExactBandSelectDivider(const ExactReference& reference);

}  // namespace korvane
