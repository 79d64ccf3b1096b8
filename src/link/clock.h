// The time behind every pause and time-out, replaceable in tests, plus the idle hook that lets
// a window keep painting while a board exchange waits.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

namespace korvane {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual int64_t NowMs() = 0;
  // Pauses for ms, running the idle hook between short slices.
  virtual void SleepMs(int ms) = 0;

  // Run regularly while this clock's owner waits (pauses, replies from a board).
  void SetIdleHook(std::function<void()> hook);
  // Runs the hook when some real time has passed since it last ran (force: always). The hook
  // may wait again itself; it never runs inside itself.
  void Idle(bool force = false);

 private:
  std::function<void()> hook_;
  bool hookRunning_ = false;
  std::chrono::steady_clock::time_point lastIdle_{};
};

// The real clock: a monotonic time, pauses in slices short enough for smooth painting.
class SteadyClock : public Clock {
 public:
  int64_t NowMs() override;
  void SleepMs(int ms) override;
};

}  // namespace korvane
