// Which port names are network ports, and what a well-formed one says.
#include "link/net_port_name.h"

#include <gtest/gtest.h>

namespace korvane::link {
namespace {

TEST(NetPortName, ReadsSchemeHostAndPort) {
  const struct {
    const char* name;
    bool network;
    bool valid;
    NetProtocol protocol;
    const char* host;
    int port;
  } cases[] = {
      {"tcp://shack-pi:3333", true, true, NetProtocol::RawTcp, "shack-pi", 3333},
      {"rfc2217://shack-pi.local:3333", true, true, NetProtocol::Rfc2217, "shack-pi.local", 3333},
      {"RFC2217://192.168.1.20:2000", true, true, NetProtocol::Rfc2217, "192.168.1.20", 2000},
      {"tcp://[::1]:65535", true, true, NetProtocol::RawTcp, "::1", 65535},
      {"tcp://[fe80::1%eth0]:1", true, false, NetProtocol::RawTcp, "", 0},
      {"tcp://::1:3333", true, false, NetProtocol::RawTcp, "", 0},
      {"tcp://shack-pi", true, false, NetProtocol::RawTcp, "", 0},
      {"tcp://shack-pi:", true, false, NetProtocol::RawTcp, "", 0},
      {"tcp://shack-pi:0", true, false, NetProtocol::RawTcp, "", 0},
      {"tcp://shack-pi:65536", true, false, NetProtocol::RawTcp, "", 0},
      {"tcp://shack-pi:33a", true, false, NetProtocol::RawTcp, "", 0},
      {"tcp://:3333", true, false, NetProtocol::RawTcp, "", 0},
      {"tcp://[]:3333", true, false, NetProtocol::RawTcp, "", 0},
      {"tcp://[::1:3333", true, false, NetProtocol::RawTcp, "", 0},
      {"tcp://shack pi:3333", true, false, NetProtocol::RawTcp, "", 0},
      {"tcp://shack-pi:3333/", true, false, NetProtocol::RawTcp, "", 0},
      {"/dev/ttyUSB0", false, false, NetProtocol::RawTcp, "", 0},
      {"COM12", false, false, NetProtocol::RawTcp, "", 0},
      {"Demo", false, false, NetProtocol::RawTcp, "", 0},
      {"telnet://shack-pi:3333", false, false, NetProtocol::RawTcp, "", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsNetworkPortName(c.name), c.network) << c.name;
    const auto parsed = ParseNetPortName(c.name);
    ASSERT_EQ(parsed.has_value(), c.valid) << c.name;
    if (!parsed) continue;
    EXPECT_EQ(parsed->protocol, c.protocol) << c.name;
    EXPECT_EQ(parsed->host, c.host) << c.name;
    EXPECT_EQ(parsed->port, c.port) << c.name;
  }
}

}  // namespace
}  // namespace korvane::link
