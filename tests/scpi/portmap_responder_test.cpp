#include "scpi/portmap_responder.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QNetworkDatagram>
#include <QTcpSocket>
#include <memory>

#include "scpi/vxi11_rpc.h"

namespace korvane::scpi {
namespace {

using namespace rpc;

std::string GetPortArgs(uint32_t program, uint32_t version, uint32_t protocol) {
  XdrWriter args;
  args.U32(program);
  args.U32(version);
  args.U32(protocol);
  args.U32(0);
  return args.Take();
}

// The accept state and results of a reply to xid 7, as "stat" or "stat port".
std::string Outcome(const std::string& reply) {
  XdrReader r(reply);
  uint32_t xid = 0, type = 0, replyStat = 0, flavor = 0, stat = 0, port = 0;
  std::string verifier;
  if (!r.U32(xid) || xid != 7 || !r.U32(type) || type != 1 || !r.U32(replyStat) || replyStat != 0 || !r.U32(flavor) ||
      !r.Opaque(verifier, kMaxAuthBytes) || !r.U32(stat)) {
    return "unreadable";
  }
  return r.U32(port) ? std::to_string(stat) + " " + std::to_string(port) : std::to_string(stat);
}

// VISA asks for the core channel's TCP port; anything else gets 0 or a refusal, never a port.
TEST(PortmapResponder, AnswersGetPortForTheCoreChannelOnly) {
  constexpr uint32_t kUdp = 17;
  const struct {
    std::string call;
    std::string outcome;
  } cases[] = {
      {CallRecord(7, kPortmapProgram, 2, 3, GetPortArgs(kCoreProgram, kVxi11Version, kIpProtoTcp)), "0 4321"},
      {CallRecord(7, kPortmapProgram, 2, 3, GetPortArgs(kCoreProgram, kVxi11Version, kUdp)), "0 0"},
      {CallRecord(7, kPortmapProgram, 2, 3, GetPortArgs(kAbortProgram, kVxi11Version, kIpProtoTcp)), "0 0"},
      {CallRecord(7, kPortmapProgram, 2, 3, GetPortArgs(kCoreProgram, 2, kIpProtoTcp)), "0 0"},
      {CallRecord(7, kPortmapProgram, 2, 3, "\0\0\0\1"), std::to_string(kGarbageArgs)},
      {CallRecord(7, kPortmapProgram, 2, 0, ""), "0"},
      {CallRecord(7, kPortmapProgram, 2, 1, GetPortArgs(kCoreProgram, kVxi11Version, kIpProtoTcp)),
       std::to_string(kProcUnavail)},
      {CallRecord(7, kPortmapProgram, 3, 3, GetPortArgs(kCoreProgram, kVxi11Version, kIpProtoTcp)),
       std::to_string(kProgMismatch) + " 2"},
      {CallRecord(7, kCoreProgram, 1, 0, ""), std::to_string(kProgUnavail)},
  };
  for (const auto& c : cases) EXPECT_EQ(Outcome(PortmapResponder::Answer(c.call, 4321)), c.outcome);
  EXPECT_EQ(PortmapResponder::Answer("not a call", 4321), "") << "a record that is no call gets no reply";
}

// What VISA does: GETPORT over UDP, and over TCP as one record; a second responder on the same
// port is refused, as when another portmapper holds it.
TEST(PortmapResponder, AnswersOverUdpAndTcpAndRefusesATakenPort) {
  static int argc = 1;
  static char name[] = "portmap_test";
  static char* argv[] = {name, nullptr};
  std::unique_ptr<QCoreApplication> app;
  if (!QCoreApplication::instance()) app = std::make_unique<QCoreApplication>(argc, argv);
  // A port free for both protocols: the system picks one for TCP, then UDP is tried on it.
  QTcpServer probe;
  ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
  const quint16 port = probe.serverPort();
  probe.close();
  PortmapResponder responder(4321);
  std::string error;
  ASSERT_TRUE(responder.Listen(QHostAddress::LocalHost, port, &error)) << error;
  PortmapResponder second(1);
  EXPECT_FALSE(second.Listen(QHostAddress::LocalHost, port, &error));
  EXPECT_FALSE(error.empty());

  const std::string call = CallRecord(7, kPortmapProgram, 2, 3, GetPortArgs(kCoreProgram, kVxi11Version, kIpProtoTcp));
  QUdpSocket udp;
  udp.writeDatagram(call.data(), qint64(call.size()), QHostAddress::LocalHost, port);
  QTcpSocket tcp;
  tcp.connectToHost(QHostAddress::LocalHost, port);
  QByteArray udpReply;
  QByteArray tcpReply;
  bool sent = false;
  // Only a bound on a test that would otherwise hang.
  const QDeadlineTimer giveUp(20000);
  while (!giveUp.hasExpired() && (udpReply.isEmpty() || tcpReply.size() < 4 + udpReply.size())) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    if (!sent && tcp.state() == QAbstractSocket::ConnectedState) {
      const std::string framed = Frame(call);
      tcp.write(framed.data(), qint64(framed.size()));
      sent = true;
    }
    while (udp.hasPendingDatagrams()) udpReply = udp.receiveDatagram().data();
    tcpReply += tcp.readAll();
  }
  EXPECT_EQ(Outcome(udpReply.toStdString()), "0 4321");
  EXPECT_EQ(Outcome(tcpReply.mid(4).toStdString()), "0 4321");
  EXPECT_EQ(tcpReply.left(4).toStdString(), Frame(udpReply.toStdString()).substr(0, 4)) << "one last fragment";
}

}  // namespace
}  // namespace korvane::scpi
