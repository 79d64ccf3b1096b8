// How long the window's own thread goes without running its events while a board works: the
// ticks of a 2 ms timer through a firmware update at the board's own pace (4800 baud), largest
// gap and the share of gaps over 5 ms. A window that waited on the wire would show gaps of a
// byte's round trip (about 20 ms) and more; a busy machine adds its own scheduling delays, which
// is why this is measured here and not bounded in a test.
//
//   window_event_loop_bench                    the smallest image a board takes (about 3.5 min)
//   KORVANE_BENCH_HALFWORDS=12288 ...          the largest (about 4 min 16 s)
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/message_loop.h"
#include "firmware/firmware_image.h"
#include "link/demo_board.h"
#include "support/recording_clock.h"
#include "support/virtual_board.h"

namespace {

using namespace korvane;

std::vector<uint8_t> BenchImage() {
  const char* text = std::getenv("KORVANE_BENCH_HALFWORDS");
  constexpr long kFewest = static_cast<long>(firmware::kMinImageBytes / 2);
  constexpr long kMost = static_cast<long>(firmware::kMaxImageBytes / 2);
  const long halfwords = std::clamp(text ? std::strtol(text, nullptr, 10) : kFewest, kFewest, kMost);
  std::vector<uint8_t> image(static_cast<size_t>(halfwords) * 2);
  for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 7 + i / 300);
  return image;
}

// Runs the event loop until the condition holds.
void RunUntil(const std::function<bool()>& condition) {
  while (!condition()) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

void BM_EventLoopGapDuringFirmwareUpdate(benchmark::State& state) {
  const std::vector<uint8_t> image = BenchImage();
  const auto path = std::filesystem::temp_directory_path() / "korvane-event-loop-bench.img";
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
  qint64 largest = 0;
  long ticks = 0, overFive = 0;
  for (auto _ : state) {
    test::VirtualBoardOptions options;
    options.hwTag = "v4s.";
    test::VirtualBoard board(options);
    test::RecordingClock clock{20};
    link::DemoStore demo;
    app::CMessageLoop loop;
    app::WindowEnvironment environment;
    environment.clock = &clock;
    environment.demo = &demo;
    app::MainWindow window(loop, environment);
    std::optional<std::string> message;
    window.hooks().message = [&](const panel::Message& m) { message = m.text; };
    window.hooks().file = [&](const panel::FileDialogRequest&) { return std::optional<std::string>(path.string()); };
    window.hooks().quit = [](int) {};
    window.show();
    window.dlg().OnPortChosen(board.path());
    window.dlg().OnChipChosen(session::ChipChoice::Max2871);
    window.dlg().OnConnect();
    RunUntil([&] { return window.Idle(); });
    board.SetPace4800(true);
    window.dlg().OnFirmwareUpdate();

    QElapsedTimer since;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
      const qint64 gap = since.restart();
      largest = std::max(largest, gap);
      overFive += gap > 5 ? 1 : 0;
      ++ticks;
    });
    since.start();
    ticker.start(2);
    RunUntil([&] { return message.has_value() && window.Idle(); });
    if (*message != "Firmware was updated. Please reconnect the board.") state.SkipWithError(message->c_str());
  }
  std::filesystem::remove(path);
  state.counters["largest_gap_ms"] = static_cast<double>(largest);
  state.counters["ticks"] = static_cast<double>(ticks);
  state.counters["gaps_over_5ms_per_1000"] = ticks ? 1000.0 * static_cast<double>(overFive) / ticks : 0.0;
}
BENCHMARK(BM_EventLoopGapDuringFirmwareUpdate)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
