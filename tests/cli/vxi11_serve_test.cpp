// korvane-cli serve over VXI-11 as a VISA user meets it: PyVISA's pure-Python backend finds the
// instrument through the system's portmapper (rpcbind) and opens TCPIP::127.0.0.1::INSTR.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <optional>
#include <string>
#include <thread>

#include "support/child_process.h"
#include "support/cli_runner.h"
#include "support/visa_client.h"

namespace korvane::test {
namespace {

bool PortmapperAnswers() { return RunProgram("rpcinfo", {"-p", "127.0.0.1"}).exitCode == 0; }

// Starts rpcbind when no portmapper runs: empty when one answers, else why none does.
std::string StartPortmapper() {
  if (PortmapperAnswers()) return "";
  const CliResult started = RunProgram("/usr/sbin/rpcbind", {"-w"});
  for (int i = 0; i < 50 && !PortmapperAnswers(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  if (PortmapperAnswers()) return "";
  return "no portmapper answers on 127.0.0.1:111 and '/usr/sbin/rpcbind -w' did not start one (exit " +
         std::to_string(started.exitCode) + ": " + started.err +
         "); scripts/bootstrap installs rpcbind, which needs root: run 'sudo rpcbind -w' and repeat the test";
}

// The portmapper's table as rpcinfo prints it.
std::string PortmapTable() { return RunProgram("rpcinfo", {"-p", "127.0.0.1"}).out; }

TEST(Vxi11Serve, PyVisaFindsTheInstrumentThroughThePortmapper) {
  const std::string why = StartPortmapper();
  if (!why.empty()) {
    if (geteuid() != 0) GTEST_SKIP() << why;
    FAIL() << why;
  }
  ChildProcess serve(CliPath(), {"serve", "--port", "Demo", "--listen", "127.0.0.1:0"});
  const std::optional<std::string> listening = serve.ReadLine(30000);
  const std::optional<std::string> vxi11 = serve.ReadLine(10000);
  ASSERT_TRUE(listening && vxi11) << serve.Stderr();
  ASSERT_EQ(vxi11->rfind("VXI-11 on 127.0.0.1:", 0), 0u) << *vxi11;
  const std::string port = vxi11->substr(20, vxi11->find(' ', 20) - 20);
  // Registered for TCP under the VXI-11 core program (0x0607AF), on this server's port.
  const std::string registration = "395183    1   tcp  " + port;
  EXPECT_NE(PortmapTable().find(registration), std::string::npos) << PortmapTable();

  VisaClient visa;
  ASSERT_EQ(visa.Greeting().rfind("ready pyvisa", 0), 0u) << visa.Greeting();
  ASSERT_EQ(visa.Open("a", "TCPIP::127.0.0.1::INSTR"), "ok");
  ASSERT_EQ(visa.Open("b", "TCPIP::127.0.0.1::INSTR"), "ok");
  EXPECT_EQ(visa.Query("a", "*IDN?"), "= Korvane,MAX2871,111111112222222233333333,3.40.1234");
  EXPECT_EQ(visa.Write("a", "FREQ 1296 MHZ"), "ok");
  EXPECT_EQ(visa.Query("a", "FREQ?"), "= 1296000000.000");
  // Two links at once: one instrument, an error queue each.
  EXPECT_EQ(visa.Write("b", "FREQ 99 GHZ"), "ok");
  EXPECT_EQ(visa.Query("b", "SYST:ERR?"), "= -222,\"Data out of range\"");
  EXPECT_EQ(visa.Query("a", "SYST:ERR?"), "= 0,\"No error\"");
  EXPECT_EQ(visa.Query("b", "FREQ?;:SYST:ERR?"), "= 1296000000.000;0,\"No error\"");
  EXPECT_EQ(visa.Close("a"), "ok");
  EXPECT_EQ(visa.Query("b", "*OPC?"), "= 1");

  serve.Signal(SIGTERM);
  EXPECT_EQ(serve.Wait(10000), std::optional<int>(128 + SIGTERM)) << serve.Stderr();
  EXPECT_EQ(serve.Stderr(), "interrupted: serve stopped; the board keeps the output it last accepted.\n");
  EXPECT_EQ(PortmapTable().find(registration), std::string::npos) << PortmapTable();
}

// A serve with VXI-11: its "VXI-11 on" port, or "" when it serves only the socket.
std::string Vxi11Port(ChildProcess& serve) {
  const std::optional<std::string> listening = serve.ReadLine(30000);
  if (!listening) return "";
  const std::optional<std::string> vxi11 = serve.ReadLine(2000);
  if (!vxi11 || vxi11->rfind("VXI-11 on 127.0.0.1:", 0) != 0) return "";
  return vxi11->substr(20, vxi11->find(' ', 20) - 20);
}

// The portmapper entry is a serve's own only while it holds it: a second serve leaves it alone
// and says why it serves no VXI-11, and the entry of a serve that was killed is taken over.
TEST(Vxi11Serve, ThePortmapperEntryIsOursOnlyWhileWeHoldIt) {
  const std::string why = StartPortmapper();
  if (!why.empty()) {
    if (geteuid() != 0) GTEST_SKIP() << why;
    FAIL() << why;
  }
  auto registered = [](const std::string& port) {
    return PortmapTable().find("395183    1   tcp  " + port) != std::string::npos;
  };
  ChildProcess first(CliPath(), {"serve", "--port", "Demo", "--listen", "127.0.0.1:0"});
  const std::string firstPort = Vxi11Port(first);
  ASSERT_NE(firstPort, "") << first.Stderr();
  {
    ChildProcess second(CliPath(), {"serve", "--port", "Demo", "--listen", "127.0.0.1:0"});
    EXPECT_EQ(Vxi11Port(second), "");
    EXPECT_NE(second.Stderr().find("another VXI-11 server (on 127.0.0.1:" + firstPort + ")"), std::string::npos)
        << second.Stderr();
    second.Signal(SIGTERM);
    EXPECT_EQ(second.Wait(10000), std::optional<int>(128 + SIGTERM));
  }
  EXPECT_TRUE(registered(firstPort)) << PortmapTable();
  // A closed terminal ends serve as SIGTERM does: the entry goes with it.
  first.Signal(SIGHUP);
  EXPECT_EQ(first.Wait(10000), std::optional<int>(128 + SIGHUP));
  EXPECT_FALSE(registered(firstPort)) << PortmapTable();

  ChildProcess killed(CliPath(), {"serve", "--port", "Demo", "--listen", "127.0.0.1:0"});
  const std::string stalePort = Vxi11Port(killed);
  ASSERT_NE(stalePort, "") << killed.Stderr();
  killed.Signal(SIGKILL);
  killed.Wait(10000);
  ChildProcess next(CliPath(), {"serve", "--port", "Demo", "--listen", "127.0.0.1:0"});
  const std::string nextPort = Vxi11Port(next);
  EXPECT_NE(nextPort, "") << next.Stderr();
  EXPECT_TRUE(registered(nextPort)) << PortmapTable();
  next.Signal(SIGTERM);
  EXPECT_EQ(next.Wait(10000), std::optional<int>(128 + SIGTERM));
  EXPECT_FALSE(registered(nextPort)) << PortmapTable();
}

}  // namespace
}  // namespace korvane::test
