#include "platform/sockets.h"

// winsock2.h has to come before windows.h.
#include <winsock2.h>
#include <ws2tcpip.h>
//
#include <windows.h>

#include <cerrno>
#include <cstring>

#include "platform/windows/system_text.h"

namespace korvane::platform {

// Left running once started: Qt's network classes start their own.
void windows::StartWinsock() {
  static const bool started = [] {
    WSADATA data;
    return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  (void)started;
}

static_assert(sizeof(SocketAddress::bytes) >= sizeof(sockaddr_storage));
static_assert(sizeof(SOCKET) <= sizeof(SocketHandle));

namespace {

// Winsock's error codes and the errno values the portable code compares against.
struct ErrorPair {
  int winsock;
  int posix;
};
constexpr ErrorPair kErrors[] = {
    {WSAECONNREFUSED, ECONNREFUSED},
    {WSAETIMEDOUT, ETIMEDOUT},
    {WSAEHOSTUNREACH, EHOSTUNREACH},
    {WSAENETUNREACH, ENETUNREACH},
    {WSAEADDRNOTAVAIL, EADDRNOTAVAIL},
    {WSAECONNRESET, ECONNRESET},
    {WSAEACCES, EACCES},
    {WSAEAFNOSUPPORT, EAFNOSUPPORT},
    {WSAEMFILE, EMFILE},
    {WSAENOBUFS, ENOBUFS},
    {WSAENETDOWN, ENETDOWN},
    {WSAEADDRINUSE, EADDRINUSE},
};

int PosixOf(int winsock) {
  for (const ErrorPair& e : kErrors) {
    if (e.winsock == winsock) return e.posix;
  }
  return winsock;
}

int WinsockOf(int posix) {
  for (const ErrorPair& e : kErrors) {
    if (e.posix == posix) return e.winsock;
  }
  return posix;
}

}  // namespace

int LookUpHost(const std::string& host, int port, bool numericOnly, std::vector<SocketAddress>& addresses) {
  windows::StartWinsock();
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV | (numericOnly ? AI_NUMERICHOST : 0);
  addrinfo* list = nullptr;
  const int result = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list);
  if (result != 0) return result;
  for (const addrinfo* a = list; a; a = a->ai_next) {
    if (a->ai_addrlen > sizeof(sockaddr_storage)) continue;
    SocketAddress address;
    std::memcpy(address.bytes.data(), a->ai_addr, a->ai_addrlen);
    address.length = a->ai_addrlen;
    addresses.push_back(address);
  }
  ::freeaddrinfo(list);
  return 0;
}

bool IsUnknownHost(int lookupError) { return lookupError == WSAHOST_NOT_FOUND || lookupError == WSANO_DATA; }

std::string LookupErrorText(int lookupError) { return windows::ErrorText(static_cast<DWORD>(lookupError)); }

int StartConnect(const SocketAddress& address, SocketHandle* socket) {
  windows::StartWinsock();
  sockaddr_storage storage{};
  std::memcpy(&storage, address.bytes.data(), address.length);
  // Not inherited by programs this one starts, as O_CLOEXEC on other systems.
  const SOCKET s = ::WSASocketW(storage.ss_family, SOCK_STREAM, IPPROTO_TCP, nullptr, 0,
                                WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
  if (s == INVALID_SOCKET) return PosixOf(::WSAGetLastError());
  u_long nonBlocking = 1;
  if (::ioctlsocket(s, FIONBIO, &nonBlocking) != 0 ||
      (::connect(s, reinterpret_cast<const sockaddr*>(&storage), static_cast<int>(address.length)) != 0 &&
       ::WSAGetLastError() != WSAEWOULDBLOCK)) {
    const int error = ::WSAGetLastError();
    ::closesocket(s);
    return PosixOf(error);
  }
  *socket = static_cast<SocketHandle>(s);
  return 0;
}

std::optional<int> FinishConnect(SocketHandle socket, int ms) {
  // select rather than WSAPoll: a refused connect shows in the exception set, where WSAPoll
  // of older systems never reports it.
  const SOCKET s = static_cast<SOCKET>(socket);
  fd_set writable;
  fd_set failed;
  FD_ZERO(&writable);
  FD_ZERO(&failed);
  FD_SET(s, &writable);
  FD_SET(s, &failed);
  timeval wait{ms / 1000, (ms % 1000) * 1000};
  if (::select(0, nullptr, &writable, &failed, &wait) <= 0) return std::nullopt;
  int error = 0;
  int length = sizeof error;
  if (::getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0) {
    error = ::WSAGetLastError();
  }
  if (error == 0 && FD_ISSET(s, &failed)) error = WSAECONNREFUSED;
  return PosixOf(error);
}

std::string SocketErrorText(int error) { return windows::ErrorText(static_cast<DWORD>(WinsockOf(error))); }

void CloseSocket(SocketHandle socket) { ::closesocket(static_cast<SOCKET>(socket)); }

// Windows has no per-socket switch for delayed acknowledgements; its delay is short already.
void AcknowledgeAtOnce(SocketHandle) {}

bool SystemHasPortmapper() { return false; }

}  // namespace korvane::platform
