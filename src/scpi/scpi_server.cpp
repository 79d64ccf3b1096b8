#include "scpi/scpi_server.h"

#include <algorithm>
#include <iostream>

namespace korvane::scpi {

ScpiServer::ScpiServer(Instrument& instrument, Clock& clock) : instrument_(instrument), clock_(clock) {
  timer_.setSingleShot(true);
  // Sweep dwells are timed by this timer: a coarse one would be off by up to 5%.
  timer_.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer_, &QTimer::timeout, &server_, [this] { Pump(); });
  server_.accepted = [this](platform::SocketHandle fd) { Accept(fd); };
  acceptPause_.setSingleShot(true);
  QObject::connect(&acceptPause_, &QTimer::timeout, &server_, [this] {
    if (!closed_) server_.resumeAccepting();
  });
  server_.outOfDescriptors = [this] { PauseAccepting(); };
}

ScpiServer::~ScpiServer() { Close(); }

bool ScpiServer::Listen(const QHostAddress& address, quint16 port) {
  closed_ = false;
  return server_.listen(address, port);
}

void ScpiServer::ListenOn(DescriptorServer& reserved) {
  closed_ = false;
  server_.takeOver(reserved);
}

void ScpiServer::RunBoardCallsOn(BoardWorker& worker) {
  worker_ = &worker;
  instrument_.RunBoardCallsWith([this](std::function<void()> call, std::function<void()> done) {
    worker_->Run(std::move(call), &server_, [this, done = std::move(done)] {
      if (closed_) return;
      done();
      if (turnEnded) turnEnded();
      Schedule();
    });
  });
}

void ScpiServer::Close() {
  closed_ = true;
  if (worker_ && instrument_.BoardBusy()) {
    // The call in flight gives up at once; what would follow it is not run (closed_), and goes
    // with server_ once the server is gone.
    instrument_.InterruptBoard();
    worker_->Wait([] {});
  }
  timer_.stop();
  acceptPause_.stop();
  server_.close();
  for (auto& [id, connection] : connections_) {
    if (!connection.socket) continue;
    connection.socket->abort();
    connection.socket->deleteLater();
  }
  for (const auto& [id, connection] : connections_) instrument_.RemoveClient(id);
  connections_.clear();
}

void ScpiServer::PauseAccepting() {
  // Trying again at once would spin: a connection waiting in the backlog keeps the listening
  // socket readable while accept cannot take it.
  server_.pauseAccepting();
  if (!toldOutOfDescriptors_) {
    toldOutOfDescriptors_ = true;
    std::cerr << "Too many open files: new clients wait until a connection closes (raise the limit with "
                 "'ulimit -n' to serve more at once).\n";
  }
  acceptPause_.start(kAcceptPauseMs);
}

void ScpiServer::Accept(platform::SocketHandle fd) {
  const ClientId id = nextId_++;
  auto* socket = new ClientSocket(fd, {[this, id] { Receive(id); }, [this] { Schedule(); }, [this, id] { Gone(id); }});
  // The socket stops taking bytes from the system when this much waits unread, so a client that
  // sends faster than its lines run is slowed down by TCP itself.
  socket->setReadBufferSize(static_cast<qint64>(kMaxLineBytes));
  connections_[id].socket = socket;
  instrument_.AddClient(id);
}

void ScpiServer::FinishIfDone(ClientId id) {
  auto found = connections_.find(id);
  if (found == connections_.end()) return;
  Connection& c = found->second;
  if (c.socket && c.ended && c.lines.empty()) c.socket->Finish();
}

ClientId ScpiServer::AddLineClient(LineClient& client) {
  const ClientId id = nextId_++;
  connections_[id].line = &client;
  instrument_.AddClient(id);
  return id;
}

void ScpiServer::SubmitLine(ClientId id, std::string line, bool overrun) {
  auto found = connections_.find(id);
  if (found == connections_.end() || !found->second.line) return;
  Line queued{overrun ? std::string() : std::move(line)};
  queued.overrun = overrun;
  found->second.lines.push_back(std::move(queued));
  Schedule();
}

size_t ScpiServer::PendingLines(ClientId id) const {
  const auto found = connections_.find(id);
  return found == connections_.end() ? 0 : found->second.lines.size();
}

void ScpiServer::ClearLines(ClientId id) {
  auto found = connections_.find(id);
  if (found == connections_.end()) return;
  instrument_.Abandon(id);
  found->second.lines.clear();
}

void ScpiServer::RemoveLineClient(ClientId id, bool dropLines) {
  auto found = connections_.find(id);
  if (found == connections_.end()) return;
  found->second.line = nullptr;
  if (dropLines) DropWork(id, found->second);
  if (found->second.lines.empty()) Forget(id);
  Schedule();
}

void ScpiServer::HoldFor(ClientId id) {
  lockHolder_ = id;
  Schedule();
}

size_t ScpiServer::TakeLines(Connection& c, std::string_view input) {
  size_t used = 0;
  // Counted per line, not per read: a read of empty lines cannot queue thousands.
  while (used < input.size() && c.lines.size() < kMaxQueuedLines) {
    const size_t end = input.find('\n', used);
    const std::string_view piece = input.substr(used, end == std::string_view::npos ? end : end - used);
    if (!c.overrun) {
      if (c.partial.size() + piece.size() > kMaxLineBytes) {
        c.overrun = true;
        std::string().swap(c.partial);
      } else {
        c.partial.append(piece);
      }
    }
    if (end == std::string_view::npos) return input.size();
    used = end + 1;
    Line line;
    line.overrun = c.overrun;
    if (!c.overrun) {
      if (!c.partial.empty() && c.partial.back() == '\r') c.partial.pop_back();
      line.text = std::move(c.partial);
    }
    c.partial.clear();
    c.overrun = false;
    c.lines.push_back(std::move(line));
  }
  return used;
}

void ScpiServer::Receive(ClientId id) {
  auto found = connections_.find(id);
  if (found == connections_.end() || !found->second.socket) return;
  Connection& c = found->second;
  c.socket->Drop(TakeLines(c, c.socket->Peek()));
  // The client has ended its input (printf ... | nc -N): the line the end of the connection ends
  // runs as well, then the rest, and the connection closes after the replies.
  if (c.socket->InputEnded() && c.socket->bytesAvailable() == 0 && !c.ended) {
    c.ended = true;
    if (c.overrun || !c.partial.empty()) {
      Line line;
      line.overrun = c.overrun;
      if (!c.overrun) {
        if (!c.partial.empty() && c.partial.back() == '\r') c.partial.pop_back();
        line.text = std::move(c.partial);
      }
      c.lines.push_back(std::move(line));
    }
    std::string().swap(c.partial);
    c.overrun = false;
    FinishIfDone(id);
  }
  Schedule();
}

void ScpiServer::Gone(ClientId id) {
  auto found = connections_.find(id);
  if (found == connections_.end() || !found->second.socket) return;
  Connection& c = found->second;
  // Its work stops with it: the command that ran last has finished at the board, the rest of its
  // line and its queued lines are dropped, and so are its replies.
  c.socket->deleteLater();
  c.socket = nullptr;
  DropWork(id, c);
  Forget(id);
  Schedule();
}

void ScpiServer::DropWork(ClientId id, Connection& c) {
  instrument_.Abandon(id);
  c.lines.clear();
  std::string().swap(c.partial);
  c.overrun = false;
}

void ScpiServer::DropOrphanedWork(ClientId except) {
  std::vector<ClientId> done;
  for (auto& [id, c] : connections_) {
    if (id == except || c.lines.empty()) continue;
    // Clients that have ended their input or gone: nobody waits for the rest of their work.
    if (c.socket ? !c.ended : c.line != nullptr) continue;
    DropWork(id, c);
    done.push_back(id);
  }
  for (const ClientId id : done) {
    auto found = connections_.find(id);
    if (found == connections_.end()) continue;
    if (!found->second.socket && !found->second.line) {
      Forget(id);
    } else {
      FinishIfDone(id);
    }
  }
}

void ScpiServer::Forget(ClientId id) {
  connections_.erase(id);
  instrument_.RemoveClient(id);
}

size_t ScpiServer::UnreadBytes(const Connection& c) const {
  if (c.socket) return static_cast<size_t>(c.socket->bytesToWrite());
  return c.line ? c.line->UnreadBytes() : 0;
}

size_t ScpiServer::TotalUnreadBytes() const {
  size_t total = 0;
  for (const auto& [id, c] : connections_) total += UnreadBytes(c);
  return total;
}

bool ScpiServer::Ready(ClientId id, Connection& c, size_t totalUnread) {
  if (c.lines.empty()) return false;
  Line& line = c.lines.front();
  if (!line.started) {
    if (lockHolder_ != 0 && id != lockHolder_) return false;
    // A client that leaves its replies unread gets no more until it reads them; once all the
    // clients' unread replies reach the server's budget, only clients that have read theirs go on.
    const size_t unread = UnreadBytes(c);
    if (unread > static_cast<size_t>(kMaxUnreadReplyBytes)) return false;
    if (unread != 0 && totalUnread > kMaxServerReplyBytes) return false;
    // An overrun line only queues its error.
    if (!instrument_.BoardBusy() || line.overrun) return true;
    instrument_.Begin(id, line.text);
    line.started = true;
    std::string().swap(line.text);
  }
  if (instrument_.Blocked(id)) return false;
  return !instrument_.BoardBusy() || instrument_.NextRunsBesideBoard(id);
}

std::map<ClientId, ScpiServer::Connection>::iterator ScpiServer::NextClient() {
  // Summed once per choice: each client's turn would otherwise add up every other client's.
  const size_t total = TotalUnreadBytes();
  auto after = connections_.upper_bound(lastServed_);
  for (auto it = after; it != connections_.end(); ++it) {
    if (Ready(it->first, it->second, total)) return it;
  }
  for (auto it = connections_.begin(); it != after; ++it) {
    if (Ready(it->first, it->second, total)) return it;
  }
  return connections_.end();
}

void ScpiServer::Pump() {
  if (pumping_ || closed_) return;
  // After a stop signal nothing more reaches the board; the event loop ends the server.
  if (stopRequested_ && stopRequested_()) return;
  pumping_ = true;
  const auto next = NextClient();
  const bool pointDue =
      instrument_.Sweeping() && !instrument_.BoardBusy() && clock_.NowMs() >= instrument_.NextPointDueMs();
  // Commands and sweep points take turns, so that neither a busy client nor a fast sweep starves
  // the other.
  if (pointDue && (next == connections_.end() || !lastWasPoint_)) {
    instrument_.RunSweepPoint();
    lastWasPoint_ = true;
  } else if (next != connections_.end()) {
    lastServed_ = next->first;
    RunCommand(next->first, next->second);
    lastWasPoint_ = false;
  }
  pumping_ = false;
  if (turnEnded) turnEnded();
  Schedule();
}

void ScpiServer::RunCommand(ClientId id, Connection& c) {
  Line& line = c.lines.front();
  if (line.overrun) {
    instrument_.QueueError(id, kInputBufferOverrun);
    LineEnded(id, std::nullopt);
    return;
  }
  if (!line.started) {
    instrument_.Begin(id, line.text);
    line.started = true;
    std::string().swap(line.text);
  }
  const size_t unread = UnreadBytes(c);
  size_t room = kMaxPendingOutputBytes - std::min(unread, kMaxPendingOutputBytes);
  // The replies of all clients together stay within the server's budget; a client with nothing
  // unread always has room for an ordinary reply.
  const size_t total = TotalUnreadBytes();
  room = std::min(room, std::max(kMinReplyRoomBytes, kMaxServerReplyBytes - std::min(total, kMaxServerReplyBytes)));
  const uint64_t stops = instrument_.Stops();
  std::optional<std::string> reply = instrument_.Step(id, room);
  const bool ended = !instrument_.Waiting(id);
  if (instrument_.Stops() != stops) DropOrphanedWork(id);
  if (ended) LineEnded(id, std::move(reply));
}

void ScpiServer::LineEnded(ClientId id, std::optional<std::string> reply) {
  auto found = connections_.find(id);
  if (found == connections_.end()) return;
  Connection& c = found->second;
  c.lines.pop_front();
  if (c.line) {
    c.line->LineRan(std::move(reply));
    return;
  }
  if (c.socket && reply) {
    reply->push_back('\n');
    c.socket->write(reply->data(), static_cast<qint64>(reply->size()));
  }
  // Reading stopped while this client had a full queue.
  Receive(id);
  if (!c.socket && !c.line && c.lines.empty()) {
    Forget(id);
    return;
  }
  FinishIfDone(id);
}

void ScpiServer::Schedule() {
  if (closed_ || (stopRequested_ && stopRequested_())) return;
  int delayMs = 0;
  if (NextClient() == connections_.end()) {
    // A board call in flight schedules the next turn when it is back.
    if (!instrument_.Sweeping() || instrument_.BoardBusy()) return;
    delayMs = static_cast<int>(std::clamp<int64_t>(instrument_.NextPointDueMs() - clock_.NowMs(), 0, 1 << 30));
  }
  if (!timer_.isActive() || timer_.remainingTime() > delayMs) timer_.start(delayMs);
}

}  // namespace korvane::scpi
