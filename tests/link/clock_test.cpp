#include "link/clock.h"

#include <gtest/gtest.h>

#include <chrono>

namespace korvane {
namespace {

class StepClock : public Clock {
 public:
  int64_t NowMs() override { return now; }
  void SleepMs(int ms) override { now += ms; }
  int64_t now = 1000;
};

TEST(Clock, RealSleepKeepsTheIdleHookRunningAndTestsCanReplaceIt) {
  int calls = 0;
  SetIdleHook([&calls] {
    ++calls;
    RunIdleHook();  // a hook that waits again must not recurse into itself
  });
  const auto start = std::chrono::steady_clock::now();
  const int64_t before = GetClock().NowMs();
  GetClock().SleepMs(100);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_GE(elapsed, std::chrono::milliseconds(100));
  EXPECT_GE(GetClock().NowMs() - before, 100);
  EXPECT_GE(calls, 3);
  SetIdleHook({});
  RunIdleHook();

  StepClock fake;
  SetClock(&fake);
  GetClock().SleepMs(1500);
  EXPECT_EQ(GetClock().NowMs(), 2500);
  SetClock(nullptr);
  EXPECT_NE(&GetClock(), &fake);
}

}  // namespace
}  // namespace korvane
