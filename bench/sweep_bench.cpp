// Sweep points per second against what a 4800-baud line allows when each point costs one slot
// set and its "OK;" (10 bits a byte both ways), for korvane-cli sweep and for a list sweep run by
// korvane-cli serve, both against the virtual board paced at 4800 baud.
//
//   sweep_bench                        100 points each (about 12 s each)
//   KORVANE_BENCH_POINTS=400 ...       more points
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/cli_runner.h"
#include "support/slot_sets.h"
#include "support/virtual_board.h"

namespace {

using namespace korvane;

constexpr double kBitsPerByte = 10.0;  // start bit, eight data bits, stop bit
constexpr double kBaud = 4800.0;
constexpr size_t kReplyBytes = 3;  // "OK;"
constexpr int kStartMs = 60000;

test::VirtualBoardOptions PacedBoard() {
  test::VirtualBoardOptions options;
  options.pace4800 = true;
  return options;
}

int Points() {
  const char* text = std::getenv("KORVANE_BENCH_POINTS");
  const long n = text ? std::strtol(text, nullptr, 10) : 100;
  return n < 2 ? 2 : n > 5000 ? 5000 : static_cast<int>(n);
}

// The line's own time for the slot sets and their replies, per point.
double LineSecondsPerPoint(const std::vector<std::string>& sets) {
  double bytes = 0;
  for (const std::string& set : sets) bytes += static_cast<double>(set.size() + kReplyBytes);
  return bytes * kBitsPerByte / kBaud / static_cast<double>(sets.size());
}

void Report(benchmark::State& state, int points, double pointsPerSecond, const std::vector<std::string>& sets) {
  const double limit = 1.0 / LineSecondsPerPoint(sets);
  state.counters["points"] = points;
  state.counters["slot_sets"] = static_cast<double>(sets.size());
  state.counters["points_per_s"] = pointsPerSecond;
  state.counters["limit_per_s"] = limit;
  state.counters["percent_of_limit"] = 100.0 * pointsPerSecond / limit;
}

void BM_SweepCommand(benchmark::State& state) {
  const int points = Points();
  test::VirtualBoard board(PacedBoard());
  for (auto _ : state) {
    test::ChildProcess sweep(test::CliPath(), {"sweep", "--port", board.path(), "--chip", "max2871", "100",
                                               std::to_string(100 + points - 1), "1"});
    std::vector<double> times;
    while (times.size() < static_cast<size_t>(points)) {
      const std::optional<std::string> line = sweep.ReadLine(kStartMs);
      if (!line) {
        state.SkipWithError(("the sweep stopped: " + sweep.Stderr()).c_str());
        return;
      }
      double seconds = 0;
      std::from_chars(line->data(), line->data() + line->size(), seconds);
      times.push_back(seconds);
    }
    if (sweep.Wait(kStartMs) != std::optional<int>(0)) {
      state.SkipWithError("the sweep failed");
      return;
    }
    // From the first point's end to the last's: points - 1 whole points.
    const double seconds = times.back() - times.front();
    state.SetIterationTime(seconds);
    std::vector<std::string> sets = test::SlotSets(board);
    sets.erase(sets.begin(), sets.end() - points);
    Report(state, points, (points - 1) / seconds, sets);
  }
}
BENCHMARK(BM_SweepCommand)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// A blocking line client of the server.
class LineClient {
 public:
  explicit LineClient(int port) {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  }
  ~LineClient() { close(fd_); }
  bool connected() const { return connected_; }

  std::string Query(const std::string& line) {
    const std::string bytes = line + "\n";
    if (send(fd_, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size())) return {};
    std::string reply;
    char c = 0;
    while (recv(fd_, &c, 1, 0) == 1 && c != '\n') reply.push_back(c);
    return reply;
  }

 private:
  int fd_ = -1;
  bool connected_ = false;
};

void BM_ScpiListSweep(benchmark::State& state) {
  const int points = Points();
  test::VirtualBoard board(PacedBoard());
  test::ChildProcess serve(test::CliPath(),
                           {"serve", "--port", board.path(), "--chip", "max2871", "--listen", "127.0.0.1:0"});
  const std::optional<std::string> listening = serve.ReadLine(kStartMs);
  if (!listening) {
    state.SkipWithError(("serve did not start: " + serve.Stderr()).c_str());
    return;
  }
  LineClient client(std::atoi(listening->c_str() + listening->rfind(':') + 1));
  std::ostringstream list;
  list << "LIST:FREQ ";
  for (int i = 0; i < points; ++i) list << (i ? "," : "") << 100 + i << "MHZ";
  list << ";DWEL 0;:SWE:COUN 1;:FREQ:MODE LIST;*OPC?";
  // The reference goes out with the first retune; the sweep's points then cost a slot set each.
  if (!client.connected() || client.Query("FREQ 99 MHZ;*OPC?") != "1" || client.Query(list.str()) != "1") {
    state.SkipWithError("the server did not take the list");
    return;
  }
  for (auto _ : state) {
    board.ClearLog();
    const auto start = std::chrono::steady_clock::now();
    const std::string done = client.Query("INIT;*OPC?");
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.SetIterationTime(seconds);
    const std::vector<std::string> sets = test::SlotSets(board);
    if (done != "1" || sets.size() != static_cast<size_t>(points) || board.Log().size() != sets.size()) {
      state.SkipWithError("the sweep did not send one slot set per point");
      return;
    }
    Report(state, points, points / seconds, sets);
  }
  serve.Signal(SIGTERM);
  serve.Wait(kStartMs);
}
BENCHMARK(BM_ScpiListSweep)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
