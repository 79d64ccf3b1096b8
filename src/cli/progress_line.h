// Progress of a long operation on stderr: one redrawn line on a terminal, else one line per
// phase.
#pragma once

#include <chrono>
#include <string>

namespace korvane::cli {

class ProgressLine {
 public:
  ProgressLine();
  ~ProgressLine();
  void Phase(const std::string& status, int total);
  void Step();
  // Ends a line still open, so that what follows starts on a line of its own.
  void End();
  // Leaves a line open for whoever writes next to end (the destructor does not end it).
  void Abandon() { lineOpen_ = false; }

 private:
  void Draw(bool force);

  bool tty_;
  std::string phase_;
  int value_ = 0;
  int total_ = 0;
  bool lineOpen_ = false;
  std::chrono::steady_clock::time_point phaseStart_{};
  std::chrono::steady_clock::time_point lastDraw_{};
};

}  // namespace korvane::cli
