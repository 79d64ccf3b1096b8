// A client's TCP connection whose two directions end apart: a client that stops sending (a
// script that shuts down its side after the query) still gets every reply, and the connection
// closes once they have left. QTcpSocket takes the end of the input for the end of both.
#pragma once

#include <QHostAddress>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/server_sockets.h"

namespace korvane::scpi {

class ClientSocket : public QObject {
 public:
  struct Handlers {
    std::function<void()> readyRead;     // bytes arrived, or the input ended
    std::function<void()> bytesWritten;  // some of the output left
    std::function<void()> disconnected;  // the client vanished, or Finish() has closed
  };
  // Takes over a connected socket descriptor.
  ClientSocket(platform::SocketHandle fd, Handlers handlers);
  ~ClientSocket() override;

  // Received and not yet read; at most the read buffer size (further input waits in the system).
  qint64 bytesAvailable() const { return static_cast<qint64>(input_.size()); }
  qint64 read(char* data, qint64 maxSize);
  // What read() would return next, left in place until Drop takes the first n bytes of it.
  std::string_view Peek() const { return input_; }
  void Drop(size_t n);
  void setReadBufferSize(qint64 size) { readBufferSize_ = static_cast<size_t>(size); }
  // The client ended its sending side; what it sent before is still read.
  bool InputEnded() const { return inputEnded_; }

  qint64 write(const char* data, qint64 size);
  qint64 bytesToWrite() const { return static_cast<qint64>(output_.size()); }
  // Closes once everything written has left, then reports disconnected.
  void Finish();
  // Closes at once; nothing more is reported.
  void abort();

 private:
  void OnReadable();
  void OnWritable();
  void Flush();
  void Fail();
  void WatchPeer();

  platform::SocketHandle fd_;
  Handlers handlers_;
  std::unique_ptr<QSocketNotifier> readNotifier_;
  std::unique_ptr<QSocketNotifier> writeNotifier_;
  std::unique_ptr<QTimer> peerCheck_;  // while the input has ended
  std::string input_;
  std::string output_;
  size_t readBufferSize_ = 64 * 1024;
  bool inputEnded_ = false;
  bool finishing_ = false;
  bool failed_ = false;
};

// A listening socket that hands over accepted connections as descriptors. Its own, not
// QTcpServer's: at the open-files limit QTcpServer keeps retrying the failed accept without a
// word, a busy loop for as long as a connection waits in the backlog.
class DescriptorServer : public QObject {
 public:
  std::function<void(platform::SocketHandle fd)> accepted;
  // The process has no descriptor left for a waiting connection; accepting goes on until paused.
  std::function<void()> outOfDescriptors;

  ~DescriptorServer() override;
  bool listen(const QHostAddress& address, quint16 port);
  // Takes over another server's listening socket, with the connections waiting in its backlog.
  void takeOver(DescriptorServer& other);
  void close();
  QString errorString() const { return error_; }
  QHostAddress serverAddress() const { return address_; }
  quint16 serverPort() const { return port_; }
  void pauseAccepting();
  void resumeAccepting();

 private:
  void OnReadable();

  platform::SocketHandle fd_ = platform::kNoSocket;
  std::unique_ptr<QSocketNotifier> notifier_;
  QString error_;
  QHostAddress address_;
  quint16 port_ = 0;
};

}  // namespace korvane::scpi
