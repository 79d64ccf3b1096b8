// Ctrl-C and SIGTERM as a request to stop: a flag for loops that poll, and a pipe that turns
// readable for an event loop to watch. Only one may exist at a time.
#pragma once

namespace korvane::cli {

class StopSignals {
 public:
  // Installs the handlers; the destructor puts the previous ones back.
  StopSignals();
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  bool Requested() const;
  // Readable once a signal has arrived.
  int ReadFd() const;
};

}  // namespace korvane::cli
