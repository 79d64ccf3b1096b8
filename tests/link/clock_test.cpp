#include "base/clock.h"

#include <gtest/gtest.h>

#include <chrono>

namespace korvane {
namespace {

TEST(Clock, RealSleepTakesTheTimeAndTheClockFollows) {
  SteadyClock clock;
  const auto start = std::chrono::steady_clock::now();
  const int64_t before = clock.NowMs();
  clock.SleepMs(100);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_GE(elapsed, std::chrono::milliseconds(100));
  EXPECT_GE(clock.NowMs() - before, 100);
  clock.SleepMs(-5);  // nothing to wait for
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
}

}  // namespace
}  // namespace korvane
