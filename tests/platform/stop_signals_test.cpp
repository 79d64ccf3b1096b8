// Ctrl-C and SIGTERM for the length of one command: heard as a request, then given back.
#include "platform/stop_signals.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>

#include <atomic>
#include <stdexcept>

namespace korvane::platform {
namespace {

std::atomic<int> caughtBefore{0};
void RecordSignal(int number) { caughtBefore = number; }

TEST(StopSignals, ASignalIsARequestAndThePreviousHandlerComesBack) {
  for (const int number : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(number);
    struct sigaction own {};
    own.sa_handler = RecordSignal;
    sigemptyset(&own.sa_mask);
    struct sigaction original {};
    ASSERT_EQ(::sigaction(number, &own, &original), 0);
    caughtBefore = 0;
    {
      StopSignals stop;
      EXPECT_THROW(StopSignals(), std::runtime_error) << "two would fight over one handler";
      EXPECT_FALSE(stop.Requested());
      EXPECT_EQ(stop.ExitStatus(), 0);
      pollfd wake{static_cast<int>(stop.WakeHandle()), POLLIN, 0};
      EXPECT_EQ(::poll(&wake, 1, 0), 0);
      ASSERT_EQ(::raise(number), 0);
      EXPECT_TRUE(stop.Requested());
      EXPECT_EQ(stop.ExitStatus(), 128 + number);
      EXPECT_EQ(::poll(&wake, 1, 0), 1) << "an event loop would not wake";
      EXPECT_EQ(caughtBefore, 0) << "the earlier handler still ran";
    }
    ASSERT_EQ(::raise(number), 0);
    EXPECT_EQ(caughtBefore, number) << "the earlier handler was not given back";
    {
      StopSignals again;  // the next command may take them over again
      EXPECT_FALSE(again.Requested());
    }
    ::sigaction(number, &original, nullptr);
  }
}

}  // namespace
}  // namespace korvane::platform
