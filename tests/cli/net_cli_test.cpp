// korvane-cli against boards served by a real ser2net, raw and rfc2217: the board sees what
// it would see on a local port, and a server that dies ends the run with the lost-link message.
#include <gtest/gtest.h>
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
