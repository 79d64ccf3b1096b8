// What Korvane knows about each chip, in one table per chip.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "synth/chip.h"

namespace korvane {

// One row of a chip's output-divider table: a working frequency below the threshold (MHz) takes 2^divExp.
struct DividerStep {
  double threshold;  // every threshold is a whole number of eighths of a MHz
  int32_t divExp;
};

// The INT values the chip's loop takes; solutions are clamped into them.
struct IntRange {
  int32_t low;
  int32_t high;
};

// The fields of the register words Korvane writes or reads, by what they do. Where a field lies,
// and whether a chip has it at all, is in the chip's table.
enum class Field {
  Int,                    // R0: integer division value
  Frac,                   // R0: fractional division value
  IntegerMode,            // R0: integer-N mode (MAX2871)
  Prescaler,              // R1: prescaler 4/5 or 8/9 (ADF435x)
  ChargePumpLinearity,    // R1: charge-pump linearity (MAX2871)
  Phase,                  // R1: phase value
  Modulus,                // R1: modulus
  MuxOut,                 // R2: what the MUXOUT pin shows
  RefDoubler,             // R2: reference doubler
  RCounter,               // R2: reference divider
  DoubleBuffer,           // R2: double-buffered divider select
  ChargePumpCurrent,      // R2: charge-pump current setting
  LockDetectFunction,     // R2: lock-detect function
  LockDetectPrecision,    // R2: lock-detect precision
  PhaseDetectorPolarity,  // R2: phase-detector polarity
  VasTemperature,         // R3: VCO auto-select temperature compensation (MAX2871)
  BandSelectHigh,         // R4: the two top bits of the band-select clock divider (MAX2871)
  FeedbackSelect,         // R4: feedback from the VCO (fundamental) or the divider
  Divider,                // R4: output divider, as divExp
  BandSelect,             // R4: band-select clock divider (on the MAX2871 its eight low bits)
  Out2Enable,             // R4: auxiliary output on
  Out2Power,              // R4: auxiliary output power code
  Out1Enable,             // R4: main output on
  Out1Power,              // R4: main output power code
  VasDelay,               // R5: VCO auto-select delay (MAX2871)
  LockDetectPin,          // R5: what the lock-detect pin shows
};

// One field of the register words as the chip's data sheet names it: `width` bits from `lowBit`
// up in register R`reg`.
struct RegisterField {
  Field field;
  std::string_view name;
  int reg;
  int lowBit;
  int width;
};

// A value Korvane gives a field in every set it sends, whatever the frequency.
struct FieldSetting {
  Field field;
  uint32_t value;
};

struct ChipFacts {
  ChipType chip;
  std::string_view name;
  std::array<BandLimits, 2> bandLimits;  // MHz, by Band
  double minReference;                   // MHz
  double maxReference;                   // MHz
  // The levels each output offers, by Band, in the order its power list shows them.
  std::array<std::span<const PowerLevel>, 2> powerLevels;
  // The output divider's rows, lowest threshold first; a working frequency at or above the last
  // takes divExp 0.
  std::span<const DividerStep> dividerSteps;
  IntRange intRange;
  // The fields Korvane writes or reads, in register and bit order; a field the chip lacks is absent.
  std::span<const RegisterField> fields;
  // The values the chip's fields always get.
  std::span<const FieldSetting> fixedSettings;
  // The band-select clock divider this chip always gets; none: it follows the comparison frequency.
  std::optional<int32_t> fixedBandSelectDivider;

  // Where the chip has the field; nullptr when it has no such field.
  const RegisterField* Find(Field field) const;
};

// The table of a chip.
const ChipFacts& Facts(ChipType chip);

}  // namespace korvane
