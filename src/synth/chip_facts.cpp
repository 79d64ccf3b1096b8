// What Korvane knows about each chip, in one table per chip.
#include "synth/chip_facts.h"

#include <algorithm>
#include <cstddef>

namespace korvane {

namespace {

using enum Field;
using enum PowerLevel;

// The main output offers every level; the auxiliary output of these boards only "-1dBm".
constexpr PowerLevel kMainOutputLevels[] = {Off, Minus4, Minus1, Plus2, Plus5};
constexpr PowerLevel kSecondOutputLevels[] = {Off, Minus1};

// Builders for the three kinds of rows.
constexpr RegisterField Computed(Field field, std::string_view name, int reg, int lowBit, int width,
                                 std::string_view title, std::span<const FieldValue> values = {}) {
  return {field, name, reg, lowBit, width, title, FieldRule::Computed, 0, values, 0, (1u << width) - 1u, {}};
}
constexpr RegisterField Named(Field field, std::string_view name, int reg, int lowBit, int width,
                              std::string_view title, uint32_t korvaneValue, std::span<const FieldValue> values) {
  return {field, name, reg, lowBit, width, title, FieldRule::Fixed, korvaneValue, values, 0, 0, {}};
}
constexpr RegisterField Number(Field field, std::string_view name, int reg, int lowBit, int width,
                               std::string_view title, FieldRule rule, uint32_t korvaneValue, uint32_t minValue,
                               uint32_t maxValue, std::string_view unit = {}) {
  return {field, name, reg, lowBit, width, title, rule, korvaneValue, {}, minValue, maxValue, unit};
}

constexpr FieldValue kOffOn[] = {{0, "disabled"}, {1, "enabled"}};
constexpr FieldValue kPowerCodes[] = {{0, "-4 dBm"}, {1, "-1 dBm"}, {2, "+2 dBm"}, {3, "+5 dBm"}};
constexpr FieldValue kFeedback[] = {{0, "divided"}, {1, "fundamental"}};
constexpr FieldValue kAuxSelect[] = {{0, "divided output"}, {1, "fundamental"}};
constexpr FieldValue kLockDetectFunction[] = {{0, "FRAC-N (40 cycles)"}, {1, "INT-N (5 cycles)"}};
constexpr FieldValue kLockDetectPrecision[] = {{0, "10 ns"}, {1, "6 ns"}};
constexpr FieldValue kPolarity[] = {{0, "negative"}, {1, "positive"}};

// ADF435x: the charge-pump current with the evaluation boards' 5.1 kOhm RSET.
constexpr FieldValue kAdfChargePump[] = {{0, "0.31 mA"},  {1, "0.63 mA"},  {2, "0.94 mA"},  {3, "1.25 mA"},
                                         {4, "1.56 mA"},  {5, "1.88 mA"},  {6, "2.19 mA"},  {7, "2.50 mA"},
                                         {8, "2.81 mA"},  {9, "3.13 mA"},  {10, "3.44 mA"}, {11, "3.75 mA"},
                                         {12, "4.06 mA"}, {13, "4.38 mA"}, {14, "4.69 mA"}, {15, "5.00 mA"}};
constexpr FieldValue kAdfMuxOut[] = {{0, "three-state output"},
                                     {1, "DVDD"},
                                     {2, "DGND"},
                                     {3, "R divider output"},
                                     {4, "N divider output"},
                                     {5, "analog lock detect"},
                                     {6, "digital lock detect"}};
constexpr FieldValue kAdfNoiseMode[] = {{0, "low noise mode"}, {3, "low spur mode"}};
constexpr FieldValue kAdfPrescaler[] = {{0, "4/5"}, {1, "8/9"}};
constexpr FieldValue kAdfLockDetectPin[] = {{0, "low"}, {1, "digital lock detect"}, {2, "low"}, {3, "high"}};
constexpr FieldValue kAdfClockDividerMode[] = {{0, "clock divider off"}, {1, "fast-lock enable"}, {2, "resync enable"}};
constexpr FieldValue kAdfVcoPowerDown[] = {{0, "VCO powered up"}, {1, "VCO powered down"}};
constexpr FieldValue kAdfBandSelectClockMode[] = {{0, "low"}, {1, "high"}};
constexpr FieldValue kAdfAntiBacklash[] = {{0, "6 ns (FRAC-N)"}, {1, "3 ns (INT-N)"}};

// Joins rows written in parts into one table.
template <size_t... N>
constexpr std::array<RegisterField, (N + ...)> Join(const std::array<RegisterField, N>&... parts) {
  std::array<RegisterField, (N + ...)> all{};
  size_t i = 0;
  ((std::copy(parts.begin(), parts.end(), all.begin() + static_cast<std::ptrdiff_t>(i)), i += parts.size()), ...);
  return all;
}

// The ADF4350 and ADF4351 place their common fields alike; the ADF4351 has four more.
constexpr std::array kAdfR0{
    Computed(Int, "INT", 0, 15, 16, "integer division value"),
    Computed(Frac, "FRAC", 0, 3, 12, "fractional division value"),
};
constexpr std::array kAdfR1{
    Named(Prescaler, "PRESCALER", 1, 27, 1, "prescaler", 1, kAdfPrescaler),
    Number(Phase, "PHASE", 1, 15, 12, "phase value", FieldRule::Fixed, 1, 0, 4095),
    Computed(Modulus, "MOD", 1, 3, 12, "modulus"),
};
constexpr std::array kAdfR2{
    Named(NoiseMode, "LOW NOISE AND LOW SPUR MODES", 2, 29, 2, "low noise or low spur mode", 0, kAdfNoiseMode),
    Named(MuxOut, "MUXOUT", 2, 26, 3, "what the MUXOUT pin shows", 6, kAdfMuxOut),
    Computed(RefDoubler, "REFERENCE DOUBLER", 2, 25, 1, "reference doubler", kOffOn),
    Computed(RefDivideBy2, "RDIV2", 2, 24, 1, "reference divide-by-2", kOffOn),
    Computed(RCounter, "R COUNTER", 2, 14, 10, "reference divider"),
    Named(DoubleBuffer, "DOUBLE BUFFER", 2, 13, 1, "double-buffered RF divider select", 1, kOffOn),
    Named(ChargePumpCurrent, "CHARGE PUMP CURRENT", 2, 9, 4, "charge-pump current", 15, kAdfChargePump),
    Computed(LockDetectFunction, "LDF", 2, 8, 1, "lock-detect function", kLockDetectFunction),
    Named(LockDetectPrecision, "LDP", 2, 7, 1, "lock-detect precision", 1, kLockDetectPrecision),
    Named(PhaseDetectorPolarity, "PD POLARITY", 2, 6, 1, "phase-detector polarity", 1, kPolarity),
    Named(PowerDown, "POWER-DOWN", 2, 5, 1, "power-down", 0, kOffOn),
    Named(ChargePumpThreeState, "CP THREE-STATE", 2, 4, 1, "charge-pump three-state", 0, kOffOn),
    Named(CounterReset, "COUNTER RESET", 2, 3, 1, "R and N counters held in reset", 0, kOffOn),
};
constexpr std::array kAdfR3{
    Named(CycleSlipReduction, "CSR", 3, 18, 1, "cycle-slip reduction", 0, kOffOn),
    Named(ClockDividerMode, "CLK DIV MODE", 3, 15, 2, "clock divider mode", 0, kAdfClockDividerMode),
    Number(ClockDivider, "CLOCK DIVIDER VALUE", 3, 3, 12, "12-bit clock divider value", FieldRule::Fixed, 0, 0, 4095,
           "PFD cycles"),
};
constexpr std::array kAdfR4R5{
    Computed(FeedbackSelect, "FEEDBACK SELECT", 4, 23, 1, "feedback to the N counter", kFeedback),
    Computed(Divider, "RF DIVIDER SELECT", 4, 20, 3, "output divider (2^value)"),
    Number(BandSelect, "BAND SELECT CLOCK DIVIDER", 4, 12, 8, "band-select clock divider", FieldRule::Fixed, 120, 1,
           255),
    Named(VcoPowerDown, "VCO POWER-DOWN", 4, 11, 1, "VCO power-down", 0, kAdfVcoPowerDown),
    Named(MuteTillLockDetect, "MTLD", 4, 10, 1, "mute till lock detect", 0, kOffOn),
    Computed(AuxOutputSelect, "AUX OUTPUT SELECT", 4, 9, 1, "what the auxiliary output carries", kAuxSelect),
    Computed(Out2Enable, "AUX OUTPUT ENABLE", 4, 8, 1, "auxiliary output", kOffOn),
    Computed(Out2Power, "AUX OUTPUT POWER", 4, 6, 2, "auxiliary output power", kPowerCodes),
    Computed(Out1Enable, "RF OUTPUT ENABLE", 4, 5, 1, "main output", kOffOn),
    Computed(Out1Power, "OUTPUT POWER", 4, 3, 2, "main output power", kPowerCodes),
    Named(LockDetectPin, "LD PIN MODE", 5, 22, 2, "what the lock-detect pin shows", 1, kAdfLockDetectPin),
};

constexpr std::array kAdf4351R1{
    Named(PhaseAdjust, "PHASE ADJUST", 1, 28, 1, "phase adjust", 0, kOffOn),
};
constexpr std::array kAdf4351R3{
    Named(BandSelectClockMode, "BAND SELECT CLOCK MODE", 3, 23, 1, "band-select clock mode", 0,
          kAdfBandSelectClockMode),
    Named(AntiBacklashPulse, "ABP", 3, 22, 1, "antibacklash pulse width", 0, kAdfAntiBacklash),
    Named(ChargeCancel, "CHARGE CANCEL", 3, 21, 1, "charge cancelation", 0, kOffOn),
};

constexpr auto kAdf4350Fields = Join(kAdfR0, kAdfR1, kAdfR2, kAdfR3, kAdfR4R5);
constexpr auto kAdf4351Fields = Join(kAdfR0, kAdf4351R1, kAdfR1, kAdfR2, kAdf4351R3, kAdfR3, kAdfR4R5);

// MAX2871: the charge-pump current 1.63 V / RSET * (1 + CP) with a 5.1 kOhm RSET.
constexpr FieldValue kMaxChargePump[] = {{0, "0.32 mA"},  {1, "0.64 mA"},  {2, "0.96 mA"},  {3, "1.28 mA"},
                                         {4, "1.60 mA"},  {5, "1.92 mA"},  {6, "2.24 mA"},  {7, "2.56 mA"},
                                         {8, "2.88 mA"},  {9, "3.20 mA"},  {10, "3.52 mA"}, {11, "3.84 mA"},
                                         {12, "4.16 mA"}, {13, "4.47 mA"}, {14, "4.79 mA"}, {15, "5.11 mA"}};
constexpr FieldValue kMaxIntegerMode[] = {{0, "fractional-N"}, {1, "integer-N"}};
constexpr FieldValue kMaxLinearity[] = {{0, "disabled (integer-N)"}, {1, "10%"}, {2, "20%"}, {3, "30%"}};
constexpr FieldValue kMaxChargePumpTest[] = {
    {0, "normal mode"}, {1, "long reset mode"}, {2, "force into source"}, {3, "force into sink"}};
constexpr FieldValue kMaxLockDetectSpeed[] = {{0, "fPFD up to 32 MHz"}, {1, "fPFD above 32 MHz"}};
constexpr FieldValue kMaxNoiseMode[] = {{0, "low-noise mode"}, {2, "low-spur mode 1"}, {3, "low-spur mode 2"}};
constexpr FieldValue kMaxMux[] = {{0, "three-state output"},
                                  {1, "DVDD"},
                                  {2, "DGND"},
                                  {3, "R divider output"},
                                  {4, "N divider output / 2"},
                                  {5, "analog lock detect"},
                                  {6, "digital lock detect"},
                                  {7, "sync input"}};
constexpr FieldValue kMaxMuxHigh[] = {{0, "MUX codes 0000 to 0111"}, {1, "MUX codes 1000 to 1111 (1100: read R6)"}};
constexpr FieldValue kMaxShutdown[] = {{0, "normal mode"}, {1, "shut down"}};
constexpr FieldValue kMaxThreeState[] = {{0, "disabled"}, {1, "three-state"}};
constexpr FieldValue kMaxReset[] = {{0, "normal operation"}, {1, "R and N counters reset"}};
constexpr FieldValue kMaxVasDisable[] = {{0, "VAS enabled"}, {1, "VAS disabled (VCO chosen by VCO)"}};
constexpr FieldValue kMaxMuteDelay[] = {{0, "no delay"}, {1, "lock detect delayed before MTLD"}};
constexpr FieldValue kMaxClockDividerMode[] = {
    {0, "mute until lock delay"}, {1, "fast-lock enabled"}, {2, "phase adjustment"}};
constexpr FieldValue kMaxVasDelay[] = {{0, "for VAS_TEMP 0"}, {3, "for VAS_TEMP 1"}};
constexpr FieldValue kMaxFracZero[] = {{0, "F = 0 stays fractional-N"}, {1, "F = 0 runs integer-N"}};
constexpr FieldValue kMaxLockDetectPin[] = {
    {0, "low"}, {1, "digital lock detect"}, {2, "analog lock detect"}, {3, "high"}};
constexpr FieldValue kMaxAdcStart[] = {{0, "normal operation"}, {1, "start ADC conversion"}};
constexpr FieldValue kMaxAdcMode[] = {{0, "disabled"}, {1, "temperature sensor"}, {4, "tune pin"}};

constexpr RegisterField kMax2871Fields[] = {
    Computed(IntegerMode, "INT", 0, 31, 1, "integer-N mode", kMaxIntegerMode),
    Computed(Int, "N", 0, 15, 16, "integer division value"),
    Computed(Frac, "F", 0, 3, 12, "fractional division value"),
    Computed(ChargePumpLinearity, "CPL", 1, 29, 2, "charge-pump linearity", kMaxLinearity),
    Named(ChargePumpTest, "CPT", 1, 27, 2, "charge-pump test", 0, kMaxChargePumpTest),
    Number(Phase, "P", 1, 15, 12, "phase value", FieldRule::Fixed, 1, 0, 4095),
    Computed(Modulus, "M", 1, 3, 12, "modulus"),
    Named(LockDetectSpeed, "LDS", 2, 31, 1, "lock-detect speed", 0, kMaxLockDetectSpeed),
    Named(NoiseMode, "SDN", 2, 29, 2, "low-noise or low-spur mode", 0, kMaxNoiseMode),
    Named(MuxOut, "MUX", 2, 26, 3, "what the MUX pin shows (with MUX[3])", 6, kMaxMux),
    Computed(RefDoubler, "DBR", 2, 25, 1, "reference doubler", kOffOn),
    Computed(RefDivideBy2, "RDIV2", 2, 24, 1, "reference divide-by-2", kOffOn),
    Computed(RCounter, "R", 2, 14, 10, "reference divider"),
    Named(DoubleBuffer, "REG4DB", 2, 13, 1, "double-buffered R4", 1, kOffOn),
    Named(ChargePumpCurrent, "CP", 2, 9, 4, "charge-pump current", 15, kMaxChargePump),
    Computed(LockDetectFunction, "LDF", 2, 8, 1, "lock-detect function", kLockDetectFunction),
    Named(LockDetectPrecision, "LDP", 2, 7, 1, "lock-detect precision", 1, kLockDetectPrecision),
    Named(PhaseDetectorPolarity, "PDP", 2, 6, 1, "phase-detector polarity", 1, kPolarity),
    Named(PowerDown, "SHDN", 2, 5, 1, "shutdown", 0, kMaxShutdown),
    Named(ChargePumpThreeState, "TRI", 2, 4, 1, "charge-pump three-state", 0, kMaxThreeState),
    Named(CounterReset, "RST", 2, 3, 1, "counter reset", 0, kMaxReset),
    Number(VcoSelect, "VCO", 3, 26, 6, "VCO used while VAS is disabled", FieldRule::Fixed, 0, 0, 63),
    Named(VasDisable, "VAS_SHDN", 3, 25, 1, "VCO auto-select shutdown", 0, kMaxVasDisable),
    Named(VasTemperature, "VAS_TEMP", 3, 24, 1, "VCO auto-select temperature compensation", 1, kOffOn),
    Named(CycleSlipReduction, "CSM", 3, 18, 1, "cycle-slip mode", 0, kOffOn),
    Named(MuteDelay, "MUTEDEL", 3, 17, 1, "mute delay", 0, kMaxMuteDelay),
    Named(ClockDividerMode, "CDM", 3, 15, 2, "clock divider mode", 0, kMaxClockDividerMode),
    Number(ClockDivider, "CDIV", 3, 3, 12, "clock divider value", FieldRule::Fixed, 0, 0, 4095, "PFD cycles"),
    Named(ShutdownLdo, "SDLDO", 4, 28, 1, "LDO shutdown", 0, kMaxShutdown),
    Named(ShutdownDivider, "SDDIV", 4, 27, 1, "VCO divider shutdown", 0, kMaxShutdown),
    Named(ShutdownReference, "SDREF", 4, 26, 1, "reference input shutdown", 0, kMaxShutdown),
    Number(BandSelectHigh, "BS[9:8]", 4, 24, 2, "band-select clock divider, bits 9..8", FieldRule::BandSelectClock, 0,
           0, 3),
    Computed(FeedbackSelect, "FB", 4, 23, 1, "feedback to the N counter", kFeedback),
    Computed(Divider, "DIVA", 4, 20, 3, "output divider (2^value)"),
    Number(BandSelect, "BS[7:0]", 4, 12, 8, "band-select clock divider, bits 7..0", FieldRule::BandSelectClock, 0, 0,
           255),
    Named(VcoPowerDown, "SDVCO", 4, 11, 1, "VCO shutdown", 0, kMaxShutdown),
    Named(MuteTillLockDetect, "MTLD", 4, 10, 1, "mute till lock detect", 0, kOffOn),
    Computed(AuxOutputSelect, "BDIV", 4, 9, 1, "what RFOUTB carries", kAuxSelect),
    Computed(Out2Enable, "RFB_EN", 4, 8, 1, "RFOUTB output", kOffOn),
    Computed(Out2Power, "BPWR", 4, 6, 2, "RFOUTB power", kPowerCodes),
    Computed(Out1Enable, "RFA_EN", 4, 5, 1, "RFOUTA output", kOffOn),
    Computed(Out1Power, "APWR", 4, 3, 2, "RFOUTA power", kPowerCodes),
    Named(VasDelay, "VAS_DLY", 5, 29, 2, "VCO auto-select delay", 3, kMaxVasDelay),
    Named(PllShutdown, "SDPLL", 5, 25, 1, "PLL shutdown", 0, kMaxShutdown),
    Named(FracZeroIntegerMode, "F01", 5, 24, 1, "integer-N when F is 0", 0, kMaxFracZero),
    Named(LockDetectPin, "LD", 5, 22, 2, "what the lock-detect pin shows", 1, kMaxLockDetectPin),
    Named(MuxOutHigh, "MUX[3]", 5, 18, 1, "top bit of the MUX code", 0, kMaxMuxHigh),
    Named(AdcStart, "ADCS", 5, 6, 1, "ADC start", 0, kMaxAdcStart),
    Named(AdcMode, "ADCM", 5, 3, 3, "ADC mode", 0, kMaxAdcMode),
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
    .fields = kAdf4350Fields,
    .maxBandSelectKhz = 125.0,
    .fasterBandSelectKhz = 125.0,
    .maxPrescaler45Mhz = 3000.0,
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
    .fields = kAdf4351Fields,
    .maxBandSelectKhz = 125.0,
    .fasterBandSelectKhz = 500.0,
    .maxPrescaler45Mhz = 3600.0,
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
    .maxBandSelectKhz = 50.0,
    .fasterBandSelectKhz = 50.0,
    .maxPrescaler45Mhz = 0.0,
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
