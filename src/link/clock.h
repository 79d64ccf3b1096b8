// The one clock behind every pause and time-out, replaceable in tests, plus the idle hook
// that lets a window keep painting while the link waits.
#pragma once

#include <cstdint>
#include <functional>

namespace korvane {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual int64_t NowMs() = 0;
  virtual void SleepMs(int ms) = 0;
};

// The real clock sleeps in short slices and runs the idle hook between them.
Clock& GetClock();
// nullptr restores the real clock.
void SetClock(Clock* clock);

// Called regularly while the program waits (pauses, replies from a board).
void SetIdleHook(std::function<void()> hook);
void RunIdleHook();

}  // namespace korvane
