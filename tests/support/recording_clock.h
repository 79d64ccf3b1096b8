// A clock for tests: pauses are recorded and take (almost) no time; time-outs still pass.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "base/clock.h"

namespace korvane::test {

class RecordingClock : public Clock {
 public:
  // realYieldMs > 0 lets each pause take up to that many real milliseconds, for tests whose
  // board thread must catch up during a pause (the "B;" before a port is opened again).
  // Between pauses the clock runs with real time, `speedup` times as fast, so a wait for a
  // silent board ends.
  explicit RecordingClock(int realYieldMs = 0, int speedup = 1) : realYieldMs_(realYieldMs), speedup_(speedup) {}

  int64_t NowMs() override {
    const auto real = std::chrono::steady_clock::now() - start_;
    return now + std::chrono::duration_cast<std::chrono::milliseconds>(real).count() * speedup_;
  }
  void SleepMs(int ms) override {
    sleeps.push_back(ms);
    now += ms;
    if (realYieldMs_ > 0) std::this_thread::sleep_for(std::chrono::milliseconds(std::min(ms, realYieldMs_)));
  }

  int64_t now = 0;  // the sum of all pauses
  std::vector<int> sleeps;

 private:
  int realYieldMs_;
  int speedup_;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace korvane::test
