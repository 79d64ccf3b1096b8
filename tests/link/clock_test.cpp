#include "link/clock.h"

#include <gtest/gtest.h>

#include <chrono>

namespace korvane {
namespace {

TEST(Clock, RealSleepKeepsItsOwnIdleHookRunning) {
  SteadyClock clock;
  SteadyClock other;
  int calls = 0;
  int otherCalls = 0;
  clock.SetIdleHook([&] {
    ++calls;
    clock.Idle(true);  // a hook that waits again must not recurse into itself
  });
  other.SetIdleHook([&] { ++otherCalls; });
  const auto start = std::chrono::steady_clock::now();
  const int64_t before = clock.NowMs();
  clock.SleepMs(100);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_GE(elapsed, std::chrono::milliseconds(100));
  EXPECT_GE(clock.NowMs() - before, 100);
  EXPECT_GE(calls, 3);
  EXPECT_EQ(otherCalls, 0);  // one clock's waits are nobody else's business

  // Between waits the hook runs at most every few milliseconds, unless forced.
  calls = 0;
  for (int i = 0; i < 1000; ++i) clock.Idle();
  EXPECT_LE(calls, 1);
  clock.Idle(true);
  EXPECT_GE(calls, 1);
  clock.SetIdleHook({});
  clock.Idle(true);
}

}  // namespace
}  // namespace korvane
