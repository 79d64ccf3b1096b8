// korvane-cli serve against the virtual board, driven by a real VISA client (PyVISA with its
// pure-Python backend): what a lab script sees, and what reaches the board.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/child_process.h"
#include "support/cli_runner.h"
#include "support/slot_sets.h"
#include "support/virtual_board.h"
#include "support/visa_client.h"

namespace korvane::test {
namespace {

using enum PowerLevel;

// The number at the front of a reply ("= 1.5;..."), read without the test's locale.
double Number(const std::string& answer) {
  double value = -1;
  if (answer.rfind("= ", 0) == 0) std::from_chars(answer.data() + 2, answer.data() + answer.size(), value);
  return value;
}

// A client that sends `text`, ends its sending side at once and reads until the server closes:
// what arrived, or "(timed out)".
std::string SendAndHalfClose(int port, const std::string& text) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<uint16_t>(port));
  std::string received;
  if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
      send(fd, text.data(), text.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(text.size()) &&
      shutdown(fd, SHUT_WR) == 0) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (;;) {
      pollfd p{fd, POLLIN, 0};
      if (std::chrono::steady_clock::now() > deadline || poll(&p, 1, 100) < 0) {
        received = "(timed out)";
        break;
      }
      char buffer[256];
      const ssize_t n = (p.revents & (POLLIN | POLLHUP | POLLERR)) ? recv(fd, buffer, sizeof buffer, 0) : -2;
      if (n == 0 || n == -1) break;
      if (n > 0) received.append(buffer, static_cast<size_t>(n));
    }
  }
  close(fd);
  return received;
}

// A connected client socket; -1 when the connect failed.
int ConnectTo(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<uint16_t>(port));
  if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) return fd;
  close(fd);
  return -1;
}

// How many retunes the board has heard once they have stopped coming (none for half a second).
size_t SettledSlotSets(const VirtualBoard& board) {
  size_t count = SlotSets(board).size();
  for (int i = 0; i < 100; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const size_t now = SlotSets(board).size();
    if (now == count) break;
    count = now;
  }
  return count;
}

// The processor time a process has used, in clock ticks.
long CpuTicks(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string field;
  // Fields 1 to 13 (the name "korvane-cli" has no space), then user and system time.
  for (int i = 0; i < 13; ++i) in >> field;
  long user = 0, system = 0;
  in >> user >> system;
  return user + system;
}

// The VISA resource of a serve that has started, or "" when it did not start.
std::string Resource(ChildProcess& serve) {
  const std::optional<std::string> line = serve.ReadLine(30000);
  if (!line || line->rfind("listening on 127.0.0.1:", 0) != 0) return "";
  return "TCPIP0::127.0.0.1::" + line->substr(line->rfind(':') + 1) + "::SOCKET";
}

class ServeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(visa.Greeting().rfind("ready pyvisa", 0), 0u) << visa.Greeting();
    const std::optional<std::string> line = serve.ReadLine(30000);
    ASSERT_TRUE(line) << serve.Stderr();
    ASSERT_EQ(line->rfind("listening on 127.0.0.1:", 0), 0u) << *line;
    resource = "TCPIP0::127.0.0.1::" + line->substr(line->rfind(':') + 1) + "::SOCKET";
    ASSERT_EQ(visa.Open("a", resource), "ok");
    board.ClearLog();
  }

  void TearDown() override {
    serve.Signal(SIGTERM);
    EXPECT_EQ(serve.Wait(10000), std::optional<int>(128 + SIGTERM)) << serve.Stderr();
  }

  std::string Query(const std::string& text, const std::string& session = "a") { return visa.Query(session, text); }
  // Writes a line and waits until it has run (the client's lines run in order).
  void Write(const std::string& text, const std::string& session = "a") {
    ASSERT_EQ(visa.Write(session, text), "ok") << text;
    ASSERT_EQ(visa.Query(session, "*OPC?"), "= 1") << text;
  }
  // The errors queued for the session, oldest first, until "No error".
  std::vector<std::string> Errors(const std::string& session = "a") {
    std::vector<std::string> errors;
    for (int i = 0; i < 30; ++i) {
      const std::string e = Query("SYST:ERR?", session);
      if (e == "= 0,\"No error\"") break;
      errors.push_back(e);
    }
    return errors;
  }

  VirtualBoard board;
  ChildProcess serve{CliPath(), {"serve", "--port", board.path(), "--listen", "127.0.0.1:0", "--no-vxi11"}};
  VisaClient visa;
  std::string resource;
};

TEST_F(ServeTest, IdentifiesAndSetsTheFrequencyInEachUnit) {
  EXPECT_EQ(Query("*IDN?"), "= Korvane,MAX2871,0123456789ABCDEF01234567,4.03.0005");
  const struct {
    std::string command;
    double hz;
  } cases[] = {
      {"FREQ 2.4GHZ", 2.4e9},
      {"SOUR:FREQ:CW 145.2 MHz", 145.2e6},
      {"frequency:fixed 432100 khz", 432.1e6},
      {"FREQ 1296000000 HZ", 1296e6},
      {"FREQ 10368e6", 10368e6},
      {"FREQ .05 GHZ", 50e6},
      {":SOURce:FREQuency MAX", 12e9},
      {"FREQ MIN", 23.5e6},
  };
  for (const auto& c : cases) {
    Write(c.command);
    const double reported = Number(Query("FREQ:ACT?"));
    const std::vector<std::string> sets = SlotSets(board);
    ASSERT_FALSE(sets.empty()) << c.command;
    // FREQ:ACT? is what the board's register set really makes, not the number asked for.
    EXPECT_NEAR(reported, DecodeSlotSet(sets.back()).hz, 0.001) << c.command;
    EXPECT_NEAR(reported, c.hz, 5000.0) << c.command;
    // OUT1 up to 6 GHz, OUT2 above.
    EXPECT_EQ(DecodeSlotSet(sets.back()).band, c.hz > 6e9 ? Band::Out2 : Band::Out1) << c.command;
  }
  EXPECT_EQ(Errors(), std::vector<std::string>{});
  // After the first retune, each costs one slot set: no reference command goes out again.
  EXPECT_EQ(board.Count("R  10.000000  ;"), 1);
}

TEST_F(ServeTest, PowerIsCoercedToTheLevelsTheOutputOffers) {
  Write("FREQ 1 GHZ");
  const struct {
    std::string command;
    std::string level;
    PowerLevel power;
  } cases[] = {
      {"POW 5", "= 5", Plus5},         {"POW 4 DBM", "= 5", Plus5},
      {"POW 3.4", "= 2", Plus2},       {"POW 0", "= -1", Minus1},
      {"POW -2.5", "= -4", Minus4},    {"POW -3.9", "= -4", Minus4},
      {"POW MAX", "= 5", Plus5},       {"POW:LEV:IMM:AMPL 2", "= 2", Plus2},
      {"FREQ 10 GHZ", "= -1", Minus1},  // OUT2 has one level; the +2 asked for is kept for OUT1
      {"POW MIN", "= -1", Minus1},     {"FREQ 1 GHZ;:POW 2", "= 2", Plus2},
  };
  for (const auto& c : cases) {
    Write(c.command);
    EXPECT_EQ(Query("POW?"), c.level) << c.command;
    EXPECT_EQ(DecodeSlotSet(SlotSets(board).back()).power, c.power) << c.command;
  }
  EXPECT_EQ(Query("POW? MAX;POW? MIN"), "= 5;-4");
  EXPECT_EQ(Errors(), std::vector<std::string>{});
}

TEST_F(ServeTest, OutputOnAndOffAndResetReachTheBoard) {
  Write("FREQ 432 MHZ;:POW 5");
  const struct {
    std::string command;
    std::string state;
    PowerLevel power;
  } cases[] = {
      {"OUTP OFF", "= 0", Off}, {"OUTP ON", "= 1", Plus5}, {"OUTPut:STATe 0", "= 0", Off},
      {"OUTP 1", "= 1", Plus5}, {"*RST", "= 0", Off},
  };
  for (const auto& c : cases) {
    board.ClearLog();
    Write(c.command);
    EXPECT_EQ(Query("OUTP?"), c.state) << c.command;
    const std::vector<std::string> sets = SlotSets(board);
    ASSERT_EQ(sets.size(), 1u) << c.command;
    EXPECT_EQ(DecodeSlotSet(sets[0]).power, c.power) << c.command;
  }
  // *RST went back to what the board ran when the server connected, with the output off, and
  // stored nothing in flash.
  EXPECT_EQ(Query("FREQ?;FREQ:MODE?;FREQ:OUTP?"), "= 144000000.000;CW;AUTO");
  EXPECT_EQ(board.Count("F;"), 0);
  EXPECT_EQ(Errors(), std::vector<std::string>{});
}

TEST_F(ServeTest, EachErrorIsQueuedAndLeavesTheOutputAlone) {
  Write("FREQ 1 GHZ");
  const struct {
    std::string command;
    std::string error;
    int eventBits;  // *ESR? afterwards
  } cases[] = {
      {"FREQ 1.2.3", "-102,\"Syntax error\"", 32},
      {"FREQ 5 GHZ extra", "-102,\"Syntax error\"", 32},
      {"*RST 5", "-108,\"Parameter not allowed\"", 32},
      {"FREQ 1GHZ,2GHZ", "-108,\"Parameter not allowed\"", 32},
      {"FREQ", "-109,\"Missing parameter\"", 32},
      {"FREQ:BOGUS 5", "-113,\"Undefined header\"", 32},
      {"*IDN", "-113,\"Undefined header\"", 32},
      {"FREQ:MODE CW;:INIT", "-221,\"Settings conflict\"", 16},
      {"FREQ 20 GHZ", "-222,\"Data out of range\"", 16},
      {"FREQ 1e999", "-222,\"Data out of range\"", 16},
      {"FREQ 5 DBM", "-131,\"Invalid suffix\"", 32},
      {"POW 100", "-222,\"Data out of range\"", 16},
      {"SOUR2:FREQ 2 GHZ", "-113,\"Undefined header\"", 32},
      {"OUTP MAYBE", "-224,\"Illegal parameter value\"", 16},
      {"ROSC:FREQ 1 MHZ", "-222,\"Data out of range\"", 16},
  };
  for (const auto& c : cases) {
    board.ClearLog();
    Write(c.command);
    EXPECT_EQ(Errors(), std::vector<std::string>{"= " + c.error}) << c.command;
    EXPECT_EQ(Query("*ESR?"), "= " + std::to_string(c.eventBits)) << c.command;
    EXPECT_EQ(board.Log(), std::vector<std::string>{}) << c.command;
  }
  EXPECT_NEAR(Number(Query("FREQ?")), 1e9, 5000.0);

  // A second INIT while a sweep runs is ignored.
  ASSERT_EQ(visa.Write("a", "LIST:FREQ 1GHZ,2GHZ;DWEL 0.5;:SWE:COUN INF;:FREQ:MODE LIST;:INIT;:INIT"), "ok");
  Write("ABOR");
  EXPECT_EQ(Errors(), std::vector<std::string>{"= -213,\"Init ignored\""});
  EXPECT_EQ(Query("*ESR?"), "= 16");

  // The queue keeps 20; the last place tells that more were lost.
  std::string many;
  for (int i = 0; i < 25; ++i) many += "BOGUS;";
  Write(many);
  std::vector<std::string> errors = Errors();
  ASSERT_EQ(errors.size(), 20u);
  EXPECT_EQ(errors[18], "= -113,\"Undefined header\"");
  EXPECT_EQ(errors[19], "= -350,\"Queue overflow\"");
  EXPECT_EQ(Query("*ESR?;*STB?"), "= 40;0");
  Write("BOGUS");
  EXPECT_EQ(Query("*STB?"), "= 4");
  Write("*CLS");
  EXPECT_EQ(Query("*STB?;*ESR?;SYST:ERR?"), "= 0;0;0,\"No error\"");
}

TEST_F(ServeTest, RefusalsAndLockComeFromTheBoard) {
  EXPECT_EQ(Query("FREQ:LOCK?"), "= 1");
  board.SetRefuse("L;", "L 0;", 0);
  EXPECT_EQ(Query("SOUR:FREQ:LOCK?"), "= 0");
  // The lock state is read afresh: the query waits for no retune.
  EXPECT_EQ(board.Count("L;"), 2);
  Write("FREQ 2 GHZ");
  board.SetRefuse("4 ", "?;", 0);
  Write("FREQ 3 GHZ");
  EXPECT_EQ(Errors(), std::vector<std::string>{"= -240,\"Hardware error\""});
  // The refused set is not taken for what the board makes.
  EXPECT_NEAR(Number(Query("FREQ?")), 2e9, 5000.0);
}

// What a set-up routine asks first, through a real VISA client.
TEST_F(ServeTest, SelfTestVersionAndStatusRegisters) {
  EXPECT_EQ(Query("*TST?;:SYST:VERS?;:STAT:OPER?;*OPT?"), "= 0;1999.0;0;OUT2");
  // A sweep sets OPERation bit 3 while it runs; the event stays until read.
  ASSERT_EQ(visa.Write("a", "STAT:OPER:ENAB 8;:LIST:FREQ 1GHZ,2GHZ;DWEL 0.2;:SWE:COUN INF;:FREQ:MODE LIST;:INIT"),
            "ok");
  EXPECT_EQ(Query("STAT:OPER:COND?;*STB?"), "= 8;128");
  Write("ABOR");
  EXPECT_EQ(Query("STAT:OPER:COND?;:STAT:OPER?;:STAT:OPER?"), "= 0;8;0");
  // A board that answers no lock state fails its self-test; one that reports no lock is questionable.
  board.SetRefuse("L;", "L 0;", 1);  // from the second lock query on
  board.SetRefuse("L;", "?;", 0);
  EXPECT_EQ(Query("*TST?"), "= 1");
  EXPECT_EQ(Query("*TST?;:STAT:QUES:COND?;:STAT:QUES?;:STAT:QUES?"), "= 0;32;32;0");
  EXPECT_EQ(Errors(), std::vector<std::string>{});
}

TEST_F(ServeTest, ReferenceChangesSendTheReferenceOnce) {
  const struct {
    std::string command;
    std::vector<std::string> reference;  // reference commands that went out
  } cases[] = {
      {"ROSC:FREQ 25 MHZ", {"R  25.000000  ;"}},
      {"FREQ 1 GHZ", {}},
      {"ROSC:SOUR EXT", {"R  25.000000 E;"}},
      {"ROSC:SOUR EXT;:FREQ 2 GHZ", {}},
      // The path of the first command makes the second ROSCillator:FREQuency.
      {"ROSCillator:SOURce INTernal;FREQuency 10000000", {"R  25.000000  ;", "R  10.000000  ;"}},
  };
  for (const auto& c : cases) {
    board.ClearLog();
    Write(c.command);
    std::vector<std::string> references;
    for (const std::string& command : board.Log()) {
      if (command.rfind("R ", 0) == 0) references.push_back(command);
    }
    EXPECT_EQ(references, c.reference) << c.command;
    EXPECT_FALSE(SlotSets(board).empty()) << c.command;
  }
  EXPECT_EQ(Query("ROSC:FREQ?;ROSC:SOUR?"), "= 10000000.000;INT");
  EXPECT_EQ(Errors(), std::vector<std::string>{});
}

TEST_F(ServeTest, ABoardThatVanishesAndComesBack) {
  Write("FREQ 1 GHZ");
  board.SetSilent(true);
  Write("FREQ 2 GHZ");
  // Within a second of the loss, what needs the board fails at once, without a handshake.
  board.ClearLog();
  Write("FREQ 2 GHZ;:POW 2;:OUTP ON");
  EXPECT_EQ(board.Log(), std::vector<std::string>{});
  // Queries that need no board still answer while it is away.
  EXPECT_EQ(Query("*IDN?").rfind("= Korvane,MAX2871,", 0), 0u);
  EXPECT_EQ(Errors(), std::vector<std::string>(4, "= -241,\"Hardware missing\""));
  EXPECT_NEAR(Number(Query("FREQ?")), 1e9, 5000.0);

  board.SetSilent(false);
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  board.ClearLog();
  Write("FREQ 3 GHZ");
  EXPECT_EQ(Errors(), std::vector<std::string>{});
  EXPECT_NEAR(Number(Query("FREQ?")), 3e9, 5000.0);
  // The next command connected again (banner first) before it retuned.
  const std::vector<std::string> log = board.Log();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.front(), "V;");
  EXPECT_NEAR(DecodeSlotSet(SlotSets(board).back()).hz, 3e9, 5000.0);
}

// A long line of board queries holds another client up by one query at most, and a stop signal
// in its middle ends the server after the query that runs: the board hears nothing after it (no
// connect again for the queries left).
TEST_F(ServeTest, ALongLineOfBoardQueriesHoldsNoOneUpAndEndsAtAStopSignal) {
  board.SetPace4800(true);
  std::string line = "FREQ:LOCK?";
  while (line.size() < 64 * 1024 - 12) line += ";FREQ:LOCK?";
  ASSERT_EQ(visa.Open("b", resource), "ok");
  ASSERT_EQ(visa.Write("b", line), "ok");
  ASSERT_TRUE(board.WaitForCommand("L;", 5));
  EXPECT_EQ(Query("*IDN?").rfind("= Korvane,", 0), 0u);
  EXPECT_LT(board.Count("L;"), 1000);  // answered long before the line of 5000 ends
  serve.Signal(SIGTERM);
  EXPECT_EQ(serve.Wait(30000), std::optional<int>(128 + SIGTERM)) << serve.Stderr();
  EXPECT_EQ(board.Count("V;"), 0);
  EXPECT_LT(board.Count("L;"), 5000);
}

TEST_F(ServeTest, ClientsDoNotHoldEachOtherUp) {
  ASSERT_EQ(visa.Open("b", resource), "ok");
  ASSERT_EQ(visa.Open("c", resource), "ok");
  // a starts a line and stops; c sends queries and reads no replies.
  ASSERT_EQ(visa.Raw("a", "FREQ 2"), "ok");
  for (int i = 0; i < 200; ++i) ASSERT_EQ(visa.Write("c", "*IDN?"), "ok");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_NEAR(Number(Query("FREQ 1 GHZ;:FREQ?;*OPC?", "b")), 1e9, 5000.0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
  // a finishes its line; b sees it.
  ASSERT_EQ(visa.Raw("a", " GHZ\n"), "ok");
  ASSERT_EQ(visa.Query("a", "*OPC?"), "= 1");
  EXPECT_NEAR(Number(Query("FREQ?;*OPC?", "b")), 2e9, 5000.0);
  // Errors belong to the client that made them.
  Write("BOGUS", "b");
  EXPECT_EQ(Errors("a"), std::vector<std::string>{});
  EXPECT_EQ(Errors("b"), std::vector<std::string>{"= -113,\"Undefined header\""});
  // a hangs up after a line without its line end: the end of the connection ends it, and b goes on.
  ASSERT_EQ(visa.Raw("a", "FREQ 3 GHZ"), "ok");
  ASSERT_EQ(visa.Close("a"), "ok");
  EXPECT_NEAR(Number(Query("FREQ?;*OPC?", "b")), 3e9, 5000.0);
  // c's replies were all kept for it, in order.
  for (int i = 0; i < 200; ++i) ASSERT_EQ(visa.Read("c").rfind("= Korvane,", 0), 0u) << i;
}

// A client's work stops with it: a long line of retunes ends after the command on the wire when
// the client vanishes, and the one a client left behind when it ended its side ends at another
// client's ABORt or *RST.
TEST_F(ServeTest, WorkStopsWithItsClient) {
  board.SetPace4800(true);
  const int port = std::stoi(resource.substr(resource.find("::", 8) + 2));
  std::string line;
  for (int i = 0; i < 1000; ++i) line += "FREQ 432 MHZ;FREQ 433 MHZ;";
  line += "\n";
  // "": vanished, the connection reset; "gone": it ended its side, then vanished.
  for (const std::string stop : {"", "gone", "ABOR", "*RST"}) {
    board.ClearLog();
    const int fd = ConnectTo(port);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(send(fd, line.data(), line.size(), MSG_NOSIGNAL), static_cast<ssize_t>(line.size()));
    const bool vanishes = stop.empty() || stop == "gone";
    if (stop != "") shutdown(fd, SHUT_WR);
    if (vanishes) {
      const linger reset{1, 0};
      setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    }
    for (int i = 0; i < 100 && SlotSets(board).size() < 3; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (vanishes) {
      close(fd);
    } else {
      Write(stop);
    }
    EXPECT_LT(SettledSlotSets(board), 100u) << stop;
    if (!vanishes) {
      // The client that ended its side is closed once its work is dropped.
      pollfd p{fd, POLLIN, 0};
      char byte = 0;
      EXPECT_EQ(poll(&p, 1, 5000), 1) << stop;
      EXPECT_EQ(recv(fd, &byte, 1, 0), 0) << stop;
      close(fd);
    }
  }
  EXPECT_EQ(Errors(), std::vector<std::string>{});
}

// A client that ends its sending side after its lines (nc -N, socat -t, a script's shutdown())
// gets every reply before the server closes; its last line may end with the connection.
TEST_F(ServeTest, AHalfClosedClientGetsItsReplies) {
  const int port = std::stoi(resource.substr(resource.find("::", 8) + 2));
  for (int run = 0; run < 20; ++run) {
    EXPECT_EQ(SendAndHalfClose(port, "*IDN?\n"), "Korvane,MAX2871,0123456789ABCDEF01234567,4.03.0005\n") << run;
  }
  EXPECT_EQ(SendAndHalfClose(port, "FREQ 2 GHZ\r\nFREQ?;*OPC?\nFREQ?;:SYST:ERR?\nFREQ 3 GHZ;FREQ?"),
            "2000000000.000;1\n2000000000.000;0,\"No error\"\n3000000000.000\n");
  EXPECT_EQ(SendAndHalfClose(port, "*IDN?"), "Korvane,MAX2871,0123456789ABCDEF01234567,4.03.0005\n");
  // The one-liner of the README.
  if (access("/usr/bin/nc", X_OK) == 0) {
    const CliResult nc = RunProgram("sh", {"-c", "printf '*IDN?\\n' | nc -N 127.0.0.1 " + std::to_string(port)});
    EXPECT_EQ(nc.out, "Korvane,MAX2871,0123456789ABCDEF01234567,4.03.0005\n") << nc.err;
  }
}

TEST_F(ServeTest, ALineOverTheLimitIsDroppedWithAnError) {
  Write("FREQ 1 GHZ");
  board.ClearLog();
  // 100 KiB: a frequency whose digits never end.
  Write("FREQ 2" + std::string(100 * 1024, '0'));
  EXPECT_EQ(Errors(), std::vector<std::string>{"= -363,\"Input buffer overrun\""});
  EXPECT_EQ(board.Log(), std::vector<std::string>{});
  // The connection is still there, and a line just under the limit is read whole.
  std::string list = "LIST:FREQ 100MHZ";
  while (list.size() < 64 * 1024 - 20) list += ",100MHZ";
  Write(list);
  EXPECT_EQ(Query("LIST:FREQ:POIN?"), "= " + std::to_string((list.size() - 9) / 7));
  EXPECT_EQ(Errors(), std::vector<std::string>{});
}

TEST_F(ServeTest, SweepPointsReachTheBoardInOrderWhileOthersAreServed) {
  ASSERT_EQ(visa.Open("b", resource), "ok");
  const double list[] = {100e6, 2400e6, 432e6, 10368e6, 1296e6};
  Write("FREQ 1 GHZ;:LIST:FREQ 100MHZ,2.4GHZ,432MHZ,10.368GHZ,1296MHZ;DWEL 0.5;:SWE:COUN 2;:FREQ:MODE LIST");
  board.ClearLog();
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(visa.Write("a", "INIT"), "ok");
  // While the sweep runs, another client's queries are answered between its points.
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Query("FREQ:MODE?", "b"), "= LIST");
  EXPECT_LT(SlotSets(board).size(), 10u);  // the sweep of ten half-second points runs on
  // *OPC? answers once the sweep is done, and the output stays at its last point.
  EXPECT_EQ(Query("*OPC?;:FREQ:ACT?").substr(0, 4), "= 1;");
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(4500));
  const std::vector<std::string> sets = SlotSets(board);
  ASSERT_EQ(sets.size(), 10u);
  for (size_t i = 0; i < sets.size(); ++i) EXPECT_NEAR(DecodeSlotSet(sets[i]).hz, list[i % 5], 5000.0) << i;
  // One slot set per point: the reference the board holds is not sent again.
  EXPECT_EQ(board.Log(), sets);
  EXPECT_NEAR(Number(Query("FREQ:ACT?")), 1296e6, 5000.0);

  // A linear sweep, waited for with *WAI; an endless one ends with ABORt from another client.
  board.ClearLog();
  EXPECT_NEAR(
      Number(Query("FREQ:STAR 100MHZ;STOP 500MHZ;:SWE:POIN 5;DWEL 0;COUN 1;:FREQ:MODE SWE;:INIT;*WAI;:FREQ:ACT?")),
      500e6, 5000.0);
  const std::vector<std::string> linear = SlotSets(board);
  ASSERT_EQ(linear.size(), 5u);
  for (size_t i = 0; i < linear.size(); ++i) EXPECT_NEAR(DecodeSlotSet(linear[i]).hz, 100e6 * (i + 1), 5000.0) << i;
  ASSERT_EQ(visa.Write("a", "SWE:COUN INF;:INIT"), "ok");
  // Clients take turns, so b's ABOR could run before a's INIT: it waits until the sweep runs
  // (OPERation bit 3).
  bool sweeping = false;
  for (int i = 0; i < 100 && !sweeping; ++i) {
    sweeping = (static_cast<int>(Number(Query("STAT:OPER:COND?", "b"))) & 8) != 0;
    if (!sweeping) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_TRUE(sweeping);
  Write("ABOR", "b");
  EXPECT_EQ(Query("*OPC?"), "= 1");
  EXPECT_EQ(Errors(), std::vector<std::string>{});
}

// One line that multiplies a long reply (each FREQ? is LIST:FREQ? by the compound-header rule)
// stops at the reply's limit, and another client is answered between its commands.
TEST(Serve, ALineThatMultipliesItsReplyIsCutAndHoldsNoOneUp) {
  ChildProcess serve(CliPath(), {"serve", "--port", "Demo", "--listen", "127.0.0.1:0", "--no-vxi11"});
  VisaClient visa;
  const std::string resource = Resource(serve);
  ASSERT_EQ(visa.Open("greedy", resource), "ok") << serve.Stderr();
  ASSERT_EQ(visa.Open("other", resource), "ok");
  std::string list = "LIST:FREQ 1E8";
  for (int i = 1; i < 10000; ++i) list += ",1E8";
  std::string line = "LIST:FREQ?";
  while (line.size() < 64 * 1024 - 8) line += ";FREQ?";
  ASSERT_EQ(visa.Write("greedy", list), "ok");
  ASSERT_EQ(visa.Write("greedy", line), "ok");
  long peakKb = 0;
  for (int i = 0; i < 20; ++i) {
    const auto asked = std::chrono::steady_clock::now();
    EXPECT_EQ(visa.Query("other", "*IDN?").rfind("= Korvane,", 0), 0u) << i;
    EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::seconds(10)) << i;
    long size = 0, pages = 0;
    std::ifstream("/proc/" + std::to_string(serve.Pid()) + "/statm") >> size >> pages;
    peakKb = std::max(peakKb, pages * sysconf(_SC_PAGESIZE) / 1024);
  }
  // The line once took gigabytes. Under AddressSanitizer the server also holds shadow memory
  // and the allocator's quarantine.
#if defined(__SANITIZE_ADDRESS__)
  constexpr long kBoundKb = 512 * 1024;
#else
  constexpr long kBoundKb = 64 * 1024;
#endif
  EXPECT_LT(peakKb, kBoundKb);
  // Whole lists up to 2 MiB came back; the rest of the line was dropped with an error.
  const size_t replySize = visa.Read("greedy").size();
  EXPECT_TRUE(replySize >= (2u << 20) && replySize < (2u << 20) + 150000) << replySize;
  EXPECT_EQ(visa.Query("greedy", "SYST:ERR?;ERR?"), "= -350,\"Queue overflow\";0,\"No error\"");
  // Lines behind a *WAI are taken 64 at a time, however they were read; empty ones run too.
  ASSERT_EQ(visa.Write("greedy", "LIST:FREQ 1E8,2E8;DWEL 0.01;:SWE:COUN INF;:FREQ:MODE LIST;:INIT"), "ok");
  ASSERT_EQ(visa.Raw("other", "*WAI\n" + std::string(16384, '\n') + "*OPC?\n"), "ok");
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(visa.Query("greedy", "ABOR;*OPC?"), "= 1");
  EXPECT_EQ(visa.Read("other"), "= 1");
  serve.Signal(SIGTERM);
  EXPECT_EQ(serve.Wait(10000), std::optional<int>(128 + SIGTERM));
}

// Out of descriptors, the server stops accepting for a moment and says so once, instead of
// retrying at once; a client that waited is served once others have left.
TEST(Serve, AtTheOpenFilesLimitTheServerWaitsInsteadOfSpinning) {
#if defined(__SANITIZE_ADDRESS__)
  // UndefinedBehaviorSanitizer checks an object's type by probing its memory through a pipe;
  // with every descriptor taken that probe fails and it reports each virtual call as bad.
  GTEST_SKIP() << "the sanitizers need spare file descriptors of their own";
#endif
  ChildProcess serve(CliPath(), {"serve", "--port", "Demo", "--listen", "127.0.0.1:0", "--no-vxi11"});
  VisaClient visa;
  const std::string resource = Resource(serve);
  const auto open =
      std::distance(std::filesystem::directory_iterator("/proc/" + std::to_string(serve.Pid()) + "/fd"), {});
  // Room for two clients.
  const rlimit limit{static_cast<rlim_t>(open + 2), static_cast<rlim_t>(open + 2)};
  ASSERT_EQ(prlimit(serve.Pid(), RLIMIT_NOFILE, &limit, nullptr), 0);
  for (int i = 0; i < 6; ++i) ASSERT_EQ(visa.Open(std::to_string(i), resource), "ok") << serve.Stderr();
  EXPECT_EQ(visa.Query("0", "*IDN?").rfind("= Korvane,", 0), 0u);
  const long before = CpuTicks(serve.Pid());
  std::this_thread::sleep_for(std::chrono::seconds(2));
  // Under 5% of a core over the 2 s; said once.
  EXPECT_LT(CpuTicks(serve.Pid()) - before, sysconf(_SC_CLK_TCK) * 2 / 20);
  const std::string err = serve.Stderr();
  EXPECT_TRUE(err.find("Too many open files") != err.npos && err.find("Too many") == err.rfind("Too many")) << err;
  ASSERT_EQ(visa.Write("5", "*IDN?"), "ok");
  for (int i = 0; i < 5; ++i) ASSERT_EQ(visa.Close(std::to_string(i)), "ok");
  EXPECT_EQ(visa.Read("5").rfind("= Korvane,", 0), 0u) << serve.Stderr();
  serve.Signal(SIGTERM);
  EXPECT_EQ(serve.Wait(10000), std::optional<int>(128 + SIGTERM));
}

TEST(Serve, SolvesExactlyUnlessTheClassicSearchIsAsked) {
  const struct {
    std::vector<std::string> flags;
    std::string frequency;  // FREQ:ACT? after FREQ 145.2 MHZ
  } cases[] = {
      {{}, "= 145200000.000"},
      {{"--classic"}, "= 145199996.941"},
  };
  // Under a decimal-comma locale: what goes to the board and to the client stays with points.
  setenv("LC_ALL", "de_DE.UTF-8", 1);
  for (const auto& c : cases) {
    VirtualBoard board;
    std::vector<std::string> args{"serve", "--port", board.path(), "--listen", "127.0.0.1:0", "--no-vxi11"};
    args.insert(args.end(), c.flags.begin(), c.flags.end());
    ChildProcess serve(CliPath(), args);
    const std::optional<std::string> line = serve.ReadLine(30000);
    ASSERT_TRUE(line) << serve.Stderr();
    VisaClient visa;
    ASSERT_EQ(visa.Open("a", "TCPIP0::127.0.0.1::" + line->substr(line->rfind(':') + 1) + "::SOCKET"), "ok");
    EXPECT_EQ(visa.Query("a", "FREQ 145.2 MHZ;FREQ?;:FREQ:ACT?;:SWE:DWEL 0.25;DWEL?"),
              "= 145200000.000;" + c.frequency.substr(2) + ";0.25");
    EXPECT_NEAR(DecodeSlotSet(SlotSets(board).back()).hz, Number(c.frequency), 0.001);
    serve.Signal(SIGTERM);
    EXPECT_EQ(serve.Wait(10000), std::optional<int>(128 + SIGTERM));
  }
  unsetenv("LC_ALL");
}

// A client that connects while serve is still connecting the board waits and is served once the
// server is ready; it is never reset.
TEST(Serve, AClientThatComesDuringTheConnectIsServedOnceReady) {
  VirtualBoard board;
  board.SetPace4800(true);  // a connect of about a second
  // A port the system picks, left free for serve.
  int port = 0;
  {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length);
    port = ntohs(a.sin_port);
    close(fd);
  }
  ChildProcess serve(CliPath(),
                     {"serve", "--port", board.path(), "--listen", "127.0.0.1:" + std::to_string(port), "--no-vxi11"});
  int fd = -1;
  for (int i = 0; i < 500 && fd < 0; ++i) {
    fd = ConnectTo(port);
    if (fd < 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_GE(fd, 0);
  // The first connect that succeeds comes while the board is still being connected (a second).
  const std::string query = "*IDN?\n";
  ASSERT_EQ(send(fd, query.data(), query.size(), MSG_NOSIGNAL), static_cast<ssize_t>(query.size()));
  shutdown(fd, SHUT_WR);
  std::string received;
  for (;;) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 30000) != 1) break;
    char buffer[256];
    const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    received.append(buffer, static_cast<size_t>(n));
  }
  close(fd);
  EXPECT_EQ(received, "Korvane,MAX2871,0123456789ABCDEF01234567,4.03.0005\n");
  serve.Signal(SIGTERM);
  EXPECT_EQ(serve.Wait(10000), std::optional<int>(128 + SIGTERM)) << serve.Stderr();
}

TEST(Serve, UsageWarningsAndSigint) {
  VirtualBoard board;
  EXPECT_EQ(RunCli({"serve"}).exitCode, 2);
  for (const char* listen : {"nowhere", "127.0.0.1:+80", "127.0.0.1: 80", "127.0.0.1:65536"}) {
    const CliResult bad = RunCli({"serve", "--port", board.path(), "--listen", listen});
    EXPECT_EQ(bad.exitCode, 2) << listen;
    EXPECT_EQ(bad.err.rfind("korvane-cli serve: --listen", 0), 0u) << listen << ": " << bad.err;
  }
  // On a port of the system's choice: another program may hold the well-known one.
  const CliResult missing =
      RunCli({"serve", "--port", "/dev/korvane-no-such-port", "--listen", "127.0.0.1:0", "--no-vxi11"});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.err.rfind("Could not find Synth board!\n", 0), 0u) << missing.err;

  // A second serve on a port in use talked to its board before it said so.
  ChildProcess first(CliPath(), {"serve", "--port", "Demo", "--listen", "127.0.0.1:0", "--no-vxi11"});
  const std::optional<std::string> taken = first.ReadLine(30000);
  ASSERT_TRUE(taken) << first.Stderr();
  const CliResult inUse =
      RunCli({"serve", "--port", board.path(), "--listen", taken->substr(std::string("listening on ").size())});
  EXPECT_EQ(inUse.exitCode, 1);
  EXPECT_EQ(inUse.err.rfind("Cannot listen on 127.0.0.1:", 0), 0u) << inUse.err;
  EXPECT_TRUE(board.Log().empty());
  first.Signal(SIGINT);
  EXPECT_EQ(first.Wait(10000), std::optional<int>(128 + SIGINT));

  ChildProcess serve(CliPath(), {"serve", "--port", board.path(), "--listen", "0.0.0.0:0", "--no-vxi11"});
  const std::optional<std::string> line = serve.ReadLine(30000);
  ASSERT_TRUE(line) << serve.Stderr();
  EXPECT_EQ(line->rfind("listening on 0.0.0.0:", 0), 0u) << *line;
  EXPECT_NE(serve.Stderr().find("not a loopback address"), std::string::npos) << serve.Stderr();
  VisaClient visa;
  ASSERT_EQ(visa.Open("a", "TCPIP0::127.0.0.1::" + line->substr(line->rfind(':') + 1) + "::SOCKET"), "ok");
  EXPECT_EQ(visa.Query("a", "*OPC?"), "= 1");
  ASSERT_EQ(visa.SetTimeout("a", 1000), "ok");
  serve.Signal(SIGINT);
  EXPECT_EQ(serve.Wait(10000), std::optional<int>(128 + SIGINT));
  // The client's connection went with it.
  EXPECT_EQ(visa.Query("a", "*OPC?").rfind("error", 0), 0u);
}

}  // namespace
}  // namespace korvane::test
