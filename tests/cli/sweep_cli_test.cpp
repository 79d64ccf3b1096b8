// korvane-cli sweep, and the lock report of korvane-cli tune, end to end against the virtual board.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/cli_runner.h"
#include "support/slot_sets.h"
#include "support/virtual_board.h"
#include "synth/number_text.h"

namespace korvane::test {
namespace {

using enum Band;
using enum PowerLevel;

struct Point {
  double seconds;
  std::string requested;
  std::string real;
};

std::vector<Point> Points(const std::string& out) {
  std::vector<Point> points;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    Point p{};
    fields >> p.seconds >> p.requested >> p.real;
    points.push_back(p);
  }
  return points;
}

// The commands after the connect's read-back (its last query is the slot-4 one).
std::vector<std::string> AfterConnect(const VirtualBoard& board) {
  const std::vector<std::string> log = board.Log();
  size_t from = 0;
  for (size_t i = 0; i < log.size(); ++i) {
    if (log[i] == "4;") from = i + 1;
  }
  return {log.begin() + static_cast<long>(from), log.end()};
}

TEST(SweepCli, OneLineAndOneSlotSetPerPoint) {
  const struct {
    std::vector<std::string> args;
    std::vector<std::string> requested;
    std::vector<Band> bands;
    std::vector<PowerLevel> powers;
  } cases[] = {
      {{"100", "100.3", "0.1", "--count", "2", "--power", "-1"},
       {"100.000000", "100.100000", "100.200000", "100.300000", "100.000000", "100.100000", "100.200000", "100.300000"},
       std::vector<Band>(8, Out1),
       std::vector<PowerLevel>(8, Minus1)},
      // Downwards, across the outputs: OUT2 offers only -1 dBm of the +5 asked for.
      {{"6010", "5990", "10", "--power", "+5"},
       {"6010.000000", "6000.000000", "5990.000000"},
       {Out2, Out1, Out1},
       {Minus1, Plus5, Plus5}},
      {{"1296.1", "1296.1", "1", "--exact"}, {"1296.100000"}, {Out1}, {Minus1}},
      // A switched-off set carries no frequency (R0 is 0): only the power can be checked.
      {{"432", "433", "1", "--power", "off"}, {"432.000000", "433.000000"}, {Out1, Out1}, {Off, Off}},
  };
  for (const auto& c : cases) {
    VirtualBoard board;
    std::vector<std::string> args{"sweep", "--port", board.path()};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const CliResult r = RunCli(args);
    ASSERT_EQ(r.exitCode, 0) << c.args[0] << r.err;
    const std::vector<Point> points = Points(r.out);
    ASSERT_EQ(points.size(), c.requested.size()) << r.out;
    const std::vector<std::string> sent = AfterConnect(board);
    // The reference once, then one slot set per point and nothing else.
    ASSERT_EQ(sent.size(), points.size() + 1) << c.args[0];
    EXPECT_EQ(sent[0], "R  10.000000  ;");
    for (size_t i = 0; i < points.size(); ++i) {
      EXPECT_EQ(points[i].requested, c.requested[i]) << c.args[0] << " " << i;
      const SlotSet set = DecodeSlotSet(sent[i + 1]);
      EXPECT_EQ(set.power, c.powers[i]) << c.args[0] << " " << i;
      if (c.powers[i] == Off) continue;
      EXPECT_EQ(points[i].real, FormatFixed(set.hz / 1e6, 6)) << c.args[0] << " " << i;
      EXPECT_NEAR(set.hz / 1e6, *ReadNumberStrict(c.requested[i]), 0.005) << c.args[0] << " " << i;
      EXPECT_EQ(set.band, c.bands[i]) << c.args[0] << " " << i;
      if (i > 0) {
        EXPECT_GE(points[i].seconds, points[i - 1].seconds);
      }
    }
  }
}

TEST(SweepCli, CtrlCLeavesTheOutputAtTheLastPoint) {
  VirtualBoard board;
  ChildProcess sweep(CliPath(), {"sweep", "--port", board.path(), "100", "200", "1", "--count", "0", "--dwell", "30"});
  std::string last;
  for (int i = 0; i < 4; ++i) {
    const std::optional<std::string> line = sweep.ReadLine(10000);
    ASSERT_TRUE(line) << sweep.Stderr();
    last = *line;
  }
  sweep.Signal(SIGINT);
  EXPECT_EQ(sweep.Wait(5000), std::optional<int>(0)) << sweep.Stderr();
  while (const std::optional<std::string> line = sweep.ReadLine(100)) last = *line;
  const std::vector<std::string> sets = SlotSets(board);
  ASSERT_FALSE(sets.empty());
  EXPECT_EQ(Points(last)[0].real, FormatFixed(DecodeSlotSet(sets.back()).hz / 1e6, 6)) << last;
}

TEST(SweepCli, FailuresAndUsage) {
  VirtualBoard board;
  const struct {
    std::vector<std::string> args;
    int exitCode;
    std::string err;
  } cases[] = {
      {{"100", "200", "0"}, 2, "STEP must be above 0"},
      {{"100", "2e9", "1e-3"}, 2, "more than a million points"},
      {{"100", "200", "1", "--dwell", "-5"}, 2, "--dwell takes a whole number"},
      {{"100", "1o0", "1"}, 2, "STOP '1o0' is not a number"},
      {{"100", "200", "50", "--power", "+7"}, 2, "unknown power"},
      // The MAX2871 makes nothing below 23.5 MHz, and no chip makes 1 MHz.
      {{"20", "30", "5", "--chip", "max2871"}, 2, "20.000000 MHz is outside the outputs of this board"},
      {{"1", "2", "0.5"}, 2, "1.000000 MHz is outside the outputs of this board"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args{"sweep", "--port", board.path()};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const CliResult r = RunCli(args);
    EXPECT_EQ(r.exitCode, c.exitCode) << c.args[2];
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
  }
  // Each was refused before the connect, whose probes already retune the board.
  EXPECT_EQ(board.Log(), std::vector<std::string>{});
  board.SetRefuse("4 ", "?;", 1);
  const CliResult refused = RunCli({"sweep", "--port", board.path(), "--chip", "max2871", "100", "110", "5"});
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_EQ(Points(refused.out).size(), 1u) << refused.out;
  EXPECT_NE(refused.err.find("The board refused \"4 "), std::string::npos) << refused.err;
}

// --list reads a file as the window's "Load CSV..." does: the README's example file sweeps its
// three beacons; a file with a bad line is refused with the line before the board is touched.
TEST(SweepCli, ListFile) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("korvane-list-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const auto write = [&dir](const std::string& name, const std::string& text) {
    std::ofstream(dir / name, std::ios::binary) << text;
    return (dir / name).string();
  };
  const std::string good = write("beacons.csv",
                                 "\xEF\xBB\xBF# Beacons of the region; the dwell column is not read\r\n"
                                 "mhz,name,dwell\r\n144.491,2 m,500\r\n432.491,70 cm,500\r\n1296.891,23 cm,1000\r\n");
  const std::string bad = write("bad.csv", "144.491\n1,296.5\n");
  VirtualBoard board;
  const CliResult refused = RunCli({"sweep", "--port", board.path(), "--list", bad});
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_NE(refused.err.find("line 2: '1,296.5' is written with a thousands separator"), std::string::npos)
      << refused.err;
  const CliResult missing = RunCli({"sweep", "--port", board.path(), "--list", (dir / "none.csv").string()});
  EXPECT_EQ(missing.exitCode, 1);
  const CliResult both = RunCli({"sweep", "--port", board.path(), "--list", good, "100", "200", "1"});
  EXPECT_EQ(both.exitCode, 2);
  EXPECT_EQ(board.Log(), std::vector<std::string>{});

  const CliResult r = RunCli({"sweep", "--port", board.path(), "--list", good, "--count", "2"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::vector<Point> points = Points(r.out);
  const std::vector<std::string> sent = AfterConnect(board);
  const std::vector<std::string> sets(sent.begin() + 1, sent.end());
  const std::string expected[] = {"144.491000", "432.491000", "1296.891000"};
  ASSERT_EQ(points.size(), 6u) << r.out;
  ASSERT_EQ(sets.size(), 6u);
  for (size_t i = 0; i < points.size(); ++i) {
    EXPECT_EQ(points[i].requested, expected[i % 3]) << i;
    EXPECT_NEAR(DecodeSlotSet(sets[i]).hz / 1e6, *ReadNumberStrict(expected[i % 3]), 0.005) << i;
  }
  std::filesystem::remove_all(dir);
}

TEST(TuneCli, ReportsTheLockTheBoardReports) {
  const struct {
    const char* lockAnswer;  // nullptr: the board's own
    std::vector<std::string> flags;
    int exitCode;
    std::string outEnd;  // the last line printed
    int lockQueries;     // a chip without lock is given time to settle and asked again
  } cases[] = {
      {nullptr, {}, 0, "\nlocked\n", 1},
      {nullptr, {"--json", "--require-lock"}, 0, ",\"locked\":true}\n", 1},
      {"L 0;", {}, 0, "\nnot locked\n", 2},
      {"L 0;", {"--json"}, 0, ",\"locked\":false}\n", 2},
      {"L 0;", {"--require-lock"}, 1, "\nnot locked\n", 2},
      {"?;", {"--json", "--require-lock"}, 1, ",\"locked\":null}\n", 1},
  };
  for (const auto& c : cases) {
    VirtualBoard board;
    if (c.lockAnswer) board.SetRefuse("L;", c.lockAnswer, 0);
    std::vector<std::string> args{"tune", "--port", board.path(), "145.2", "--chip", "max2871"};
    args.insert(args.end(), c.flags.begin(), c.flags.end());
    const CliResult r = RunCli(args);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
    ASSERT_GE(r.out.size(), c.outEnd.size()) << r.out;
    EXPECT_EQ(r.out.substr(r.out.size() - c.outEnd.size()), c.outEnd) << r.out;
    EXPECT_EQ(r.err, c.exitCode ? "The board reports no lock.\n" : "");
    EXPECT_EQ(board.Count("L;"), c.lockQueries);
  }
}

}  // namespace
}  // namespace korvane::test
