// korvane-cli mqtt against a real mosquitto broker on a free loopback port: the last will, a
// retune through set/frequency, malformed messages, and the broker going away and coming back.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <thread>

#include "support/child_process.h"
#include "support/cli_runner.h"
#include "support/virtual_board.h"

namespace korvane::test {
namespace {

constexpr char kBrokerPath[] = "/usr/sbin/mosquitto";
constexpr char kSubPath[] = "/usr/bin/mosquitto_sub";
constexpr int kWaitMs = 20000;

int FreePort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof addr;
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length) != 0) {
    close(fd);
    return 0;
  }
  close(fd);
  return ntohs(addr.sin_port);
}

bool Accepts(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  close(fd);
  return ok;
}

// A mosquitto broker listening on loopback only, without persistence: a restart forgets every
// retained message.
class Broker {
 public:
  explicit Broker(int port) : port_(port) {
    conf_ = std::filesystem::temp_directory_path() / ("korvane-mqtt-" + std::to_string(getpid()) + ".conf");
    std::ofstream(conf_) << "listener " << port << " 127.0.0.1\nallow_anonymous true\npersistence false\n";
    Start();
  }
  ~Broker() { std::filesystem::remove(conf_); }
  void Start() {
    process_ = std::make_unique<ChildProcess>(kBrokerPath, std::vector<std::string>{"-c", conf_.string()});
    for (int i = 0; i < 400 && !Accepts(port_); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  void Stop() {
    process_->Signal(SIGTERM);
    process_->Wait(kWaitMs);
  }

 private:
  int port_;
  std::filesystem::path conf_;
  std::unique_ptr<ChildProcess> process_;
};

ChildProcess Subscribe(int port, const std::string& topic) {
  return ChildProcess(kSubPath, {"-h", "127.0.0.1", "-p", std::to_string(port), "-t", topic, "-v"});
}

// Lines are "TOPIC PAYLOAD"; the first that starts with `head` and holds `part`, or empty when none came.
std::string WaitFor(ChildProcess& sub, const std::string& head, const std::string& part = "") {
  while (std::optional<std::string> line = sub.ReadLine(kWaitMs)) {
    if (line->rfind(head, 0) == 0 && line->find(part) != std::string::npos) return *line;
  }
  return "";
}

void Publish(int port, const std::string& topic, const std::string& payload) {
  const CliResult r = RunProgram(
      "mosquitto_pub", {"-h", "127.0.0.1", "-p", std::to_string(port), "-q", "1", "-t", topic, "-m", payload});
  ASSERT_EQ(r.exitCode, 0) << r.err;
}

int SlotSets(const VirtualBoard& board) {
  int sets = 0;
  for (const std::string& command : board.Log()) sets += command.rfind("4 ", 0) == 0;
  return sets;
}

TEST(MqttCli, BridgesABoardThroughABrokerThatGoesAwayAndComesBack) {
  if (!std::filesystem::exists(kBrokerPath) || !std::filesystem::exists(kSubPath) ||
      RunCli({"mqtt", "--help"}).exitCode != 0) {
    GTEST_SKIP() << "needs mosquitto, mosquitto-clients and a korvane-cli built with libmosquitto";
  }
  const int port = FreePort();
  ASSERT_NE(port, 0);
  Broker broker(port);
  VirtualBoard board;
  ChildProcess sub = Subscribe(port, "test/k/#");
  ChildProcess discovery = Subscribe(port, "homeassistant/#");
  ChildProcess bridge(CliPath(), {"mqtt", "--port", board.path(), "--broker", "127.0.0.1:" + std::to_string(port),
                                  "--topic", "test/k", "--discovery"});
  EXPECT_EQ(WaitFor(sub, "test/k/status"), "test/k/status online");
  EXPECT_NE(WaitFor(sub, "test/k/state", "\"lock\":\"locked\""), "") << bridge.Stderr();
  EXPECT_NE(WaitFor(discovery, "homeassistant/switch/korvane_test_k/output/config",
                    "\"command_topic\":\"test/k/set/output\""),
            "");

  // A retune through set/frequency is answered by the new state.
  board.ClearLog();
  Publish(port, "test/k/set/frequency", "432.1");
  const std::string state = WaitFor(sub, "test/k/state", "\"frequency\":\"432.1\"");
  EXPECT_NE(state.find("\"real\":432.100000"), std::string::npos) << state;
  EXPECT_EQ(SlotSets(board), 1);

  // What cannot be applied changes nothing on the board and is answered on error.
  const struct {
    const char* topic;
    const char* payload;
    const char* error;
  } refused[] = {
      {"set/frequency", "abc", "test/k/error set/frequency: 'abc' is not a frequency in MHz"},
      {"set/frequency", "99999", "test/k/error set/frequency: 99999.000000 MHz is outside what the MAX2871 makes"},
      {"set/power", "+7", "test/k/error set/power: '+7' is not a power level"},
      {"set/output", "maybe", "test/k/error set/output: 'maybe' is not on or off"},
      {"set/beacon", "on", "test/k/error set/beacon: unknown topic"},
  };
  for (const auto& r : refused) {
    Publish(port, std::string("test/k/") + r.topic, r.payload);
    EXPECT_EQ(WaitFor(sub, "test/k/error").rfind(r.error, 0), 0u) << r.error;
  }
  EXPECT_EQ(SlotSets(board), 1);

  // A broker that restarts has forgotten the retained messages; the bridge connects again and
  // gives them back.
  broker.Stop();
  broker.Start();
  ChildProcess again = Subscribe(port, "test/k/#");
  EXPECT_EQ(WaitFor(again, "test/k/status"), "test/k/status online") << bridge.Stderr();
  EXPECT_NE(WaitFor(again, "test/k/state", "\"frequency\":\"432.1\""), "");
  Publish(port, "test/k/set/output", "off");
  EXPECT_NE(WaitFor(again, "test/k/state", "\"output\":\"off\""), "");

  // A bridge that dies without a word leaves its last will.
  bridge.Signal(SIGKILL);
  EXPECT_EQ(WaitFor(again, "test/k/status"), "test/k/status offline");

  // With a plan, set/frequency is the RF. One that is stopped says so itself and ends with 0.
  ChildProcess second(CliPath(), {"mqtt", "--port", board.path(), "--broker", "127.0.0.1:" + std::to_string(port),
                                  "--topic", "test/k", "--mult", "2", "--offset", "144"});
  EXPECT_EQ(WaitFor(again, "test/k/status"), "test/k/status online");
  Publish(port, "test/k/set/frequency", "10368.1");
  EXPECT_NE(WaitFor(again, "test/k/state", "\"frequency\":\"5112.050\""), "");
  second.Signal(SIGTERM);
  EXPECT_EQ(second.Wait(kWaitMs), 0) << second.Stderr();
  EXPECT_EQ(WaitFor(again, "test/k/status"), "test/k/status offline");
}

}  // namespace
}  // namespace korvane::test
