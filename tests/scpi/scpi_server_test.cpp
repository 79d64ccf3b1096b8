// The server with its board calls on a worker thread: a board that stops answering holds up the
// client whose command waits for it, and nobody else.
#include "scpi/scpi_server.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTcpSocket>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "link/demo_board.h"
#include "link/demo_transport.h"
#include "session/board_session.h"
#include "support/demo_instrument.h"

namespace korvane::scpi {
namespace {

// The demo board behind a switch: while it is mute, a read waits until it speaks again or the
// link is interrupted, however long that takes.
class MutableBoard : public link::Transport {
 public:
  MutableBoard(Clock& clock, link::DemoStore& store, const std::atomic<bool>& mute)
      : Transport(clock), board_(clock, store), mute_(mute) {}
  OpenResult Open(const std::string&) override { return board_.Open(link::kDemoPortName); }
  bool IsOpen() const override { return board_.IsOpen(); }
  void Purge() override { board_.Purge(); }
  void Write(std::string_view bytes) override { board_.Write(bytes); }
  ReadResult ReadByte(char& byte, int timeoutMs) override {
    while (mute_ && !Interrupted()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return Interrupted() ? ReadResult::TimedOut : board_.ReadByte(byte, timeoutMs);
  }
  void Close() override { board_.Close(); }

 private:
  link::DemoTransport board_;
  const std::atomic<bool>& mute_;
};

// One line from the client, while the server's events run; "none" when none came.
std::string ReadLine(QTcpSocket& client, int rounds = 5000) {
  for (int i = 0; i < rounds && !client.canReadLine(); ++i) {
    QCoreApplication::processEvents();
    client.waitForReadyRead(1);
  }
  return client.canReadLine() ? client.readLine().trimmed().toStdString() : "none";
}

TEST(ScpiServer, AMuteBoardHoldsUpOnlyTheClientWhoseCommandNeedsIt) {
  int argc = 1;
  char name[] = "test";
  char* argv[] = {name};
  QCoreApplication app(argc, argv);
  test::ManualClock clock;
  link::DemoStore demo;
  std::atomic<bool> mute{false};
  session::BoardSession session(
      clock, demo, [&](const std::string&, Clock& c) { return std::make_unique<MutableBoard>(c, demo, mute); });
  BoardWorker worker;
  PanelSettings start;
  start.reference.clear();
  session::ConnectResult connected;
  worker.Wait([&] { connected = session.Connect("mutable", session::ChipChoice::Max2871, start); });
  ASSERT_TRUE(connected.ok());
  Instrument instrument(session, clock, {"mutable", session::ChipChoice::Max2871, SolveMode::Exact},
                        connected.readout.settings);
  ScpiServer server(instrument, clock);
  server.RunBoardCallsOn(worker);
  ASSERT_TRUE(server.Listen(QHostAddress::LocalHost, 0));
  QTcpSocket waiting, other;
  for (QTcpSocket* client : {&waiting, &other}) {
    client->connectToHost(QHostAddress::LocalHost, server.Port());
    ASSERT_TRUE(client->waitForConnected(5000));
  }
  other.write("*IDN?\n");
  const std::string identity = ReadLine(other);
  ASSERT_EQ(identity.rfind("Korvane,MAX2871,", 0), 0u);

  mute = true;
  waiting.write("FREQ 2 GHZ;*OPC?\n*IDN?\n");
  for (int i = 0; i < 5000 && !instrument.BoardBusy(); ++i) QCoreApplication::processEvents();
  ASSERT_TRUE(instrument.BoardBusy());
  // The other client is answered while the retune waits for the board: what needs no board and
  // reads no setting at once, the rest once the board is back.
  const struct {
    std::string line;
    std::string reply;
  } beside[] = {
      {"*IDN?", identity},
      {"BOGUS;SYST:ERR?", "-113,\"Undefined header\""},
      {"*CLS;*ESE 1;*STB?;*ESE?", "0;1"},
      {"SYST:VERS?;*OPT?;:SYST:ERR:COUN?", "1999.0;OUT2;0"},
      {"*OPC?", "1"},
  };
  for (const auto& b : beside) {
    other.write((b.line + "\n").c_str());
    EXPECT_EQ(ReadLine(other), b.reply) << b.line;
    EXPECT_TRUE(instrument.BoardBusy()) << b.line;
  }
  // What the output makes is told once the retune before it is back.
  other.write("FREQ?;:FREQ:LOCK?\n");
  EXPECT_EQ(ReadLine(other, 200), "none");
  EXPECT_EQ(waiting.bytesAvailable(), 0);

  mute = false;
  EXPECT_EQ(ReadLine(waiting), "1");
  EXPECT_EQ(ReadLine(waiting), identity);
  EXPECT_EQ(ReadLine(other), "2000000000.000;1");
}

}  // namespace
}  // namespace korvane::scpi
