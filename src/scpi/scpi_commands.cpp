#include "scpi/scpi_commands.h"

#include <vector>

namespace korvane::scpi {

namespace {

constexpr bool kSet = true;
constexpr bool kQuery = true;
constexpr bool kNo = false;

const CommandEntry kCommands[] = {
    // IEEE 488.2 common commands.
    {"*IDN", Op::Identify, kNo, kQuery},
    {"*RST", Op::Reset, kSet, kNo},
    {"*CLS", Op::ClearStatus, kSet, kNo},
    {"*OPC", Op::OperationComplete, kSet, kQuery},
    {"*WAI", Op::Wait, kSet, kNo},
    {"*ESR", Op::EventStatus, kNo, kQuery},
    {"*ESE", Op::EventStatusEnable, kSet, kQuery, Arity::One, Quantity::Plain, kLimitKeywords, true, true},
    {"*STB", Op::StatusByte, kNo, kQuery},
    {"*SRE", Op::ServiceRequestEnable, kSet, kQuery, Arity::One, Quantity::Plain, kLimitKeywords, true, true},
    {"*TST", Op::SelfTest, kNo, kQuery},
    {"*OPT", Op::Options, kNo, kQuery},
    {"SYSTem:ERRor[:NEXT]", Op::NextError, kNo, kQuery},
    {"SYSTem:ERRor:ALL", Op::AllErrors, kNo, kQuery},
    {"SYSTem:ERRor:COUNt", Op::ErrorCount, kNo, kQuery},
    {"SYSTem:VERSion", Op::Version, kNo, kQuery},
    // Status registers.
    {"STATus:OPERation[:EVENt]", Op::OperationEvent, kNo, kQuery},
    {"STATus:OPERation:CONDition", Op::OperationCondition, kNo, kQuery},
    {"STATus:OPERation:ENABle", Op::OperationEnable, kSet, kQuery, Arity::One, Quantity::Plain, kLimitKeywords, true,
     true},
    {"STATus:QUEStionable[:EVENt]", Op::QuestionableEvent, kNo, kQuery},
    {"STATus:QUEStionable:CONDition", Op::QuestionableCondition, kNo, kQuery},
    {"STATus:QUEStionable:ENABle", Op::QuestionableEnable, kSet, kQuery, Arity::One, Quantity::Plain, kLimitKeywords,
     true, true},
    {"STATus:PRESet", Op::StatusPreset, kSet, kNo},
    // The output.
    {"[SOURce#:]FREQuency[:CW|:FIXed]", Op::Frequency, kSet, kQuery, Arity::One, Quantity::Frequency,
     kFrequencyKeywords, true, true},
    {"[SOURce#:]FREQuency:OUTPut", Op::FrequencyOutput, kSet, kQuery, Arity::One, Quantity::Plain, kOutputKeywords,
     false},
    {"[SOURce#:]FREQuency:LOCK", Op::Lock, kNo, kQuery},
    // A plan: FREQ, STARt, STOP and LIST are the RF, multiplier x output + offset.
    {"[SOURce#:]FREQuency:MULTiplier", Op::FrequencyMultiplier, kSet, kQuery, Arity::One, Quantity::Plain,
     kLimitKeywords, true, true},
    {"[SOURce#:]FREQuency:OFFSet", Op::FrequencyOffset, kSet, kQuery, Arity::One, Quantity::Frequency, kLimitKeywords,
     true, true},
    {"[SOURce#:]POWer[:LEVel][:IMMediate][:AMPLitude]", Op::Power, kSet, kQuery, Arity::One, Quantity::Power,
     kLimitKeywords, true, true},
    {"OUTPut#[:STATe]", Op::OutputState, kSet, kQuery, Arity::One, Quantity::Plain, kBooleanKeywords},
    {"[SOURce#:]ROSCillator:SOURce", Op::ReferenceSource, kSet, kQuery, Arity::One, Quantity::Plain, kSourceKeywords,
     false},
    {"[SOURce#:]ROSCillator:FREQuency", Op::ReferenceFrequency, kSet, kQuery, Arity::One, Quantity::Frequency,
     kLimitKeywords, true, true},
    // Sweeps.
    {"[SOURce#:]FREQuency:STARt", Op::Start, kSet, kQuery, Arity::One, Quantity::Frequency, kLimitKeywords, true, true},
    {"[SOURce#:]FREQuency:STOP", Op::Stop, kSet, kQuery, Arity::One, Quantity::Frequency, kLimitKeywords, true, true},
    {"[SOURce#:]FREQuency:MODE", Op::Mode, kSet, kQuery, Arity::One, Quantity::Plain, kModeKeywords, false},
    {"[SOURce#:]SWEep:POINts", Op::SweepPoints, kSet, kQuery, Arity::One, Quantity::Plain, kLimitKeywords, true, true},
    {"[SOURce#:]SWEep:DWELl", Op::SweepDwell, kSet, kQuery, Arity::One, Quantity::Time, kLimitKeywords, true, true},
    {"[SOURce#:]SWEep:COUNt", Op::SweepCount, kSet, kQuery, Arity::One, Quantity::Plain, kCountKeywords, true, true},
    {"[SOURce#:]LIST:FREQuency", Op::ListFrequency, kSet, kQuery, Arity::List, Quantity::Frequency, kLimitKeywords,
     true, true},
    {"[SOURce#:]LIST:FREQuency:POINts", Op::ListPoints, kNo, kQuery},
    {"[SOURce#:]LIST:DWELl", Op::ListDwell, kSet, kQuery, Arity::List, Quantity::Time, kLimitKeywords, true, true},
    {"INITiate[:IMMediate]", Op::Initiate, kSet, kNo},
    {"ABORt", Op::Abort, kSet, kNo},
    // The commands bench generators share.
    {"SYSTem:PRESet", Op::Preset, kSet, kNo},
    {"OUTPut#:MODulation[:STATe]", Op::ModulationState, kSet, kQuery, Arity::One, Quantity::Plain, kBooleanKeywords},
    {"[SOURce#:]FREQuency:ACTual", Op::ActualFrequency, kNo, kQuery},
    {"[SOURce#:]FREQuency:CENTer", Op::Center, kSet, kQuery, Arity::One, Quantity::Frequency, kLimitKeywords, true,
     true},
    {"[SOURce#:]FREQuency:SPAN", Op::Span, kSet, kQuery, Arity::One, Quantity::Frequency, kLimitKeywords, true, true},
    {"[SOURce#:]FREQuency:STEP[:INCRement]", Op::Step, kSet, kQuery, Arity::One, Quantity::Frequency, kLimitKeywords,
     true, true},
    {"[SOURce#:]SWEep:SPACing", Op::SweepSpacing, kSet, kQuery, Arity::One, Quantity::Plain, kSpacingKeywords, false},
    {"[SOURce#:]SWEep:TIME", Op::SweepTime, kNo, kQuery},
    {"[SOURce#:]LIST:POWer", Op::ListPower, kSet, kQuery, Arity::List, Quantity::Power, kLimitKeywords, true, true},
    {"INITiate:CONTinuous", Op::InitContinuous, kSet, kQuery, Arity::One, Quantity::Plain, kBooleanKeywords},
    {"TRIGger[:SEQuence]:SOURce", Op::TriggerSource, kSet, kQuery, Arity::One, Quantity::Plain, kTriggerKeywords,
     false},
    {"*TRG", Op::Trigger, kSet, kNo},
    {"TRIGger[:SEQuence][:IMMediate]", Op::Trigger, kSet, kNo},
};

}  // namespace

std::span<const CommandEntry> Commands() { return kCommands; }

bool RunsBesideBoard(Op op) {
  switch (op) {
    // Who the instrument is, and the client's own status and error queue.
    case Op::Identify:
    case Op::Options:
    case Op::Version:
    case Op::ClearStatus:
    case Op::OperationComplete:
    case Op::Wait:
    case Op::EventStatus:
    case Op::EventStatusEnable:
    case Op::StatusByte:
    case Op::ServiceRequestEnable:
    case Op::NextError:
    case Op::AllErrors:
    case Op::ErrorCount:
    case Op::OperationEvent:
    case Op::OperationCondition:
    case Op::OperationEnable:
    case Op::QuestionableEnable:
    case Op::StatusPreset:
      return true;
    default:
      // The output's settings wait too: a query answers what the commands before it made.
      return false;
  }
}

std::span<const HeaderPattern> CommandPatterns() {
  static const std::vector<HeaderPattern> patterns = [] {
    std::vector<HeaderPattern> compiled;
    for (const CommandEntry& entry : kCommands) compiled.emplace_back(entry.header);
    return compiled;
  }();
  return patterns;
}

}  // namespace korvane::scpi
