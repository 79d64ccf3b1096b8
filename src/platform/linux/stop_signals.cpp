#include "platform/stop_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <stdexcept>

namespace korvane::platform {

struct StopSignals::State {
  std::atomic<int> signal{0};
  int pipe[2] = {-1, -1};
  struct sigaction previousInt {};
  struct sigaction previousTerm {};
  struct sigaction previousHup {};
};

namespace {

// A signal handler reaches its program only through something process-wide: the one
// installed request, or null.
std::atomic<StopSignals::State*> installed{nullptr};

void OnSignal(int number) {
  StopSignals::State* state = installed.load();
  if (!state) return;
  int none = 0;
  state->signal.compare_exchange_strong(none, number);
  const char byte = 1;
  // Only async-signal-safe calls here; a full pipe already holds a wake-up.
  [[maybe_unused]] const ssize_t n = ::write(state->pipe[1], &byte, 1);
}

}  // namespace

StopSignals::StopSignals() : state_(std::make_unique<State>()) {
  if (::pipe2(state_->pipe, O_CLOEXEC | O_NONBLOCK) != 0) throw std::runtime_error("cannot create a pipe");
  State* none = nullptr;
  if (!installed.compare_exchange_strong(none, state_.get())) {
    ::close(state_->pipe[0]);
    ::close(state_->pipe[1]);
    throw std::runtime_error("the stop signals are taken already");
  }
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  // Interrupted reads and waits carry on: the request, not EINTR, ends what is running.
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGINT, &action, &state_->previousInt);
  ::sigaction(SIGTERM, &action, &state_->previousTerm);
  ::sigaction(SIGHUP, &action, &state_->previousHup);
}

StopSignals::~StopSignals() {
  ::sigaction(SIGINT, &state_->previousInt, nullptr);
  ::sigaction(SIGTERM, &state_->previousTerm, nullptr);
  ::sigaction(SIGHUP, &state_->previousHup, nullptr);
  installed.store(nullptr);
  ::close(state_->pipe[0]);
  ::close(state_->pipe[1]);
}

bool StopSignals::Requested() const { return state_->signal.load() != 0; }

int StopSignals::ExitStatus() const {
  const int number = state_->signal.load();
  return number == 0 ? 0 : 128 + number;
}

std::intptr_t StopSignals::WakeHandle() const { return state_->pipe[0]; }

}  // namespace korvane::platform
