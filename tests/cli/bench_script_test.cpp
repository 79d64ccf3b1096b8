// A PyVISA script written for a bench signal generator (docs/examples) runs unchanged against
// korvane-cli serve on the virtual board, and its list reaches the board point by point with
// each point's power.
#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/cli_runner.h"
#include "support/slot_sets.h"
#include "support/virtual_board.h"

namespace korvane::test {
namespace {

using enum PowerLevel;

TEST(BenchScript, RunsUnchangedAgainstServe) {
  VirtualBoard board;
  ChildProcess serve(CliPath(), {"serve", "--port", board.path(), "--listen", "127.0.0.1:0", "--no-vxi11"});
  const std::optional<std::string> line = serve.ReadLine(30000);
  ASSERT_TRUE(line && line->rfind("listening on 127.0.0.1:", 0) == 0) << serve.Stderr();
  const std::string resource = "TCPIP0::127.0.0.1::" + line->substr(line->rfind(':') + 1) + "::SOCKET";

  const CliResult r = RunProgram("/usr/bin/python3", {KORVANE_BENCH_SCRIPT, resource});
  EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("LIST:POW?: -4,2,5"), std::string::npos) << r.out;

  // The list went out as three slot sets in a row, each at its own level.
  const std::vector<std::string> sets = SlotSets(board);
  const double listHz[] = {144e6, 432e6, 1296e6};
  const PowerLevel listPower[] = {Minus4, Plus2, Plus5};
  bool found = false;
  for (size_t i = 0; i + 3 <= sets.size() && !found; ++i) {
    found = true;
    for (size_t k = 0; k < 3; ++k) {
      const SlotSet set = DecodeSlotSet(sets[i + k]);
      found = found && std::abs(set.hz - listHz[k]) < 5000.0 && set.power == listPower[k];
    }
  }
  EXPECT_TRUE(found) << "the list's slot sets with their powers";
  serve.Signal(SIGTERM);
  EXPECT_EQ(serve.Wait(10000), std::optional<int>(128 + SIGTERM));
}

}  // namespace
}  // namespace korvane::test
