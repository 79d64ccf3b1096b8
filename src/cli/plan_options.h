// --mult and --offset: a frequency plan on the command line, for the commands that take a
// frequency (tune, sweep, solve); the frequencies given are then the RF the output serves.
#pragma once

#include <string>

#include "cli/command.h"
#include "synth/frequency_plan.h"

namespace korvane::cli {

inline const Option kMultOption{"mult", "N",
                                "a multiplier after the board (1 to 64): the frequency given is the RF, "
                                "RF = N x output + offset"};
inline const Option kOffsetOption{"offset", "MHZ",
                                  "an offset added after the multiplier (the IF; negative for an LO above the "
                                  "signal): the frequency given is the RF"};

// The plan the options give; no plan without them. UsageError for a value a plan cannot take.
FrequencyPlan PlanOptions(const Args& args);
// The output text the board gets for an RF text (the text itself without a plan); UsageError,
// naming `what`, when it is no number.
std::string OutputFrequencyText(const FrequencyPlan& plan, const std::string& rfText, const std::string& what);

}  // namespace korvane::cli
