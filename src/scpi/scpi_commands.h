// The instrument's SCPI commands as one table: each header pattern with what it does, whether it
// sets or queries, and the parameter it takes. The parser resolves headers against it.
#pragma once

#include <span>

#include "scpi/scpi_parser.h"

namespace korvane::scpi {

enum class Op {
  Identify,
  Reset,
  ClearStatus,
  OperationComplete,
  Wait,
  EventStatus,
  EventStatusEnable,
  StatusByte,
  ServiceRequestEnable,
  SelfTest,
  Options,
  NextError,
  AllErrors,
  ErrorCount,
  Version,
  OperationEvent,
  OperationCondition,
  OperationEnable,
  QuestionableEvent,
  QuestionableCondition,
  QuestionableEnable,
  StatusPreset,
  Frequency,
  FrequencyOutput,
  FrequencyMultiplier,
  FrequencyOffset,
  Lock,
  Start,
  Stop,
  Mode,
  SweepPoints,
  SweepDwell,
  SweepCount,
  ListFrequency,
  ListPoints,
  ListDwell,
  Power,
  OutputState,
  ReferenceSource,
  ReferenceFrequency,
  Initiate,
  Abort,
  // What scripts written for bench generators use besides.
  Preset,
  ModulationState,
  ActualFrequency,
  Center,
  Span,
  Step,
  SweepSpacing,
  SweepTime,
  ListPower,
  InitContinuous,
  TriggerSource,
  Trigger,
};

// What a setting takes: nothing, one value, or a list of values.
enum class Arity { None, One, List };

struct CommandEntry {
  const char* header;
  Op op;
  bool settable;
  bool queryable;
  Arity arity = Arity::None;
  Quantity quantity = Quantity::Plain;
  std::span<const char* const> keywords = {};  // character data the setting takes besides numbers
  bool numbers = true;                         // false: only the keywords
  // The setting and its query take MINimum, MAXimum and DEFault, the first three keywords.
  bool limits = false;
};

// Keyword lists that commands share; each list's order is what the instrument's code relies on.
inline constexpr const char* kLimitKeywords[] = {"MINimum", "MAXimum", "DEFault"};
inline constexpr size_t kLimitCount = 3;
inline constexpr const char* kBooleanKeywords[] = {"OFF", "ON"};
inline constexpr const char* kOutputKeywords[] = {"AUTO", "OUT1", "OUT2"};
inline constexpr const char* kModeKeywords[] = {"CW", "FIXed", "SWEep", "LIST"};
inline constexpr const char* kSourceKeywords[] = {"INTernal", "EXTernal"};
inline constexpr const char* kCountKeywords[] = {"MINimum", "MAXimum", "DEFault", "INFinite"};
inline constexpr const char* kFrequencyKeywords[] = {"MINimum", "MAXimum", "DEFault", "UP", "DOWN"};
inline constexpr const char* kSpacingKeywords[] = {"LINear", "LOGarithmic"};
inline constexpr const char* kTriggerKeywords[] = {"IMMediate", "BUS"};

std::span<const CommandEntry> Commands();
// Whether a command may run while another client's command waits for the board: it asks the
// board nothing, and neither changes nor reads what a board command or a sweep works on (who the
// instrument is, and the client's own status and error queue).
bool RunsBesideBoard(Op op);
// One compiled pattern per entry of Commands(), in the same order.
std::span<const HeaderPattern> CommandPatterns();

}  // namespace korvane::scpi
