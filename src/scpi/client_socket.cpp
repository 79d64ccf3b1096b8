#include "scpi/client_socket.h"

#include <QSocketNotifier>
#include <QTimer>
#include <utility>

namespace korvane::scpi {

namespace {
constexpr size_t kReadChunk = 16 * 1024;
// How often a connection whose input has ended is looked at for a reset.
constexpr int kPeerCheckMs = 1000;
}  // namespace

ClientSocket::ClientSocket(platform::SocketHandle fd, Handlers handlers) : fd_(fd), handlers_(std::move(handlers)) {
  // Replies are whole lines: never held back.
  platform::PrepareConnection(fd_);
  readNotifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
  writeNotifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Write);
  writeNotifier_->setEnabled(false);
  QObject::connect(readNotifier_.get(), &QSocketNotifier::activated, this, [this] { OnReadable(); });
  QObject::connect(writeNotifier_.get(), &QSocketNotifier::activated, this, [this] { OnWritable(); });
}

ClientSocket::~ClientSocket() { abort(); }

void ClientSocket::OnReadable() {
  if (fd_ == platform::kNoSocket || inputEnded_) return;
  while (input_.size() < readBufferSize_) {
    char buffer[kReadChunk];
    const size_t room = std::min(sizeof buffer, readBufferSize_ - input_.size());
    platform::SocketStatus status;
    const size_t n = platform::Receive(fd_, buffer, room, &status);
    if (n > 0) {
      input_.append(buffer, n);
      continue;
    }
    if (status == platform::SocketStatus::Ended) {
      inputEnded_ = true;
      readNotifier_->setEnabled(false);
      WatchPeer();
      break;
    }
    if (status == platform::SocketStatus::Interrupted) continue;
    if (status != platform::SocketStatus::WouldBlock) {
      Fail();
      return;
    }
    break;
  }
  // A full buffer stops reading until the server has taken some: TCP slows the client down.
  if (input_.size() >= readBufferSize_) readNotifier_->setEnabled(false);
  if (handlers_.readyRead) handlers_.readyRead();
}

qint64 ClientSocket::read(char* data, qint64 maxSize) {
  const size_t n = std::min(input_.size(), static_cast<size_t>(std::max<qint64>(maxSize, 0)));
  input_.copy(data, n);
  input_.erase(0, n);
  if (fd_ != platform::kNoSocket && !failed_ && !inputEnded_ && input_.size() < readBufferSize_)
    readNotifier_->setEnabled(true);
  return static_cast<qint64>(n);
}

void ClientSocket::Drop(size_t n) {
  input_.erase(0, n);
  if (fd_ != platform::kNoSocket && !failed_ && !inputEnded_ && input_.size() < readBufferSize_)
    readNotifier_->setEnabled(true);
}

qint64 ClientSocket::write(const char* data, qint64 size) {
  if (fd_ == platform::kNoSocket || failed_ || size <= 0) return -1;
  output_.append(data, static_cast<size_t>(size));
  Flush();
  return size;
}

void ClientSocket::Flush() {
  size_t sent = 0;
  while (sent < output_.size()) {
    platform::SocketStatus status;
    const size_t n = platform::SendSome(fd_, output_.data() + sent, output_.size() - sent, &status);
    if (n > 0) {
      sent += n;
      continue;
    }
    if (status == platform::SocketStatus::Interrupted) continue;
    if (status == platform::SocketStatus::WouldBlock) break;
    output_.clear();
    Fail();
    return;
  }
  output_.erase(0, sent);
  writeNotifier_->setEnabled(!output_.empty());
  if (sent > 0 && handlers_.bytesWritten) {
    // Reported from the event loop, like QTcpSocket's signal: the writer may be in the middle of work.
    QTimer::singleShot(0, this, [this] {
      if (handlers_.bytesWritten) handlers_.bytesWritten();
    });
  }
  if (finishing_ && output_.empty()) {
    // Shut down first, so that the client reads its replies to the end rather than a reset.
    platform::ShutdownBoth(fd_);
    Fail();
  }
}

void ClientSocket::OnWritable() {
  if (fd_ != platform::kNoSocket) Flush();
}

void ClientSocket::Finish() {
  if (fd_ == platform::kNoSocket) return;
  finishing_ = true;
  Flush();
}

void ClientSocket::WatchPeer() {
  // TCP cannot tell a client that ended its side from one that closed and went: both sent the end
  // of their input. The system's keepalive asks the peer; a reset it gets back (or one after a
  // reply) shows here without a read, and the connection is over.
  platform::WatchPeer(fd_);
  peerCheck_ = std::make_unique<QTimer>();
  QObject::connect(peerCheck_.get(), &QTimer::timeout, this, [this] {
    if (fd_ != platform::kNoSocket && !failed_ && platform::PeerGone(fd_)) Fail();
  });
  peerCheck_->start(kPeerCheckMs);
}

// The connection is over (vanished or finished): closed, and told from the event loop.
void ClientSocket::Fail() {
  if (failed_) return;
  failed_ = true;
  if (peerCheck_) peerCheck_->stop();
  readNotifier_->setEnabled(false);
  writeNotifier_->setEnabled(false);
  QTimer::singleShot(0, this, [this] {
    if (handlers_.disconnected) handlers_.disconnected();
  });
}

void ClientSocket::abort() {
  handlers_ = {};
  if (peerCheck_) peerCheck_->stop();
  if (readNotifier_) readNotifier_->setEnabled(false);
  if (writeNotifier_) writeNotifier_->setEnabled(false);
  if (fd_ != platform::kNoSocket) platform::CloseSocket(fd_);
  fd_ = platform::kNoSocket;
}

DescriptorServer::~DescriptorServer() { close(); }

bool DescriptorServer::listen(const QHostAddress& address, quint16 port) {
  close();
  platform::ListenAddress where;
  // Any address of either protocol listens on both; a named protocol's wildcard on that one.
  where.anyProtocol =
      address.protocol() != QAbstractSocket::IPv4Protocol && address.protocol() != QAbstractSocket::IPv6Protocol;
  where.host = address.toString().toStdString();
  std::string error;
  std::string boundHost;
  uint16_t boundPort = 0;
  const platform::SocketHandle fd = platform::ListenTcp(where, port, &error, &boundHost, &boundPort);
  if (fd == platform::kNoSocket) {
    error_ = QString::fromLocal8Bit(error);
    return false;
  }
  address_ = QHostAddress(QString::fromStdString(boundHost));
  port_ = boundPort;
  fd_ = fd;
  notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { OnReadable(); });
  return true;
}

void DescriptorServer::takeOver(DescriptorServer& other) {
  close();
  other.notifier_.reset();
  fd_ = std::exchange(other.fd_, platform::kNoSocket);
  address_ = other.address_;
  port_ = other.port_;
  if (fd_ == platform::kNoSocket) return;
  notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { OnReadable(); });
}

void DescriptorServer::close() {
  notifier_.reset();
  if (fd_ != platform::kNoSocket) platform::CloseSocket(fd_);
  fd_ = platform::kNoSocket;
}

void DescriptorServer::pauseAccepting() {
  if (notifier_) notifier_->setEnabled(false);
}

void DescriptorServer::resumeAccepting() {
  if (notifier_) notifier_->setEnabled(true);
}

void DescriptorServer::OnReadable() {
  while (fd_ != platform::kNoSocket) {
    platform::SocketStatus status;
    const platform::SocketHandle fd = platform::AcceptConnection(fd_, &status);
    if (fd != platform::kNoSocket) {
      if (accepted) {
        accepted(fd);
      } else {
        platform::CloseSocket(fd);
      }
      continue;
    }
    if (status == platform::SocketStatus::Interrupted || status == platform::SocketStatus::Ended) continue;
    if (status == platform::SocketStatus::OutOfDescriptors) {
      if (outOfDescriptors) outOfDescriptors();
    }
    // WouldBlock: nothing more waits. Anything else is the client's trouble, not the server's.
    return;
  }
}

}  // namespace korvane::scpi
