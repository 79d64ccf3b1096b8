#include "cli/stop_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <stdexcept>

namespace korvane::cli {

namespace {

std::atomic<bool> requested{false};
int pipeFds[2] = {-1, -1};
struct sigaction previousInt;
struct sigaction previousTerm;

void OnSignal(int) {
  requested.store(true);
  const char byte = 1;
  // Only async-signal-safe calls here; a full pipe already holds a wake-up.
  [[maybe_unused]] const ssize_t n = write(pipeFds[1], &byte, 1);
}

}  // namespace

StopSignals::StopSignals() {
  requested.store(false);
  if (pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) throw std::runtime_error("cannot create a pipe");
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  // Interrupted reads and waits carry on: the flag, not EINTR, ends what is running.
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, &previousInt);
  sigaction(SIGTERM, &action, &previousTerm);
}

StopSignals::~StopSignals() {
  sigaction(SIGINT, &previousInt, nullptr);
  sigaction(SIGTERM, &previousTerm, nullptr);
  close(pipeFds[0]);
  close(pipeFds[1]);
  pipeFds[0] = pipeFds[1] = -1;
}

bool StopSignals::Requested() const { return requested.load(); }

int StopSignals::ReadFd() const { return pipeFds[0]; }

}  // namespace korvane::cli
