// One board session for a korvane-cli command, and the option checks every board command
// shares.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/clock.h"
#include "cli/command.h"
#include "cli/interrupt_on_stop.h"
#include "config/panel_settings.h"
#include "link/demo_board.h"
#include "platform/stop_signals.h"
#include "session/board_session.h"

namespace korvane::cli {

// The value of --port; UsageError when it is missing or empty.
std::string PortOption(const Args& args);
// --chip: auto (the default), adf4350, adf4351 or max2871; UsageError otherwise.
session::ChipChoice ChipOption(const Args& args);
// --chip where a chip must be named (no board to identify): adf4350, adf4351 or max2871, `fallback`
// when the option is not given; UsageError for anything else, and when it is missing without a fallback.
ChipType ChipTypeOption(const Args& args, std::optional<ChipType> fallback);

// A --power value (off, -4, -1, +2 or +5) as the level it names; UsageError otherwise.
PowerLevel PowerOption(const std::string& power);

// The option that sets a field (--field NAME=VALUE, any number of times).
inline const Option kFieldOption{
    "field", "NAME=VALUE",
    "set a register field instead of Korvane's value (repeatable; \"korvane-cli fields\" lists the names and "
    "values)"};
// The --field values as overrides of the chip's fields; UsageError for a name the chip does not have,
// a computed field or a value the field does not take.
FieldOverrides FieldOptions(const Args& args, ChipType chip);
// {"NAME": value, ...} in the chip's table order.
std::string OverridesJson(ChipType chip, const FieldOverrides& overrides);

// The expert settings in effect for a slot, in the chip's table order: "SDN=3 (low-spur mode 2) [board],
// CP=7 (2.56 mA) [set]", where [board] marks a value the board holds and [set] one the user gave; empty
// when the slot sends Korvane's values.
std::string ExpertText(const PanelSettings& settings, Slot slot);
// The same as {"NAME": value, ...}.
std::string ExpertJson(const PanelSettings& settings, Slot slot);
// ["...", ...]: the strings as a JSON array.
std::string JsonStrings(const std::vector<std::string>& texts);

// A message with the reason behind it (the system's words) on a second line, when there is one.
std::string WithReason(const std::string& message, const std::string& reason);

// An error in hertz as the commands print it ("-122.160 Hz"); far out-of-range frequencies,
// clamped by the solver, would fill a screen in fixed notation.
std::string ErrorHzText(double hz);

// What a connect stopped by a signal left on the board, as the "interrupted: " message says it.
std::string InterruptedConnectText(session::ProbeTrace probe);

// Throws Failure naming the first command of a tuning that the board refused.
void RequireAccepted(const session::TuneResult& result);

struct CliBoard {
  SteadyClock clock;
  link::DemoStore demo;
  session::BoardSession session{clock, demo};

  // Connects as the window's "Connect" does, from the window's start-up settings. Throws
  // Failure with the window's message when the board is not connected. A stop signal during
  // the connect takes effect once the board holds its own settings again (the chip
  // identification's probe put back): Interrupted then says what was written.
  PanelSettings Connect(const Args& args, const platform::StopSignals& stop);
  // The same for a command that takes no stop signals of its own: the board holds them for the
  // rest of its life (HoldStops).
  PanelSettings Connect(const Args& args);

  // Holds Ctrl-C, SIGTERM and SIGHUP for the rest of the board's life, for a command without stop
  // handling of its own: a signal interrupts the board call in flight instead of ending the
  // process at once, and the command says what the board holds (StopIfRequested).
  const platform::StopSignals& HoldStops();
  bool StopRequested() const { return stops_ && stops_->Requested(); }
  // After a signal: throws Interrupted, which says `boardHolds` and exits with 128 + the signal.
  void StopIfRequested(const std::string& boardHolds) const;

 private:
  // Declared after the session: the watcher that interrupts it goes first.
  std::unique_ptr<platform::StopSignals> stops_;
  std::unique_ptr<InterruptOnStop> interrupt_;
};

}  // namespace korvane::cli
