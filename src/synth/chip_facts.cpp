// What Korvane knows about each chip, in one table per chip.
#include "synth/chip_facts.h"

namespace korvane {

namespace {

using enum Field;
using enum PowerLevel;

// The main output offers every level; the auxiliary output of these boards only "-1dBm".
constexpr PowerLevel kMainOutputLevels[] = {Off, Minus4, Minus1, Plus2, Plus5};
constexpr PowerLevel kSecondOutputLevels[] = {Off, Minus1};

// The ADF4350 and ADF4351 place every field Korvane uses alike.
constexpr RegisterField kAdf435xFields[] = {
    {Int, "INT", 0, 15, 16},
    {Frac, "FRAC", 0, 3, 12},
    {Prescaler, "PRESCALER", 1, 27, 1},
    {Phase, "PHASE", 1, 15, 12},
    {Modulus, "MOD", 1, 3, 12},
    {MuxOut, "MUXOUT", 2, 26, 3},
    {RefDoubler, "REFERENCE DOUBLER", 2, 25, 1},
    {RCounter, "R COUNTER", 2, 14, 10},
    {DoubleBuffer, "DOUBLE BUFFER", 2, 13, 1},
    {ChargePumpCurrent, "CHARGE PUMP CURRENT", 2, 9, 4},
    {LockDetectFunction, "LDF", 2, 8, 1},
    {LockDetectPrecision, "LDP", 2, 7, 1},
    {PhaseDetectorPolarity, "PD POLARITY", 2, 6, 1},
    {FeedbackSelect, "FEEDBACK SELECT", 4, 23, 1},
    {Divider, "RF DIVIDER SELECT", 4, 20, 3},
    {BandSelect, "BAND SELECT CLOCK DIVIDER", 4, 12, 8},
    {Out2Enable, "AUX OUTPUT ENABLE", 4, 8, 1},
    {Out2Power, "AUX OUTPUT POWER", 4, 6, 2},
    {Out1Enable, "RF OUTPUT ENABLE", 4, 5, 1},
    {Out1Power, "OUTPUT POWER", 4, 3, 2},
    {LockDetectPin, "LD PIN MODE", 5, 22, 2},
};

constexpr RegisterField kMax2871Fields[] = {
    {IntegerMode, "INT", 0, 31, 1},
    {Int, "N", 0, 15, 16},
    {Frac, "F", 0, 3, 12},
    {ChargePumpLinearity, "CPL", 1, 29, 2},
    {Phase, "P", 1, 15, 12},
    {Modulus, "M", 1, 3, 12},
    {MuxOut, "MUX", 2, 26, 3},
    {RefDoubler, "DBR", 2, 25, 1},
    {RCounter, "R", 2, 14, 10},
    {DoubleBuffer, "REG4DB", 2, 13, 1},
    {ChargePumpCurrent, "CP", 2, 9, 4},
    {LockDetectFunction, "LDF", 2, 8, 1},
    {LockDetectPrecision, "LDP", 2, 7, 1},
    {PhaseDetectorPolarity, "PDP", 2, 6, 1},
    {VasTemperature, "VAS_TEMP", 3, 24, 1},
    {BandSelectHigh, "BS[9:8]", 4, 24, 2},
    {FeedbackSelect, "FB", 4, 23, 1},
    {Divider, "DIVA", 4, 20, 3},
    {BandSelect, "BS[7:0]", 4, 12, 8},
    {Out2Enable, "RFB_EN", 4, 8, 1},
    {Out2Power, "BPWR", 4, 6, 2},
    {Out1Enable, "RFA_EN", 4, 5, 1},
    {Out1Power, "APWR", 4, 3, 2},
    {VasDelay, "VAS_DLY", 5, 29, 2},
    {LockDetectPin, "LD", 5, 22, 2},
};

// What the boards' sets have always carried: phase 1, digital lock detect on MUXOUT and on the
// lock-detect pin, the highest charge-pump current, double-buffered divider, positive phase
// detector, feedback from the VCO.
constexpr FieldSetting kAdf435xSettings[] = {
    {Prescaler, 1},  // 8/9
    {Phase, 1},
    {MuxOut, 6},
    {DoubleBuffer, 1},
    {ChargePumpCurrent, 15},
    {LockDetectPrecision, 1},
    {PhaseDetectorPolarity, 1},
    {FeedbackSelect, 1},
    {LockDetectPin, 1},
};

constexpr FieldSetting kMax2871Settings[] = {
    {Phase, 1},
    {MuxOut, 6},
    {DoubleBuffer, 1},
    {ChargePumpCurrent, 15},
    {LockDetectPrecision, 1},
    {PhaseDetectorPolarity, 1},
    {VasTemperature, 1},
    {FeedbackSelect, 1},
    {LockDetectPin, 1},
    {VasDelay, 3},
};

// The first threshold strictly above the working frequency picks the divider, so the
// oscillator ends up at 2200 MHz (ADF435x) or 3000 MHz (MAX2871) or above.
constexpr DividerStep kAdf4350Steps[] = {{275.0, 4}, {550.0, 3}, {1100.0, 2}, {2200.0, 1}};
constexpr DividerStep kAdf4351Steps[] = {{68.75, 6}, {137.5, 5}, {275.0, 4}, {550.0, 3}, {1100.0, 2}, {2200.0, 1}};
constexpr DividerStep kMax2871Steps[] = {{46.875, 7}, {93.75, 6},  {187.5, 5}, {375.0, 4},
                                         {750.0, 3},  {1500.0, 2}, {3000.0, 1}};

constexpr ChipFacts kAdf4350{
    .chip = ChipType::Adf4350,
    .name = "ADF4350",
    .bandLimits = {{{137.5, 4400.0}, {5000.0, 8800.0}}},
    .minReference = 5.0,
    .maxReference = 250.0,
    .powerLevels = {kMainOutputLevels, kSecondOutputLevels},
    .dividerSteps = kAdf4350Steps,
    .intRange = {75, 65535},
    .fields = kAdf435xFields,
    .fixedSettings = kAdf435xSettings,
    .fixedBandSelectDivider = 120,
};

constexpr ChipFacts kAdf4351{
    .chip = ChipType::Adf4351,
    .name = "ADF4351",
    .bandLimits = {{{34.375, 4400.0}, {5000.0, 8800.0}}},
    .minReference = 5.0,
    .maxReference = 250.0,
    .powerLevels = {kMainOutputLevels, kSecondOutputLevels},
    .dividerSteps = kAdf4351Steps,
    .intRange = {75, 65535},
    .fields = kAdf435xFields,
    .fixedSettings = kAdf435xSettings,
    .fixedBandSelectDivider = 120,
};

// The MAX2871's reference input takes less than the ADF435x's.
constexpr ChipFacts kMax2871{
    .chip = ChipType::Max2871,
    .name = "MAX2871",
    .bandLimits = {{{23.5, 6000.0}, {5000.0, 12000.0}}},
    .minReference = 5.0,
    .maxReference = 210.0,
    .powerLevels = {kMainOutputLevels, kSecondOutputLevels},
    .dividerSteps = kMax2871Steps,
    .intRange = {19, 4091},
    .fields = kMax2871Fields,
    .fixedSettings = kMax2871Settings,
    .fixedBandSelectDivider = std::nullopt,
};

}  // namespace

const RegisterField* ChipFacts::Find(Field field) const {
  for (const RegisterField& f : fields) {
    if (f.field == field) return &f;
  }
  return nullptr;
}

const ChipFacts& Facts(ChipType chip) {
  switch (chip) {
    case ChipType::Adf4350:
      return kAdf4350;
    case ChipType::Adf4351:
      return kAdf4351;
    case ChipType::Max2871:
      break;
  }
  return kMax2871;
}

}  // namespace korvane
