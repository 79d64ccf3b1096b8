// The VXI-11 channels on the network: ONC RPC records over TCP from any number of connections,
// each answered in order by the VXI-11 device. The core and the abort channel share one port.
#pragma once

#include <QHostAddress>
#include <QObject>
#include <QTcpSocket>
#include <QTimer>
#include <map>
#include <memory>

#include "base/clock.h"
#include "scpi/client_socket.h"
#include "scpi/scpi_server.h"
#include "scpi/vxi11_core.h"
#include "scpi/vxi11_rpc.h"

namespace korvane::scpi {

class Vxi11Server {
 public:
  Vxi11Server(ScpiServer& server, Clock& clock);
  ~Vxi11Server();
  Vxi11Server(const Vxi11Server&) = delete;
  Vxi11Server& operator=(const Vxi11Server&) = delete;

  bool Listen(const QHostAddress& address, quint16 port);
  QString ErrorString() const { return listener_.errorString(); }
  QHostAddress Address() const { return listener_.serverAddress(); }
  quint16 Port() const { return listener_.serverPort(); }
  // Stops listening, closes every connection and destroys their links.
  void Close();

 private:
  struct Connection {
    ClientSocket* socket = nullptr;
    rpc::RecordReader records;
  };

  void Accept(platform::SocketHandle fd);
  // Reads what the connection sent and answers its calls in order, until one waits.
  void Serve(int id);
  void Send(Connection& c, const std::string& reply);
  void Gone(int id);
  // Closes the connection at once: its links are destroyed and its lock released.
  void Drop(int id);
  // Finishes the calls that can finish now and sets the timer for the next time-out.
  void RetryWaiting();

  // Sends a service request over the connection's interrupt channel, connecting it first.
  void Interrupt(int id, uint32_t host, uint16_t port, const std::string& record);

  ScpiServer& server_;
  Clock& clock_;
  DescriptorServer listener_;
  // The interrupt channels to the clients, by connection: the calls are sent as the channel
  // takes them, and what the client answers is read and dropped.
  std::map<int, std::unique_ptr<QTcpSocket>> interrupts_;
  std::unique_ptr<Vxi11Core> core_;
  QTimer timer_;
  QTimer acceptPause_;
  std::map<int, Connection> connections_;
  int nextId_ = 1;
};

}  // namespace korvane::scpi
