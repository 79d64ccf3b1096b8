// korvane-cli ports, info and send, run as a user runs them, against Demo and the virtual board;
// and what a stop signal during any command's connect leaves on the board.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <csignal>
#include <string>
#include <vector>

#include "support/cli_runner.h"
#include "support/slot_sets.h"
#include "support/virtual_board.h"

namespace korvane::test {
namespace {

TEST(LinkCli, PortsListDemoAmongTheSystemPorts) {
  const CliResult text = RunCli({"ports"});
  EXPECT_EQ(text.exitCode, 0) << text.err;
  EXPECT_NE(text.out.find("Demo"), std::string::npos) << text.out;
  const CliResult json = RunCli({"ports", "--json"});
  EXPECT_EQ(json.exitCode, 0) << json.err;
  EXPECT_EQ(json.out.rfind("{\"ports\":[", 0), 0u) << json.out;
  EXPECT_NE(json.out.find("{\"name\":\"Demo\","), std::string::npos) << json.out;
}

// The wire log: what went to the board and what came back, on standard error, only when asked
// for; standard output stays what it is.
TEST(LinkCli, TheWireLogShowsEveryCommandAndReplyWhenAskedFor) {
  VirtualBoard board({.hwTag = "v4s."});
  const std::string cli = CliPath();
  const CliResult plain = RunCli({"read", "--port", board.path()});
  ASSERT_EQ(plain.exitCode, 0) << plain.err;
  const struct {
    const char* name;
    CliResult result;
    bool logged;
  } cases[] = {
      {"none", plain, false},
      {"--verbose first", RunCli({"--verbose", "read", "--port", board.path()}), true},
      {"--verbose after", RunCli({"read", "--port", board.path(), "--verbose"}), true},
      {"rules", RunProgram("env", {"QT_LOGGING_RULES=korvane.wire.debug=true", cli, "read", "--port", board.path()}),
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.result.exitCode, 0) << c.result.err;
    EXPECT_EQ(c.result.out, plain.out);
    const std::string sent = board.path() + " -> V;";
    EXPECT_EQ(c.result.err.find(sent) != std::string::npos, c.logged) << c.result.err;
    EXPECT_EQ(c.result.err.find(board.path() + " <- ") != std::string::npos, c.logged) << c.result.err;
    // Every line of the log carries the time and the port; the banner's line ends are escaped.
    if (c.logged) {
      EXPECT_NE(c.result.err.find("Ready\\n>"), std::string::npos) << c.result.err;
      const std::string prefix = "korvane.wire: ";
      ASSERT_EQ(c.result.err.rfind(prefix, 0), 0u) << c.result.err;
      EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(c.result.err[prefix.size()])) &&
                  c.result.err[prefix.size() + 2] == ':')
          << c.result.err;
    }
  }
}

TEST(LinkCli, InfoPrintsTheIdentity) {
  VirtualBoard board({.hwTag = "v4s.", .version = "3.7 from 24122025.\nS/N 0123456789ABCDEF0000BEEF"});
  VirtualBoard bootloader({.mode = BoardMode::Bootloader});
  const struct {
    std::vector<std::string> args;
    std::string out;
  } cases[] = {
      {{"info", "--port", "Demo"}, "Firmware version 3.40.1234 from 16052019. \nS/N 1111 1111 2222 2222 3333 3333\n"},
      {{"info", "--port", "Demo", "--bootloader"}, "Bootloader v3.40\n"},
      {{"info", "--port", board.path()},
       "Firmware version 4.03.0007 from 24122025. \nS/N 0123 4567 89AB CDEF 0000 BEEF\n"},
      {{"info", "--port", board.path(), "--json"},
       "{\"hwVersion\":4,\"fwMajor\":3,\"fwMinor\":7,\"fwDateCode\":\"24122025\",\"serial\":"
       "\"0123456789ABCDEF0000BEEF\",\"sSuffix\":1}\n"},
      {{"info", "--port", bootloader.path(), "--bootloader"}, "Bootloader v3.2\n"},
  };
  for (const auto& c : cases) {
    const CliResult r = RunCli(c.args);
    EXPECT_EQ(r.exitCode, 0) << c.args[2] << r.err;
    EXPECT_EQ(r.out, c.out) << c.args[2];
  }
  EXPECT_EQ(board.Log(), (std::vector<std::string>{"V;", "V;"}));
}

TEST(LinkCli, InfoFailuresAreReportedInTheWindowsWords) {
  VirtualBoard firmware;
  const struct {
    std::vector<std::string> args;
    std::string err;     // the window's words on the first line
    std::string reason;  // the system's reason on the second
    int exitCode;
  } cases[] = {
      {{"info", "--port", "demo"}, "Could not find Synth board!\n", "demo", 1},
      {{"info", "--port", "/dev/korvane-no-such-port"}, "Could not find Synth board!\n", "korvane-no-such-port", 1},
      {{"info", "--port", firmware.path(), "--bootloader"}, "Cannot connect to board bootloader!\n", "answer", 1},
  };
  for (const auto& c : cases) {
    const CliResult r = RunCli(c.args);
    EXPECT_EQ(r.exitCode, c.exitCode) << c.args[2];
    EXPECT_EQ(r.err.substr(0, c.err.size()), c.err) << c.args[2];
    EXPECT_NE(r.err.find(c.reason, c.err.size()), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "") << c.args[2];
  }
  // The firmware board was asked three times for a bootloader banner it does not have.
  EXPECT_EQ(firmware.Count("V;"), 3);
  EXPECT_EQ(RunCli({"info"}).exitCode, 2);
}

TEST(LinkCli, SendPrintsEachReply) {
  const CliResult demo = RunCli({"send", "--port", "Demo", "M 05", "M;", "m;"});
  EXPECT_EQ(demo.exitCode, 0) << demo.err;
  EXPECT_EQ(demo.out, "OK;\nM 05;\n?;\n");

  VirtualBoard board;
  board.SetPrompt("Ready\n>");
  const CliResult r = RunCli({"send", "--port", board.path(), "T \xC3\xBC\xE2\x82\xAC", "T;", "L"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "OK;\nT \xC3\xBC?;\nL 1;\n");
  EXPECT_EQ(board.Log(), (std::vector<std::string>{"V;", "T \xFC?;", "T;", "L;"}));
}

TEST(LinkCli, SendKeepsEachReplyWithItsCommand) {
  const struct {
    std::vector<std::string> commands;
    int exitCode;
    std::string out;
    std::vector<std::string> log;  // after "V;"
  } cases[] = {
      {{"4;R", "M;", "S;"}, 2, "", {}},
      {{"M;S;"}, 2, "", {}},
      {{"V;"}, 2, "", {}},
      {{"B;", "M;"}, 2, "", {}},
      {{"M;", "B"}, 0, "M 00;\n(no reply: the board has switched to its bootloader)\n", {"M;", "B;"}},
  };
  for (const auto& c : cases) {
    VirtualBoard board;
    std::vector<std::string> args = {"send", "--port", board.path()};
    args.insert(args.end(), c.commands.begin(), c.commands.end());
    const CliResult r = RunCli(args);
    EXPECT_EQ(r.exitCode, c.exitCode) << c.commands[0] << r.err;
    EXPECT_EQ(r.out, c.out) << c.commands[0];
    std::vector<std::string> log = c.log;
    if (!log.empty()) log.insert(log.begin(), "V;");
    ASSERT_TRUE(log.empty() || board.WaitForCommand("B;"));
    EXPECT_EQ(board.Log(), log) << c.commands[0];
  }
}

// An "ER;" exited 0 although a refused command is a failed run; the commands after it still go.
TEST(LinkCli, SendFailsOnARefusalAndStillSendsTheRest) {
  VirtualBoard board;
  board.SetRefuse("S", "ER;");
  const CliResult r = RunCli({"send", "--port", board.path(), "S 10;", "M;"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "ER;\nM 00;\n");
  EXPECT_EQ(r.err, "The board refused \"S 10;\" (it answered \"ER;\").\n");
}

TEST(LinkCli, SendReportsALostConnection) {
  VirtualBoard board;
  board.HangUpAfter("S;", 3);
  const CliResult r = RunCli({"send", "--port", board.path(), "M;", "S;", "T;"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "M 00;\n");
  EXPECT_EQ(r.err, "Connection with device lost!\n");
  EXPECT_EQ(board.Count("T;"), 0);
}

// Ctrl-C, SIGTERM or SIGHUP at twenty moments of a connect and what follows it, across the
// commands that connect: the board never stays on the chip identification's probe, the message
// says what was written, and the exit status is 128 + the signal.
TEST(LinkCli, AStopDuringAConnectLeavesTheBoardOffTheProbe) {
  const std::vector<std::vector<std::string>> commands = {
      {"read"}, {"serve", "--listen", "127.0.0.1:0"}, {"tune", "1000"}, {"sweep", "100", "101", "1"}};
  int stoppedInProbe = 0;
  for (int run = 0; run < 20; ++run) {
    // An ADF4350 locks on neither probe: both are tried, the longest identification there is.
    VirtualBoard board({.chip = VirtualChip::ADF4350});
    const std::string slot4 = board.Stored('4');
    const std::string reference = board.Stored('R');
    std::vector<std::string> args = commands[static_cast<size_t>(run) % commands.size()];
    args.insert(args.begin() + 1, {"--port", board.path()});
    const int signal = std::vector<int>{SIGINT, SIGTERM, SIGHUP}[static_cast<size_t>(run) % 3];
    const CliResult r = RunProgram(CliPath(), args, "", 10 + run * 35, signal);
    const std::string what = args[0] + " stopped after " + std::to_string(10 + run * 35) + " ms: " + r.err;
    const bool probed = board.Count(kMax2871Probe) > 0;
    EXPECT_NE(board.Stored('4'), kMax2871Probe) << what;
    EXPECT_NE(board.Stored('4'), kAdf4351Probe) << what;
    if (args[0] == "read" || args[0] == "serve") {
      // Neither writes anything of its own.
      EXPECT_EQ(board.Stored('4'), slot4) << what;
      EXPECT_EQ(board.Stored('R'), reference) << what;
    }
    EXPECT_EQ(r.err.find("HW version 3"), std::string::npos) << what;
    EXPECT_EQ(r.err.find("Connection with device lost!"), std::string::npos) << what;
    if (r.err.find("interrupted: ") != std::string::npos) {
      EXPECT_EQ(r.exitCode, 128 + signal) << what;
      EXPECT_EQ(r.err.find("nothing was written") != std::string::npos, !probed) << what;
      if (probed) ++stoppedInProbe;
    }
  }
  EXPECT_GT(stoppedInProbe, 0);
}

// A signal at each step after the connect (tune: before its retune, during it, during its lock
// read; send: between its commands and during one) ends the command with 128 + the signal, and
// what it says the board holds is what the board's log shows.
TEST(LinkCli, ASignalAfterTheConnectSaysWhatTheBoardHolds) {
  const int signals[] = {SIGINT, SIGHUP, SIGTERM};
  int stopped = 0;
  for (int run = 0; run < 14; ++run) {
    VirtualBoard board({.hwTag = "v4s."});
    board.SetPace4800(true);
    const bool tune = run % 2 == 0;
    const int signal = signals[run % 3];
    // The connect takes about 900 ms at 4800 baud; send's handshake about 150 ms.
    const int afterMs = tune ? 900 + run / 2 * 80 : 60 + run / 2 * 40;
    const std::vector<std::string> args =
        tune ? std::vector<std::string>{"tune", "--port", board.path(), "--chip", "max2871", "1000"}
             : std::vector<std::string>{"send", "--port", board.path(), "M;", "S;", "T;", "S;"};
    const CliResult r = RunProgram(CliPath(), args, "", afterMs, signal);
    const std::string what = args[0] + " stopped after " + std::to_string(afterMs) + " ms: " + r.err;
    const size_t lines = static_cast<size_t>(std::count(r.out.begin(), r.out.end(), '\n'));
    // Finished first; stopped before it was up (a slow start: the board heard nothing); or ended
    // by the signal on its way out, with everything printed.
    const bool printed = tune ? !r.out.empty() : lines == 4;
    if (r.exitCode == 0 || (r.exitCode == -1 && (board.Log().empty() || printed))) continue;
    EXPECT_EQ(r.exitCode, 128 + signal) << what;
    ASSERT_NE(r.err.find("interrupted: "), std::string::npos) << what;
    ++stopped;
    if (tune) {
      const std::vector<std::string> sets = SlotSets(board);
      if (r.err.find("nothing was sent after the connect") != std::string::npos ||
          r.err.find("nothing was written to the board") != std::string::npos) {
        EXPECT_TRUE(std::none_of(sets.begin(), sets.end(), [](const std::string& set) {
          return std::abs(DecodeSlotSet(set).hz - 1e9) < 1e3;
        })) << what;
      } else if (r.err.find("the board took the new frequency (1000.000000 MHz)") != std::string::npos) {
        ASSERT_FALSE(sets.empty()) << what;
        EXPECT_NEAR(DecodeSlotSet(sets.back()).hz, 1e9, 1e3) << what;
      } else {
        EXPECT_NE(r.err.find("the board's reply was not read"), std::string::npos) << what;
      }
      continue;
    }
    // The replies printed are those of the commands it says were answered.
    if (r.err.find("nothing was sent to the board") != std::string::npos) {
      EXPECT_EQ(lines, 0u) << what;
      continue;
    }
    EXPECT_NE(r.err.find(std::to_string(lines) + " of 4 commands were sent and answered"), std::string::npos) << what;
  }
  EXPECT_GT(stopped, 0);
}

}  // namespace
}  // namespace korvane::test
