// korvane-cli write, end to end: a configuration file into a board's flash.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/cli_runner.h"
#include "support/virtual_board.h"

namespace korvane::test {
namespace {

constexpr char kSaved[] =
    "Configuration was saved to flash memory!\n\nNOTE: Autonomus mode is activated only by powering synth board "
    "from the external power supply or USB charger. You can not activate autonomous mode if board is connected "
    "to the computer.\n";

constexpr char kBenchFile[] =
    "[SigGen]\r\nFreq=145.500\r\nPwr=4\r\n"
    "[Freqs]\r\nReference=10.000\r\nExtReference=1\r\n"
    "Freq1=1296.000\r\nPwr1=4\r\nFreq2=2320.000\r\nPwr2=3\r\nFreq3=432.000\r\nPwr3=0\r\nFreq4=144.000\r\nPwr4=1\r\n"
    "[Beacon]\r\nBeacon=1\r\nScan=0\r\nPin1_2=1\r\nSpeed=20\r\nText=VVV DE TEST #5000\r\n";

class WriteCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = std::filesystem::path(::testing::TempDir()) /
          ("korvane_write_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  std::string File(const std::string& name, const std::string& bytes) {
    std::string path = (dir / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  // The commands after the readout of a manual-chip connect (V; and nine queries).
  static std::vector<std::string> AfterReadout(const std::vector<std::string>& log) {
    return log.size() > 10 ? std::vector<std::string>(log.begin() + 10, log.end()) : std::vector<std::string>{};
  }
  std::filesystem::path dir;
};

TEST_F(WriteCliTest, StoresTheFileInFlashAndPrintsTheResult) {
  VirtualBoard board({.hwTag = "v4s."});
  std::string file = File("bench.kvini", kBenchFile);
  CliResult r = RunCli({"write", "--port", board.path(), "--chip", "max2871", file});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, kSaved);
  EXPECT_EQ(r.err, "");
  std::vector<std::string> sent = AfterReadout(board.Log());
  ASSERT_EQ(sent.size(), 10u);
  EXPECT_EQ(std::vector<std::string>(sent.begin(), sent.begin() + 4),
            (std::vector<std::string>{"M 05;", "S 014D;", "T VVV DE TEST #5000;", "R  10.000000 E;"}));
  for (int s = 0; s < 5; ++s) EXPECT_EQ(sent[4 + s].substr(0, 2), std::to_string(s) + " ");
  EXPECT_EQ(sent[9], "F;");
  EXPECT_EQ(board.Stored('4'), sent[8]);
}

TEST_F(WriteCliTest, OutOfBandWarningGoesToStderrAndTheSaveStands) {
  VirtualBoard board;
  std::string file = File("far.kvini", "[Freqs]\nFreq1=7000\nPwr1=4\n");
  CliResult r = RunCli({"write", "--port", board.path(), "--chip", "max2871", file});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err.rfind("SOME FREQUENCIES APPEARED OUTSIDE SYNTHESIZER CHIP BAND!", 0), 0u) << r.err;
  EXPECT_EQ(board.Log().back(), "F;");
}

TEST_F(WriteCliTest, NoFlashSendsOnlyWhatLiveTuningWould) {
  VirtualBoard board({.hwTag = "v4s."});
  std::string file = File("bench.kvini", kBenchFile);
  CliResult r = RunCli({"write", "--port", board.path(), "--chip", "max2871", file, "--no-flash"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::vector<std::string> sent = AfterReadout(board.Log());
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0], "R  10.000000 E;");
  EXPECT_EQ(sent[1].substr(0, 2), "4 ");
  EXPECT_EQ(board.Count("F;"), 0);
}

TEST_F(WriteCliTest, FailuresExitOneWithTheReason) {
  struct Case {
    const char* what;
    std::string fileText;  // empty: no file at all
    const char* refusePrefix;
    std::vector<std::string> extra;
    const char* err;
    int boardCommands;  // -1: whatever the connect needed
  };
  const Case cases[] = {
      {"missing file", "", nullptr, {}, "not found", 0},
      {"an empty file", "\n", nullptr, {}, "holds no Korvane configuration", 0},
      {"a firmware image", std::string("\x00\x50\x00\x20\xFF\xFF", 6), nullptr, {}, "holds no Korvane", 0},
      {"another program's ini", "[Window]\nWidth=300\n", nullptr, {}, "holds no Korvane", 0},
      {"refused reference, no flash", kBenchFile, "R ", {"--no-flash"}, "The board refused \"R ", 12},
      {"refused slot, no flash", kBenchFile, "4 ", {"--no-flash"}, "The board refused \"4 ", 12},
      {"refused beacon text",
       kBenchFile,
       "T ",
       {},
       "There was an error during saving parameters to flash memory!\n",
       13},
      {"semicolon in the text", "[Beacon]\nText=CQ;F;\n", nullptr, {}, "must not contain \";\"", 10},
      {"invalid reference", "[Freqs]\nReference=1.0\n", nullptr, {}, "Please enter valid parameters values!", 10},
      {"invalid reference, no flash", "[Freqs]\nReference=1.0\n", nullptr, {"--no-flash"}, "Nothing was sent.", 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    VirtualBoard board;
    if (c.refusePrefix) board.SetRefuse(c.refusePrefix, "ERR;");
    std::string file = c.fileText.empty() ? (dir / "absent.kvini").string() : File("case.kvini", c.fileText);
    std::vector<std::string> args = {"write", "--port", board.path(), "--chip", "max2871", file};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    CliResult r = RunCli(args);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(board.Log().size(), static_cast<size_t>(c.boardCommands));
    EXPECT_EQ(board.Count("F;"), 0);
  }
}

TEST_F(WriteCliTest, UsageErrorsExitTwo) {
  const std::vector<std::string> cases[] = {
      {"write", "x.kvini"},
      {"write", "--port", "Demo"},
      {"write", "--port", "Demo", "--chip", "adf9999", "x.kvini"},
  };
  for (const auto& args : cases) EXPECT_EQ(RunCli(args).exitCode, 2) << args.back();
}

// A board set up elsewhere: read --ini and write give it back exactly the words it held.
TEST_F(WriteCliTest, ReadAndWriteKeepTheFieldsAStoredSetHolds) {
  VirtualBoard board;
  board.SetStored("2 01033328 2000FFE8 78007FC0 01000000 00AC8028 60400000;");
  board.SetStored("4 00E60020 20008028 18007FC0 01000000 00DC8428 60400000;");  // MTLD on
  std::vector<std::string> before;
  for (char slot : std::string("01234")) before.push_back(board.Stored(slot));
  const std::string file = (dir / "f.kvini").string();

  CliResult r = RunCli({"read", "--port", board.path(), "--chip", "max2871", "--ini", file, "--json"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("\"overrides\":{\"SDN\":3}"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"overrides\":{\"MTLD\":1}"), std::string::npos) << r.out;

  r = RunCli({"write", "--port", board.path(), "--chip", "max2871", file});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  for (int s = 0; s < 5; ++s) EXPECT_EQ(board.Stored(static_cast<char>('0' + s)), before[static_cast<size_t>(s)]);

  // --field on top of the file: every slot gets it.
  r = RunCli({"write", "--port", board.path(), "--chip", "max2871", file, "--field", "CP=2.56 mA"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(board.Stored('2'), "2 01033328 2000FFE8 78006FC0 01000000 00AC8028 60400000;");
  EXPECT_EQ(board.Stored('4'), "4 00E60020 20008028 18006FC0 01000000 00DC8428 60400000;");
}

TEST_F(WriteCliTest, FieldsTheChipDoesNotTakeAreRefusedAndNothingIsSent) {
  VirtualBoard board;
  auto tune = [&](const std::string& field) {
    board.ClearLog();
    return RunCli({"tune", "--port", board.path(), "--chip", "max2871", "1296", "--field", field});
  };
  CliResult r = tune("BS[7:0]=100");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err.rfind("SigGen: The band-select clock would run at 100.000 kHz", 0), 0u) << r.err;
  EXPECT_TRUE(AfterReadout(board.Log()).empty());
  EXPECT_EQ(tune("N=500").exitCode, 2);
  EXPECT_TRUE(AfterReadout(board.Log()).empty());
}

// A signal at each step of the save: the command stops between two board commands, says which
// slots reached the board, never commits to flash, and exits with 128 + the signal.
TEST_F(WriteCliTest, ASignalDuringTheSaveSaysWhatTheBoardHolds) {
  const std::string file = File("bench.kvini", kBenchFile);
  const int signals[] = {SIGINT, SIGHUP, SIGTERM};
  int stoppedInSave = 0;
  for (int run = 0; run < 9; ++run) {
    VirtualBoard board({.hwTag = "v4s."});
    board.SetPace4800(true);
    const int signal = signals[run % 3];
    const int afterMs = 900 + run * 130;  // the connect takes about 900 ms at 4800 baud
    const CliResult r =
        RunProgram(CliPath(), {"write", "--port", board.path(), "--chip", "max2871", file}, "", afterMs, signal);
    const std::string what = "signal " + std::to_string(signal) + " after " + std::to_string(afterMs) + " ms: " + r.err;
    const std::vector<std::string> sent = AfterReadout(board.Log());
    if (r.exitCode == 0) {
      EXPECT_EQ(board.Count("F;"), 1) << what;
      continue;
    }
    EXPECT_EQ(r.exitCode, 128 + signal) << what;
    EXPECT_EQ(board.Count("F;"), 0) << what;
    const size_t slots = static_cast<size_t>(std::max<ptrdiff_t>(0, static_cast<ptrdiff_t>(sent.size()) - 4));
    if (r.err.find("the save was stopped") == std::string::npos) continue;
    ++stoppedInSave;
    const char* names[] = {"F1", "F2", "F3", "F4", "SigGen"};
    std::string listed;
    for (size_t s = 0; s < slots; ++s) listed += (s ? ", " : "") + std::string(names[s]);
    EXPECT_NE(r.err.find("nothing was written to flash memory"), std::string::npos) << what;
    EXPECT_NE(r.err.find("reached the board (in effect until it restarts): " + (listed.empty() ? "none" : listed)),
              std::string::npos)
        << what;
  }
  EXPECT_GT(stoppedInSave, 0);
}

}  // namespace
}  // namespace korvane::test
