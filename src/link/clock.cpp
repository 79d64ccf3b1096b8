#include "link/clock.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <utility>

namespace korvane {

namespace {

// Short enough that a window waiting on the board still repaints smoothly.
constexpr int kSliceMs = 20;

class RealClock : public Clock {
 public:
  int64_t NowMs() override {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  }

  void SleepMs(int ms) override {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(ms, 0));
    for (;;) {
      const auto now = std::chrono::steady_clock::now();
      if (now >= end) break;
      std::this_thread::sleep_for(
          std::min<std::chrono::steady_clock::duration>(end - now, std::chrono::milliseconds(kSliceMs)));
      RunIdleHook();
    }
  }
};

RealClock& Real() {
  static RealClock clock;
  return clock;
}

Clock* current = nullptr;
std::function<void()>& Hook() {
  static std::function<void()> hook;
  return hook;
}
bool hookRunning = false;

}  // namespace

Clock& GetClock() { return current ? *current : Real(); }

void SetClock(Clock* clock) { current = clock; }

void SetIdleHook(std::function<void()> hook) { Hook() = std::move(hook); }

void RunIdleHook() {
  // The hook may process window events that wait again; it must not call itself.
  if (hookRunning || !Hook()) return;
  hookRunning = true;
  struct Reset {
    ~Reset() { hookRunning = false; }
  } reset;
  Hook()();
}

}  // namespace korvane
