// Ctrl-C, the system's request to end (SIGTERM) and a closed terminal (SIGHUP, where the system
// has it) as a request to stop, for the length of one command: the one way korvane-cli hears them.
#pragma once

#include <cstdint>
#include <memory>

namespace korvane::platform {

class StopSignals {
 public:
  // Takes the signals over; the destructor gives them back to whatever handled them
  // before. Only one may exist at a time: std::runtime_error otherwise, or when the wake-up
  // cannot be made.
  StopSignals();
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  bool Requested() const;
  // The status of a program the signal would have ended (128 + its number); 0 before one came.
  int ExitStatus() const;
  // Readable once a signal has arrived, for an event loop to watch (a QSocketNotifier's socket).
  std::intptr_t WakeHandle() const;

  // What the system's signal handler reaches; each platform defines it.
  struct State;

 private:
  std::unique_ptr<State> state_;
};

}  // namespace korvane::platform
