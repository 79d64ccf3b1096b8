#include "scpi/vxi11_portmap.h"

#include <chrono>
#include <random>
#include <string>

#include "platform/server_sockets.h"
#include "scpi/vxi11_rpc.h"

namespace korvane::scpi {

namespace {

constexpr uint16_t kPortmapPort = 111;
constexpr int kAttempts = 2;
constexpr int kAnswerWaitMs = 500;

enum PortmapProcedure : uint32_t { kSet = 1, kUnset = 2, kGetPort = 3 };

// One call over UDP to the local portmapper: the results of its reply, nullopt when none came.
std::optional<std::string> PortmapCall(uint32_t procedure, uint16_t port) {
  rpc::XdrWriter args;
  args.U32(rpc::kCoreProgram);
  args.U32(rpc::kVxi11Version);
  args.U32(rpc::kIpProtoTcp);
  args.U32(port);
  const platform::SocketHandle fd = platform::ConnectLoopbackUdp(kPortmapPort);
  if (fd == platform::kNoSocket) return std::nullopt;
  std::optional<std::string> results;
  static std::mt19937 xids{std::random_device{}()};
  for (int attempt = 0; attempt < kAttempts && !results; ++attempt) {
    const uint32_t xid = xids();
    const std::string call = rpc::CallRecord(xid, rpc::kPortmapProgram, rpc::kPortmapVersion, procedure, args.data());
    platform::SocketStatus status;
    platform::SendSome(fd, call.data(), call.size(), &status);
    if (status != platform::SocketStatus::Ok) break;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kAnswerWaitMs);
    for (;;) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
      if (left <= 0 || !platform::WaitSocket(fd, platform::WaitFor::Read, static_cast<int>(left))) break;
      char buffer[512];
      // Refused (no portmapper) shows as an error here.
      const size_t n = platform::Receive(fd, buffer, sizeof buffer, &status);
      if (status != platform::SocketStatus::Ok && status != platform::SocketStatus::Ended) break;
      if (const auto r = rpc::ReplyResults(std::string_view(buffer, n), xid)) {
        results = std::string(*r);
        break;
      }
    }
  }
  platform::CloseSocket(fd);
  return results;
}

std::optional<uint32_t> Word(const std::optional<std::string>& results) {
  if (!results) return std::nullopt;
  rpc::XdrReader r(*results);
  uint32_t value = 0;
  if (!r.U32(value)) return std::nullopt;
  return value;
}

}  // namespace

PortmapResult RegisterVxi11(uint16_t port) {
  if (!Word(PortmapCall(kUnset, 0))) return PortmapResult::NoPortmapper;
  const std::optional<uint32_t> set = Word(PortmapCall(kSet, port));
  if (!set) return PortmapResult::NoPortmapper;
  return *set == 1 ? PortmapResult::Ok : PortmapResult::Refused;
}

void UnregisterVxi11(uint16_t port) {
  if (Vxi11PortmapPort() == port) PortmapCall(kUnset, 0);
}

std::optional<uint16_t> Vxi11PortmapPort() {
  const std::optional<uint32_t> port = Word(PortmapCall(kGetPort, 0));
  if (!port || *port > 65535) return std::nullopt;
  return static_cast<uint16_t>(*port);
}

}  // namespace korvane::scpi
