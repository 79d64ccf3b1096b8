// korvane-cli write, end to end: a configuration file into a board's flash.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "support/cli_runner.h"
#include "support/virtual_board.h"
#include "synth/field_overrides.h"
#include "synth/register_set.h"
#include "synth/solve_mode.h"

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
          ("korvane_write_" + std::to_string(getpid()) + "_" +
           std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
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

// The prescaler bit of an ADF435x slot command (R1 bit 27).
int Prescaler(const std::string& command) {
  const std::optional<RegisterSet> set = ReadRegisterSetText(command);
  return set ? static_cast<int>((set->words[1] >> 27) & 1u) : -1;
}

// Boards whose stored words no retune of Korvane's would send: MAX2871 words on a board identified as
// an ADF4351, and ADF4351 words with the 4/5 prescaler. Neither blocks a tune or a write of its own
// readout: the 4/5 prescaler gives way to 8/9 (said in a note), another chip's words to Korvane's.
TEST_F(WriteCliTest, StoredBoardValuesNeverBlockATuneOrAWrite) {
  RegisterSet adf = BuildSlotWords(SolveMode::Classic, 4, ChipType::Adf4351, "1000", Band::Out1, PowerLevel::Plus5,
                                   {"10.000000", 1, 20.0});
  WriteField(*Facts(ChipType::Adf4351).Find(Field::Prescaler), 0, adf.words);
  for (const bool foreign : {true, false}) {
    SCOPED_TRACE(foreign ? "MAX2871 words" : "4/5 prescaler");
    VirtualBoard board({.chip = VirtualChip::ADF4351});
    if (!foreign) {
      board.SetStored("R  10.000000  ;");
      for (int slot = 0; slot < 5; ++slot) {
        adf.slot = slot;
        board.SetStored(FormatRegisterSet(adf));
      }
    }
    for (const char* mhz : {"1000", "4400"}) {
      CliResult r = RunCli({"tune", "--port", board.path(), mhz});
      ASSERT_EQ(r.exitCode, 0) << r.err;
      EXPECT_EQ(Prescaler(board.Stored('4')), 1) << board.Stored('4');
      if (std::string(mhz) == "1000") {
        EXPECT_EQ(r.err.find("note: SigGen: the stored words are not an ADF4351's") != std::string::npos, foreign)
            << r.err;
      }
    }
    // The 4/5 prescaler is said to give way when the slot is retuned.
    if (!foreign) {
      board.SetStored(FormatRegisterSet(adf));
      CliResult r = RunCli({"tune", "--port", board.path(), "4400", "--json"});
      EXPECT_NE(r.out.find("\"notes\":[\"SigGen: \\\"PRESCALER\\\" is 8/9 instead of the board's 4/5"),
                std::string::npos)
          << r.out;
    }
    const std::string file = (dir / (foreign ? "max.kvini" : "adf.kvini")).string();
    ASSERT_EQ(RunCli({"read", "--port", board.path(), "--ini", file}).exitCode, 0);
    CliResult r = RunCli({"write", "--port", board.path(), file});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (char slot : std::string("0123")) {
      // An untouched slot goes back as it was: the 4/5 prescaler stays where the board kept it.
      EXPECT_EQ(Prescaler(board.Stored(slot)), foreign ? 1 : 0) << board.Stored(slot);
    }
  }
}

// board -> file -> board gives back every bit of the slots nobody touched, the reserved ones included
// (the MAX2871's R4 bits 31:29 = 011), and keeps the board's values board values: a file written from
// a readout pins nothing.
TEST_F(WriteCliTest, AReadoutKeptInAFileGoesBackBitForBit) {
  VirtualBoard source;
  source.SetStored("0 01033328 2000FFE8 1C007FC0 01000000 608C8140 60400000;");
  source.SetStored("2 01033328 2000FFE8 78007FC0 01000000 60AC8028 60400000;");
  const std::string file = (dir / "kept.kvini").string();
  ASSERT_EQ(RunCli({"read", "--port", source.path(), "--chip", "max2871", "--ini", file}).exitCode, 0);
  std::ifstream in(file);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("F3Board=01033328 2000FFE8 78007FC0 01000000 60AC8028 60400000"), std::string::npos) << text;
  EXPECT_EQ(text.find("SDN="), std::string::npos) << text;

  VirtualBoard target;
  CliResult r = RunCli({"write", "--port", target.path(), "--chip", "max2871", file});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  for (char slot : std::string("01234")) EXPECT_EQ(target.Stored(slot), source.Stored(slot)) << slot;
}

// Expert settings are never hidden: a field an earlier tune set stays on the board as a board value,
// and a later tune says so in its text and JSON; --reset-fields sends Korvane's value again.
TEST_F(WriteCliTest, TuneListsTheExpertSettingsInEffectAndResetsThem) {
  VirtualBoard board;
  auto tune = [&](std::vector<std::string> extra) {
    std::vector<std::string> args{"tune", "--port", board.path(), "--chip", "max2871", "1296"};
    args.insert(args.end(), extra.begin(), extra.end());
    return RunCli(args);
  };
  CliResult r = tune({"--field", "SDPLL=1"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("expert      SDPLL=1 (shut down) [set]"), std::string::npos) << r.out;
  r = tune({});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("expert      SDPLL=1 (shut down) [board]"), std::string::npos) << r.out;
  r = tune({"--json"});
  EXPECT_NE(r.out.find("\"expert\":{\"SDPLL\":1}"), std::string::npos) << r.out;
  r = tune({"--reset-fields", "--json"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("\"expert\":{}"), std::string::npos) << r.out;
  const std::optional<RegisterSet> sent = ReadRegisterSetText(board.Stored('4'));
  ASSERT_TRUE(sent);
  EXPECT_EQ((sent->words[5] >> 25) & 1u, 0u) << board.Stored('4');
  // A combination the data sheet rules out is refused with the rule named, and nothing is sent.
  board.ClearLog();
  r = tune({"--field", "VAS_TEMP=0"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("takes \"VAS_DLY\" 0 with \"VAS_TEMP\" 0"), std::string::npos) << r.err;
  EXPECT_TRUE(AfterReadout(board.Log()).empty());
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
    if (board.Count("F;") == 1) {
      // The save was committed before the signal came: the command ended as it does without one,
      // or the signal ended it on its way out (-1: ended by the signal), with the board complete.
      EXPECT_TRUE(r.exitCode == 0 || r.exitCode == -1) << r.exitCode << " " << what;
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
