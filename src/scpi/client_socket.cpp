#include "scpi/client_socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <net/if.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <cstring>

namespace korvane::scpi {

namespace {
constexpr size_t kReadChunk = 16 * 1024;
}  // namespace

ClientSocket::ClientSocket(int fd, Handlers handlers) : fd_(fd), handlers_(std::move(handlers)) {
  fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) | O_NONBLOCK);
  fcntl(fd_, F_SETFD, FD_CLOEXEC);
  // Replies are whole lines: never hold one back.
  const int on = 1;
  setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  readNotifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
  writeNotifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Write);
  writeNotifier_->setEnabled(false);
  QObject::connect(readNotifier_.get(), &QSocketNotifier::activated, this, [this] { OnReadable(); });
  QObject::connect(writeNotifier_.get(), &QSocketNotifier::activated, this, [this] { OnWritable(); });
}

ClientSocket::~ClientSocket() { abort(); }

void ClientSocket::OnReadable() {
  if (fd_ < 0 || inputEnded_) return;
  while (input_.size() < readBufferSize_) {
    char buffer[kReadChunk];
    const size_t room = std::min(sizeof buffer, readBufferSize_ - input_.size());
    const ssize_t n = recv(fd_, buffer, room, 0);
    if (n > 0) {
      input_.append(buffer, static_cast<size_t>(n));
      continue;
    }
    if (n == 0) {
      inputEnded_ = true;
      readNotifier_->setEnabled(false);
      break;
    }
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) {
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
  if (fd_ >= 0 && !failed_ && !inputEnded_ && input_.size() < readBufferSize_) readNotifier_->setEnabled(true);
  return static_cast<qint64>(n);
}

void ClientSocket::Drop(size_t n) {
  input_.erase(0, n);
  if (fd_ >= 0 && !failed_ && !inputEnded_ && input_.size() < readBufferSize_) readNotifier_->setEnabled(true);
}

qint64 ClientSocket::write(const char* data, qint64 size) {
  if (fd_ < 0 || failed_ || size <= 0) return -1;
  output_.append(data, static_cast<size_t>(size));
  Flush();
  return size;
}

void ClientSocket::Flush() {
  size_t sent = 0;
  while (sent < output_.size()) {
    const ssize_t n = send(fd_, output_.data() + sent, output_.size() - sent, MSG_NOSIGNAL);
    if (n > 0) {
      sent += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
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
    ::shutdown(fd_, SHUT_RDWR);
    Fail();
  }
}

void ClientSocket::OnWritable() {
  if (fd_ >= 0) Flush();
}

void ClientSocket::Finish() {
  if (fd_ < 0) return;
  finishing_ = true;
  Flush();
}

// The connection is over (vanished or finished): closed, and told from the event loop.
void ClientSocket::Fail() {
  if (failed_) return;
  failed_ = true;
  readNotifier_->setEnabled(false);
  writeNotifier_->setEnabled(false);
  QTimer::singleShot(0, this, [this] {
    if (handlers_.disconnected) handlers_.disconnected();
  });
}

void ClientSocket::abort() {
  handlers_ = {};
  if (readNotifier_) readNotifier_->setEnabled(false);
  if (writeNotifier_) writeNotifier_->setEnabled(false);
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

DescriptorServer::~DescriptorServer() { close(); }

bool DescriptorServer::listen(const QHostAddress& address, quint16 port) {
  close();
  sockaddr_storage storage{};
  socklen_t length = 0;
  if (address.protocol() == QAbstractSocket::IPv4Protocol) {
    auto* in = reinterpret_cast<sockaddr_in*>(&storage);
    in->sin_family = AF_INET;
    in->sin_port = htons(port);
    in->sin_addr.s_addr = htonl(address.toIPv4Address());
    length = sizeof *in;
  } else {
    // IPv6, or any address of either protocol (the IPv6 wildcard takes IPv4 as well).
    auto* in6 = reinterpret_cast<sockaddr_in6*>(&storage);
    in6->sin6_family = AF_INET6;
    in6->sin6_port = htons(port);
    if (address.protocol() == QAbstractSocket::IPv6Protocol) {
      const Q_IPV6ADDR bytes = address.toIPv6Address();
      std::memcpy(&in6->sin6_addr, bytes.c, sizeof bytes.c);
      const QString scope = address.scopeId();
      bool numeric = false;
      in6->sin6_scope_id = scope.toUInt(&numeric);
      if (!numeric && !scope.isEmpty()) in6->sin6_scope_id = if_nametoindex(scope.toLocal8Bit().constData());
    }
    length = sizeof *in6;
  }
  const int fd = ::socket(storage.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    error_ = QString::fromLocal8Bit(std::strerror(errno));
    return false;
  }
  const int on = 1;
  const int off = 0;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  if (storage.ss_family == AF_INET6 && address.protocol() != QAbstractSocket::IPv6Protocol) {
    setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off);
  }
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&storage), length) != 0 || ::listen(fd, SOMAXCONN) != 0) {
    error_ = QString::fromLocal8Bit(std::strerror(errno));
    ::close(fd);
    return false;
  }
  length = sizeof storage;
  getsockname(fd, reinterpret_cast<sockaddr*>(&storage), &length);
  address_ = QHostAddress(reinterpret_cast<const sockaddr*>(&storage));
  port_ = ntohs(storage.ss_family == AF_INET ? reinterpret_cast<sockaddr_in*>(&storage)->sin_port
                                             : reinterpret_cast<sockaddr_in6*>(&storage)->sin6_port);
  fd_ = fd;
  notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { OnReadable(); });
  return true;
}

void DescriptorServer::close() {
  notifier_.reset();
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

void DescriptorServer::pauseAccepting() {
  if (notifier_) notifier_->setEnabled(false);
}

void DescriptorServer::resumeAccepting() {
  if (notifier_) notifier_->setEnabled(true);
}

void DescriptorServer::OnReadable() {
  while (fd_ >= 0) {
    const int fd = accept4(fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd >= 0) {
      if (accepted) {
        accepted(fd);
      } else {
        ::close(fd);
      }
      continue;
    }
    if (errno == EINTR || errno == ECONNABORTED) continue;
    if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
      if (outOfDescriptors) outOfDescriptors();
    }
    // EAGAIN: nothing more waits. Anything else is the client's trouble, not the server's.
    return;
  }
}

}  // namespace korvane::scpi
