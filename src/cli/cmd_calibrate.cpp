// korvane-cli calibrate: the reference frequency corrected from a counter's reading of an output.
#include <iostream>

#include "cli/command.h"
#include "cli/json.h"
#include "synth/calibration.h"
#include "synth/number_text.h"
#include "texts/texts.h"

namespace korvane::cli {
namespace {

double MhzOption(const Args& args, const std::string& name, const std::string& fallback) {
  const std::string text = args.Value(name, fallback);
  if (text.empty()) throw UsageError("--" + name + " is required");
  const std::optional<double> mhz = ReadNumberStrict(text);
  if (!mhz) throw UsageError("--" + name + " '" + text + "' is not a number");
  return *mhz;
}

std::string Signed(double value, int precision) { return (value >= 0 ? "+" : "") + FormatFixed(value, precision); }

int Run(const Args& args) {
  const double set = MhzOption(args, "set", "");
  const double measured = MhzOption(args, "measured", "");
  const double reference = MhzOption(args, "reference", "10");
  const CalibrationResult result = Calibrate(set, measured, reference);
  if (!result.calibration) throw UsageError(texts::CalibrationProblemText(result));
  const Calibration& c = *result.calibration;
  if (args.Has("json")) {
    std::cout << JsonObject()
                     .AddFixed("reference", c.referenceMhz, 6)
                     .AddFixed("error_ppm", c.errorPpm, 4)
                     .AddFixed("exact_reference", c.exactMhz, 9)
                     .AddFixed("residual_hz", c.residualHz, 4)
                     .str()
              << "\n";
    return kExitOk;
  }
  std::cout << "reference   " << FormatFixed(c.referenceMhz, 6) << " MHz\n"
            << "error       " << Signed(c.errorPpm, 4) << " ppm\n";
  if (c.Rounded()) {
    std::cout << "note        the board takes its reference in 1 Hz steps: " << FormatFixed(c.exactMhz, 9)
              << " MHz is rounded, which leaves " << Signed(c.residualHz, 3) << " Hz at " << FormatFixed(set, 6)
              << " MHz\n";
  }
  return kExitOk;
}

}  // namespace

const Command kCalibrateCommand{
    "calibrate",
    "--set MHZ --measured MHZ [--reference MHZ] [--json]",
    "Prints the reference frequency that corrects an output a counter measured off, and how far the "
    "reference was off in ppm. Use the real frequency tune or read prints as --set (not the one typed), "
    "and give the result to the board with the window's reference field or a configuration file. No "
    "board is needed.",
    {{"set", "MHZ", "the output frequency the board was set to (its real frequency)"},
     {"measured", "MHZ", "what the counter measured at that output"},
     {"reference", "MHZ", "the reference frequency the board was given (default 10)"},
     {"json", "", "print one JSON object"}},
    0,
    0,
    Run};

}  // namespace korvane::cli
