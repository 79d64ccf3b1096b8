// korvane-cli read and tune, end to end.
#include <gtest/gtest.h>

#include "support/cli_runner.h"
#include "support/virtual_board.h"

namespace korvane::test {
namespace {

TEST(PanelCli, ReadDemoShowsTheDemoBoardsSettings) {
  CliResult r = RunCli({"read", "--port", "Demo", "--json"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out,
            "{\"chip\":\"MAX2871\",\"reference\":\"10.000000\",\"ext_reference\":false,\"slots\":["
            "{\"freq\":\"10367.999023\",\"band\":\"OUT2 5..12GHz\",\"power\":\"-1dBm\",\"real\":\"10367.999023\"},"
            "{\"freq\":\"5760.000000\",\"band\":\"OUT1 <6GHz\",\"power\":\"-1dBm\",\"real\":\"5760.000000\"},"
            "{\"freq\":\"1295.999878\",\"band\":\"OUT1 <6GHz\",\"power\":\"-1dBm\",\"real\":\"1295.999878\"},"
            "{\"freq\":\"432.000000\",\"band\":\"OUT1 <6GHz\",\"power\":\"-1dBm\",\"real\":\"432.000000\"},"
            "{\"freq\":\"144.000000\",\"band\":\"OUT1 <6GHz\",\"power\":\"-1dBm\",\"real\":\"144.000000\"}],"
            "\"beacon\":false,\"scan\":false,\"pin_function\":\"Freq. code\",\"speed\":\"0.9\","
            "\"text\":\"test de qx9abc #5000\"}\n");
}

TEST(PanelCli, ReadAndTuneFailuresAndUsage) {
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    const char* err;
  };
  const Case cases[] = {
      {{"read", "--port", "nowhere"}, 1, "Could not find Synth board!\n"},
      {{"read"}, 2, "--port is required"},
      {{"read", "--port", "Demo", "--chip", "adf9999"}, 2, "unknown chip"},
      {{"tune", "--port", "Demo", "10368", "--band", "1", "--power", "+5"}, 2, "not offered"},
      {{"tune", "--port", "Demo", "432", "--power", "+7"}, 2, "unknown power"},
      {{"tune", "--port", "Demo"}, 2, "missing argument"},
  };
  for (const Case& c : cases) {
    CliResult r = RunCli(c.args);
    EXPECT_EQ(r.exitCode, c.exitCode) << c.args[0] << " " << r.err;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
  }
}

TEST(PanelCli, TuneSendsWhatTheWindowWouldAndPrintsTheRealFrequency) {
  VirtualBoard board({.chip = VirtualChip::ADF4351, .hwTag = "v3s."});
  CliResult r = RunCli({"tune", "--port", board.path(), "145.2", "--power", "+5", "--chip", "adf4350"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "/ 145.199994\nlocked\n");
  std::vector<std::string> log = board.Log();
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log[log.size() - 3], "R  10.000000  ;");
  // ADF4350, 145.2 MHz at 10 MHz: divider 16, INT 232, FRAC 1303, MOD 4072, +5dBm.
  EXPECT_EQ(log[log.size() - 2], "4 007428B8 0800FF40 18007FC0 00000000 00C78038 00400000;");
  // The lock detect is read after the retune.
  EXPECT_EQ(log.back(), "L;");
}

TEST(PanelCli, LostBoardEndsWithTheMessageAndExitOne) {
  VirtualBoard board({.hwTag = "v4s."});
  board.HangUpAfter("M;", 0);
  CliResult r = RunCli({"read", "--port", board.path(), "--chip", "max2871"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "Connection with device lost!\n");
}

}  // namespace
}  // namespace korvane::test
