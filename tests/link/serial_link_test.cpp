// The board link over a real serial port: QSerialPort against the virtual board.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "base/clock.h"
#include "link/board_link.h"
#include "link/demo_transport.h"
#include "support/recording_clock.h"
#include "support/virtual_board.h"

namespace korvane::link {
namespace {

using test::BoardMode;
using test::VirtualBoard;
using test::VirtualBoardOptions;
using test::VirtualChip;

constexpr int kTimeoutMs = 150;
// For what must end without waiting out a time-out: far longer than any busy machine takes.
constexpr int kLongTimeoutMs = 60000;

// Rounded up: the link counts whole milliseconds, so a wait it times as 150 ms may take 149.x.
int64_t MsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::ceil<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

class SerialLinkTest : public ::testing::Test {
 protected:
  void SetUp() override { link.SetReadTimeoutMs(kTimeoutMs); }

  SteadyClock clock;
  DemoStore demo;
  BoardLink link{clock, WithDemoBoard(demo)};
};

TEST_F(SerialLinkTest, IdentifiesEveryHardwareVersion) {
  const struct {
    std::string tag;
    int hwVersion;
    int sSuffix;
    bool parsed;
  } cases[] = {
      {"v2.", 2, 0, false}, {"v3.", 3, 0, true},  {"v3s.", 3, 1, true},
      {"v4.", 4, 0, true},  {"v4s.", 4, 1, true}, {"", 1, 0, false},
  };
  for (const auto& c : cases) {
    // A previous identification that the banner may or may not overwrite.
    ASSERT_TRUE(link.OpenPort(kDemoPortName, kFirmwareBanner));
    link.ClosePort();
    VirtualBoard board({.hwTag = c.tag, .version = "3.7 from 24122025.\nS/N 00000001000000020000000A"});
    ASSERT_TRUE(link.OpenPort(board.path(), kFirmwareBanner)) << c.tag;
    EXPECT_EQ(link.GetPortState(), PortState::Open);
    const BoardIdentity& id = link.GetBoardIdentity();
    EXPECT_EQ(id.hwVersion, c.hwVersion) << c.tag;
    EXPECT_EQ(id.sSuffix, c.sSuffix) << c.tag;
    EXPECT_EQ(id.fwMajor, c.parsed ? 3 : 40) << c.tag;
    EXPECT_EQ(id.fwMinor, c.parsed ? 7 : 1234) << c.tag;
    EXPECT_EQ(id.fwDateCode, c.parsed ? 0x24122025u : 0x16052019u) << c.tag;
    EXPECT_EQ(id.serialWords[2], c.parsed ? 0xAu : 0x33333333u) << c.tag;
    EXPECT_EQ(board.Log(), std::vector<std::string>{"V;"}) << c.tag;
    EXPECT_EQ(link.SendCommand("M;"), "M 00;");
    link.ClosePort();
    EXPECT_EQ(link.GetPortState(), PortState::None);
  }
}

TEST_F(SerialLinkTest, ExampleBannerAndBannerWithoutPrompt) {
  const struct {
    bool readyPrompt;
    bool waitsOutTimeout;
  } cases[] = {{true, false}, {false, true}};
  for (const auto& c : cases) {
    VirtualBoard board({.banner = "ADF4350 Controller v3.1.5 from 16052019.\nS/N 0123456789ABCDEF01234567",
                        .readyPrompt = c.readyPrompt});
    const int timeoutMs = c.waitsOutTimeout ? kTimeoutMs : kLongTimeoutMs;
    link.SetReadTimeoutMs(timeoutMs);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(link.OpenPort(board.path(), kFirmwareBanner));
    const int64_t elapsed = MsSince(start);
    if (c.waitsOutTimeout) {
      EXPECT_GE(elapsed, timeoutMs);
    } else {
      EXPECT_LT(elapsed, timeoutMs);
    }
    const BoardIdentity& id = link.GetBoardIdentity();
    EXPECT_EQ(id.hwVersion, 3);
    EXPECT_EQ(id.fwMajor, 1);
    EXPECT_EQ(id.fwMinor, 5);
    EXPECT_EQ(id.fwDateCode, 0x16052019u);
    EXPECT_EQ(id.serialWords, (std::array<uint32_t, 3>{0x01234567, 0x89ABCDEF, 0x01234567}));
    EXPECT_EQ(board.Count("V;"), 1);
    link.ClosePort();
  }
}

TEST_F(SerialLinkTest, FailedHandshakesAreTriedThreeTimes) {
  const struct {
    const char* name;
    bool silent;
    const char* expected;
  } cases[] = {
      {"silent device", true, kFirmwareBanner},
      {"firmware asked for its bootloader", false, kBootloaderBanner},
      {"no expected text", false, ""},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(link.OpenPort(kDemoPortName, kFirmwareBanner));  // sets hwVersion 3, sSuffix 1
    VirtualBoard board;
    board.SetSilent(c.silent);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(link.OpenPort(board.path(), c.expected)) << c.name;
    // Only silence costs time; a wrong banner ends with its prompt.
    if (c.silent) {
      EXPECT_GE(MsSince(start), 3 * kTimeoutMs) << c.name;
    }
    EXPECT_EQ(link.GetPortState(), PortState::None) << c.name;
    EXPECT_EQ(board.Count("V;"), 3) << c.name;
    // The handshake had begun: the identity says "expected text, no tag" now.
    EXPECT_EQ(link.GetBoardIdentity().hwVersion, 1) << c.name;
    EXPECT_EQ(link.GetBoardIdentity().sSuffix, 0) << c.name;
    EXPECT_THROW(link.SendCommand("M;"), ConnectionLost) << c.name;
  }
}

TEST_F(SerialLinkTest, DevicesThatCannotBeOpenedFailAtOnce) {
  VirtualBoard board;
  // No wait for a reply at all: far less than one read time-out, however busy the machine.
  link.SetReadTimeoutMs(kLongTimeoutMs);
  for (const std::string name : {"demo", "DEMO", "/dev/korvane-no-such-port", "ttyKorvaneMissing"}) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(link.OpenPort(name, kFirmwareBanner)) << name;
    EXPECT_LT(MsSince(start), kLongTimeoutMs) << name;
    EXPECT_EQ(link.GetPortState(), PortState::None) << name;
  }
  EXPECT_EQ(board.Count("V;"), 0);
}

TEST_F(SerialLinkTest, RepliesAreFramedAndCleaned) {
  const struct {
    const char* name;
    std::string prompt;
    bool echo;
    bool zeroBytes;
    int byteDelayMs;
  } cases[] = {
      {"plain", "", false, false, 0},
      {"prompt before reply", "Ready\n>", false, false, 0},
      {"echo before reply", "", true, false, 0},
      {"zero bytes everywhere", "", false, true, 0},
      // Each byte is within the read time-out; the reply as a whole is not.
      {"slow bytes", "", false, false, kTimeoutMs / 3},
  };
  for (const auto& c : cases) {
    VirtualBoard board;
    board.SetZeroBytes(c.zeroBytes);
    ASSERT_TRUE(link.OpenPort(board.path(), kFirmwareBanner)) << c.name;
    EXPECT_EQ(link.GetBoardIdentity().hwVersion, 4) << c.name;
    board.SetPrompt(c.prompt);
    board.SetEcho(c.echo);
    board.SetByteDelayMs(c.byteDelayMs);
    EXPECT_EQ(link.SendCommand("M;"), "M 00;") << c.name;
    EXPECT_EQ(link.SendCommand("T a>b;"), "OK;") << c.name;
    // The beacon text's own ">" is taken for a prompt, as the board's protocol has it.
    EXPECT_EQ(link.SendCommand("T;"), "b;") << c.name;
    link.ClosePort();
  }
}

TEST_F(SerialLinkTest, TextLeavesAsLatin1AndComesBackAsUtf8) {
  VirtualBoard board;
  ASSERT_TRUE(link.OpenPort(board.path(), kFirmwareBanner));
  EXPECT_EQ(link.SendCommand("T \xC3\xBC\xE2\x82\xAC;"), "OK;");
  EXPECT_EQ(board.Log().back(), "T \xFC?;");
  EXPECT_EQ(board.Stored('T'), "T \xC3\xBC?;");
  EXPECT_EQ(link.SendCommand("T;"), "T \xC3\xBC?;");
  board.SetStored("T \xC3\xB6;");
  EXPECT_EQ(link.SendCommand("T;"), "T \xC3\xB6;");
  // Whatever a confused board says comes back as it is, for the caller to judge.
  board.SetRefuse("M;", std::string("\xFF\x01zz\0;", 6));
  EXPECT_EQ(link.SendCommand("M;"), "\xC3\xBF\x01zz;");
}

TEST_F(SerialLinkTest, EndlessBannerIsCutShort) {
  VirtualBoard board;
  board.SetEndlessStream("V;");
  EXPECT_FALSE(link.OpenPort(board.path(), kFirmwareBanner));
  EXPECT_EQ(link.GetPortState(), PortState::None);
}

TEST_F(SerialLinkTest, LostConnectionClosesTheLinkAndThrows) {
  const struct {
    const char* name;
    void (*fault)(VirtualBoard&);
    bool beforeTimeout;
  } cases[] = {
      // An unplugged cable is noticed at once, without waiting out the time-out.
      {"hang-up mid-reply", [](VirtualBoard& b) { b.HangUpAfter("M;", 2); }, true},
      {"hang-up before reply", [](VirtualBoard& b) { b.HangUpAfter("M;", 0); }, true},
      {"silence", [](VirtualBoard& b) { b.SetSilent(true); }, false},
      {"endless stream", [](VirtualBoard& b) { b.SetEndlessStream("M;"); }, true},
      {"reply cut off by silence", [](VirtualBoard& b) { b.SetRefuse("M;", "M 0"); }, false},
  };
  for (const auto& c : cases) {
    VirtualBoard board;
    ASSERT_TRUE(link.OpenPort(board.path(), kFirmwareBanner)) << c.name;
    c.fault(board);
    const int timeoutMs = c.beforeTimeout ? kLongTimeoutMs : kTimeoutMs;
    link.SetReadTimeoutMs(timeoutMs);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(link.SendCommand("M;"), ConnectionLost) << c.name;
    EXPECT_LT(MsSince(start), c.beforeTimeout ? timeoutMs : 5000) << c.name;
    EXPECT_EQ(link.GetPortState(), PortState::None) << c.name;
    EXPECT_THROW(link.SendCommand("M;"), ConnectionLost) << c.name;
    link.ClosePort();
  }
}

TEST_F(SerialLinkTest, ReopeningWithoutCloseStillWorks) {
  VirtualBoard board;
  ASSERT_TRUE(link.OpenPort(board.path(), kFirmwareBanner));
  ASSERT_TRUE(link.OpenPort(board.path(), kFirmwareBanner));
  EXPECT_EQ(link.SendCommand("S;"), "S 1BC0;");
}

TEST_F(SerialLinkTest, AnInterruptFromAnotherThreadEndsAWaitAtOnceUntilCleared) {
  VirtualBoard board;
  board.SetSilent(true);
  SteadyClock real;
  BoardLink waiting(real, WithDemoBoard(demo));
  std::thread canceller([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    waiting.Interrupt();
  });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(waiting.OpenPort(board.path(), kFirmwareBanner));
  canceller.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(3000));  // not 3 x 2 s
  // An interrupt stays until cleared, so one that came before an open began is not lost.
  waiting.Interrupt();
  EXPECT_FALSE(waiting.OpenPort(board.path(), kFirmwareBanner));
  board.SetSilent(false);
  EXPECT_FALSE(waiting.OpenPort(board.path(), kFirmwareBanner));
  waiting.ClearInterrupt();
  EXPECT_TRUE(waiting.OpenPort(board.path(), kFirmwareBanner));
}

TEST_F(SerialLinkTest, BootloaderEntryAndFlashCommands) {
  VirtualBoard board;
  ASSERT_TRUE(link.OpenPort(board.path(), kFirmwareBanner));
  link.WriteRaw("B;");
  ASSERT_TRUE(board.WaitForCommand("B;"));
  link.ClosePort();
  EXPECT_EQ(board.Mode(), BoardMode::Bootloader);
  ASSERT_TRUE(link.OpenPort(board.path(), kBootloaderBanner));
  EXPECT_EQ(link.GetBoardIdentity().hwVersion, 3);
  EXPECT_EQ(link.GetBoardIdentity().fwMajor, 2);

  board.SetRefuse("E 1F;");
  const struct {
    std::string command;
    std::string reply;
  } steps[] = {
      {"E 07;", "?;"},    {"E 08;", "OK;"},       {"E 1F;", "?;"},     {"A 08002000;", "OK;"}, {"W 1000;", "OK;"},
      {"W 2000;", "OK;"}, {"A 08002000;", "OK;"}, {"W ABCD;", "ERR;"}, {"A 08001FFE;", "?;"},  {"M;", "?;"},
  };
  for (const auto& step : steps) EXPECT_EQ(link.SendCommand(step.command), step.reply) << step.command;
  const std::vector<uint8_t> flash = board.Flash();
  EXPECT_EQ((std::vector<uint8_t>(flash.begin(), flash.begin() + 5)),
            (std::vector<uint8_t>{0x00, 0x10, 0x00, 0x20, 0xFF}));
}

TEST_F(SerialLinkTest, ChipsLockOnTheirOwnProbe) {
  const struct {
    VirtualChip chip;
    const char* afterMax2871Probe;
    const char* afterAdf4351Probe;
  } cases[] = {
      {VirtualChip::MAX2871, "L 1;", "L 0;"},
      {VirtualChip::ADF4351, "L 0;", "L 1;"},
      {VirtualChip::ADF4350, "L 0;", "L 0;"},
  };
  for (const auto& c : cases) {
    VirtualBoard board({.chip = c.chip});
    ASSERT_TRUE(link.OpenPort(board.path(), kFirmwareBanner));
    EXPECT_EQ(link.SendCommand("L;"), "L 1;");
    EXPECT_EQ(link.SendCommand(test::kMax2871Probe), "OK;");
    EXPECT_EQ(link.SendCommand("L;"), c.afterMax2871Probe);
    EXPECT_EQ(link.SendCommand(test::kAdf4351Probe), "OK;");
    EXPECT_EQ(link.SendCommand("L;"), c.afterAdf4351Probe);
    link.ClosePort();
  }
}

TEST_F(SerialLinkTest, PacedLineTakesItsWireTime) {
  VirtualBoard board({.pace4800 = true});
  ASSERT_TRUE(link.OpenPort(board.path(), kFirmwareBanner));
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 5; ++i) ASSERT_EQ(link.SendCommand("M;"), "M 00;");
  // 5 x (2 + 5) bytes of 10 bits at 4800 baud: 73 ms (unpaced: well under 1 ms). The board
  // times a command's bytes from their arrival, which may overlap the start of the clock here.
  EXPECT_GE(MsSince(start), 60);
}

}  // namespace
}  // namespace korvane::link
