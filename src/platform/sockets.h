// The socket calls a network port needs below Qt: a host look-up that can be waited for in
// slices, a connect that can be given up, and the one socket option Qt does not offer.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvane::platform {

// One address a host name stands for, as the system's connect takes it.
struct SocketAddress {
  std::array<unsigned char, 128> bytes{};
  std::size_t length = 0;
};

// Looks HOST:PORT up for a stream connection; numericOnly takes a literal address and asks no
// resolver. 0, or the resolver's error code (see the functions below).
int LookUpHost(const std::string& host, int port, bool numericOnly, std::vector<SocketAddress>& addresses);
// The look-up found no such host (or, numericOnly, the host is a name).
bool IsUnknownHost(int lookupError);
// The resolver's words for its error code.
std::string LookupErrorText(int lookupError);

// A socket as the system names it; Qt's setSocketDescriptor takes it.
using SocketHandle = std::intptr_t;
inline constexpr SocketHandle kNoSocket = -1;

// Starts a connect that does not block: 0 with *socket set (connected or on its way), or the
// system's error number as an errno value (then there is no socket).
int StartConnect(const SocketAddress& address, SocketHandle* socket);
// Waits at most ms for a started connect: nullopt while it goes on, else 0 or its error.
std::optional<int> FinishConnect(SocketHandle socket, int ms);
// The words for an error number the two calls above gave.
std::string SocketErrorText(int error);
void CloseSocket(SocketHandle socket);
// Asks the system to acknowledge what arrives at once rather than delaying it, where it can.
void AcknowledgeAtOnce(SocketHandle socket);

// Whether the system comes with a portmapper for RPC servers to register with (rpcbind); where
// it has none, a server answers the portmapper's questions itself.
bool SystemHasPortmapper();

}  // namespace korvane::platform
