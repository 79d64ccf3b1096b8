// korvane-cli watch: the board's lock detect read at an interval, one line per change, for a
// terminal, a script or a service manager.
#include <QDateTime>
#include <iostream>

#include "cli/cli_board.h"
#include "cli/interrupt_on_stop.h"
#include "synth/number_text.h"
#include "texts/texts.h"

namespace korvane::cli {
namespace {

// A script waits for this code to raise its alarm; 1 and 2 keep their meaning (failure, usage).
constexpr int kExitUnlocked = 3;
// How often a wait between two reads looks for Ctrl-C.
constexpr int kStopPollMs = 50;

enum class Seen { Nothing, Locked, NotLocked, Unknown, Lost };

const char* SeenText(Seen seen) {
  switch (seen) {
    case Seen::Locked:
      return "locked";
    case Seen::NotLocked:
      return "NOT LOCKED";
    case Seen::Unknown:
      return "lock unknown";
    case Seen::Lost:
      return "board lost";
    case Seen::Nothing:
      break;
  }
  return "";
}

Seen FromLock(session::LockState lock) {
  switch (lock) {
    case session::LockState::Locked:
      return Seen::Locked;
    case session::LockState::NotLocked:
      return Seen::NotLocked;
    case session::LockState::Unknown:
      break;
  }
  return Seen::Unknown;
}

int IntervalMs(const Args& args) {
  const std::string text = args.Value("interval", "2");
  const std::optional<double> seconds = ReadNumberStrict(text);
  // The line carries about 50 lock reads a second; a day is as slow as a watch makes sense.
  if (!seconds || *seconds < 0.05 || *seconds > 86400) {
    throw UsageError("--interval '" + text + "' is not a number of seconds from 0.05 to 86400");
  }
  return static_cast<int>(*seconds * 1000 + 0.5);
}

int Run(const Args& args) {
  const std::string port = PortOption(args);
  const int intervalMs = IntervalMs(args);
  const bool exitOnUnlock = args.Has("exit-on-unlock");

  const platform::StopSignals stop;
  CliBoard board;
  session::BoardSession& session = board.session;
  const InterruptOnStop interruptOnStop(stop, session);
  const session::HandshakeResult first = session.Open(port, session::BoardPart::Firmware);
  if (stop.Requested()) return kExitOk;
  if (!first.ok()) throw Failure(WithReason(texts::kCouldNotFind, first.reason));

  bool open = true;
  Seen last = Seen::Nothing;
  while (!stop.Requested()) {
    Seen now = Seen::Lost;
    try {
      // A board that came back (plugged in again, powered up) is watched again.
      if (!open) open = session.Open(port, session::BoardPart::Firmware).ok();
      if (open) now = FromLock(session.ReadLock());
    } catch (const link::ConnectionLost&) {
      session.Close();
      open = false;
    }
    // A read cut short by Ctrl-C says nothing about the board.
    if (stop.Requested()) break;
    if (now != last) {
      const std::string time = QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm:ss").toStdString();
      std::cout << time << " " << SeenText(now) << std::endl;
      if (!std::cout) throw Failure("cannot write to standard output");
      last = now;
    }
    if (exitOnUnlock && (now == Seen::NotLocked || now == Seen::Lost)) {
      session.Close();
      return kExitUnlocked;
    }
    for (int waited = 0; waited < intervalMs && !stop.Requested(); waited += kStopPollMs) {
      board.clock.SleepMs(std::min(kStopPollMs, intervalMs - waited));
    }
  }
  session.Close();
  return kExitOk;
}

}  // namespace

const Command kWatchCommand{
    "watch",
    "--port PORT [--interval S] [--exit-on-unlock]",
    "Reads the board's lock detect every S seconds and prints a line with the time at each change: "
    "\"locked\", \"NOT LOCKED\", \"lock unknown\" (the board's answer was no lock state) or \"board lost\" "
    "(it is opened again at the same interval). Nothing is changed on the board. Ctrl-C or a request to "
    "stop ends it with exit code 0. With --exit-on-unlock it ends with exit code 3 at the first loss of "
    "lock or of the board.",
    {kPortOption,
     {"interval", "S", "seconds between two reads (default 2, at least 0.05)"},
     {"exit-on-unlock", "", "exit with code 3 when the lock or the board is lost"}},
    0,
    0,
    Run};

}  // namespace korvane::cli
