// The VXI-11 device: links, the device lock and the core and abort procedures, answering RPC
// calls with reply records. Each link is a client of the SCPI server, so its lines take their
// turn with the socket clients' and keep their own error queue. A call that cannot finish at once
// (a read before the reply exists, a lock another link holds) waits, one per connection, until
// Retry finishes it or its time-out passes. A link may ask for service requests, which go to
// the interrupt channel its connection created.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "base/clock.h"
#include "scpi/scpi_server.h"
#include "scpi/vxi11_rpc.h"

namespace korvane::scpi {

// Links served at once, over all connections.
inline constexpr size_t kMaxVxi11Links = 64;
// Links one connection may hold, so that one client cannot take them all.
inline constexpr size_t kMaxLinksPerConnection = 16;

class Vxi11Core {
 public:
  // abortPort: where the abort channel is served, as create_link tells the client.
  Vxi11Core(ScpiServer& server, Clock& clock, uint16_t abortPort);
  ~Vxi11Core();
  Vxi11Core(const Vxi11Core&) = delete;
  Vxi11Core& operator=(const Vxi11Core&) = delete;

  // Called when a waiting call may be able to finish (a line ran, a lock was released).
  std::function<void()> changed;
  // A link's service request: the call record of device_intr_srq for the connection's interrupt
  // channel at host (IPv4, host order) and port. interruptClosed: the channel was destroyed.
  std::function<void(int connection, uint32_t host, uint16_t port, std::string record)> interrupt;
  std::function<void(int connection)> interruptClosed;
  // Sends a service request for each link whose status byte has newly come to request one
  // (bit 6), when the link asked for them and its connection has an interrupt channel.
  void CheckServiceRequests();

  // Runs a call that arrived on a connection. Returns the reply record, or nullopt when the call
  // waits: Retry finishes it. A connection sends its next call only after the reply.
  std::optional<std::string> Start(int connection, const rpc::Call& call);
  // The connection's waiting call: its reply once it has finished or timed out.
  std::optional<std::string> Retry(int connection);
  bool HasWaiting(int connection) const { return waiting_.count(connection) > 0; }
  // When the first waiting call times out, on the clock.
  std::optional<int64_t> NextDeadlineMs() const;
  // The connection has closed: its links are destroyed and its lock released.
  void CloseConnection(int connection);
  // The link that holds the device lock; 0: none.
  int32_t LockHolder() const { return lockHolder_; }

 private:
  class Link;
  struct Waiting {
    uint32_t xid = 0;
    uint32_t procedure = 0;
    rpc::DeviceArgs args;
    int64_t lockDeadlineMs = 0;
    int64_t ioDeadlineMs = 0;
    int64_t wakeMs = 0;    // when what it waits for times out
    bool aborted = false;  // by the abort channel
  };

  // The procedure's results, or nullopt while it has to wait.
  std::optional<std::string> Attempt(int connection, Waiting& call);
  std::string CreateLink(int connection, const rpc::DeviceArgs& args);
  // create_intr_chan or destroy_intr_chan: the error code.
  int32_t InterruptChannel(int connection, const rpc::DeviceArgs& args, uint32_t procedure);
  std::optional<std::string> Write(Link& link, Waiting& call);
  std::optional<std::string> Read(Link& link, Waiting& call);
  void DestroyLink(int32_t id, bool vanished = false);
  // kNoDeviceError when the link may go on; kDeviceLocked when another link holds the lock and
  // the wait (if the call asked for one) is over; nullopt while it waits.
  std::optional<int32_t> LockCheck(Waiting& call);
  // Marks a call as waiting until deadlineMs.
  std::nullopt_t Wait(Waiting& call, int64_t deadlineMs);
  // The link when it belongs to the connection: another connection's link is no link of its own.
  Link* Find(int32_t id, int connection);
  Link* Find(int32_t id);
  // Gives the device lock to a link (0: releases it); the socket clients wait while a link holds it.
  void SetLock(int32_t id);
  void Changed();

  ScpiServer& server_;
  Clock& clock_;
  uint16_t abortPort_;
  std::map<int32_t, std::unique_ptr<Link>> links_;
  std::map<int, Waiting> waiting_;
  struct InterruptTarget {
    uint32_t host = 0;
    uint16_t port = 0;
  };
  std::map<int, InterruptTarget> channels_;  // by connection
  uint32_t interruptXid_ = 0;
  int32_t nextLink_ = 1;
  int32_t lockHolder_ = 0;  // the link that holds the device lock; 0: none
};

}  // namespace korvane::scpi
