// korvane-cli serve under hostile clients, measured rather than asserted:
//   serve_bench mute    the longest wait of board-free commands (*IDN?, SYST:ERR?, *CLS, *STB?)
//                       while another client's commands meet a board that has gone mute (15 s)
//   serve_bench memory  the server's resident memory while 64 VXI-11 links leave every *OPC? reply
//                       unread (60 s; SECONDS as a second argument for a shorter run)
//   serve_bench vanish  the server's open descriptors after 300 VXI-11 clients vanished while a
//                       read of theirs waited
//   serve_bench closed  how long the board goes on retuning for a client that sent a long line and
//                       closed its connection the ordinary way
// VXI-11 needs the portmapper (rpcbind) to run.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "scpi/vxi11_rpc.h"
#include "support/child_process.h"
#include "support/cli_runner.h"
#include "support/virtual_board.h"

namespace {

using namespace korvane;
using Clock = std::chrono::steady_clock;

int Connect(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<uint16_t>(port));
  if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) return fd;
  close(fd);
  return -1;
}

// One line from the socket, waiting at most ms; nullopt when none came.
std::optional<std::string> ReadLine(int fd, std::string& buffer, int ms) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    const size_t end = buffer.find('\n');
    if (end != std::string::npos) {
      std::string line = buffer.substr(0, end);
      buffer.erase(0, end + 1);
      return line;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    pollfd p{fd, POLLIN, 0};
    if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0) return std::nullopt;
    char chunk[4096];
    const ssize_t n = recv(fd, chunk, sizeof chunk, 0);
    if (n <= 0) return std::nullopt;
    buffer.append(chunk, static_cast<size_t>(n));
  }
}

bool SendAll(int fd, const std::string& bytes) {
  return send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
}

long StatusField(pid_t pid, const std::string& field) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(field + ":", 0) == 0) return std::stol(line.substr(field.size() + 1));
  }
  return -1;
}

long Descriptors(pid_t pid) {
  long n = 0;
  for ([[maybe_unused]] const auto& entry :
       std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd")) {
    ++n;
  }
  return n;
}

int Mute() {
  test::VirtualBoard board;
  test::ChildProcess serve(test::CliPath(), {"serve", "--port", board.path(), "--listen", "127.0.0.1:0", "--no-vxi11"});
  const std::optional<std::string> line = serve.ReadLine(30000);
  if (!line || line->rfind("listening on ", 0) != 0) {
    std::cerr << "serve did not start: " << serve.Stderr();
    return 1;
  }
  const int port = std::stoi(line->substr(line->rfind(':') + 1));
  const int asker = Connect(port);
  const int worker = Connect(port);
  std::string askerBuffer;
  board.SetSilent(true);
  // The worker keeps asking for board work; each of its commands meets the mute board.
  std::thread work([&] {
    const auto end = Clock::now() + std::chrono::seconds(15);
    std::string buffer;
    while (Clock::now() < end) {
      SendAll(worker, "FREQ 1 GHZ;*OPC?\n");
      ReadLine(worker, buffer, 20000);
    }
  });
  // Each board-free command in turn; *CLS answers nothing, so *OPC? after it tells when it ran.
  const char* const lines[] = {"*IDN?", "SYST:ERR?", "*CLS;*OPC?", "*STB?"};
  double longestMs = 0;
  double totalMs = 0;
  int asked = 0;
  const auto end = Clock::now() + std::chrono::seconds(15);
  while (Clock::now() < end) {
    const auto start = Clock::now();
    SendAll(asker, std::string(lines[asked % 4]) + "\n");
    if (!ReadLine(asker, askerBuffer, 20000)) break;
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    longestMs = std::max(longestMs, ms);
    totalMs += ms;
    ++asked;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  work.join();
  std::cout << "mute board: " << asked << " board-free lines (*IDN?, SYST:ERR?, *CLS, *STB? in turn) in 15 s, "
            << "answered after " << (asked ? totalMs / asked : 0.0) << " ms on average, " << longestMs
            << " ms at the longest\n";
  close(asker);
  close(worker);
  // The board is still mute: the call in flight is cut short by the signal.
  const auto signalled = Clock::now();
  serve.Signal(SIGTERM);
  const std::optional<int> status = serve.Wait(10000);
  std::cout << "serve ended " << std::chrono::duration<double, std::milli>(Clock::now() - signalled).count()
            << " ms after SIGTERM, with status " << (status ? std::to_string(*status) : "none") << "\n";
  return 0;
}

// A client sends a long line of retunes and closes its connection the ordinary way (FIN, no
// reset): how long the board goes on retuning for it.
int Closed() {
  test::VirtualBoard board;
  board.SetPace4800(true);
  test::ChildProcess serve(test::CliPath(), {"serve", "--port", board.path(), "--listen", "127.0.0.1:0", "--no-vxi11"});
  const std::optional<std::string> line = serve.ReadLine(30000);
  if (!line || line->rfind("listening on ", 0) != 0) {
    std::cerr << "serve did not start: " << serve.Stderr();
    return 1;
  }
  const int fd = Connect(std::stoi(line->substr(line->rfind(':') + 1)));
  std::string retunes;
  for (int i = 0; i < 5000; ++i) retunes += "FREQ 432 MHZ;";
  SendAll(fd, retunes + "\n");
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  board.ClearLog();
  const auto closed = Clock::now();
  close(fd);
  // Retunes go on until the server finds the client gone; then the board hears nothing more.
  size_t heard = 0;
  auto lastMs = 0.0;
  while (Clock::now() - closed < std::chrono::seconds(180)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    const size_t now = board.Log().size();
    if (now != heard) {
      heard = now;
      lastMs = std::chrono::duration<double, std::milli>(Clock::now() - closed).count();
    } else if (std::chrono::duration<double, std::milli>(Clock::now() - closed).count() - lastMs > 5000) {
      break;
    }
  }
  std::cout << "client closed (FIN) after a line of 5000 retunes: the board heard " << heard
            << " commands more, the last " << lastMs / 1000.0 << " s after the close\n";
  serve.Signal(SIGTERM);
  serve.Wait(10000);
  return 0;
}

// A VXI-11 client over one connection, blocking.
struct RpcClient {
  explicit RpcClient(int port) : fd(Connect(port)) {}
  ~RpcClient() {
    if (fd >= 0) close(fd);
  }
  void Call(uint32_t procedure, const std::string& args) {
    SendAll(fd, scpi::rpc::Frame(
                    scpi::rpc::CallRecord(++xid, scpi::rpc::kCoreProgram, scpi::rpc::kVxi11Version, procedure, args)));
  }
  // The results of the reply, nullopt when none came within ms.
  std::optional<std::string> Results(int ms) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
      if (const auto record = records.Next()) {
        const auto results = scpi::rpc::ReplyResults(*record, xid);
        return results ? std::string(*results) : std::string();
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      pollfd p{fd, POLLIN, 0};
      if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0) return std::nullopt;
      char chunk[4096];
      const ssize_t n = recv(fd, chunk, sizeof chunk, 0);
      if (n <= 0) return std::nullopt;
      records.Feed(std::string_view(chunk, static_cast<size_t>(n)));
    }
  }
  // create_link to inst0: the link id, or -1.
  int32_t Link() {
    scpi::rpc::XdrWriter w;
    w.U32(1);
    w.U32(0);
    w.U32(0);
    w.Opaque("inst0");
    Call(scpi::rpc::kCreateLink, w.data());
    const std::optional<std::string> results = Results(5000);
    if (!results) return -1;
    scpi::rpc::XdrReader r(*results);
    int32_t error = -1, link = -1;
    return r.I32(error) && r.I32(link) && error == 0 ? link : -1;
  }
  // Without END: the writes are one message that goes on, so a newer write does not discard the
  // replies of the older ones (-410) and they pile up to the server's budget.
  std::string WriteArgs(int32_t link, uint32_t ioTimeoutMs, const std::string& data) {
    scpi::rpc::XdrWriter w;
    for (const uint32_t v : {static_cast<uint32_t>(link), ioTimeoutMs, 0u, 0u}) w.U32(v);
    w.Opaque(data);
    return w.Take();
  }
  std::string ReadArgs(int32_t link, uint32_t ioTimeoutMs) {
    scpi::rpc::XdrWriter w;
    for (const uint32_t v : {static_cast<uint32_t>(link), 1024u, ioTimeoutMs, 0u, 0u, 0u}) w.U32(v);
    return w.Take();
  }

  int fd;
  uint32_t xid = 0;
  scpi::rpc::RecordReader records;
};

// serve with VXI-11 on the demo board: its VXI-11 port, or 0.
int StartVxi11Serve(test::ChildProcess& serve) {
  const std::optional<std::string> listening = serve.ReadLine(30000);
  const std::optional<std::string> vxi11 = serve.ReadLine(5000);
  if (!listening || !vxi11 || vxi11->rfind("VXI-11 on 127.0.0.1:", 0) != 0) {
    std::cerr << "serve did not serve VXI-11 (does rpcbind run?): " << serve.Stderr();
    return 0;
  }
  return std::stoi(vxi11->substr(20, vxi11->find(' ', 20) - 20));
}

int Memory(int seconds) {
  test::ChildProcess serve(test::CliPath(), {"serve", "--port", "Demo", "--listen", "127.0.0.1:0"});
  const int port = StartVxi11Serve(serve);
  if (!port) return 1;
  std::vector<std::unique_ptr<RpcClient>> clients;
  std::vector<int32_t> links;
  for (int i = 0; i < 64; ++i) {
    clients.push_back(std::make_unique<RpcClient>(port));
    links.push_back(clients.back()->Link());
  }
  const long startKb = StatusField(serve.Pid(), "VmRSS");
  std::string lines;
  while (lines.size() + 6 <= scpi::rpc::kMaxWriteBytes) lines += "*OPC?\n";
  long peakKb = startKb;
  long writes = 0;
  const auto end = Clock::now() + std::chrono::seconds(seconds);
  while (Clock::now() < end) {
    for (size_t i = 0; i < clients.size() && Clock::now() < end; ++i) {
      clients[i]->Call(scpi::rpc::kDeviceWrite, clients[i]->WriteArgs(links[i], 100, lines));
      if (clients[i]->Results(5000)) ++writes;
    }
    peakKb = std::max(peakKb, StatusField(serve.Pid(), "VmRSS"));
  }
  const long endKb = StatusField(serve.Pid(), "VmRSS");
  std::cout << "64 links with unread *OPC? replies for " << seconds << " s (" << writes << " writes of "
            << lines.size() / 6 << " queries): resident " << startKb / 1024.0 << " MiB at the start, " << endKb / 1024.0
            << " MiB at the end, " << peakKb / 1024.0 << " MiB at most\n";
  clients.clear();
  serve.Signal(SIGTERM);
  serve.Wait(10000);
  return 0;
}

int Vanish() {
  test::ChildProcess serve(test::CliPath(), {"serve", "--port", "Demo", "--listen", "127.0.0.1:0"});
  const int port = StartVxi11Serve(serve);
  if (!port) return 1;
  const long before = Descriptors(serve.Pid());
  for (int i = 0; i < 300; ++i) {
    RpcClient client(port);
    const int32_t link = client.Link();
    // A read that waits 49 days for a reply that never comes; the client vanishes meanwhile.
    client.Call(scpi::rpc::kDeviceRead, client.ReadArgs(link, 0xFFFFFFFFu));
  }
  std::this_thread::sleep_for(std::chrono::seconds(1));
  const long after = Descriptors(serve.Pid());
  RpcClient check(port);
  std::cout << "300 vanished VXI-11 clients: " << before << " descriptors before, " << after
            << " one second after; a new client gets link " << check.Link() << "\n";
  serve.Signal(SIGTERM);
  serve.Wait(10000);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string what = argc > 1 ? argv[1] : "";
  if (what == "mute") return Mute();
  if (what == "memory") return Memory(argc > 2 ? std::stoi(argv[2]) : 60);
  if (what == "vanish") return Vanish();
  if (what == "closed") return Closed();
  std::cerr << "usage: serve_bench mute|memory [SECONDS]|vanish|closed\n";
  return 2;
}
