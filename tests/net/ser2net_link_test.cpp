// The board link through a real ser2net serving the virtual board, in both of its modes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "link/board_link.h"
#include "link/demo_transport.h"
#include "support/ser2net_server.h"
#include "support/virtual_board.h"
#include "texts/texts.h"

namespace korvane::link {
namespace {

using test::Ser2NetMode;
using test::Ser2NetServer;
using test::VirtualBoard;

constexpr Ser2NetMode kModes[] = {Ser2NetMode::Raw, Ser2NetMode::Rfc2217};

const char* Name(Ser2NetMode mode) { return mode == Ser2NetMode::Raw ? "tcp" : "rfc2217"; }

int64_t MsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

class Ser2NetLinkTest : public ::testing::Test {
 protected:
  SteadyClock clock;
  DemoStore demo;
};

TEST_F(Ser2NetLinkTest, ConnectsAndExchangesEightBitText) {
  for (Ser2NetMode mode : kModes) {
    SCOPED_TRACE(Name(mode));
    VirtualBoard board({.hwTag = "v3s.", .version = "3.7 from 24122025.\nS/N 00000001000000020000000A"});
    Ser2NetServer server({.mode = mode, .device = board.path()});
    BoardLink link(clock, WithDemoBoard(demo));
    ASSERT_TRUE(link.OpenPort(server.Url(), kFirmwareBanner))
        << texts::OpenFailureText(link.OpenFailure()) << server.Log();
    EXPECT_EQ(link.GetPortState(), PortState::Open);
    EXPECT_EQ(link.GetBoardIdentity().hwVersion, 3);
    EXPECT_EQ(link.GetBoardIdentity().sSuffix, 1);
    EXPECT_EQ(link.GetBoardIdentity().fwMinor, 7);
    EXPECT_EQ(link.GetBoardIdentity().serialWords[2], 0xAu);
    // "ÿ" is 0xFF on the wire, the byte Telnet has to double.
    EXPECT_EQ(link.SendCommand("T \xC3\xBF\xC3\xBF DE TEST;"), "OK;");
    EXPECT_EQ(link.SendCommand("T;"), "T \xC3\xBF\xC3\xBF DE TEST;");
    EXPECT_EQ(board.Log(), (std::vector<std::string>{"V;", "T \xFF\xFF DE TEST;", "T;"}));
    link.ClosePort();
  }
}

// The same three handshakes as on a local port, each on a new connection that ser2net must
// have let go of the one before.
TEST_F(Ser2NetLinkTest, ASilentBoardGetsThreeHandshakes) {
  for (Ser2NetMode mode : kModes) {
    SCOPED_TRACE(Name(mode));
    VirtualBoard board;
    board.SetSilent(true);
    Ser2NetServer server({.mode = mode, .device = board.path()});
    BoardLink link(clock, WithDemoBoard(demo));
    link.SetReadTimeoutMs(200);
    EXPECT_FALSE(link.OpenPort(server.Url(), kFirmwareBanner));
    EXPECT_EQ(link.GetPortState(), PortState::None);
    EXPECT_EQ(board.Count("V;"), 3);
    board.SetSilent(false);
    EXPECT_TRUE(link.OpenPort(server.Url(), kFirmwareBanner)) << texts::OpenFailureText(link.OpenFailure());
  }
}

// ser2net opens the device with its own settings; only the rfc2217 client can make them
// 4800 baud, one stop bit, no flow control. (A pseudo-terminal keeps no parity and always
// has 8 data bits, so those two cannot be seen here.)
TEST_F(Ser2NetLinkTest, Rfc2217SetsTheLineOnTheServedDevice) {
  const struct {
    Ser2NetMode mode;
    speed_t speed;
    bool oneStopNoFlow;
  } cases[] = {{Ser2NetMode::Raw, B9600, false}, {Ser2NetMode::Rfc2217, B4800, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(Name(c.mode));
    VirtualBoard board;
    Ser2NetServer server({.mode = c.mode, .device = board.path(), .line = "9600n82,rtscts"});
    BoardLink link(clock, WithDemoBoard(demo));
    ASSERT_TRUE(link.OpenPort(server.Url(), kFirmwareBanner)) << texts::OpenFailureText(link.OpenFailure());
    const int fd = open(board.path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    termios tio{};
    ASSERT_EQ(tcgetattr(fd, &tio), 0);
    close(fd);
    EXPECT_EQ(cfgetospeed(&tio), c.speed);
    EXPECT_EQ(cfgetispeed(&tio), c.speed);
    EXPECT_EQ((tio.c_cflag & CSTOPB) == 0, c.oneStopNoFlow);
    EXPECT_EQ((tio.c_cflag & CRTSCTS) == 0, c.oneStopNoFlow);
  }
}

// ser2net dies while the board link waits for a reply: the link is lost at once.
TEST_F(Ser2NetLinkTest, AServerThatDiesLosesTheConnectionAtOnce) {
  for (Ser2NetMode mode : kModes) {
    SCOPED_TRACE(Name(mode));
    VirtualBoard board;
    Ser2NetServer server({.mode = mode, .device = board.path()});
    BoardLink link(clock, WithDemoBoard(demo));
    ASSERT_TRUE(link.OpenPort(server.Url(), kFirmwareBanner)) << texts::OpenFailureText(link.OpenFailure());
    board.SetSilent(true);
    std::thread killer([&] {
      if (board.WaitForCommand("M;")) server.Kill();
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(link.SendCommand("M;"), ConnectionLost);
    EXPECT_LT(MsSince(start), kDefaultReadTimeoutMs / 2);
    killer.join();
    EXPECT_EQ(link.GetPortState(), PortState::None);
  }
}

}  // namespace
}  // namespace korvane::link
