// The instrument on the network: SCPI lines over raw TCP from any number of clients, run one at a
// time in the order they arrived, with sweeps stepped between them. Everything runs on the
// thread's event loop; a client that sends half a line or reads no replies holds up nobody else.
#pragma once

#include <QHostAddress>
#include <QObject>
#include <QTcpServer>
#include <QTimer>
#include <cstddef>
#include <deque>
#include <map>
#include <string>

#include "link/clock.h"
#include "scpi/scpi_instrument.h"

class QTcpSocket;

namespace korvane::scpi {

// A line may be this long; a longer one is dropped with "Input buffer overrun".
inline constexpr size_t kMaxLineBytes = 64 * 1024;
// Lines of one client waiting to run before the server stops reading from it.
inline constexpr size_t kMaxQueuedLines = 64;
// Replies a client has not read before its lines stop running.
inline constexpr qint64 kMaxUnreadReplyBytes = 1 << 20;

class ScpiServer {
 public:
  ScpiServer(Instrument& instrument, Clock& clock);
  ~ScpiServer();
  ScpiServer(const ScpiServer&) = delete;
  ScpiServer& operator=(const ScpiServer&) = delete;

  bool Listen(const QHostAddress& address, quint16 port);
  QString ErrorString() const { return server_.errorString(); }
  QHostAddress Address() const { return server_.serverAddress(); }
  quint16 Port() const { return server_.serverPort(); }
  // Stops listening and closes every client; queued lines are dropped.
  void Close();

 private:
  struct Connection {
    QTcpSocket* socket = nullptr;  // null once the client has gone
    std::string partial;           // the line being received
    bool overrun = false;          // the line being received is too long; its rest is dropped
    size_t queued = 0;             // lines of this client in the queue
  };
  struct Work {
    ClientId id;
    std::string line;
    bool overrun = false;  // stands for a line that was too long
    bool started = false;  // ran up to a *WAI or *OPC? and waits for the sweep to end
  };

  void Accept();
  // Takes the complete lines a client sent; everything: past the queue limit (a client that left).
  void Receive(ClientId id, bool everything);
  void Gone(ClientId id);
  // Runs one line, or one sweep point when one is due; then schedules the next turn.
  void Pump();
  void Schedule();
  std::deque<Work>::iterator NextRunnable();
  void RunLine(std::deque<Work>::iterator work);
  void Forget(ClientId id);

  Instrument& instrument_;
  Clock& clock_;
  QTcpServer server_;
  QTimer timer_;
  std::map<ClientId, Connection> connections_;
  std::deque<Work> queue_;
  ClientId nextId_ = 1;
  bool pumping_ = false;
  bool closed_ = true;
  bool lastWasPoint_ = false;
};

}  // namespace korvane::scpi
