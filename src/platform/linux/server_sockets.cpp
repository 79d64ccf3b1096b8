#include "platform/server_sockets.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace korvane::platform {

namespace {

SocketStatus StatusOf(int error) {
  switch (error) {
    case EAGAIN:
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
      return SocketStatus::WouldBlock;
    case EINTR:
      return SocketStatus::Interrupted;
    case ECONNABORTED:
      return SocketStatus::Ended;
    case EMFILE:
    case ENFILE:
    case ENOBUFS:
    case ENOMEM:
      return SocketStatus::OutOfDescriptors;
    default:
      return SocketStatus::Failed;
  }
}

int Fd(SocketHandle socket) { return static_cast<int>(socket); }

}  // namespace

SocketHandle ListenTcp(const ListenAddress& address, uint16_t port, std::string* error, std::string* boundHost,
                       uint16_t* boundPort) {
  sockaddr_storage storage{};
  socklen_t length = 0;
  if (address.anyProtocol) {
    // The IPv6 wildcard takes IPv4 as well once IPV6_V6ONLY is off.
    auto* in6 = reinterpret_cast<sockaddr_in6*>(&storage);
    in6->sin6_family = AF_INET6;
    in6->sin6_port = htons(port);
    in6->sin6_addr = in6addr_any;
    length = sizeof *in6;
  } else {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV | AI_PASSIVE;
    addrinfo* list = nullptr;
    const int result = getaddrinfo(address.host.c_str(), std::to_string(port).c_str(), &hints, &list);
    if (result != 0 || !list || list->ai_addrlen > sizeof storage) {
      *error = result != 0 ? gai_strerror(result) : "no such address";
      if (list) freeaddrinfo(list);
      return kNoSocket;
    }
    std::memcpy(&storage, list->ai_addr, list->ai_addrlen);
    length = static_cast<socklen_t>(list->ai_addrlen);
    freeaddrinfo(list);
  }
  const int fd = ::socket(storage.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    *error = std::strerror(errno);
    return kNoSocket;
  }
  const int on = 1;
  const int off = 0;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  if (address.anyProtocol) ::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off);
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&storage), length) != 0 || ::listen(fd, SOMAXCONN) != 0) {
    *error = std::strerror(errno);
    ::close(fd);
    return kNoSocket;
  }
  length = sizeof storage;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&storage), &length);
  char host[NI_MAXHOST] = {};
  char service[NI_MAXSERV] = {};
  ::getnameinfo(reinterpret_cast<const sockaddr*>(&storage), length, host, sizeof host, service, sizeof service,
                NI_NUMERICHOST | NI_NUMERICSERV);
  *boundHost = host;
  *boundPort = static_cast<uint16_t>(std::atoi(service));
  return fd;
}

SocketHandle AcceptConnection(SocketHandle listener, SocketStatus* status) {
  const int fd = ::accept4(Fd(listener), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
  if (fd >= 0) {
    *status = SocketStatus::Ok;
    return fd;
  }
  *status = StatusOf(errno);
  return kNoSocket;
}

void PrepareConnection(SocketHandle socket) {
  const int fd = Fd(socket);
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
  ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  const int on = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

void WatchPeer(SocketHandle socket) {
  const int fd = Fd(socket);
  const int on = 1, idleS = 2, intervalS = 2, probes = 3;
  ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
  ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idleS, sizeof idleS);
  ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &intervalS, sizeof intervalS);
  ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof probes);
}

bool PeerGone(SocketHandle socket) {
  int error = 0;
  socklen_t length = sizeof error;
  return ::getsockopt(Fd(socket), SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error != 0;
}

std::size_t Receive(SocketHandle socket, char* data, std::size_t size, SocketStatus* status) {
  const ssize_t n = ::recv(Fd(socket), data, size, 0);
  if (n > 0) {
    *status = SocketStatus::Ok;
    return static_cast<std::size_t>(n);
  }
  *status = n == 0 ? SocketStatus::Ended : StatusOf(errno);
  return 0;
}

std::size_t SendSome(SocketHandle socket, const char* data, std::size_t size, SocketStatus* status) {
  const ssize_t n = ::send(Fd(socket), data, size, MSG_NOSIGNAL);
  if (n >= 0) {
    *status = SocketStatus::Ok;
    return static_cast<std::size_t>(n);
  }
  *status = StatusOf(errno);
  return 0;
}

void ShutdownBoth(SocketHandle socket) { ::shutdown(Fd(socket), SHUT_RDWR); }

bool WaitSocket(SocketHandle socket, WaitFor what, int ms) {
  pollfd p{Fd(socket), static_cast<short>(what == WaitFor::Read ? POLLIN : POLLOUT), 0};
  for (;;) {
    const int n = ::poll(&p, 1, ms);
    if (n < 0 && errno == EINTR) continue;
    return n > 0;
  }
}

SocketHandle ConnectLoopbackUdp(uint16_t port) {
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return kNoSocket;
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  to.sin_port = htons(port);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
    ::close(fd);
    return kNoSocket;
  }
  return fd;
}

int OpenDescriptorCount() {
  DIR* dir = ::opendir("/proc/self/fd");
  if (!dir) return -1;
  int count = 0;
  while (const dirent* entry = ::readdir(dir)) {
    if (entry->d_name[0] != '.') ++count;
  }
  ::closedir(dir);
  return count - 1;  // the directory's own descriptor
}

}  // namespace korvane::platform
