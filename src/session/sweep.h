// Stepping the signal generator through a list of frequencies, one slot set per point: the
// sweep of korvane-cli and of the window's sweep panel.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/clock.h"
#include "config/panel_settings.h"
#include "session/board_session.h"
#include "session/frequency_list.h"

namespace korvane::session {

inline constexpr int64_t kMaxSweepPoints = 1000000;

// START to STOP in steps of STEP MHz, both ends included (a STOP the steps reach only up to
// rounding counts as reached); a START above STOP goes down. nullopt with *why when the
// three make no sweep.
std::optional<std::vector<double>> SweepRange(double start, double stop, double step, ListProblem* why);

struct SweepOptions {
  int64_t dwellMs = 0;              // time at each point after its retune
  int64_t passes = 1;               // 0: until stopped
  std::optional<PowerLevel> power;  // none: the signal generator's level (fitted to each output)
  bool readLock = false;            // read the lock detect after each retune
};

// One point as it went out.
struct SweepSample {
  int64_t pass = 0;
  size_t index = 0;
  double seconds = 0.0;  // since the sweep began
  double requestedMhz = 0.0;
  std::optional<double> realMhz;
  std::optional<LockState> lock;  // read when the options ask for it
};

struct SweepEnd {
  bool stopped = false;               // stop() ended it
  std::optional<TuneResult> refused;  // a retune the board did not accept; the sweep ends there
  PanelSettings last;                 // the settings of the last point the board accepted
  size_t points = 0;                  // points that went out
};

// Tunes the signal-generator slot of `base` to each frequency in turn (on the output `bands`
// gives it), pass after pass. Each point goes to `report` after its retune; stop() is asked
// between points and every 20 ms of a dwell, so a stop ends the sweep within one point. The
// output stays at the last point. A lost board raises link::ConnectionLost.
SweepEnd RunSweep(BoardSession& session, Clock& clock, const PanelSettings& base, std::span<const double> mhz,
                  std::span<const Band> bands, const SweepOptions& options,
                  const std::function<void(const SweepSample&)>& report, const std::function<bool()>& stop);

// The points as CSV: "seconds,requested_mhz,real_mhz,lock" and one line per point.
std::string SweepCsv(std::span<const SweepSample> samples);

}  // namespace korvane::session
