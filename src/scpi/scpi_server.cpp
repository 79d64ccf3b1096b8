#include "scpi/scpi_server.h"

#include <QTcpSocket>
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
  QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] { Accept(); });
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
    QObject::disconnect(connection.socket, nullptr, &server_, nullptr);
    connection.socket->flush();
    connection.socket->abort();
    connection.socket->deleteLater();
  }
  for (const auto& [id, connection] : connections_) instrument_.RemoveClient(id);
  connections_.clear();
  queue_.clear();
}

void ScpiServer::Accept() {
  while (QTcpSocket* socket = server_.nextPendingConnection()) {
    const ClientId id = nextId_++;
    // Qt stops taking bytes from the system when this much waits unread, so a client that sends
    // faster than its lines run is slowed down by TCP itself.
    socket->setReadBufferSize(static_cast<qint64>(kMaxLineBytes));
    connections_[id].socket = socket;
    instrument_.AddClient(id);
    QObject::connect(socket, &QTcpSocket::readyRead, &server_, [this, id] { Receive(id, false); });
    QObject::connect(socket, &QTcpSocket::bytesWritten, &server_, [this] { Schedule(); });
    QObject::connect(socket, &QTcpSocket::disconnected, &server_, [this, id] { Gone(id); });
  }
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
    if (found != connections_.end() && found->second.socket &&
        found->second.socket->bytesToWrite() > kMaxUnreadReplyBytes) {
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
  if (!c.socket) {
    if (c.queued == 0) Forget(id);
    return;
  }
  if (reply) {
    reply->push_back('\n');
    c.socket->write(reply->data(), static_cast<qint64>(reply->size()));
  }
  // Reading stopped while this client had a full queue.
  if (c.socket->bytesAvailable() > 0) Receive(id, false);
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
