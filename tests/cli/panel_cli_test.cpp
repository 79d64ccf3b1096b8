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
            "{\"freq\":\"10367.999023\",\"band\":\"OUT2 "
            "5..12GHz\",\"power\":\"-1dBm\",\"real\":\"10367.999023\",\"error_hz\":-0.278,\"overrides\":{},\"set\":{}},"
            "{\"freq\":\"5760.000000\",\"band\":\"OUT1 "
            "<6GHz\",\"power\":\"-1dBm\",\"real\":\"5760.000000\",\"error_hz\":0,\"overrides\":{},\"set\":{}},"
            "{\"freq\":\"1295.999878\",\"band\":\"OUT1 "
            "<6GHz\",\"power\":\"-1dBm\",\"real\":\"1295.999878\",\"error_hz\":-0.16,\"overrides\":{},\"set\":{}},"
            "{\"freq\":\"432.000000\",\"band\":\"OUT1 "
            "<6GHz\",\"power\":\"-1dBm\",\"real\":\"432.000000\",\"error_hz\":0,\"overrides\":{},\"set\":{}},"
            "{\"freq\":\"144.000000\",\"band\":\"OUT1 "
            "<6GHz\",\"power\":\"-1dBm\",\"real\":\"144.000000\",\"error_hz\":0,\"overrides\":{},\"set\":{}}],"
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
  // What an ADF4350 board that Korvane programmed holds: a readout finds no expert settings in it.
  board.SetStored("4 00730010 08008028 18007FC0 00000000 00C78028 00400000;");
  CliResult r = RunCli({"tune", "--port", board.path(), "145.2", "--power", "+5", "--chip", "adf4350"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "/ 145.199994\nerror       -6.139 Hz\nlocked\n");
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

TEST(PanelCli, TuneRefusesNonsenseBeforeTheBoardHearsIt) {
  const struct {
    std::string frequency;
    std::vector<std::string> extra;
    int exitCode;
    std::string err;  // contained in stderr
    bool sent;        // the slot set reached the board
  } cases[] = {
      {"inf", {}, 2, "is not a number", false},
      {"", {}, 2, "is not a number", false},
      {"1,5", {}, 2, "is not a number", false},
      {"145.2abc", {}, 2, "is not a number", false},
      {"nan", {}, 2, "is not a number", false},
      {"0", {}, 1, "outside what any output of the chip makes", false},
      {"-145.2", {}, 1, "Nothing was sent; --force sends it anyway", false},
      {"1e300", {}, 1, "Nothing was sent", false},
      {"13000", {"--band", "1"}, 1, "the MAX2871 makes on OUT2 5..12GHz (5000.000 to 12000.000 MHz)", false},
      {"7000", {"--band", "1"}, 0, "", true},
      {"7000", {}, 1, "the MAX2871 makes on OUT1 <6GHz (23.500 to 6000.000 MHz)", false},
      {"7000", {"--force"}, 0, "", true},
      {"0", {"--force"}, 2, "is not above 0", false},
      {"-145.2", {"--force"}, 2, "is not above 0", false},
  };
  for (const auto& c : cases) {
    VirtualBoard board({.chip = VirtualChip::MAX2871, .hwTag = "v4s."});
    std::vector<std::string> args = {"tune", "--port", board.path(), c.frequency, "--chip", "max2871"};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    const CliResult r = RunCli(args);
    EXPECT_EQ(r.exitCode, c.exitCode) << c.frequency << ": " << r.err;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    // A frequency no output can make never opens the port; one the board's current output
    // cannot make stops after the readout.
    if (c.exitCode == 2 || (c.exitCode == 1 && c.frequency != "7000")) {
      EXPECT_TRUE(board.Log().empty()) << c.frequency;
    }
    EXPECT_EQ(board.Count("R  10.000000  ;") == 1, c.sent) << c.frequency;
  }
}

TEST(PanelCli, TuneReportsRefusalsAndTheErrorOfEitherSearch) {
  const struct {
    std::vector<std::string> extra;
    std::string refuse;  // prefix the board answers "ER;"
    int exitCode;
    std::string out;  // contained in stdout
    std::string err;  // contained in stderr
  } cases[] = {
      {{}, "R ", 1, "", "The board refused \"R  10.000000  ;\" (it answered \"ER;\")"},
      {{}, "4 ", 1, "", "The board refused \"4 "},
      {{}, "", 0, "error       -122.160 Hz", ""},
      {{"--exact"}, "", 0, "/ 1296.000000\nerror       0.000 Hz", ""},
      {{"--exact", "--json"}, "", 0, "\"error_hz\":0", ""},
  };
  for (const auto& c : cases) {
    VirtualBoard board({.chip = VirtualChip::MAX2871, .hwTag = "v4s."});
    if (!c.refuse.empty()) board.SetRefuse(c.refuse, "ER;");
    std::vector<std::string> args = {"tune", "--port", board.path(), "1296", "--chip", "max2871"};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    const CliResult r = RunCli(args);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
    EXPECT_NE(r.out.find(c.out), std::string::npos) << r.out;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
  }
}

}  // namespace
}  // namespace korvane::test
