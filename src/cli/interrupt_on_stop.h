// A stop request (Ctrl-C, SIGTERM) that ends the board's waits: while this object lives, a
// watcher interrupts the session as soon as one has arrived, whatever the session is waiting for.
#pragma once

#include <atomic>
#include <thread>

#include "platform/stop_signals.h"
#include "session/board_session.h"

namespace korvane::cli {

class InterruptOnStop {
 public:
  InterruptOnStop(const platform::StopSignals& stop, session::BoardSession& session);
  ~InterruptOnStop();
  InterruptOnStop(const InterruptOnStop&) = delete;
  InterruptOnStop& operator=(const InterruptOnStop&) = delete;

 private:
  std::atomic<bool> done_{false};
  std::thread watcher_;
};

}  // namespace korvane::cli
