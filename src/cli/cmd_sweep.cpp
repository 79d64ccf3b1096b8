// korvane-cli sweep: steps the signal generator from START to STOP, or through a list of
// frequencies, one retune per point.
#include <cmath>
#include <iostream>
#include <limits>
#include <optional>
#include <vector>

#include "cli/cli_board.h"
#include "cli/interrupt_on_stop.h"
#include "cli/plan_options.h"
#include "config/file_io.h"
#include "platform/stop_signals.h"
#include "session/sweep.h"
#include "synth/chip.h"
#include "synth/number_text.h"
#include "texts/texts.h"

namespace korvane::cli {
namespace {

double NumberArgument(const std::string& text, const char* what) {
  const std::optional<double> value = ReadNumberStrict(text);
  if (!value) throw UsageError(std::string(what) + " '" + text + "' is not a number");
  return *value;
}

int64_t WholeArgument(const Args& args, const std::string& name, int64_t fallback) {
  if (!args.values.count(name)) return fallback;
  const std::optional<uint64_t> value =
      ReadDigits(args.Value(name, ""), static_cast<uint64_t>(std::numeric_limits<int64_t>::max()));
  if (!value) throw UsageError("--" + name + " takes a whole number");
  return static_cast<int64_t>(*value);
}

// The list file's frequencies, read as the window's "Load CSV..." reads them; a list with a bad
// line is refused whole, before the board is touched.
std::vector<double> ListFile(const std::string& path) {
  std::string bytes;
  std::string error;
  switch (config::ReadSmallFile(path, &bytes, &error)) {
    case config::ReadStatus::Ok:
      break;
    case config::ReadStatus::Missing:
      throw Failure("List file \"" + path + "\" not found. Nothing was sent.");
    case config::ReadStatus::Failed:
      throw Failure(error + " Nothing was sent.");
  }
  session::ListProblem why;
  std::optional<std::vector<double>> points = session::ReadFrequencyList(bytes, &why);
  if (!points) {
    throw Failure("\"" + path + "\" is no frequency list: " + texts::ListProblemText(why) + ". Nothing was sent.");
  }
  return std::move(*points);
}

std::vector<double> Points(const Args& args) {
  if (args.values.count("list")) {
    if (!args.positional.empty()) throw UsageError("START STOP STEP and --list exclude each other");
    return ListFile(args.Value("list", ""));
  }
  if (args.positional.size() != 3) throw UsageError("give START STOP STEP, or --list FILE");
  const double start = NumberArgument(args.positional[0], "START");
  const double stop = NumberArgument(args.positional[1], "STOP");
  const double step = NumberArgument(args.positional[2], "STEP");
  session::ListProblem why;
  std::optional<std::vector<double>> points = session::SweepRange(start, stop, step, &why);
  if (!points) throw UsageError(texts::ListProblemText(why));
  return std::move(*points);
}

int Run(const Args& args) {
  const FrequencyPlan plan = PlanOptions(args);
  // With a plan the range or list is the RF's; the board is stepped through the outputs that serve it.
  std::optional<std::vector<double>> points = Points(args);
  for (double& mhz : *points) mhz = OutputFromRf(plan, mhz);
  session::SweepOptions options;
  options.dwellMs = WholeArgument(args, "dwell", 0);
  options.passes = WholeArgument(args, "count", 1);
  if (args.values.count("power")) options.power = PowerOption(args.Value("power", ""));
  PortOption(args);
  const session::ChipChoice chip = ChipOption(args);
  // A point no board of the chip choice can make is refused before the connect, whose probes
  // already set the board.
  for (double mhz : *points) {
    if (!session::AnyBoardMakes(chip, session::OutputChoice::Auto, mhz))
      throw UsageError(FormatFixed(mhz, 6) + " MHz is outside the outputs of this board");
  }

  platform::StopSignals stopSignals;
  CliBoard board;
  std::optional<InterruptOnStop> interruptOnStop;
  interruptOnStop.emplace(stopSignals, board.session);
  PanelSettings connected = board.Connect(args, stopSignals);
  if (connected.refDivisor <= 0) {
    board.session.Close();
    throw Failure("The board's reference frequency is not valid for this chip. Nothing was sent.");
  }
  // From here on a Ctrl-C ends the sweep after the point being tuned: the output is left there.
  interruptOnStop.reset();

  connected.exact = args.Has("exact");
  // The data go to standard output; which fields keep other values than Korvane's is said beside them.
  if (const std::string expert = ExpertText(connected, Slot::SigGen); !expert.empty()) {
    std::cerr << "expert: " << expert << std::endl;
  }
  std::vector<Band> bands;
  for (double mhz : *points) {
    const std::optional<Band> band =
        session::OutputFor(connected.chip, session::CapabilitiesOf(board.session.Identity()).secondOutput, mhz);
    if (!band) {
      board.session.Close();
      throw UsageError(FormatFixed(mhz, 6) + " MHz is outside the outputs of this board");
    }
    bands.push_back(*band);
  }

  const session::SweepEnd end = session::RunSweep(
      board.session, board.clock, connected, *points, bands, options,
      [&plan](const session::SweepSample& sample) {
        std::cout << FormatFixed(sample.seconds, 3) << "  " << FormatFixed(RfFromOutput(plan, sample.requestedMhz), 6)
                  << "  " << FormatFixed(sample.realMhz ? RfFromOutput(plan, *sample.realMhz) : 0.0, 6) << std::endl;
        if (!std::cout) throw Failure("cannot write to standard output");
      },
      [&stopSignals] { return stopSignals.Requested(); });
  if (end.refused) RequireAccepted(*end.refused);
  board.session.Close();
  return kExitOk;
}

}  // namespace

const Command kSweepCommand{
    "sweep",
    "--port PORT (START STOP STEP | --list FILE) [--dwell MS] [--count N] [--power off|-4|-1|+2|+5] "
    "[--exact] [--chip auto|adf4350|adf4351|max2871] [--mult N] [--offset MHZ]",
    "Connects and steps the signal generator from START to STOP MHz in STEP MHz, or through the "
    "frequencies of a list file, one retune per point (the output follows the frequency: OUT1 while it "
    "is in its range, else OUT2). Prints one line per point: seconds since the start, the requested "
    "and the real frequency in MHz. Ends after N passes, or on Ctrl-C with the output left at the last "
    "point. With --mult or --offset, the range, the list and the printed frequencies are the RF's.",
    {kPortOption,
     {"list", "FILE",
      "the frequencies in MHz from the first column of FILE, read as the window's \"Load CSV...\" reads "
      "them ('#' lines are comments; a line that holds no frequency refuses the list, and nothing is sent)"},
     {"dwell", "MS", "time at each point after its retune, in milliseconds (default 0: as fast as the line allows)"},
     {"count", "N", "passes (default 1; 0 runs until Ctrl-C)"},
     {"power", "LEVEL", "output power: off, -4, -1, +2 or +5 dBm (the nearest level OUT2 offers there)"},
     {"exact", "", "the nearest fraction to each frequency (any modulus 2..4095) instead of the classic search"},
     kChipOption,
     kMultOption,
     kOffsetOption},
    0,
    3,
    Run};

}  // namespace korvane::cli
