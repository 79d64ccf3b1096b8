// korvane-cli against pyserial's RFC 2217 server example (Debian's python3-serial), which after
// a client has left may not answer the serial-port control negotiation of the next one.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "support/child_process.h"
#include "support/cli_runner.h"
#include "support/virtual_board.h"

namespace korvane::test {
namespace {

constexpr char kExample[] = "/usr/share/doc/python3-serial/examples/rfc2217_server.py";

// A loopback port the system has just given out, for a server that takes only a number.
int FreePort() {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof a;
  bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length);
  close(fd);
  return ntohs(a.sin_port);
}

TEST(PyserialRfc2217, ReadsTheBoardAgainRightAfterTheLastClientLeft) {
  if (!std::filesystem::exists(kExample)) GTEST_SKIP() << kExample << " is not installed (python3-serial)";
  VirtualBoard board;
  const int port = FreePort();
  // The example sets the modem lines, which a pseudo-terminal does not have: here they are left
  // alone, and the example runs as it is.
  const std::string shim =
      "import runpy, sys, serial.serialposix as p\n"
      "p.Serial._update_dtr_state = lambda self: None\n"
      "p.Serial._update_rts_state = lambda self: None\n"
      "for line in ('cts', 'dsr', 'ri', 'cd'): setattr(p.Serial, line, property(lambda self: False))\n"
      "sys.argv = sys.argv[1:]\n"
      "runpy.run_path(sys.argv[0], run_name='__main__')\n";
  ChildProcess server("/usr/bin/python3", {"-c", shim, kExample, "-v", "-p", std::to_string(port), board.path()});
  // The example says when it listens; a probing connection would count as a client.
  for (int i = 0; i < 300 && server.Stderr().find("TCP/IP port") == std::string::npos; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_NE(server.Stderr().find("TCP/IP port"), std::string::npos) << server.Stderr();
  const std::string url = "rfc2217://127.0.0.1:" + std::to_string(port);
  int warned = 0;
  for (int run = 0; run < 3; ++run) {
    const CliResult r = RunCli({"read", "--port", url, "--chip", "max2871"});
    EXPECT_EQ(r.exitCode, 0) << run << ": " << r.err << server.Stderr();
    EXPECT_NE(r.out.find("F3          1295.999878 MHz"), std::string::npos) << r.out;
    // A set-up the server did not agree to is said, and the board answered all the same.
    if (!r.err.empty()) {
      EXPECT_EQ(r.err, "warning: " + url +
                           " did not agree to serial-port control within 2000 ms; going on without it, with the line "
                           "settings unconfirmed.\n");
      ++warned;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
  }
  std::cout << "runs the server did not agree to: " << warned << " of 3\n";
  server.Signal(SIGTERM);
  server.Wait(5000);
}

}  // namespace
}  // namespace korvane::test
