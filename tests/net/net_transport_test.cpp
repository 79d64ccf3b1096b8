// The network transport against tiny servers in the test: why an open fails, what a dropped
// connection does, and Telnet on the wire.
#include "link/net_transport.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "link/board_link.h"
#include "link/demo_board.h"
#include "link/telnet_codec.h"
#include "support/byte_string.h"
#include "support/recording_clock.h"
#include "support/virtual_board.h"
#include "texts/texts.h"

namespace korvane::link {
namespace {

using namespace telnet;

using test::ByteString;

std::string Reply(uint8_t request, const std::string& value) {
  return ByteString({kIac, kSb, kOptionComPort, kReplyOffset + request}) + value + ByteString({kIac, kSe});
}

// The line settings confirmed as a serial-port server confirms them.
const std::string kAgreeAndConfirm = ByteString({kIac, kDo, kOptionComPort}) +
                                     Reply(kSetBaudRate, ByteString({0, 0, 0x12, 0xC0})) +
                                     Reply(kSetDataSize, ByteString({8})) + Reply(kSetParity, ByteString({1})) +
                                     Reply(kSetStopSize, ByteString({1})) + Reply(kSetControl, ByteString({1}));

// A listening socket on the loopback interface; each accepted client gets `greeting`, then
// the server records what arrives until the client leaves, or closes after the greeting.
class TinyServer {
 public:
  struct Options {
    std::string greeting;
    bool closeAfterGreeting = false;
    bool accept = true;  // false: never accept, so that a full backlog drops new connects
    bool ipv6 = false;
    std::string banner;       // sent each time "V;" arrives
    int closeFirst = 0;       // the first clients get closingText and are closed
    std::string closingText;  // what the server says before it closes
    int clients = 0;          // > 0: the server stops listening after this many (later connects are refused)
    bool flood = false;       // after the greeting, data as fast as the client takes it
  };
  explicit TinyServer(Options options) : options_(std::move(options)) {
    fd_ = socket(options_.ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_storage address{};
    socklen_t length = 0;
    if (options_.ipv6) {
      auto* a = reinterpret_cast<sockaddr_in6*>(&address);
      a->sin6_family = AF_INET6;
      a->sin6_addr = in6addr_loopback;
      length = sizeof *a;
    } else {
      auto* a = reinterpret_cast<sockaddr_in*>(&address);
      a->sin_family = AF_INET;
      a->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      length = sizeof *a;
    }
    if (bind(fd_, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(fd_, 0) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      throw std::runtime_error("tiny server: cannot listen");
    }
    port_ = ntohs(options_.ipv6 ? reinterpret_cast<sockaddr_in6*>(&address)->sin6_port
                                : reinterpret_cast<sockaddr_in*>(&address)->sin_port);
    if (options_.accept) {
      thread_ = std::thread([this] { Serve(); });
    } else {
      // One connection waits in the backlog; the kernel drops the handshake of the next.
      parked_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
      sockaddr_in a{};
      a.sin_family = AF_INET;
      a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      a.sin_port = htons(static_cast<uint16_t>(port_));
      connect(parked_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    }
  }
  ~TinyServer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (parked_ >= 0) close(parked_);
    if (fd_ >= 0) close(fd_);
  }
  int port() const { return port_; }
  std::string Received() const {
    std::lock_guard lock(mutex_);
    return received_;
  }

 private:
  void Serve() {
    while (!stop_) {
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, 10) <= 0) continue;
      const int client = accept(fd_, nullptr, nullptr);
      if (client < 0) continue;
      ++accepted_;
      if (options_.clients > 0 && accepted_ >= options_.clients) {
        close(fd_);
        fd_ = -1;
      }
      const bool closing = accepted_ <= options_.closeFirst;
      const std::string& greeting = closing ? options_.closingText : options_.greeting;
      send(client, greeting.data(), greeting.size(), MSG_NOSIGNAL);
      // A hang-up the client sees as the end of the stream; closing with its offers unread
      // would reset the connection instead.
      if (options_.closeAfterGreeting || closing) shutdown(client, SHUT_WR);
      const std::string noise(16 * 1024, 'x');
      while (options_.flood && !stop_ && send(client, noise.data(), noise.size(), MSG_NOSIGNAL) > 0) {
      }
      while (!stop_) {
        pollfd c{client, POLLIN, 0};
        if (poll(&c, 1, 10) <= 0) continue;
        char buffer[256];
        const ssize_t n = recv(client, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        std::lock_guard lock(mutex_);
        received_.append(buffer, static_cast<size_t>(n));
        if (!options_.banner.empty() &&
            std::string_view(buffer, static_cast<size_t>(n)).find("V;") != std::string::npos) {
          send(client, options_.banner.data(), options_.banner.size(), MSG_NOSIGNAL);
        }
      }
      close(client);
      if (fd_ < 0) return;
    }
  }

  Options options_;
  int fd_ = -1;
  int parked_ = -1;
  int accepted_ = 0;
  int port_ = 0;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::string received_;
};

// A port that nothing listens on: bound, never listened to.
int RefusingPort(int& holder) {
  holder = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof a;
  bind(holder, reinterpret_cast<sockaddr*>(&a), sizeof a);
  getsockname(holder, reinterpret_cast<sockaddr*>(&a), &length);
  return ntohs(a.sin_port);
}

class NetTransportTest : public ::testing::Test {
 protected:
  void SetUp() override { test::EnsureCoreApplication(); }
};

TEST_F(NetTransportTest, FailedOpensSayWhyWithinTheConnectTimeOut) {
  TinyServer full({.accept = false});
  TinyServer silent({});
  TinyServer refuses({.greeting = ByteString({kIac, kDont, kOptionComPort})});
  TinyServer wrongBaud(
      {.greeting = ByteString({kIac, kDo, kOptionComPort}) + Reply(kSetBaudRate, ByteString({0, 0, 0x25, 0x80}))});
  TinyServer hangsUp({.greeting = ByteString({kIac, kWill, kOptionBinary}), .closeAfterGreeting = true});
  TinyServer inUse({.greeting = "\r\nPort's device already in use\r\n\a", .closeAfterGreeting = true});
  TinyServer floods({.flood = true});
  TinyServer floodsAfterAgreeing({.greeting = ByteString({kIac, kDo, kOptionComPort}), .flood = true});
  int holder = -1;
  const std::string refused = "127.0.0.1:" + std::to_string(RefusingPort(holder));
  const auto local = [](const TinyServer& s) { return "127.0.0.1:" + std::to_string(s.port()); };
  const struct {
    std::string name;
    Transport::OpenResult result;
    std::string reason;
    bool takesTheTimeOut;
  } cases[] = {
      {"tcp://korvane-no-such-host.invalid:3333", Transport::OpenResult::CannotOpen,
       "The host korvane-no-such-host.invalid of tcp://korvane-no-such-host.invalid:3333 is not known; check the name.",
       false},
      {"tcp://" + refused, Transport::OpenResult::CannotOpen,
       "tcp://" + refused + " refused the connection; check that ser2net serves this port.", false},
      {"rfc2217://" + refused, Transport::OpenResult::CannotOpen,
       "rfc2217://" + refused + " refused the connection; check that ser2net serves this port.", false},
      {"tcp://" + local(full), Transport::OpenResult::CannotOpen,
       "tcp://" + local(full) + " did not answer within 2000 ms; check the address and the network.", true},
      {"tcp://127.0.0.1", Transport::OpenResult::CannotOpen,
       "tcp://127.0.0.1 is not a network port; write tcp://HOST:PORT or rfc2217://HOST:PORT.", false},
      {"rfc2217://" + local(refuses), Transport::OpenResult::CannotConfigure,
       "rfc2217://" + local(refuses) + " does not offer serial-port control; for a raw port write tcp:// instead.",
       false},
      {"rfc2217://" + local(wrongBaud), Transport::OpenResult::CannotConfigure,
       "rfc2217://" + local(wrongBaud) + " was asked to set the baud rate to 4800 and answered 9600 (00 00 25 80).",
       false},
      {"rfc2217://" + local(hangsUp), Transport::OpenResult::CannotConfigure,
       "rfc2217://" + local(hangsUp) + " closed the connection while it was being set up.", false},
      {"rfc2217://" + local(inUse), Transport::OpenResult::CannotConfigure,
       "rfc2217://" + local(inUse) +
           " closed the connection while it was being set up: \"Port's device already in use\"",
       false},
      {"rfc2217://" + local(floods), Transport::OpenResult::CannotConfigure,
       "rfc2217://" + local(floods) +
           " sent more than 64 KiB of data before it agreed to serial-port control; check that it serves the "
           "board's port with serial-port control.",
       false},
      {"rfc2217://" + local(floodsAfterAgreeing), Transport::OpenResult::CannotConfigure,
       "rfc2217://" + local(floodsAfterAgreeing) +
           " sent more than 64 KiB of data before it confirmed the line settings; check that it serves the "
           "board's port with serial-port control.",
       false},
  };
  for (const auto& c : cases) {
    // Twenty times as fast as real time: the 2 s budget passes in a tenth of a second.
    test::RecordingClock clock(0, 20);
    NetTransport transport(clock);
    const int64_t start = clock.NowMs();
    EXPECT_EQ(transport.Open(c.name), c.result) << c.name;
    const int64_t elapsed = clock.NowMs() - start;
    EXPECT_EQ(texts::OpenFailureText(transport.FailureReason()), c.reason) << c.name;
    EXPECT_FALSE(transport.IsOpen()) << c.name;
    if (c.takesTheTimeOut) {
      EXPECT_GE(elapsed, kNetConnectTimeoutMs) << c.name;
      EXPECT_LT(elapsed, kNetConnectTimeoutMs + 1000) << c.name;
    } else {
      EXPECT_LT(elapsed, kNetConnectTimeoutMs) << c.name;
    }
  }
  // A server that never answers the negotiation is used all the same, with a warning: the
  // board's banner decides.
  {
    test::RecordingClock clock(0, 20);
    NetTransport transport(clock);
    const std::string name = "rfc2217://" + local(silent);
    const int64_t start = clock.NowMs();
    EXPECT_EQ(transport.Open(name), Transport::OpenResult::Ok);
    EXPECT_GE(clock.NowMs() - start, kNetConnectTimeoutMs);
    EXPECT_TRUE(transport.IsOpen());
    EXPECT_EQ(texts::OpenFailureText(transport.OpenWarning()),
              name +
                  " did not agree to serial-port control within 2000 ms; going on without "
                  "it, with the line settings unconfirmed.");
  }
  close(holder);
}

TEST_F(NetTransportTest, AClosingWindowCancelsAConnectAtOnce) {
  TinyServer full({.accept = false});
  SteadyClock clock;
  NetTransport transport(clock);
  std::thread canceller([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    transport.Interrupt();
  });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(transport.Open("tcp://127.0.0.1:" + std::to_string(full.port())), Transport::OpenResult::CannotOpen);
  canceller.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(kNetConnectTimeoutMs));
  EXPECT_EQ(texts::OpenFailureText(transport.FailureReason()),
            "Connecting to tcp://127.0.0.1:" + std::to_string(full.port()) + " was cancelled.");
}

// Names, IPv4 and IPv6 addresses reach the server; its bytes reach the reader, and the end
// of the connection is a failed read at once, not a wait for the time-out.
TEST_F(NetTransportTest, ReadsUntilTheServerHangsUp) {
  const std::string fromBoard = ByteString({'O', 'K', 0xFF, ';'});
  const std::string telnetFromBoard = ByteString({'O', 'K', kIac, kIac, ';'});
  TinyServer v4({.greeting = fromBoard, .closeAfterGreeting = true});
  TinyServer v6({.greeting = fromBoard, .closeAfterGreeting = true, .ipv6 = true});
  TinyServer telnet({.greeting = kAgreeAndConfirm + telnetFromBoard, .closeAfterGreeting = true});
  // A server that sends each value in eight bytes, as some do.
  TinyServer longValues({.greeting = ByteString({kIac, kDo, kOptionComPort}) +
                                     Reply(kSetBaudRate, ByteString({0, 0, 0x12, 0xC0, 0, 0, 0, 0})) +
                                     Reply(kSetDataSize, ByteString({8, 0, 0, 0, 0, 0, 0, 0})) +
                                     Reply(kSetParity, ByteString({1, 0, 0, 0, 0, 0, 0, 0})) +
                                     Reply(kSetStopSize, ByteString({1, 0, 0, 0, 0, 0, 0, 0})) +
                                     Reply(kSetControl, ByteString({1, 0, 0, 0, 0, 0, 0, 0})) + telnetFromBoard,
                         .closeAfterGreeting = true});
  const std::string names[] = {
      "tcp://127.0.0.1:" + std::to_string(v4.port()),
      "tcp://localhost:" + std::to_string(v4.port()),
      "tcp://[::1]:" + std::to_string(v6.port()),
      "rfc2217://127.0.0.1:" + std::to_string(telnet.port()),
      "rfc2217://127.0.0.1:" + std::to_string(longValues.port()),
  };
  for (const std::string& name : names) {
    SteadyClock clock;
    NetTransport transport(clock);
    ASSERT_EQ(transport.Open(name), Transport::OpenResult::Ok)
        << name << ": " << texts::OpenFailureText(transport.FailureReason());
    std::string read;
    char byte = 0;
    const auto start = std::chrono::steady_clock::now();
    Transport::ReadResult result;
    while ((result = transport.ReadByte(byte, 30000)) == Transport::ReadResult::Byte) read.push_back(byte);
    EXPECT_EQ(result, Transport::ReadResult::Failed) << name;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(15000)) << name;
    EXPECT_EQ(read, fromBoard) << name;
  }
}

TEST_F(NetTransportTest, BytesToTheBoardAreEscapedOnlyForTelnet) {
  const std::string toBoard = ByteString({'T', ' ', 0xFF, '\r', ';'});
  const struct {
    const char* scheme;
    std::string greeting;
    std::string wire;  // what follows the negotiation on the wire
  } cases[] = {
      {"tcp", "", toBoard},
      {"rfc2217", kAgreeAndConfirm + ByteString({kIac, kWill, kOptionBinary, kIac, kDo, kOptionBinary}),
       ByteString({'T', ' ', kIac, kIac, '\r', ';'})},
  };
  for (const auto& c : cases) {
    TinyServer server({.greeting = c.greeting});
    SteadyClock clock;
    NetTransport transport(clock);
    ASSERT_EQ(transport.Open(std::string(c.scheme) + "://127.0.0.1:" + std::to_string(server.port())),
              Transport::OpenResult::Ok)
        << texts::OpenFailureText(transport.FailureReason());
    transport.Write(toBoard);
    const auto endsWithWire = [&] {
      const std::string received = server.Received();
      return received.size() >= c.wire.size() &&
             received.compare(received.size() - c.wire.size(), c.wire.size(), c.wire) == 0;
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!endsWithWire() && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_TRUE(endsWithWire()) << c.scheme;
  }
}

// A board link's connect over servers that fail in different ways: the reason reported is the
// one that tells what went wrong, and a server that closes during set-up is tried again.
TEST_F(NetTransportTest, ReasonsThatTellSurviveTheRetries) {
  const std::string banner = "ADF4350 Controller v4s.3.5 from 16052019.\nReady\n>";
  const std::string inUse = "Port's device already in use\r\n";
  const struct {
    const char* name;
    const char* scheme;
    TinyServer::Options server;
    bool connects;
    std::string reason;  // after "SCHEME://127.0.0.1:PORT"
    std::vector<int> pauses;
  } cases[] = {
      {"no banner, then refused",
       "tcp",
       {.clients = 1},
       false,
       "The port opened, but no board answered with the expected banner.",
       {}},
      {"raw server in use",
       "tcp",
       {.closeFirst = 9, .closingText = inUse},
       false,
       " closed the connection before a board answered: \"Port's device already in use\"",
       {500, 500}},
      {"telnet server in use",
       "rfc2217",
       {.closeFirst = 9, .closingText = inUse},
       false,
       " closed the connection while it was being set up: \"Port's device already in use\"",
       {500, 500}},
      {"closes twice, then serves",
       "tcp",
       {.banner = banner, .closeFirst = 2, .closingText = inUse},
       true,
       "",
       {500, 500}},
      {"telnet closes twice, then serves",
       "rfc2217",
       {.greeting = kAgreeAndConfirm, .banner = banner, .closeFirst = 2, .closingText = ""},
       true,
       "",
       {500, 500}},
  };
  for (const auto& c : cases) {
    TinyServer server(c.server);
    test::RecordingClock clock(0, 20);
    BoardLink link(clock);
    link.SetReadTimeoutMs(2000);
    const std::string url = std::string(c.scheme) + "://127.0.0.1:" + std::to_string(server.port());
    EXPECT_EQ(link.OpenPort(url, kFirmwareBanner), c.connects)
        << c.name << ": " << texts::OpenFailureText(link.OpenFailure());
    const std::string reason = c.reason.empty() || c.reason[0] != ' ' ? c.reason : url + c.reason;
    EXPECT_EQ(texts::OpenFailureText(link.OpenFailure()), reason) << c.name;
    EXPECT_EQ(clock.sleeps, c.pauses) << c.name;
  }
}

}  // namespace
}  // namespace korvane::link
