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

// Every field of the six register words, by what it does. Where a field lies, and whether a chip
// has it at all, is in the chip's table; the reserved bits are in no field.
enum class Field {
  Int,                    // R0: integer division value
  Frac,                   // R0: fractional division value
  IntegerMode,            // R0: integer-N mode (MAX2871)
  PhaseAdjust,            // R1: phase adjust (ADF4351)
  Prescaler,              // R1: prescaler 4/5 or 8/9 (ADF435x)
  ChargePumpLinearity,    // R1: charge-pump linearity (MAX2871)
  ChargePumpTest,         // R1: charge-pump test modes (MAX2871)
  Phase,                  // R1: phase value
  Modulus,                // R1: modulus
  LockDetectSpeed,        // R2: lock-detect speed (MAX2871)
  NoiseMode,              // R2: low-noise or low-spur mode
  MuxOut,                 // R2: what the MUXOUT pin shows
  RefDoubler,             // R2: reference doubler
  RefDivideBy2,           // R2: reference divide-by-2
  RCounter,               // R2: reference divider
  DoubleBuffer,           // R2: double-buffered divider select
  ChargePumpCurrent,      // R2: charge-pump current setting
  LockDetectFunction,     // R2: lock-detect function
  LockDetectPrecision,    // R2: lock-detect precision
  PhaseDetectorPolarity,  // R2: phase-detector polarity
  PowerDown,              // R2: power-down (shutdown)
  ChargePumpThreeState,   // R2: charge-pump three-state
  CounterReset,           // R2: R and N counters held in reset
  VcoSelect,              // R3: manual VCO choice (MAX2871)
  VasDisable,             // R3: VCO auto-select off (MAX2871)
  VasTemperature,         // R3: VCO auto-select temperature compensation (MAX2871)
  BandSelectClockMode,    // R3: band-select clock mode (ADF4351)
  AntiBacklashPulse,      // R3: antibacklash pulse width (ADF4351)
  ChargeCancel,           // R3: charge cancelation (ADF4351)
  CycleSlipReduction,     // R3: cycle-slip reduction
  MuteDelay,              // R3: lock detect delayed before mute till lock detect (MAX2871)
  ClockDividerMode,       // R3: clock divider mode
  ClockDivider,           // R3: 12-bit clock divider value
  ShutdownLdo,            // R4: LDO shutdown (MAX2871)
  ShutdownDivider,        // R4: VCO divider shutdown (MAX2871)
  ShutdownReference,      // R4: reference input shutdown (MAX2871)
  BandSelectHigh,         // R4: the two top bits of the band-select clock divider (MAX2871)
  FeedbackSelect,         // R4: feedback from the VCO (fundamental) or the divider
  Divider,                // R4: output divider, as divExp
  BandSelect,             // R4: band-select clock divider (on the MAX2871 its eight low bits)
  VcoPowerDown,           // R4: VCO power-down
  MuteTillLockDetect,     // R4: outputs muted until lock detect
  AuxOutputSelect,        // R4: what the auxiliary output carries
  Out2Enable,             // R4: auxiliary output on
  Out2Power,              // R4: auxiliary output power code
  Out1Enable,             // R4: main output on
  Out1Power,              // R4: main output power code
  VasDelay,               // R5: VCO auto-select delay (MAX2871)
  PllShutdown,            // R5: PLL shutdown (MAX2871)
  FracZeroIntegerMode,    // R5: F = 0 switches to integer-N (MAX2871)
  LockDetectPin,          // R5: what the lock-detect pin shows
  MuxOutHigh,             // R5: the top bit of the MUX code (MAX2871)
  AdcStart,               // R5: start of an ADC reading (MAX2871)
  AdcMode,                // R5: what the ADC reads (MAX2871)
};

// How Korvane gives a field its value.
enum class FieldRule {
  // The frequency, power, output or reference decide it; it is never overridden.
  Computed,
  // Korvane always sends `korvaneValue`; a slot may override it.
  Fixed,
  // The MAX2871's band-select clock divider: the comparison frequency in 50 kHz steps; a slot may
  // override it.
  BandSelectClock,
};

// A value of a field with the data sheet's name for it ("digital lock detect", "2.50 mA").
struct FieldValue {
  uint32_t value;
  std::string_view name;
};

// One field of the register words as the chip's data sheet names it: `width` bits from `lowBit`
// up in register R`reg`.
struct RegisterField {
  Field field;
  std::string_view name;
  int reg;
  int lowBit;
  int width;
  std::string_view title = {};  // what it does, in a few words
  FieldRule rule = FieldRule::Computed;
  uint32_t korvaneValue = 0;  // Fixed: what Korvane sends
  // The values the field takes, with their names; when there are any, no other value is allowed.
  std::span<const FieldValue> values = {};
  // A field without named values takes minValue..maxValue, counted in `unit` when it has one.
  uint32_t minValue = 0;
  uint32_t maxValue = 0;
  std::string_view unit = {};

  bool computed() const { return rule == FieldRule::Computed; }
  // The largest value the field's bits hold.
  uint32_t mask() const { return width >= 32 ? ~0u : (1u << width) - 1u; }
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
  // Every field of R0..R5, in register order and from the top bit down; a field the chip lacks is
  // absent.
  std::span<const RegisterField> fields;
  // The fastest band-select clock the chip's VCO selection takes, in kHz; the ADF4351 takes
  // fasterBandSelectKhz with its band-select clock mode set high.
  double maxBandSelectKhz;
  double fasterBandSelectKhz;
  // The highest VCO frequency its 4/5 prescaler takes (MHz); 0 for a chip without the choice.
  double maxPrescaler45Mhz;

  // Where the chip has the field; nullptr when it has no such field.
  const RegisterField* Find(Field field) const;
};

// The table of a chip.
const ChipFacts& Facts(ChipType chip);

}  // namespace korvane
