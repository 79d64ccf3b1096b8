// korvane-cli serve: the board as a SCPI instrument on the network, for VISA clients.
#include <QCoreApplication>
#include <QHostAddress>
#include <QHostInfo>
#include <QSocketNotifier>
#include <QTcpServer>
#include <iostream>

#include "cli/cli_board.h"
#include "cli/interrupt_on_stop.h"
#include "platform/stop_signals.h"
#include "scpi/scpi_instrument.h"
#include "scpi/scpi_server.h"

namespace korvane::cli {
namespace {

constexpr char kDefaultListen[] = "127.0.0.1:5025";

struct ListenAddress {
  QHostAddress address;
  quint16 port = 0;
};

// "HOST:PORT", "[::1]:PORT"; a host name is looked up.
ListenAddress ParseListen(const std::string& text) {
  const size_t colon = text.rfind(':');
  if (colon == std::string::npos || colon == 0) throw UsageError("--listen takes HOST:PORT");
  std::string host = text.substr(0, colon);
  const std::string portText = text.substr(colon + 1);
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
  ListenAddress listen;
  bool ok = false;
  const uint port = QString::fromStdString(portText).toUInt(&ok);
  if (!ok || port > 65535) throw UsageError("--listen: '" + portText + "' is no port number");
  listen.port = static_cast<quint16>(port);
  if (!listen.address.setAddress(QString::fromStdString(host))) {
    const QHostInfo info = QHostInfo::fromName(QString::fromStdString(host));
    if (info.addresses().isEmpty()) throw UsageError("--listen: unknown host '" + host + "'");
    listen.address = info.addresses().front();
  }
  return listen;
}

std::string HostPort(const QHostAddress& address, quint16 port) {
  const std::string host = address.toString().toStdString();
  const bool v6 = address.protocol() == QAbstractSocket::IPv6Protocol;
  return (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

int Run(const Args& args) {
  const ListenAddress listen = ParseListen(args.Value("listen", kDefaultListen));
  const std::string port = PortOption(args);
  const session::ChipChoice chip = ChipOption(args);
  // The address is taken before the board hears a byte: a second serve on a port in use is
  // refused without touching its board. The server itself needs the connected settings, so it
  // takes the address over from this placeholder when the connect is done.
  QTcpServer reserved;
  if (!reserved.listen(listen.address, listen.port)) {
    throw Failure("Cannot listen on " + HostPort(listen.address, listen.port) + ": " +
                  reserved.errorString().toStdString());
  }
  const quint16 reservedPort = reserved.serverPort();

  platform::StopSignals stop;
  CliBoard board;
  const InterruptOnStop interruptOnStop(stop, board.session);
  const PanelSettings connected = board.Connect(args, stop);
  if (stop.Requested()) {
    board.session.Close();
    return kExitOk;
  }

  const SolveMode mode = args.Has("classic") ? SolveMode::Classic : SolveMode::Exact;
  scpi::Instrument instrument(board.session, board.clock, {port, chip, mode}, connected);
  scpi::ScpiServer server(instrument, board.clock);
  reserved.close();
  if (!server.Listen(listen.address, reservedPort)) {
    board.session.Close();
    throw Failure("Cannot listen on " + HostPort(listen.address, reservedPort) + ": " +
                  server.ErrorString().toStdString());
  }
  const std::string where = HostPort(server.Address(), server.Port());
  if (!listen.address.isLoopback()) {
    std::cerr << "warning: " << where
              << " is not a loopback address: anyone who can reach it controls the board's output.\n";
  }
  std::cout << "listening on " << where << std::endl;
  if (!std::cout) {
    board.session.Close();
    throw Failure("cannot write to standard output");
  }

  QSocketNotifier notifier(static_cast<qintptr>(stop.WakeHandle()), QSocketNotifier::Read);
  QObject::connect(&notifier, &QSocketNotifier::activated, [] { QCoreApplication::quit(); });
  QCoreApplication::exec();
  server.Close();
  board.session.Close();
  return kExitOk;
}

}  // namespace

const Command kServeCommand{
    "serve",
    "--port PORT [--listen HOST:PORT] [--classic] [--chip auto|adf4350|adf4351|max2871]",
    "Connects to the board as \"Connect\" does and serves it as a SCPI instrument on the network "
    "(raw socket, VISA resource TCPIP::HOST::PORT::SOCKET) until Ctrl-C or SIGTERM. Prints "
    "\"listening on HOST:PORT\" when ready.",
    {kPortOption,
     {"listen", "HOST:PORT", "address to listen on (default 127.0.0.1:5025; port 0 picks a free one)"},
     {"classic", "", "tune with the classic search instead of the nearest fraction to the frequency asked for"},
     kChipOption},
    0,
    0,
    Run};

}  // namespace korvane::cli
