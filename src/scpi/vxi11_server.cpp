#include "scpi/vxi11_server.h"

#include <algorithm>
#include <vector>

namespace korvane::scpi {

namespace {
constexpr qint64 kReadChunk = 16 * 1024;
}  // namespace

Vxi11Server::Vxi11Server(ScpiServer& server, Clock& clock) : server_(server), clock_(clock) {
  timer_.setSingleShot(true);
  QObject::connect(&timer_, &QTimer::timeout, &listener_, [this] { RetryWaiting(); });
  listener_.accepted = [this](platform::SocketHandle fd) { Accept(fd); };
}

Vxi11Server::~Vxi11Server() { Close(); }

bool Vxi11Server::Listen(const QHostAddress& address, quint16 port) {
  if (!listener_.listen(address, port)) return false;
  core_ = std::make_unique<Vxi11Core>(server_, clock_, listener_.serverPort());
  // A line ran or a lock was released: the waiting calls are tried from the event loop, once
  // however many changes came together.
  core_->changed = [this] {
    if (!timer_.isActive() || timer_.remainingTime() > 0) timer_.start(0);
  };
  return true;
}

void Vxi11Server::Close() {
  timer_.stop();
  listener_.close();
  for (auto& [id, c] : connections_) {
    c.socket->abort();
    c.socket->deleteLater();
    if (core_) core_->CloseConnection(id);
  }
  connections_.clear();
  core_.reset();
}

void Vxi11Server::Accept(platform::SocketHandle fd) {
  if (!core_) {
    platform::CloseSocket(fd);
    return;
  }
  const int id = nextId_++;
  auto* socket = new ClientSocket(fd, {[this, id] { Serve(id); }, {}, [this, id] { Gone(id); }});
  // Input waits in the system while the calls before it are answered.
  socket->setReadBufferSize(kReadChunk);
  connections_[id].socket = socket;
}

void Vxi11Server::Send(Connection& c, const std::string& reply) {
  const std::string framed = rpc::Frame(reply);
  c.socket->write(framed.data(), static_cast<qint64>(framed.size()));
}

void Vxi11Server::Serve(int id) {
  auto found = connections_.find(id);
  if (found == connections_.end() || !core_) return;
  Connection& c = found->second;
  while (!core_->HasWaiting(id)) {
    if (std::optional<std::string> record = c.records.Next()) {
      const rpc::ParsedCall parsed = rpc::ParseCall(*record);
      if (parsed.call) {
        if (std::optional<std::string> reply = core_->Start(id, *parsed.call)) Send(c, *reply);
      } else if (!parsed.reply.empty()) {
        Send(c, parsed.reply);
      }
      continue;
    }
    if (c.socket->bytesAvailable() == 0) break;
    char buffer[kReadChunk];
    const qint64 n = c.socket->read(buffer, sizeof buffer);
    if (n <= 0) break;
    if (!c.records.Feed(std::string_view(buffer, static_cast<size_t>(n)))) {
      // A record over the limit: the stream cannot be followed any further.
      c.socket->abort();
      c.socket->deleteLater();
      core_->CloseConnection(id);
      connections_.erase(found);
      return;
    }
  }
  // A client that ended its side gets the replies to what it sent, then the connection closes.
  if (c.socket->InputEnded() && c.socket->bytesAvailable() == 0 && !core_->HasWaiting(id)) c.socket->Finish();
  const std::optional<int64_t> due = core_->NextDeadlineMs();
  if (due) {
    const int delayMs = static_cast<int>(std::clamp<int64_t>(*due - clock_.NowMs(), 0, 1 << 30));
    if (!timer_.isActive() || timer_.remainingTime() > delayMs) timer_.start(delayMs);
  }
}

void Vxi11Server::Gone(int id) {
  auto found = connections_.find(id);
  if (found == connections_.end()) return;
  found->second.socket->deleteLater();
  connections_.erase(found);
  if (core_) core_->CloseConnection(id);
}

void Vxi11Server::RetryWaiting() {
  if (!core_) return;
  std::vector<int> ids;
  for (const auto& [id, c] : connections_) {
    if (core_->HasWaiting(id)) ids.push_back(id);
  }
  for (const int id : ids) {
    auto found = connections_.find(id);
    if (found == connections_.end()) continue;
    if (std::optional<std::string> reply = core_->Retry(id)) {
      Send(found->second, *reply);
      Serve(id);
    }
  }
  const std::optional<int64_t> due = core_->NextDeadlineMs();
  if (due && !timer_.isActive()) {
    timer_.start(static_cast<int>(std::clamp<int64_t>(*due - clock_.NowMs(), 0, 1 << 30)));
  }
}

}  // namespace korvane::scpi
