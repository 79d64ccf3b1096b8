#include "platform/sockets.h"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace korvane::platform {

static_assert(sizeof(SocketAddress::bytes) >= sizeof(sockaddr_storage));

int LookUpHost(const std::string& host, int port, bool numericOnly, std::vector<SocketAddress>& addresses) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV | (numericOnly ? AI_NUMERICHOST : 0);
  addrinfo* list = nullptr;
  const int result = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list);
  if (result != 0) return result;
  for (const addrinfo* a = list; a; a = a->ai_next) {
    if (a->ai_addrlen > sizeof(sockaddr_storage)) continue;
    SocketAddress address;
    std::memcpy(address.bytes.data(), a->ai_addr, a->ai_addrlen);
    address.length = a->ai_addrlen;
    addresses.push_back(address);
  }
  freeaddrinfo(list);
  return 0;
}

bool IsUnknownHost(int lookupError) { return lookupError == EAI_NONAME || lookupError == EAI_NODATA; }

std::string LookupErrorText(int lookupError) { return gai_strerror(lookupError); }

int StartConnect(const SocketAddress& address, SocketHandle* socket) {
  sockaddr_storage storage{};
  std::memcpy(&storage, address.bytes.data(), address.length);
  const int fd = ::socket(storage.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return errno;
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&storage), static_cast<socklen_t>(address.length)) != 0 &&
      errno != EINPROGRESS) {
    const int error = errno;
    ::close(fd);
    return error;
  }
  *socket = fd;
  return 0;
}

std::optional<int> FinishConnect(SocketHandle socket, int ms) {
  pollfd p{static_cast<int>(socket), POLLOUT, 0};
  if (::poll(&p, 1, ms) <= 0) return std::nullopt;
  int error = 0;
  socklen_t length = sizeof error;
  if (::getsockopt(static_cast<int>(socket), SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
  return error;
}

std::string SocketErrorText(int error) { return std::strerror(error); }

void CloseSocket(SocketHandle socket) { ::close(static_cast<int>(socket)); }

void AcknowledgeAtOnce(SocketHandle socket) {
  const int on = 1;
  ::setsockopt(static_cast<int>(socket), IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
}

bool SystemHasPortmapper() { return true; }

}  // namespace korvane::platform
