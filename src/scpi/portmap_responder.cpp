#include "scpi/portmap_responder.h"

#include <QNetworkDatagram>
#include <QTcpSocket>
#include <memory>

#include "scpi/vxi11_rpc.h"

namespace korvane::scpi {

namespace {
constexpr uint32_t kNullProcedure = 0;
constexpr uint32_t kGetPort = 3;
}  // namespace

std::string PortmapResponder::Answer(std::string_view record, uint16_t vxi11Port) {
  const rpc::ParsedCall parsed = rpc::ParseCall(record);
  if (!parsed.call) return parsed.reply;
  const rpc::Call& call = *parsed.call;
  if (call.program != rpc::kPortmapProgram) return rpc::AcceptedReply(call.xid, rpc::kProgUnavail);
  if (call.version != rpc::kPortmapVersion) {
    return rpc::ProgramMismatchReply(call.xid, rpc::kPortmapVersion, rpc::kPortmapVersion);
  }
  if (call.procedure == kNullProcedure) return rpc::AcceptedReply(call.xid, rpc::kSuccess);
  if (call.procedure != kGetPort) return rpc::AcceptedReply(call.xid, rpc::kProcUnavail);
  rpc::XdrReader args(call.arguments);
  uint32_t program = 0;
  uint32_t version = 0;
  uint32_t protocol = 0;
  uint32_t port = 0;
  if (!args.U32(program) || !args.U32(version) || !args.U32(protocol) || !args.U32(port)) {
    return rpc::AcceptedReply(call.xid, rpc::kGarbageArgs);
  }
  const bool core = program == rpc::kCoreProgram && version == rpc::kVxi11Version && protocol == rpc::kIpProtoTcp;
  rpc::XdrWriter results;
  results.U32(core ? vxi11Port : 0);
  return rpc::AcceptedReply(call.xid, rpc::kSuccess, results.data());
}

bool PortmapResponder::Listen(const QHostAddress& address, quint16 port, std::string* error) {
  // Not shared: on Windows a bind shares the port by default, and would answer beside another
  // portmapper rather than fail.
  if (!udp_.bind(address, port, QAbstractSocket::DontShareAddress)) {
    *error = udp_.errorString().toStdString();
    return false;
  }
  if (!tcp_.listen(address, port)) {
    *error = tcp_.errorString().toStdString();
    udp_.close();
    return false;
  }
  QObject::connect(&udp_, &QUdpSocket::readyRead, [this] { ServeDatagrams(); });
  QObject::connect(&tcp_, &QTcpServer::newConnection, [this] { Accept(); });
  return true;
}

void PortmapResponder::ServeDatagrams() {
  while (udp_.hasPendingDatagrams()) {
    const QNetworkDatagram datagram = udp_.receiveDatagram(rpc::kMaxRecordBytes);
    const QByteArray data = datagram.data();
    const std::string reply = Answer(std::string_view(data.constData(), static_cast<size_t>(data.size())), vxi11Port_);
    if (!reply.empty()) udp_.writeDatagram(datagram.makeReply(QByteArray(reply.data(), qsizetype(reply.size()))));
  }
}

void PortmapResponder::Accept() {
  while (QTcpSocket* socket = tcp_.nextPendingConnection()) {
    // Each connection reads its own records; both go when the client leaves.
    auto records = std::make_shared<rpc::RecordReader>();
    QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, records] {
      const QByteArray bytes = socket->readAll();
      if (!records->Feed(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())))) {
        socket->abort();
        return;
      }
      while (std::optional<std::string> record = records->Next()) {
        const std::string reply = Answer(*record, vxi11Port_);
        if (!reply.empty()) {
          const std::string framed = rpc::Frame(reply);
          socket->write(framed.data(), qint64(framed.size()));
        }
      }
    });
  }
}

}  // namespace korvane::scpi
