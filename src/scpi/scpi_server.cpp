#include "scpi/scpi_server.h"

#include <algorithm>
#include <set>
#include <string_view>

namespace korvane::scpi {

namespace {
constexpr qint64 kReadChunk = 16 * 1024;
}  // namespace

ScpiServer::ScpiServer(Instrument& instrument, Clock& clock) : instrument_(instrument), clock_(clock) {
  timer_.setSingleShot(true);
  // Sweep dwells are timed by this timer: a coarse one would be off by up to 5%.
  timer_.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer_, &QTimer::timeout, &server_, [this] { Pump(); });
  server_.accepted = [this](int fd) { Accept(fd); };
}

ScpiServer::~ScpiServer() { Close(); }

bool ScpiServer::Listen(const QHostAddress& address, quint16 port) {
  closed_ = false;
  return server_.listen(address, port);
}

void ScpiServer::Close() {
  closed_ = true;
  timer_.stop();
  server_.close();
  for (auto& [id, connection] : connections_) {
    if (!connection.socket) continue;
    connection.socket->abort();
    connection.socket->deleteLater();
  }
  for (const auto& [id, connection] : connections_) instrument_.RemoveClient(id);
  connections_.clear();
  queue_.clear();
}

void ScpiServer::Accept(int fd) {
  const ClientId id = nextId_++;
  auto* socket =
      new ClientSocket(fd, {[this, id] { Receive(id, false); }, [this] { Schedule(); }, [this, id] { Gone(id); }});
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
  if (c.socket && c.ended && c.queued == 0 && !instrument_.Waiting(id)) c.socket->Finish();
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
  Work work{id, overrun ? std::string() : std::move(line)};
  work.overrun = overrun;
  queue_.push_back(std::move(work));
  ++found->second.queued;
  Schedule();
}

size_t ScpiServer::PendingLines(ClientId id) const {
  const auto found = connections_.find(id);
  return found == connections_.end() ? 0 : found->second.queued;
}

void ScpiServer::ClearLines(ClientId id) {
  auto found = connections_.find(id);
  if (found == connections_.end()) return;
  instrument_.Abandon(id);
  const auto removed = std::erase_if(queue_, [id](const Work& w) { return w.id == id; });
  found->second.queued -= std::min(found->second.queued, static_cast<size_t>(removed));
}

void ScpiServer::RemoveLineClient(ClientId id) {
  auto found = connections_.find(id);
  if (found == connections_.end()) return;
  found->second.line = nullptr;
  if (found->second.queued == 0 && !instrument_.Waiting(id)) Forget(id);
  Schedule();
}

void ScpiServer::Receive(ClientId id, bool everything) {
  auto found = connections_.find(id);
  if (found == connections_.end() || !found->second.socket) return;
  Connection& c = found->second;
  char buffer[kReadChunk];
  while ((everything || c.queued < kMaxQueuedLines) && c.socket->bytesAvailable() > 0) {
    const qint64 n = c.socket->read(buffer, sizeof buffer);
    if (n <= 0) break;
    std::string_view data(buffer, static_cast<size_t>(n));
    while (!data.empty()) {
      const size_t end = data.find('\n');
      const std::string_view piece = data.substr(0, end);
      if (!c.overrun) {
        if (c.partial.size() + piece.size() > kMaxLineBytes) {
          c.overrun = true;
          std::string().swap(c.partial);
        } else {
          c.partial.append(piece);
        }
      }
      if (end == std::string_view::npos) break;
      data.remove_prefix(end + 1);
      Work work{id, {}};
      work.overrun = c.overrun;
      if (!c.overrun) {
        if (!c.partial.empty() && c.partial.back() == '\r') c.partial.pop_back();
        work.line = std::move(c.partial);
      }
      c.partial.clear();
      c.overrun = false;
      queue_.push_back(std::move(work));
      ++c.queued;
    }
  }
  // The client has ended its input: a line it did not finish is dropped, the rest run.
  if (c.socket->InputEnded() && c.socket->bytesAvailable() == 0 && !c.ended) {
    c.ended = true;
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
  // Whole lines it sent before hanging up still run (a script that sets and leaves means it);
  // a line it did not finish is dropped, and so are the replies.
  Receive(id, true);
  c.socket->deleteLater();
  c.socket = nullptr;
  std::string().swap(c.partial);
  if (c.queued == 0 && !instrument_.Waiting(id)) Forget(id);
  Schedule();
}

void ScpiServer::Forget(ClientId id) {
  connections_.erase(id);
  instrument_.RemoveClient(id);
}

std::deque<ScpiServer::Work>::iterator ScpiServer::NextRunnable() {
  std::set<ClientId> held;
  for (auto it = queue_.begin(); it != queue_.end(); ++it) {
    if (held.count(it->id)) continue;
    if (instrument_.Waiting(it->id)) {
      if (it->started && !instrument_.Sweeping()) return it;
      held.insert(it->id);
      continue;
    }
    // A client that leaves its replies unread gets no more until it reads them.
    const auto found = connections_.find(it->id);
    if (found != connections_.end() &&
        ((found->second.socket && found->second.socket->bytesToWrite() > kMaxUnreadReplyBytes) ||
         (found->second.line && found->second.line->UnreadBytes() > static_cast<size_t>(kMaxUnreadReplyBytes)))) {
      held.insert(it->id);
      continue;
    }
    return it;
  }
  return queue_.end();
}

void ScpiServer::Pump() {
  if (pumping_ || closed_) return;
  pumping_ = true;
  const auto work = NextRunnable();
  const bool pointDue = instrument_.Sweeping() && clock_.NowMs() >= instrument_.NextPointDueMs();
  // Lines and sweep points take turns, so that neither a busy client nor a fast sweep starves
  // the other.
  if (pointDue && (work == queue_.end() || !lastWasPoint_)) {
    instrument_.RunSweepPoint();
    lastWasPoint_ = true;
  } else if (work != queue_.end()) {
    RunLine(work);
    lastWasPoint_ = false;
  }
  pumping_ = false;
  Schedule();
}

void ScpiServer::RunLine(std::deque<Work>::iterator work) {
  const ClientId id = work->id;
  std::optional<std::string> reply;
  if (work->overrun) {
    instrument_.QueueError(id, kInputBufferOverrun);
  } else if (work->started) {
    reply = instrument_.Resume(id);
  } else {
    reply = instrument_.Execute(id, work->line);
  }
  if (instrument_.Waiting(id)) {
    work->started = true;
    std::string().swap(work->line);
    return;
  }
  queue_.erase(work);
  auto found = connections_.find(id);
  if (found == connections_.end()) return;
  Connection& c = found->second;
  --c.queued;
  if (c.line) {
    c.line->LineRan(std::move(reply));
    return;
  }
  if (!c.socket) {
    if (c.queued == 0) Forget(id);
    return;
  }
  if (reply) {
    reply->push_back('\n');
    c.socket->write(reply->data(), static_cast<qint64>(reply->size()));
  }
  // Reading stopped while this client had a full queue.
  if (c.socket->bytesAvailable() > 0 || c.socket->InputEnded()) Receive(id, false);
  FinishIfDone(id);
}

void ScpiServer::Schedule() {
  if (closed_) return;
  int delayMs = 0;
  if (NextRunnable() == queue_.end()) {
    if (!instrument_.Sweeping()) return;
    delayMs = static_cast<int>(std::clamp<int64_t>(instrument_.NextPointDueMs() - clock_.NowMs(), 0, 1 << 30));
  }
  if (!timer_.isActive() || timer_.remainingTime() > delayMs) timer_.start(delayMs);
}

}  // namespace korvane::scpi
