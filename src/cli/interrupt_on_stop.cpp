#include "cli/interrupt_on_stop.h"

#include <chrono>

namespace korvane::cli {

namespace {
// Well inside the time a person waits for Ctrl-C to take effect.
constexpr auto kPollInterval = std::chrono::milliseconds(5);
}  // namespace

InterruptOnStop::InterruptOnStop(const platform::StopSignals& stop, session::BoardSession& session)
    : watcher_([this, &stop, &session] {
        while (!done_) {
          if (stop.Requested()) {
            session.Interrupt();
            return;
          }
          std::this_thread::sleep_for(kPollInterval);
        }
      }) {}

InterruptOnStop::~InterruptOnStop() {
  done_ = true;
  watcher_.join();
}

}  // namespace korvane::cli
