// A clock for tests: pauses are recorded and take (almost) no time.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "link/clock.h"

namespace korvane::test {

class RecordingClock : public Clock {
 public:
  // realYieldMs > 0 lets each pause take up to that many real milliseconds, for tests whose
  // board thread must catch up during a pause (the "B;" before a port is opened again).
  explicit RecordingClock(int realYieldMs = 0) : realYieldMs_(realYieldMs) {}

  int64_t NowMs() override { return now; }
  void SleepMs(int ms) override {
    sleeps.push_back(ms);
    now += ms;
    if (realYieldMs_ > 0) std::this_thread::sleep_for(std::chrono::milliseconds(std::min(ms, realYieldMs_)));
  }

  int64_t now = 0;
  std::vector<int> sleeps;

 private:
  int realYieldMs_;
};

}  // namespace korvane::test
