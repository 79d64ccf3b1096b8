// --mult and --offset on tune, solve and sweep: the frequency given is the RF, the board gets the
// output that serves it, and what is printed is at RF.
#include <gtest/gtest.h>

#include "support/cli_runner.h"
#include "support/virtual_board.h"

namespace korvane::test {
namespace {

std::string LastSlotSet(const VirtualBoard& board) {
  std::string last;
  for (const std::string& command : board.Log()) {
    if (command.rfind("4 ", 0) == 0) last = command;
  }
  return last;
}

TEST(PlanCli, TheBoardGetsTheOutputThatServesTheRf) {
  const struct {
    std::vector<std::string> plan;
    const char* rf;
    const char* output;
  } cases[] = {
      {{"--mult", "2", "--offset", "144"}, "10368.1", "5112.05"},
      {{"--offset", "-28"}, "1296.2", "1324.2"},
      {{"--mult", "3"}, "3456", "1152"},
  };
  for (const auto& c : cases) {
    VirtualBoard planned;
    std::vector<std::string> args{"tune", "--port", planned.path(), c.rf};
    args.insert(args.end(), c.plan.begin(), c.plan.end());
    const CliResult withPlan = RunCli(args);
    ASSERT_EQ(withPlan.exitCode, 0) << withPlan.err;
    EXPECT_NE(withPlan.out.find(std::string("RF          ") + c.rf), std::string::npos) << withPlan.out;
    EXPECT_NE(withPlan.out.find(" Hz at RF\n"), std::string::npos) << withPlan.out;

    VirtualBoard direct;
    ASSERT_EQ(RunCli({"tune", "--port", direct.path(), c.output}).exitCode, 0);
    EXPECT_EQ(LastSlotSet(planned), LastSlotSet(direct)) << c.rf;

    std::vector<std::string> solve{"solve", c.rf};
    solve.insert(solve.end(), c.plan.begin(), c.plan.end());
    const CliResult solved = RunCli(solve);
    EXPECT_EQ(solved.out.substr(0, solved.out.find('\n')), LastSlotSet(direct)) << solved.err;
  }
}

TEST(PlanCli, TheErrorAndTheSweepAreAtRf) {
  // Sweep points are the RF's, stepped as given; the real frequency printed is the RF it serves.
  const CliResult solved = RunCli({"solve", "10368.1", "--mult", "2", "--offset", "144", "--json"});
  ASSERT_EQ(solved.exitCode, 0) << solved.err;
  EXPECT_NE(solved.out.find("\"rf_mhz\":10368.1"), std::string::npos) << solved.out;

  VirtualBoard board;
  const CliResult swept =
      RunCli({"sweep", "--port", board.path(), "10368", "10368.2", "0.1", "--mult", "2", "--offset", "144"});
  ASSERT_EQ(swept.exitCode, 0) << swept.err;
  EXPECT_NE(swept.out.find("  10368.100000  10368.100"), std::string::npos) << swept.out;
  EXPECT_NE(swept.out.find("  10368.200000  10368.200"), std::string::npos) << swept.out;
}

TEST(PlanCli, RefusesPlansThatCannotBeBeforeTheBoardHearsOfThem) {
  const struct {
    std::vector<std::string> args;
    const char* err;
  } cases[] = {
      {{"tune", "--port", "Demo", "10368", "--mult", "0"}, "--mult '0' is not a whole number from 1 to 64"},
      {{"tune", "--port", "Demo", "10368", "--mult", "2.5"}, "--mult '2.5'"},
      {{"solve", "10368", "--mult", "65"}, "--mult '65'"},
      {{"sweep", "--port", "Demo", "1", "2", "1", "--offset", "IF"}, "--offset 'IF'"},
  };
  for (const auto& c : cases) {
    const CliResult r = RunCli(c.args);
    EXPECT_EQ(r.exitCode, 2) << r.err;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
  }
}

}  // namespace
}  // namespace korvane::test
