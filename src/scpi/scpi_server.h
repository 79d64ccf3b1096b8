// The instrument on the network: SCPI lines over raw TCP from any number of clients. The clients
// take turns one command at a time (a line of a thousand commands holds the others up by one
// command, not by the line), with sweeps stepped between them. Everything runs on the thread's
// event loop but the board calls, which may run on a worker thread (RunBoardCallsOn): a
// client that sends half a line, reads no replies or waits for a mute board holds up nobody else.
#pragma once

#include <QHostAddress>
#include <QObject>
#include <QTimer>
#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "base/clock.h"
#include "scpi/board_worker.h"
#include "scpi/client_socket.h"
#include "scpi/scpi_instrument.h"

namespace korvane::scpi {

// A line may be this long; a longer one is dropped with "Input buffer overrun".
inline constexpr size_t kMaxLineBytes = 64 * 1024;
// Lines of one client waiting to run before the server stops reading from it.
inline constexpr size_t kMaxQueuedLines = 64;
// Replies a client has not read before its lines stop running.
inline constexpr qint64 kMaxUnreadReplyBytes = 1 << 20;
// Replies not read plus the reply a line is building: once a line reaches it, the rest of the
// line is dropped with "Queue overflow". Room for several of the longest list replies.
inline constexpr size_t kMaxPendingOutputBytes = 2 << 20;
// Unread replies of all clients together: past it only clients that have read theirs run lines.
inline constexpr size_t kMaxServerReplyBytes = 16 << 20;
// What a reply may grow to while the server is at its budget.
inline constexpr size_t kMinReplyRoomBytes = 64 * 1024;
// How long the server stops accepting when the process has no descriptor left for a client.
inline constexpr int kAcceptPauseMs = 200;

// A client that reaches the instrument through another protocol (a VXI-11 link) and shares the
// socket clients' queue.
class LineClient {
 public:
  virtual ~LineClient() = default;
  // A line of this client has run; its reply line (without line end) when it had one.
  virtual void LineRan(std::optional<std::string> reply) = 0;
  // Reply bytes not read yet: past kMaxUnreadReplyBytes the client's lines wait.
  virtual size_t UnreadBytes() const = 0;
};

class ScpiServer {
 public:
  ScpiServer(Instrument& instrument, Clock& clock);
  ~ScpiServer();
  ScpiServer(const ScpiServer&) = delete;
  ScpiServer& operator=(const ScpiServer&) = delete;

  bool Listen(const QHostAddress& address, quint16 port);
  // Serves on a socket that listened (paused) while the board was connected: the clients that
  // came meanwhile wait in its backlog and are served now.
  void ListenOn(DescriptorServer& reserved);
  QString ErrorString() const { return server_.errorString(); }
  QHostAddress Address() const { return server_.serverAddress(); }
  quint16 Port() const { return server_.serverPort(); }
  // Stops listening and closes every client; queued lines are dropped.
  void Close();
  // Called after each command or sweep point has run.
  std::function<void()> turnEnded;
  // Asked before each command: once it says true, nothing more runs (a stop signal came).
  void StopWhen(std::function<bool()> requested) { stopRequested_ = std::move(requested); }
  // From now on the instrument's board calls run on the worker, which owns the session: while one
  // is in flight the others' commands that need no board go on (Instrument::NextRunsBesideBoard).
  // The worker outlives the server.
  void RunBoardCallsOn(BoardWorker& worker);

  // Clients of other protocols. A line is queued whole (overrun: one that was too long); lines
  // already queued still run after RemoveLineClient, their replies going nowhere.
  ClientId AddLineClient(LineClient& client);
  void SubmitLine(ClientId id, std::string line, bool overrun = false);
  // Lines of the client queued, running or waiting for a sweep.
  size_t PendingLines(ClientId id) const;
  // Drops the client's lines that have not run (a device clear).
  void ClearLines(ClientId id);
  // dropLines: the client has vanished, and its lines are dropped too.
  void RemoveLineClient(ClientId id, bool dropLines = false);
  // While a client holds the device lock (a VXI-11 link), only its lines begin; the others' wait
  // for the lock to be released. 0: nobody holds it.
  void HoldFor(ClientId id);
  Instrument& instrument() { return instrument_; }
  // The memory all the clients' unread replies take, as the server counts it against its budget.
  size_t TotalUnreadBytes() const;

 private:
  struct Line {
    std::string text;
    bool overrun = false;  // stands for a line that was too long
    bool started = false;  // the instrument has begun it: its commands run one per turn
  };
  struct Connection {
    ClientSocket* socket = nullptr;  // null once the client has gone
    LineClient* line = nullptr;      // a client of another protocol, until it has gone
    bool ended = false;              // the client ended its input: it is closed after its replies
    std::string partial;             // the line being received
    bool overrun = false;            // the line being received is too long; its rest is dropped
    std::deque<Line> lines;          // lines to run, in order; the first may be running
  };

  void Accept(platform::SocketHandle fd);
  // Closes a client that ended its input once its last line has run and its replies have left.
  void FinishIfDone(ClientId id);
  // Takes the complete lines a client sent, as long as its queue has room.
  void Receive(ClientId id);
  // Queues the complete lines at the front of input; returns how many bytes it took.
  size_t TakeLines(Connection& c, std::string_view input);
  void Gone(ClientId id);
  // Runs one command, or one sweep point when one is due; then schedules the next turn.
  void Pump();
  void Schedule();
  // The client whose turn is next: the first after the last one served that has a command
  // ready to run; connections_.end() when none has.
  std::map<ClientId, Connection>::iterator NextClient();
  // Begins a line when the board is busy, so that its first command can be looked at.
  bool Ready(ClientId id, Connection& c, size_t totalUnread);
  size_t UnreadBytes(const Connection& c) const;
  void RunCommand(ClientId id, Connection& c);
  void LineEnded(ClientId id, std::optional<std::string> reply);
  void Forget(ClientId id);
  // Drops the client's queued lines and the rest of the line that runs.
  void DropWork(ClientId id, Connection& c);
  // An ABORt or *RST ran: the work of clients that have ended their input or gone is dropped.
  void DropOrphanedWork(ClientId except);
  // The process is out of descriptors: accepting waits a moment instead of failing at once again.
  void PauseAccepting();

  Instrument& instrument_;
  Clock& clock_;
  DescriptorServer server_;
  QTimer timer_;
  QTimer acceptPause_;
  std::map<ClientId, Connection> connections_;
  std::function<bool()> stopRequested_;
  BoardWorker* worker_ = nullptr;
  ClientId nextId_ = 1;
  ClientId lastServed_ = 0;
  ClientId lockHolder_ = 0;
  bool toldOutOfDescriptors_ = false;
  bool pumping_ = false;
  bool closed_ = true;
  bool lastWasPoint_ = false;
};

}  // namespace korvane::scpi
