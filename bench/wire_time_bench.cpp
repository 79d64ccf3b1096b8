// Wall time of a firmware update against the time its bytes need on a 4800-baud line: the
// line is the limit, so everything above a ratio of 1 is Korvane's own (or the system's) share.
// The same update through ser2net is set against the direct pseudo-terminal: what serving
// the port over the network costs.
//
//   wire_time_bench                         1024 halfwords (about 22 s a run)
//   KORVANE_BENCH_HALFWORDS=12288 ...       the largest image (about 4 min 16 s a run)
//   --benchmark_filter=Ser2Net              only the network runs
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "firmware/firmware_image.h"
#include "base/clock.h"
#include "link/demo_board.h"
#include "session/board_session.h"
#include "support/ser2net_server.h"
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

std::vector<uint8_t> BenchImage(size_t halfwords) {
  std::vector<uint8_t> image(halfwords * 2);
  for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 31 + i / 512);
  return image;
}

// The time the update's bytes take on the line, both directions.
double WireSeconds(const std::vector<uint8_t>& image) {
  double lineBytes = 0;
  for (int page = firmware::kFirstAppPage; page <= firmware::kLastAppPage; ++page) {
    lineBytes += static_cast<double>(firmware::EraseCommand(page).size() + kReplyBytes);
  }
  lineBytes += static_cast<double>(std::string(firmware::kSetAddressCommand).size() + kReplyBytes);
  for (size_t pos = 0; pos < image.size(); pos += 2) {
    lineBytes += static_cast<double>(firmware::WriteCommand(image, pos).size() + kReplyBytes);
  }
  return lineBytes * kBitsPerByte / kBaud;
}

// Wall seconds of the bootloader part of an update (24 erases, the address, one write per
// halfword) on the port; negative when it could not be done.
double TimedUpdate(session::BoardSession& session, const std::string& port, const std::vector<uint8_t>& image) {
  if (!session.OpenBootloader(port)) return -1;
  const auto start = std::chrono::steady_clock::now();
  const bool ok = session
                      .WriteFirmware(
                          image, [](session::FirmwarePhase, int) {}, [] {})
                      .ok();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  session.Close();
  return ok ? seconds : -1;
}

test::VirtualBoard PacedBootloader() {
  test::VirtualBoardOptions options;
  options.mode = test::BoardMode::Bootloader;
  options.pace4800 = true;
  return test::VirtualBoard(options);
}

void BM_UpdateAtWireSpeed(benchmark::State& state) {
  const size_t halfwords = HalfwordsToWrite();
  const std::vector<uint8_t> image = BenchImage(halfwords);
  const double wireSeconds = WireSeconds(image);
  test::VirtualBoard board = PacedBootloader();
  SteadyClock clock;
  link::DemoStore demo;
  session::BoardSession session(clock, demo);
  double wallSeconds = 0;
  for (auto _ : state) {
    wallSeconds = TimedUpdate(session, board.path(), image);
    if (wallSeconds < 0) {
      state.SkipWithError("the update on the virtual board failed");
      return;
    }
    state.SetIterationTime(wallSeconds);
  }
  state.counters["halfwords"] = static_cast<double>(halfwords);
  state.counters["wire_s"] = wireSeconds;
  state.counters["wall_s"] = wallSeconds;
  state.counters["ratio"] = wallSeconds / wireSeconds;
  state.counters["per_cmd_extra_us"] = (wallSeconds - wireSeconds) * 1e6 / static_cast<double>(halfwords + 25);
}
BENCHMARK(BM_UpdateAtWireSpeed)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// The update on the pseudo-terminal directly, then through ser2net serving it (raw or
// rfc2217; with ser2net's default character delay, which holds each reply back for two
// character times, or without it): ratio of the two wall times.
void BM_UpdateThroughSer2Net(benchmark::State& state) {
  const bool rfc2217 = state.range(0) != 0;
  const bool charDelay = state.range(1) != 0;
  const size_t halfwords = HalfwordsToWrite();
  const std::vector<uint8_t> image = BenchImage(halfwords);
  test::VirtualBoard board = PacedBootloader();
  test::Ser2NetServer server({.mode = rfc2217 ? test::Ser2NetMode::Rfc2217 : test::Ser2NetMode::Raw,
                              .device = board.path(),
                              .options = charDelay ? "" : "chardelay: false"});
  SteadyClock clock;
  link::DemoStore demo;
  session::BoardSession session(clock, demo);
  double directSeconds = 0;
  double servedSeconds = 0;
  for (auto _ : state) {
    directSeconds = TimedUpdate(session, board.path(), image);
    servedSeconds = TimedUpdate(session, server.Url(), image);
    if (directSeconds < 0 || servedSeconds < 0) {
      state.SkipWithError("an update on the virtual board failed");
      return;
    }
    state.SetIterationTime(servedSeconds);
  }
  state.counters["halfwords"] = static_cast<double>(halfwords);
  state.counters["wire_s"] = WireSeconds(image);
  state.counters["direct_s"] = directSeconds;
  state.counters["ser2net_s"] = servedSeconds;
  state.counters["ratio"] = servedSeconds / directSeconds;
}
BENCHMARK(BM_UpdateThroughSer2Net)
    ->ArgNames({"rfc2217", "chardelay"})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
