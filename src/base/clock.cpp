#include "base/clock.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace korvane {

int64_t SteadyClock::NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void SteadyClock::SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(std::max(ms, 0))); }

}  // namespace korvane
