#include "platform/server_sockets.h"

#include <winsock2.h>
#include <ws2tcpip.h>
// After winsock2.h.
#include <mstcpip.h>
//
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/windows/system_text.h"

namespace korvane::platform {

namespace {

SocketStatus StatusOf(int error) {
  switch (error) {
    case WSAEWOULDBLOCK:
      return SocketStatus::WouldBlock;
    case WSAEINTR:
      return SocketStatus::Interrupted;
    case WSAECONNABORTED:
    case WSAECONNRESET:
      return SocketStatus::Ended;
    case WSAEMFILE:
    case WSAENOBUFS:
      return SocketStatus::OutOfDescriptors;
    default:
      return SocketStatus::Failed;
  }
}

SOCKET Sock(SocketHandle socket) { return static_cast<SOCKET>(socket); }

void NotInherited(SOCKET s) { ::SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0); }

void NonBlocking(SOCKET s) {
  u_long on = 1;
  ::ioctlsocket(s, FIONBIO, &on);
}

std::string LastError() { return windows::ErrorText(static_cast<DWORD>(::WSAGetLastError())); }

}  // namespace

SocketHandle ListenTcp(const ListenAddress& address, uint16_t port, std::string* error, std::string* boundHost,
                       uint16_t* boundPort) {
  windows::StartWinsock();
  sockaddr_storage storage{};
  int length = 0;
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
    const int result = ::getaddrinfo(address.host.c_str(), std::to_string(port).c_str(), &hints, &list);
    if (result != 0 || !list || list->ai_addrlen > sizeof storage) {
      *error = result != 0 ? windows::ErrorText(static_cast<DWORD>(result)) : "no such address";
      if (list) ::freeaddrinfo(list);
      return kNoSocket;
    }
    std::memcpy(&storage, list->ai_addr, list->ai_addrlen);
    length = static_cast<int>(list->ai_addrlen);
    ::freeaddrinfo(list);
  }
  const SOCKET s = ::WSASocketW(storage.ss_family, SOCK_STREAM, IPPROTO_TCP, nullptr, 0,
                                WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
  if (s == INVALID_SOCKET) {
    *error = LastError();
    return kNoSocket;
  }
  // Windows' SO_REUSEADDR would let a second server take the port; exclusive use is what
  // SO_REUSEADDR gives elsewhere, with a closed server's port free at once.
  const BOOL on = TRUE;
  const DWORD off = 0;
  ::setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&on), sizeof on);
  if (address.anyProtocol) {
    ::setsockopt(s, IPPROTO_IPV6, IPV6_V6ONLY, reinterpret_cast<const char*>(&off), sizeof off);
  }
  NonBlocking(s);
  if (::bind(s, reinterpret_cast<const sockaddr*>(&storage), length) != 0 || ::listen(s, SOMAXCONN) != 0) {
    *error = LastError();
    ::closesocket(s);
    return kNoSocket;
  }
  length = sizeof storage;
  ::getsockname(s, reinterpret_cast<sockaddr*>(&storage), &length);
  char host[NI_MAXHOST] = {};
  char service[NI_MAXSERV] = {};
  ::getnameinfo(reinterpret_cast<const sockaddr*>(&storage), length, host, sizeof host, service, sizeof service,
                NI_NUMERICHOST | NI_NUMERICSERV);
  *boundHost = host;
  *boundPort = static_cast<uint16_t>(std::atoi(service));
  return static_cast<SocketHandle>(s);
}

SocketHandle AcceptConnection(SocketHandle listener, SocketStatus* status) {
  const SOCKET s = ::accept(Sock(listener), nullptr, nullptr);
  if (s != INVALID_SOCKET) {
    // An accepted socket takes the listener's non-blocking mode; inheritance is set anew.
    NonBlocking(s);
    NotInherited(s);
    *status = SocketStatus::Ok;
    return static_cast<SocketHandle>(s);
  }
  *status = StatusOf(::WSAGetLastError());
  return kNoSocket;
}

void PrepareConnection(SocketHandle socket) {
  const SOCKET s = Sock(socket);
  NonBlocking(s);
  NotInherited(s);
  const BOOL on = TRUE;
  ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
}

void WatchPeer(SocketHandle socket) {
  const SOCKET s = Sock(socket);
  tcp_keepalive values{1, 2000, 2000};  // on, idle and interval in ms
  DWORD returned = 0;
  ::WSAIoctl(s, SIO_KEEPALIVE_VALS, &values, sizeof values, nullptr, 0, &returned, nullptr, nullptr);
}

bool PeerGone(SocketHandle socket) {
  int error = 0;
  int length = sizeof error;
  return ::getsockopt(Sock(socket), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) == 0 && error != 0;
}

std::size_t Receive(SocketHandle socket, char* data, std::size_t size, SocketStatus* status) {
  const int n = ::recv(Sock(socket), data, static_cast<int>(std::min<std::size_t>(size, 1u << 30)), 0);
  if (n > 0) {
    *status = SocketStatus::Ok;
    return static_cast<std::size_t>(n);
  }
  if (n == 0) {
    *status = SocketStatus::Ended;
    return 0;
  }
  const int error = ::WSAGetLastError();
  // A reset connection is broken, not ended: what was sent may not have arrived.
  *status = error == WSAECONNRESET ? SocketStatus::Failed : StatusOf(error);
  return 0;
}

// Windows raises no signal for a closed peer; send fails with an error instead.
std::size_t SendSome(SocketHandle socket, const char* data, std::size_t size, SocketStatus* status) {
  const int n = ::send(Sock(socket), data, static_cast<int>(std::min<std::size_t>(size, 1u << 30)), 0);
  if (n >= 0) {
    *status = SocketStatus::Ok;
    return static_cast<std::size_t>(n);
  }
  const int error = ::WSAGetLastError();
  *status = error == WSAECONNRESET || error == WSAECONNABORTED ? SocketStatus::Failed : StatusOf(error);
  return 0;
}

void ShutdownBoth(SocketHandle socket) { ::shutdown(Sock(socket), SD_BOTH); }

bool WaitSocket(SocketHandle socket, WaitFor what, int ms) {
  // select rather than WSAPoll, whose reports of failed sockets differ between versions.
  const SOCKET s = Sock(socket);
  fd_set ready;
  fd_set failed;
  FD_ZERO(&ready);
  FD_ZERO(&failed);
  FD_SET(s, &ready);
  FD_SET(s, &failed);
  timeval wait{ms / 1000, (ms % 1000) * 1000};
  const int n = ::select(0, what == WaitFor::Read ? &ready : nullptr, what == WaitFor::Write ? &ready : nullptr,
                         &failed, ms < 0 ? nullptr : &wait);
  return n > 0;
}

SocketHandle ConnectLoopbackUdp(uint16_t port) {
  windows::StartWinsock();
  const SOCKET s = ::WSASocketW(AF_INET, SOCK_DGRAM, IPPROTO_UDP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
  if (s == INVALID_SOCKET) return kNoSocket;
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  to.sin_port = htons(port);
  if (::connect(s, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
    ::closesocket(s);
    return kNoSocket;
  }
  return static_cast<SocketHandle>(s);
}

// Sockets are among many kinds of handle the process holds; their number is not told apart.
int OpenDescriptorCount() { return -1; }

}  // namespace korvane::platform
