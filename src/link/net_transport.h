// A board's serial line served over the network, as ser2net serves it: a raw TCP stream
// ("tcp://HOST:PORT") or Telnet with serial-port control ("rfc2217://HOST:PORT"), with
// which the program sets the line to 4800 baud 8N1 itself.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "link/transport.h"

class QTcpSocket;

namespace korvane::link {

class TelnetCodec;

// As long as a board gets for its banner: a host that has not answered by then is as
// absent as a silent port.
inline constexpr int kNetConnectTimeoutMs = 2000;

class NetTransport : public Transport {
 public:
  explicit NetTransport(Clock& clock);
  ~NetTransport() override;

  // Looks the host up, connects and, for rfc2217, sets 4800 baud, 8 data bits, no parity,
  // one stop bit, no flow control, DTR and RTS off, and purges. The look-up, the connect and
  // the line set-up each get the connect time-out on the clock; the modem lines are not
  // waited for (ser2net never confirms them for a port without modem lines). CannotOpen:
  // the name is malformed, the host is unknown, nothing listens, or no answer in time;
  // CannotConfigure: the server does not take the line settings.
  OpenResult Open(const std::string& portName) override;
  bool IsOpen() const override;
  void Purge() override;
  std::string Purged() const override { return purged_; }
  void Write(std::string_view bytes) override;
  // Failed at once when the connection is gone (the server stopped, the network dropped).
  ReadResult ReadByte(char& byte, int timeoutMs) override;
  void Close() override;

  void SetConnectTimeoutMs(int ms) { connectTimeoutMs_ = ms > 0 ? ms : kNetConnectTimeoutMs; }

 private:
  enum class Wait { Ready, TimedOut, Closed, Cancelled };

  bool Connect(const std::string& portName, const std::string& host, int port);
  OpenResult SetUpLine(const std::string& portName);
  // Waits one slice for the server, takes what arrived; Ready while the connection lasts.
  Wait WaitSlice(int64_t deadlineMs);
  // Moves what the socket holds into pending_, through the Telnet reader.
  void TakeArrived();
  // Puts bytes on the wire as they are and waits until they have left.
  void SendNow(std::string_view wire);

  std::unique_ptr<QTcpSocket> socket_;
  std::unique_ptr<TelnetCodec> telnet_;  // rfc2217 only
  std::string pending_;                  // data received and not yet read
  size_t pendingPos_ = 0;
  std::string purged_;  // the start of what the last Purge dropped
  int connectTimeoutMs_ = kNetConnectTimeoutMs;
};

}  // namespace korvane::link
