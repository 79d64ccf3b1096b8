// Feeds arbitrary bytes, as a hostile or broken VXI-11 client might send them, to the record
// reader in pieces of arbitrary size and runs every call it yields against the VXI-11 device on
// the demo board: records and decoded arguments stay within their caps, and every call gets one
// reply for its own xid, bounded in size, or none when it is no call.
#include <QCoreApplication>
#include <QHostAddress>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "link/demo_board.h"
#include "scpi/scpi_instrument.h"
#include "scpi/scpi_server.h"
#include "scpi/vxi11_core.h"
#include "scpi/vxi11_rpc.h"
#include "session/board_session.h"
#include "support/demo_instrument.h"

namespace rpc = korvane::scpi::rpc;
using namespace korvane;

namespace {

struct Device {
  Device() {
    instrument = test::ConnectDemoInstrument(session, clock);
    if (!instrument) std::abort();
  }
  int argc = 1;
  char name[5] = "fuzz";
  char* argv[1] = {name};
  QCoreApplication app{argc, argv};
  test::ManualClock clock;
  link::DemoStore demo;
  session::BoardSession session{clock, demo};
  std::unique_ptr<scpi::Instrument> instrument;
  std::unique_ptr<scpi::ScpiServer> server;
  std::unique_ptr<scpi::Vxi11Core> core;
};

void CheckReply(const std::string& reply, uint32_t xid) {
  rpc::XdrReader r(reply);
  uint32_t got = 0;
  if (!r.U32(got) || got != xid) std::abort();
  if (reply.size() > rpc::kMaxReadBytes + 64) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Device device;
  if (size < 2) return 0;
  // The first byte chooses how the rest is cut into reads, the second how far the clock moves
  // between calls (so that waiting calls time out).
  const size_t piece = 1 + data[0] % 64;
  const int64_t step = data[1] * 10;
  const std::string_view input(reinterpret_cast<const char*>(data) + 2, size - 2);
  // A server and a device of their own for each input: link ids start at 1 as the seeds expect,
  // and lines left queued by one input do not pile up behind the next.
  device.server = std::make_unique<scpi::ScpiServer>(*device.instrument, device.clock);
  if (!device.server->Listen(QHostAddress::LocalHost, 0)) std::abort();
  device.core = std::make_unique<scpi::Vxi11Core>(*device.server, device.clock, 4242);

  rpc::RecordReader reader;
  size_t records = 0;
  for (size_t at = 0; at < input.size(); at += piece) {
    if (!reader.Feed(input.substr(at, piece))) break;
    while (const std::optional<std::string> record = reader.Next()) {
      if (record->size() > rpc::kMaxRecordBytes || ++records > input.size() / 4) std::abort();
      const rpc::ParsedCall parsed = rpc::ParseCall(*record);
      if (!parsed.call) {
        uint32_t xid = 0;
        rpc::XdrReader(*record).U32(xid);
        if (!parsed.reply.empty()) CheckReply(parsed.reply, xid);
        continue;
      }
      if (const auto args =
              rpc::DecodeDeviceArgs(parsed.call->program, parsed.call->procedure, parsed.call->arguments)) {
        if (args->data.size() > rpc::kMaxWriteBytes) std::abort();
      }
      std::optional<std::string> reply = device.core->Start(1, *parsed.call);
      for (int turn = 0; !reply && turn < 4; ++turn) {
        QCoreApplication::processEvents();
        device.clock.now += step;
        reply = device.core->Retry(1);
      }
      if (!reply) {
        // Still waiting on a long time-out: the connection closes, as a client that gives up.
        device.core->CloseConnection(1);
        continue;
      }
      CheckReply(*reply, parsed.call->xid);
    }
  }
  device.core.reset();
  device.server.reset();
  return 0;
}
