// A client's TCP connection whose two directions end apart: a client that stops sending (a
// script that shuts down its side after the query) still gets every reply, and the connection
// closes once they have left. QTcpSocket takes the end of the input for the end of both.
#pragma once

#include <QObject>
#include <QTcpServer>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

class QSocketNotifier;

namespace korvane::scpi {

class ClientSocket : public QObject {
 public:
  struct Handlers {
    std::function<void()> readyRead;     // bytes arrived, or the input ended
    std::function<void()> bytesWritten;  // some of the output left
    std::function<void()> disconnected;  // the client vanished, or Finish() has closed
  };
  // Takes over a connected socket descriptor.
  ClientSocket(int fd, Handlers handlers);
  ~ClientSocket() override;

  // Received and not yet read; at most the read buffer size (further input waits in the system).
  qint64 bytesAvailable() const { return static_cast<qint64>(input_.size()); }
  qint64 read(char* data, qint64 maxSize);
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

  int fd_;
  Handlers handlers_;
  std::unique_ptr<QSocketNotifier> readNotifier_;
  std::unique_ptr<QSocketNotifier> writeNotifier_;
  std::string input_;
  std::string output_;
  size_t readBufferSize_ = 64 * 1024;
  bool inputEnded_ = false;
  bool finishing_ = false;
  bool failed_ = false;
};

// A listening socket that hands over accepted connections as descriptors.
class DescriptorServer : public QTcpServer {
 public:
  std::function<void(int fd)> accepted;

 protected:
  void incomingConnection(qintptr fd) override;
};

}  // namespace korvane::scpi
