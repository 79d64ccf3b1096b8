// korvane-cli against boards served by a real ser2net, raw and rfc2217: the board sees what
// it would see on a local port, and a server that dies ends the run with the lost-link message.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "support/cli_runner.h"
#include "support/ser2net_server.h"
#include "support/virtual_board.h"

namespace korvane::test {
namespace {

constexpr Ser2NetMode kModes[] = {Ser2NetMode::Raw, Ser2NetMode::Rfc2217};

const char* Name(Ser2NetMode mode) { return mode == Ser2NetMode::Raw ? "tcp" : "rfc2217"; }

// "ÿ" is 0xFF on the wire: the byte Telnet doubles.
constexpr char kConfig[] =
    "[SigGen]\r\nFreq=145.500\r\nPwr=4\r\n"
    "[Freqs]\r\nReference=10.000\r\nExtReference=1\r\n"
    "Freq1=1296.000\r\nPwr1=4\r\nFreq2=2320.000\r\nPwr2=3\r\nFreq3=432.000\r\nPwr3=0\r\nFreq4=144.000\r\nPwr4=1\r\n"
    "[Beacon]\r\nBeacon=1\r\nScan=0\r\nPin1_2=1\r\nSpeed=20\r\nText=VVV DE \xC3\xBF\xC3\xBF TEST\r\n";

// A serial-port server of the kind met in the field, in the test: it relays one client at a time
// to the board's pseudo-terminal, with Telnet serial-port control answered in eight-byte values
// (`rfc2217`) or as a raw stream, and stops listening after `clients` connections (0: never).
class RelayServer {
 public:
  RelayServer(std::string device, bool rfc2217, int clients) : device_(std::move(device)), rfc2217_(rfc2217) {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    if (bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(fd_, 4) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &length) != 0) {
      throw std::runtime_error("relay: cannot listen");
    }
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this, clients] { Serve(clients); });
  }
  ~RelayServer() {
    stop_ = true;
    thread_.join();
    if (fd_ >= 0) close(fd_);
  }
  std::string Url() const {
    return std::string(rfc2217_ ? "rfc2217" : "tcp") + "://127.0.0.1:" + std::to_string(port_);
  }

 private:
  static void SendAll(int fd, const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
      const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) return;
      sent += static_cast<size_t>(n);
    }
  }

  void Serve(int clients) {
    for (int served = 0; !stop_;) {
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, 10) <= 0) continue;
      const int client = accept(fd_, nullptr, nullptr);
      if (client < 0) continue;
      if (clients > 0 && ++served >= clients) {
        close(fd_);  // later connects are refused
        fd_ = -1;
      }
      Relay(client);
      close(client);
      if (fd_ < 0) return;
    }
  }

  void Relay(int client) {
    const int line = open(device_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (line < 0) return;
    const char kIac = '\xFF';
    // DO COM-PORT-OPTION, WILL and DO BINARY.
    if (rfc2217_) SendAll(client, std::string{kIac, '\xFD', 44, kIac, '\xFB', 0, kIac, '\xFD', 0});
    std::string telnet;  // an unfinished Telnet command from the client
    while (!stop_) {
      pollfd p[2] = {{client, POLLIN, 0}, {line, POLLIN, 0}};
      if (poll(p, 2, 10) <= 0) continue;
      char buffer[512];
      if (p[1].revents & POLLIN) {
        const ssize_t n = read(line, buffer, sizeof buffer);
        std::string out;
        for (ssize_t i = 0; i < n; ++i) {
          out.push_back(buffer[i]);
          if (rfc2217_ && buffer[i] == kIac) out.push_back(kIac);
        }
        SendAll(client, out);
      }
      if (!(p[0].revents & (POLLIN | POLLHUP))) continue;
      const ssize_t n = recv(client, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      std::string data;
      for (ssize_t i = 0; i < n; ++i) {
        if (!rfc2217_) {
          data.push_back(buffer[i]);
          continue;
        }
        telnet.push_back(buffer[i]);
        const auto b = [&](size_t k) { return static_cast<uint8_t>(telnet[k]); };
        if (b(0) != 0xFF) {
          data += telnet;
          telnet.clear();
        } else if (telnet.size() >= 2 && b(1) == 0xFF) {
          data.push_back(kIac);
          telnet.clear();
        } else if (telnet.size() >= 3 && b(1) >= 251) {
          telnet.clear();  // option negotiation: agreed as offered
        } else if (telnet.size() >= 2 && b(1) != 250 && b(1) < 251) {
          telnet.clear();
        } else if (telnet.size() >= 6 && b(1) == 250 && b(telnet.size() - 2) == 0xFF && b(telnet.size() - 1) == 240) {
          // A serial-port request: answered with its value in eight bytes, as some servers do.
          std::string value = telnet.substr(4, telnet.size() - 6);
          value.resize(8, '\0');
          SendAll(client,
                  std::string{kIac, '\xFA', 44, static_cast<char>(b(3) + 100)} + value + std::string{kIac, '\xF0'});
          telnet.clear();
        }
      }
      if (!data.empty() && write(line, data.data(), data.size()) < 0) break;
    }
    close(line);
  }

  std::string device_;
  bool rfc2217_;
  int fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

class NetCli : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("korvane-netcli-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  std::string File(const std::string& name, const std::string& bytes) {
    const std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  // A full-size image in which 0xFF bytes, alone and in pairs, are common.
  static std::vector<uint8_t> ImageWith0xFF() {
    std::vector<uint8_t> bytes(kFlashSize);
    for (size_t i = 0; i < bytes.size(); ++i)
      bytes[i] = (i % 5 == 0 || i % 7 < 2) ? 0xFF : static_cast<uint8_t>(i * 37);
    return bytes;
  }

  std::filesystem::path dir_;
};

// Every command, and every reply byte the program shows, as on a local port.
TEST_F(NetCli, ReadAndWriteAsOnALocalPort) {
  const std::string config = File("beacon.kvini", kConfig);
  for (Ser2NetMode mode : kModes) {
    SCOPED_TRACE(Name(mode));
    VirtualBoard local({.hwTag = "v4s."});
    VirtualBoard served({.hwTag = "v4s."});
    for (VirtualBoard* board : {&local, &served}) board->SetStored("T \xC3\xBF CQ \xC3\xBF;");
    Ser2NetServer server({.mode = mode, .device = served.path()});
    for (const std::vector<std::string>& args : {std::vector<std::string>{"read", "--chip", "auto"},
                                                 std::vector<std::string>{"write", "--chip", "max2871", config}}) {
      std::vector<std::string> direct = args;
      direct.insert(direct.begin() + 1, {"--port", local.path()});
      std::vector<std::string> networked = args;
      networked.insert(networked.begin() + 1, {"--port", server.Url()});
      const CliResult expected = RunCli(direct);
      const CliResult r = RunCli(networked);
      ASSERT_EQ(expected.exitCode, 0) << expected.err;
      EXPECT_EQ(r.exitCode, 0) << args[0] << ": " << r.err << server.Log();
      EXPECT_EQ(r.out, expected.out) << args[0];
      EXPECT_EQ(r.err, expected.err) << args[0];
      EXPECT_EQ(served.Log(), local.Log()) << args[0];
    }
    EXPECT_NE(local.Log().back(), "V;");
    EXPECT_EQ(served.Stored('T'), "T VVV DE \xC3\xBF\xC3\xBF TEST;");
  }
}

TEST_F(NetCli, FlashWritesAFullImageThroughTheServer) {
  const std::vector<uint8_t> image = ImageWith0xFF();
  const std::string path = File("fw.img", std::string(image.begin(), image.end()));
  for (Ser2NetMode mode : kModes) {
    SCOPED_TRACE(Name(mode));
    VirtualBoard board({.mode = BoardMode::Bootloader});
    Ser2NetServer server({.mode = mode, .device = board.path()});
    const CliResult r = RunCli({"flash", "--port", server.Url(), path});
    ASSERT_EQ(r.exitCode, 0) << r.err << server.Log();
    EXPECT_EQ(r.out, "Firmware was updated. Please reconnect the board.\n");
    EXPECT_TRUE(board.Flash() == image);
  }
}

// A server that sends each serial-port value in eight bytes: read and a full update succeed.
TEST_F(NetCli, AnRfc2217ServerWithEightByteValuesServes) {
  const std::vector<uint8_t> image = ImageWith0xFF();
  const std::string path = File("fw.img", std::string(image.begin(), image.end()));
  VirtualBoard board;
  RelayServer server(board.path(), true, 0);
  const CliResult read = RunCli({"read", "--port", server.Url(), "--chip", "max2871"});
  EXPECT_EQ(read.exitCode, 0) << read.err;
  board.SetMode(BoardMode::Bootloader);
  const CliResult flash = RunCli({"flash", "--port", server.Url(), path});
  ASSERT_EQ(flash.exitCode, 0) << flash.err;
  EXPECT_TRUE(board.Flash() == image);
}

// A server that takes one connection: after "B;" the bootloader cannot be reached, and the
// message says why and how to finish.
TEST_F(NetCli, FlashConnectedSaysHowToFinishWhenTheBootloaderCannotBeReached) {
  const std::string path = File("fw.img", std::string(kFlashSize, '\x5A'));
  VirtualBoard board;
  RelayServer server(board.path(), false, 1);
  const CliResult r = RunCli({"flash", "--port", server.Url(), path, "--connected"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(board.Count("B;"), 1);
  EXPECT_NE(r.err.find("Cannot connect to board bootloader!\n" + server.Url() + " refused the connection"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("run `korvane-cli flash` again without --connected to finish the update."), std::string::npos)
      << r.err;
}

// ser2net killed part-way: the message a pulled cable gives, exit 1, and no wait for a
// read time-out.
TEST_F(NetCli, AServerThatDiesEndsTheRunWithTheLostLink) {
  const std::vector<uint8_t> image = ImageWith0xFF();
  const std::string path = File("fw.img", std::string(image.begin(), image.end()));
  const struct {
    const char* name;
    BoardMode mode;
    int byteDelayMs;  // slows the readout so that the kill falls in the middle of it
    size_t commandsBeforeKill;
    std::vector<std::string> args;
  } cases[] = {
      {"readout", BoardMode::Firmware, 10, 4, {"read", "--chip", "max2871"}},
      {"firmware update", BoardMode::Bootloader, 0, 400, {"flash", path}},
  };
  for (Ser2NetMode mode : kModes) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(Name(mode)) + " " + c.name);
      VirtualBoard board({.mode = c.mode});
      board.SetByteDelayMs(c.byteDelayMs);
      Ser2NetServer server({.mode = mode, .device = board.path()});
      std::atomic<int64_t> killedAtMs{0};
      std::thread killer([&] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (board.Log().size() < c.commandsBeforeKill && std::chrono::steady_clock::now() < deadline) {
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        server.Kill();
        killedAtMs =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
                .count();
      });
      std::vector<std::string> args = c.args;
      args.insert(args.begin() + 1, {"--port", server.Url()});
      const CliResult r = RunCli(args);
      const int64_t endedAtMs =
          std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
              .count();
      killer.join();
      EXPECT_EQ(r.exitCode, 1) << r.out;
      EXPECT_NE(r.err.find("Connection with device lost!\n"), std::string::npos) << r.err;
      EXPECT_LT(endedAtMs - killedAtMs, 1000);
      EXPECT_GE(board.Log().size(), c.commandsBeforeKill);
    }
  }
}

}  // namespace
}  // namespace korvane::test
