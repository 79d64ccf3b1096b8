// korvane-cli serve: the board as a SCPI instrument on the network, for VISA clients.
#include <QCoreApplication>
#include <QHostAddress>
#include <QHostInfo>
#include <QSocketNotifier>
#include <algorithm>
#include <iostream>
#include <memory>

#include "cli/cli_board.h"
#include "cli/interrupt_on_stop.h"
#include "platform/sockets.h"
#include "platform/stop_signals.h"
#include "scpi/board_worker.h"
#include "scpi/portmap_responder.h"
#include "scpi/scpi_instrument.h"
#include "scpi/scpi_server.h"
#include "scpi/vxi11_portmap.h"
#include "scpi/vxi11_server.h"
#include "synth/number_text.h"

namespace korvane::cli {
namespace {

constexpr char kDefaultListen[] = "127.0.0.1:5025";
// Where RPC clients ask the portmapper for a program's port.
constexpr quint16 kPortmapPort = 111;

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
  // Digits only, five at most: a sign or spaces around the number are no port.
  const std::optional<uint64_t> port = portText.size() <= 5 ? ReadDigits(portText, 65535) : std::nullopt;
  if (!port) {
    throw UsageError("--listen: '" + portText + "' is no port number; give one from 0 to 65535 in digits, as in " +
                     kDefaultListen + ".");
  }
  listen.port = static_cast<quint16>(*port);
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

// The VXI-11 channels beside the socket, registered with the portmapper; null (after one warning)
// when they cannot be served. Where the system has no portmapper (Windows), *portmapper answers
// for it on port 111 of the same address, as an LXI instrument does.
std::unique_ptr<scpi::Vxi11Server> StartVxi11(scpi::ScpiServer& server, Clock& clock, const QHostAddress& address,
                                              std::unique_ptr<scpi::PortmapResponder>* portmapper) {
  auto vxi11 = std::make_unique<scpi::Vxi11Server>(server, clock);
  if (!vxi11->Listen(address, 0)) {
    std::cerr << "warning: cannot listen for VXI-11 on " << HostPort(address, 0) << ": "
              << vxi11->ErrorString().toStdString() << "; only the socket is served.\n";
    return nullptr;
  }
  uint16_t holder = 0;
  switch (scpi::RegisterVxi11(vxi11->Port(), &holder)) {
    case scpi::PortmapResult::Ok:
      break;
    case scpi::PortmapResult::InUse:
      std::cerr << "warning: another VXI-11 server (on 127.0.0.1:" << holder
                << ") is registered with the portmapper and still answers, so VXI-11 is not served here and only "
                   "the socket is. Stop that server first to serve VXI-11 from this one, or pass --no-vxi11.\n";
      return nullptr;
    case scpi::PortmapResult::NoPortmapper:
      if (!platform::SystemHasPortmapper()) {
        auto own = std::make_unique<scpi::PortmapResponder>(vxi11->Port());
        std::string error;
        if (!own->Listen(address, kPortmapPort, &error)) {
          std::cerr << "warning: cannot answer for the portmapper on " << HostPort(address, kPortmapPort) << " ("
                    << error << "), so VXI-11 (VISA resource TCPIP::HOST::INSTR) is off and only the socket is "
                    << "served. Stop the program that holds port " << kPortmapPort << " or pass --no-vxi11.\n";
          return nullptr;
        }
        *portmapper = std::move(own);
        break;
      }
      std::cerr << "warning: no portmapper answers on 127.0.0.1:111, so VXI-11 (VISA resource TCPIP::HOST::INSTR) "
                   "is off and only the socket is served. Start rpcbind (as root: rpcbind -w) and restart serve, "
                   "or pass --no-vxi11.\n";
      return nullptr;
    case scpi::PortmapResult::Refused:
      std::cerr << "warning: the portmapper on 127.0.0.1:111 refused to register VXI-11, so only the socket is "
                   "served. Check that rpcbind lets this user register programs, or pass --no-vxi11.\n";
      return nullptr;
  }
  return vxi11;
}

int Run(const Args& args) {
  const ListenAddress listen = ParseListen(args.Value("listen", kDefaultListen));
  const std::string port = PortOption(args);
  const session::ChipChoice chip = ChipOption(args);
  // The address is taken before the board hears a byte: a second serve on a port in use is
  // refused without touching its board. The server itself needs the connected settings, so it
  // takes this listening socket over when the connect is done; clients that connect meanwhile
  // wait in its backlog, never reset.
  scpi::DescriptorServer reserved;
  if (!reserved.listen(listen.address, listen.port)) {
    throw Failure("Cannot listen on " + HostPort(listen.address, listen.port) + ": " +
                  reserved.errorString().toStdString());
  }
  reserved.pauseAccepting();

  platform::StopSignals stop;
  CliBoard board;
  const InterruptOnStop interruptOnStop(stop, board.session);
  // The session lives on the worker from the port's open to its close, so that a slow or mute
  // board holds up only the clients whose commands need it.
  scpi::BoardWorker worker;
  const auto closeBoard = [&] { worker.Wait([&] { board.session.Close(); }); };
  PanelSettings connected;
  try {
    worker.Wait([&] { connected = board.Connect(args, stop); });
  } catch (...) {
    closeBoard();
    throw;
  }
  if (stop.Requested()) {
    closeBoard();
    throw Interrupted("the board was connected and nothing was sent to it; serve ended before it served.",
                      stop.ExitStatus());
  }

  const SolveMode mode = args.Has("classic") ? SolveMode::Classic : SolveMode::Exact;
  scpi::Instrument instrument(board.session, board.clock, {port, chip, mode}, connected);
  scpi::ScpiServer server(instrument, board.clock);
  server.StopWhen([&stop] { return stop.Requested(); });
  server.RunBoardCallsOn(worker);
  server.ListenOn(reserved);
  const std::string where = HostPort(server.Address(), server.Port());
  if (!listen.address.isLoopback()) {
    std::cerr << "warning: " << where
              << " is not a loopback address: anyone who can reach it controls the board's output.\n";
  }
  // Both channels are ready before either is announced.
  std::unique_ptr<scpi::Vxi11Server> vxi11;
  std::unique_ptr<scpi::PortmapResponder> portmapper;
  if (!args.Has("no-vxi11")) vxi11 = StartVxi11(server, board.clock, server.Address(), &portmapper);
  std::cout << "listening on " << where << std::endl;
  if (vxi11) {
    const std::string host = server.Address().toString().toStdString();
    std::cout << "VXI-11 on " << HostPort(vxi11->Address(), vxi11->Port()) << " (VISA resource TCPIP::" << host
              << "::INSTR)" << std::endl;
  }
  if (!std::cout) {
    server.Close();
    closeBoard();
    throw Failure("cannot write to standard output");
  }

  QSocketNotifier notifier(static_cast<qintptr>(stop.WakeHandle()), QSocketNotifier::Read);
  QObject::connect(&notifier, &QSocketNotifier::activated, [] { QCoreApplication::quit(); });
  QCoreApplication::exec();
  if (vxi11) {
    const quint16 vxi11Port = vxi11->Port();
    vxi11->Close();
    scpi::UnregisterVxi11(vxi11Port);
  }
  server.Close();
  closeBoard();
  // Ended by a signal (there is no other way): after a clean shutdown, with the code a script
  // expects of a command a signal ended.
  if (stop.Requested()) {
    throw Interrupted("serve stopped; the board keeps the output it last accepted.", stop.ExitStatus());
  }
  return kExitOk;
}

}  // namespace

const Command kServeCommand{
    "serve",
    "--port PORT [--listen HOST:PORT] [--no-vxi11] [--classic] [--chip auto|adf4350|adf4351|max2871]",
    "Connects to the board as \"Connect\" does and serves it as a SCPI instrument on the network "
    "until Ctrl-C, SIGTERM or SIGHUP (then it exits with 128 + the signal's number): on a raw socket (VISA resource "
    "TCPIP::HOST::PORT::SOCKET) and over VXI-11 "
    "(VISA resource TCPIP::HOST::INSTR), whose port is registered with the system's portmapper (rpcbind "
    "must run; on Windows, which has none, serve answers the portmapper on port 111 itself). Prints \"listening on "
    "HOST:PORT\" when ready, then \"VXI-11 on HOST:PORT\" when VXI-11 "
    "is served.",
    {kPortOption,
     {"listen", "HOST:PORT", "address to listen on (default 127.0.0.1:5025; port 0 picks a free one)"},
     {"no-vxi11", "", "serve the raw socket only, without VXI-11 and the portmapper"},
     {"classic", "", "tune with the classic search instead of the nearest fraction to the frequency asked for"},
     kChipOption},
    0,
    0,
    Run};

}  // namespace korvane::cli
