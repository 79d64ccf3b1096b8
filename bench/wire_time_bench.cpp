// Wall time of a firmware update against the time its bytes need on a 4800-baud line: the
// line is the limit, so everything above a ratio of 1 is Korvane's own (or the system's) share.
//
//   wire_time_bench                         1024 halfwords (about 22 s)
//   KORVANE_BENCH_HALFWORDS=12288 ...       the largest image (about 4 min 16 s)
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "firmware/firmware_image.h"
#include "link/clock.h"
#include "link/demo_board.h"
#include "session/board_session.h"
#include "support/virtual_board.h"

namespace {

using namespace korvane;

constexpr double kBitsPerByte = 10.0;  // start bit, eight data bits, stop bit
constexpr double kBaud = 4800.0;
constexpr size_t kReplyBytes = 3;  // "OK;"

size_t HalfwordsToWrite() {
  const char* text = std::getenv("KORVANE_BENCH_HALFWORDS");
  long n = text ? std::strtol(text, nullptr, 10) : 1024;
  if (n < 1) n = 1;
  if (n > static_cast<long>(firmware::kMaxImageBytes / 2)) n = firmware::kMaxImageBytes / 2;
  return static_cast<size_t>(n);
}

// The bootloader part of an update: 24 erases, the address, then one write per halfword.
void BM_UpdateAtWireSpeed(benchmark::State& state) {
  const size_t halfwords = HalfwordsToWrite();
  std::vector<uint8_t> image(halfwords * 2);
  for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 31 + i / 512);

  // Bytes on the line, both directions.
  double lineBytes = 0;
  for (int page = firmware::kFirstAppPage; page <= firmware::kLastAppPage; ++page) {
    lineBytes += static_cast<double>(firmware::EraseCommand(page).size() + kReplyBytes);
  }
  lineBytes += static_cast<double>(std::string(firmware::kSetAddressCommand).size() + kReplyBytes);
  for (size_t pos = 0; pos < image.size(); pos += 2) {
    lineBytes += static_cast<double>(firmware::WriteCommand(image, pos).size() + kReplyBytes);
  }
  const double wireSeconds = lineBytes * kBitsPerByte / kBaud;

  test::VirtualBoardOptions options;
  options.mode = test::BoardMode::Bootloader;
  options.pace4800 = true;
  test::VirtualBoard board(options);
  SteadyClock clock;
  link::DemoStore demo;
  session::BoardSession session(clock, demo);
  double wallSeconds = 0;
  for (auto _ : state) {
    if (!session.OpenBootloader(board.path())) {
      state.SkipWithError("no bootloader on the virtual board");
      return;
    }
    const auto start = std::chrono::steady_clock::now();
    const bool ok = session
                        .WriteFirmware(
                            image, [](session::FirmwarePhase, int) {}, [] {})
                        .ok();
    wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.SetIterationTime(wallSeconds);
    session.Close();
    if (!ok) {
      state.SkipWithError("the virtual board refused a command");
      return;
    }
  }
  state.counters["halfwords"] = static_cast<double>(halfwords);
  state.counters["wire_s"] = wireSeconds;
  state.counters["wall_s"] = wallSeconds;
  state.counters["ratio"] = wallSeconds / wireSeconds;
  state.counters["per_cmd_extra_us"] = (wallSeconds - wireSeconds) * 1e6 / static_cast<double>(halfwords + 25);
}
BENCHMARK(BM_UpdateAtWireSpeed)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
