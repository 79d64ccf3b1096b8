// korvane-cli watch against the virtual board: a line per change, exit 3 on a loss, 0 on Ctrl-C.
#include <gtest/gtest.h>

#include <csignal>

#include "support/child_process.h"
#include "support/cli_runner.h"
#include "support/virtual_board.h"

namespace korvane::test {
namespace {

// "2026-12-08 10:35:12 locked": the time, then what changed.
std::string Event(ChildProcess& watch) {
  const std::optional<std::string> line = watch.ReadLine(10000);
  if (!line) return "(nothing) " + watch.Stderr();
  return line->size() > 20 && (*line)[4] == '-' && (*line)[19] == ' ' ? line->substr(20) : "(untimed) " + *line;
}

TEST(WatchCli, ExitsWithThreeWhenTheLockDrops) {
  VirtualBoard board;
  ChildProcess watch(CliPath(), {"watch", "--port", board.path(), "--interval", "0.05", "--exit-on-unlock"});
  ASSERT_TRUE(watch.Started());
  EXPECT_EQ(Event(watch), "locked");
  // It stays locked for a while: no line for a state that did not change.
  ASSERT_TRUE(board.WaitForCommand("L;", 4));
  board.SetRefuse("L;", "L 0;");
  EXPECT_EQ(Event(watch), "NOT LOCKED");
  EXPECT_EQ(watch.Wait(10000), 3);
  EXPECT_EQ(watch.ReadLine(100), std::nullopt);
}

TEST(WatchCli, ReportsALostBoardAndEndsWithZeroOnCtrlC) {
  VirtualBoard board;
  ChildProcess watch(CliPath(), {"watch", "--port", board.path(), "--interval", "0.05"});
  EXPECT_EQ(Event(watch), "locked");
  board.HangUpAfter("L;");
  EXPECT_EQ(Event(watch), "board lost");
  ASSERT_EQ(watch.Wait(300), std::nullopt) << "a lost board ends the watch only with --exit-on-unlock";
  watch.Signal(SIGINT);
  EXPECT_EQ(watch.Wait(10000), 0) << watch.Stderr();
  EXPECT_EQ(watch.ReadLine(100), std::nullopt);
}

TEST(WatchCli, RefusesAMissingBoardAndABadInterval) {
  const struct {
    std::vector<std::string> args;
    int exitCode;
    const char* err;
  } cases[] = {
      {{"watch", "--port", "/dev/korvane-none"}, 1, "Could not find Synth board!"},
      {{"watch", "--port", "Demo", "--interval", "0"}, 2, "--interval '0'"},
      {{"watch", "--port", "Demo", "--interval", "2s"}, 2, "--interval '2s'"},
  };
  for (const auto& c : cases) {
    const CliResult r = RunCli(c.args);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
  }
}

}  // namespace
}  // namespace korvane::test
