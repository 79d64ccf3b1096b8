// A portmapper of the server's own, for systems that run none (Windows): it answers the one
// question a VISA client asks, GETPORT of the VXI-11 core channel, on UDP and TCP, as LXI
// instruments do themselves.
#pragma once

#include <QHostAddress>
#include <QTcpServer>
#include <QUdpSocket>
#include <cstdint>
#include <string>
#include <string_view>

namespace korvane::scpi {

class PortmapResponder {
 public:
  explicit PortmapResponder(uint16_t vxi11Port) : vxi11Port_(vxi11Port) {}

  // Listens on the port (111 for clients to find it) of the address, UDP and TCP: false with
  // *error when either cannot be had (another portmapper holds it).
  bool Listen(const QHostAddress& address, quint16 port, std::string* error);

  // The reply record to one call record: the VXI-11 core channel's TCP port for its GETPORT, 0
  // for any other program, an empty success for NULL, a refusal for everything else (a second
  // server's registration); empty for a record that is no call.
  static std::string Answer(std::string_view record, uint16_t vxi11Port);

 private:
  void ServeDatagrams();
  void Accept();

  uint16_t vxi11Port_;
  QUdpSocket udp_;
  QTcpServer tcp_;
};

}  // namespace korvane::scpi
