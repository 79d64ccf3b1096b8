// korvane-cli sweep: steps the signal generator from START to STOP, one retune per point.
#include <charconv>
#include <cmath>
#include <iostream>
#include <optional>
#include <vector>

#include "cli/cli_board.h"
#include "cli/interrupt_on_stop.h"
#include "platform/stop_signals.h"
#include "scpi/sig_gen_output.h"
#include "synth/chip.h"
#include "synth/number_text.h"

namespace korvane::cli {
namespace {

constexpr int64_t kMaxPoints = 1000000;
constexpr int kStopPollMs = 20;

double NumberArgument(const std::string& text, const char* what) {
  const std::optional<double> value = ReadNumberStrict(text);
  if (!value) throw UsageError(std::string(what) + " '" + text + "' is not a number");
  return *value;
}

int64_t WholeArgument(const Args& args, const std::string& name, int64_t fallback) {
  if (!args.values.count(name)) return fallback;
  const std::string text = args.Value(name, "");
  int64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || value < 0) throw UsageError("--" + name + " takes a whole number");
  return value;
}

// Whether a board the chip choice allows makes the frequency on one of its outputs. A point
// no such board can make is refused before the connect, whose probes already set the board.
bool AnyBoardMakes(session::ChipChoice choice, double mhz) {
  for (ChipType chip : {ChipType::Adf4350, ChipType::Adf4351, ChipType::Max2871}) {
    if (choice != session::ChipChoice::Auto && static_cast<int>(choice) != static_cast<int>(chip) + 1) continue;
    for (Band band : kBands) {
      if (IsInBand(chip, band, mhz)) return true;
    }
  }
  return false;
}

int Run(const Args& args) {
  const double start = NumberArgument(args.positional[0], "START");
  const double stop = NumberArgument(args.positional[1], "STOP");
  const double step = NumberArgument(args.positional[2], "STEP");
  if (!(step > 0.0)) throw UsageError("STEP must be above 0 (a sweep from a higher START goes down)");
  const double span = std::fabs(stop - start);
  // A STOP that the steps reach only up to rounding still counts as reached.
  if (span / step >= static_cast<double>(kMaxPoints)) throw UsageError("more than a million points");
  const int64_t points = static_cast<int64_t>(std::floor(span / step * (1.0 + 1e-12))) + 1;
  const double direction = stop < start ? -1.0 : 1.0;
  const int64_t dwellMs = WholeArgument(args, "dwell", 0);
  const int64_t count = WholeArgument(args, "count", 1);
  std::optional<std::optional<double>> power;
  if (args.values.count("power")) {
    // Off has no dBm: the output is switched off.
    const std::optional<int> dbm = PowerLevelDbm(PowerOption(args.Value("power", "")));
    power.emplace(dbm ? std::optional<double>(*dbm) : std::optional<double>());
  }
  PortOption(args);
  const session::ChipChoice chip = ChipOption(args);
  for (int64_t i = 0; i < points; ++i) {
    const double mhz = start + direction * step * static_cast<double>(i);
    if (!AnyBoardMakes(chip, mhz)) throw UsageError(FormatFixed(mhz, 6) + " MHz is outside the outputs of this board");
  }

  platform::StopSignals stopSignals;
  CliBoard board;
  std::optional<InterruptOnStop> interruptOnStop;
  interruptOnStop.emplace(stopSignals, board.session);
  const PanelSettings connected = board.Connect(args, stopSignals);
  if (connected.refDivisor <= 0) {
    board.session.Close();
    throw Failure("The board's reference frequency is not valid for this chip. Nothing was sent.");
  }
  // From here on a Ctrl-C ends the sweep after the point being tuned: the output is left there.
  interruptOnStop.reset();

  scpi::SigGenOutput output(board.session, connected, args.Has("exact") ? SolveMode::Exact : SolveMode::Classic);
  scpi::OutputRequest request = output.current();
  if (power) {
    request.on = power->has_value();
    if (*power) request.dbm = **power;
  }
  std::vector<Band> bands;
  for (int64_t i = 0; i < points; ++i) {
    const double mhz = start + direction * step * static_cast<double>(i);
    const std::optional<Band> band = output.BandFor(mhz * 1e6, scpi::OutputChoice::Auto);
    if (!band) {
      board.session.Close();
      throw UsageError(FormatFixed(mhz, 6) + " MHz is outside the outputs of this board");
    }
    bands.push_back(*band);
  }

  const int64_t begin = board.clock.NowMs();
  for (int64_t pass = 0; (count == 0 || pass < count) && !stopSignals.Requested(); ++pass) {
    for (int64_t i = 0; i < points && !stopSignals.Requested(); ++i) {
      const double mhz = start + direction * step * static_cast<double>(i);
      request.hz = mhz * 1e6;
      request.band = bands[static_cast<size_t>(i)];
      RequireAccepted(output.Tune(request));
      const double seconds = static_cast<double>(board.clock.NowMs() - begin) / 1000.0;
      std::cout << FormatFixed(seconds, 3) << "  " << FormatFixed(mhz, 6) << "  "
                << FormatFixed(output.RealHz().value_or(0.0) / 1e6, 6) << std::endl;
      if (!std::cout) throw Failure("cannot write to standard output");
      for (int64_t left = dwellMs; left > 0 && !stopSignals.Requested(); left -= kStopPollMs) {
        board.clock.SleepMs(static_cast<int>(std::min<int64_t>(left, kStopPollMs)));
      }
    }
  }
  board.session.Close();
  return kExitOk;
}

}  // namespace

const Command kSweepCommand{
    "sweep",
    "--port PORT START STOP STEP [--dwell MS] [--count N] [--power off|-4|-1|+2|+5] [--exact] "
    "[--chip auto|adf4350|adf4351|max2871]",
    "Connects and steps the signal generator from START to STOP MHz in STEP MHz, one retune per point "
    "(the output follows the frequency: OUT1 while it is in its range, else OUT2). Prints one line per "
    "point: seconds since the start, the requested and the real frequency in MHz. Ends after N passes, "
    "or on Ctrl-C with the output left at the last point.",
    {kPortOption,
     {"dwell", "MS", "time at each point after its retune, in milliseconds (default 0: as fast as the line allows)"},
     {"count", "N", "passes (default 1; 0 runs until Ctrl-C)"},
     {"power", "LEVEL", "output power: off, -4, -1, +2 or +5 dBm (the nearest level OUT2 offers there)"},
     {"exact", "", "the nearest fraction to each frequency (any modulus 2..4095) instead of the classic search"},
     kChipOption},
    3,
    3,
    Run};

}  // namespace korvane::cli
