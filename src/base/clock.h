// The time behind every pause and time-out, replaceable in tests.
#pragma once

#include <cstdint>

namespace korvane {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual int64_t NowMs() = 0;
  virtual void SleepMs(int ms) = 0;
};

// The real clock: a monotonic time.
class SteadyClock : public Clock {
 public:
  int64_t NowMs() override;
  void SleepMs(int ms) override;
};

}  // namespace korvane
