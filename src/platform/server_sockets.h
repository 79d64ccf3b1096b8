// The socket calls a server needs below Qt: a listening TCP socket, accepted connections that
// never block, sending that never raises a signal, a wait on one socket, and the one-shot UDP
// exchange the portmapper takes. Handles are SocketHandle (sockets.h); CloseSocket closes them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/sockets.h"

namespace korvane::platform {

// How a socket call ended, in the words the server acts on.
enum class SocketStatus {
  Ok,
  WouldBlock,        // nothing to do now; wait for the socket
  Interrupted,       // a signal came; try again
  Ended,             // the peer ended its sending side (receive), or a waiting connection was withdrawn (accept)
  OutOfDescriptors,  // the process or system has no descriptor (or memory) for another socket
  Failed,            // the connection is broken
};

// Where a listening socket is: a numeric address ("127.0.0.1", "::1", "fe80::1%eth0"); anyProtocol
// listens on every address of both IPv4 and IPv6 and ignores host.
struct ListenAddress {
  std::string host;
  bool anyProtocol = false;
};

// Opens a non-blocking listening TCP socket: kNoSocket with *error set (the system's words), or the
// socket with *boundHost (numeric) and *boundPort set to where it listens (port 0 picks a free one).
SocketHandle ListenTcp(const ListenAddress& address, uint16_t port, std::string* error, std::string* boundHost,
                       uint16_t* boundPort);
// Takes one waiting connection, non-blocking and not inherited by child processes; kNoSocket with
// *status set when there is none (WouldBlock), it was withdrawn, or no descriptor is left.
SocketHandle AcceptConnection(SocketHandle listener, SocketStatus* status);

// Prepares an accepted or handed-over connection: non-blocking, not inherited, replies never held back.
void PrepareConnection(SocketHandle socket);
// Receives at most size bytes: how many (> 0) with Ok, or 0 with the status.
std::size_t Receive(SocketHandle socket, char* data, std::size_t size, SocketStatus* status);
// Sends at most size bytes without raising a signal when the peer is gone: how many, or 0 with the status.
std::size_t SendSome(SocketHandle socket, const char* data, std::size_t size, SocketStatus* status);
// Ends both directions so that the peer reads to the end rather than a reset; the socket stays open.
void ShutdownBoth(SocketHandle socket);
// For a connection whose peer has ended its sending side: the system checks every few seconds that
// the peer is still there (TCP keepalive). A peer that only half-closed answers; one that closed
// for good answers with a reset once its own system has let the connection go (a minute on Linux).
void WatchPeer(SocketHandle socket);
// The connection has failed (reset, or the peer no longer answers), found without reading from it.
bool PeerGone(SocketHandle socket);

enum class WaitFor { Read, Write };
// Waits at most ms (negative: for ever) until the socket can be read or written, or has failed or
// been closed by the peer: true when it can, false when the time ran out.
bool WaitSocket(SocketHandle socket, WaitFor what, int ms);

// A UDP socket connected to 127.0.0.1:port, for request and answer datagrams; kNoSocket on failure.
SocketHandle ConnectLoopbackUdp(uint16_t port);

// How many descriptors the process holds now, for the server's own account; -1 when unknown.
int OpenDescriptorCount();

}  // namespace korvane::platform
