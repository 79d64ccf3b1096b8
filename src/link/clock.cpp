#include "link/clock.h"

#include <algorithm>
#include <thread>
#include <utility>

namespace korvane {

namespace {

// Short enough that a window waiting on the board still repaints smoothly, long enough that
// a fast exchange is not slowed down by event processing after every byte.
constexpr auto kIdleInterval = std::chrono::milliseconds(5);
constexpr int kSliceMs = 10;

}  // namespace

void Clock::SetIdleHook(std::function<void()> hook) { hook_ = std::move(hook); }

void Clock::Idle(bool force) {
  if (hookRunning_ || !hook_) return;
  const auto now = std::chrono::steady_clock::now();
  if (!force && now - lastIdle_ < kIdleInterval) return;
  lastIdle_ = now;
  hookRunning_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{hookRunning_};
  hook_();
}

int64_t SteadyClock::NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void SteadyClock::SleepMs(int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(ms, 0));
  for (;;) {
    const auto now = std::chrono::steady_clock::now();
    if (now >= end) break;
    std::this_thread::sleep_for(
        std::min<std::chrono::steady_clock::duration>(end - now, std::chrono::milliseconds(kSliceMs)));
    Idle(true);
  }
}

}  // namespace korvane
