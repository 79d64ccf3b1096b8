// Port names that reach a board over the network: "tcp://HOST:PORT" and "rfc2217://HOST:PORT".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvane::link {

enum class NetProtocol {
  RawTcp,   // the serial line's bytes as they are (ser2net "tcp")
  Rfc2217,  // Telnet with serial-port control (ser2net "telnet(rfc2217)")
};

struct NetPortName {
  NetProtocol protocol = NetProtocol::RawTcp;
  std::string host;  // a name, an IPv4 address or an IPv6 address (without its brackets)
  uint16_t port = 0;
};

// True when the name asks for a network port by its scheme (case-insensitive), well-formed or
// not: such a name is never a local device, and a malformed one deserves its own message.
bool IsNetworkPortName(std::string_view name);

// The parts of a well-formed network port name; nothing for anything else. An IPv6 address
// must be in brackets ("tcp://[::1]:3333") so that its colons are not read as the port's.
std::optional<NetPortName> ParseNetPortName(std::string_view name);

}  // namespace korvane::link
