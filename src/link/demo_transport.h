// The built-in demo board as a byte stream, so that its replies take the same way through the
// link (framing, Latin-1) as a real board's.
#pragma once

#include <string>
#include <string_view>

#include "link/demo_board.h"
#include "link/transport.h"

namespace korvane::link {

// The port name that selects the demo board.
inline constexpr char kDemoPortName[] = "Demo";

class DemoTransport : public Transport {
 public:
  // The store is the board's memory; it outlives the transport, so that what a demo session
  // stored is still there after a reconnect.
  DemoTransport(Clock& clock, DemoStore& store);

  // Always opens: there is no device to miss.
  OpenResult Open(const std::string& portName) override;
  bool IsOpen() const override { return open_; }
  void Purge() override { pending_.clear(); }
  // Each write is one command, as the link writes them; its answer waits to be read.
  void Write(std::string_view bytes) override;
  // The next byte of an answer; with none left it waits out the time-out as a silent board does.
  ReadResult ReadByte(char& byte, int timeoutMs) override;
  void Close() override;

 private:
  DemoStore& store_;
  std::string pending_;
  size_t pendingPos_ = 0;
  bool open_ = false;
};

// The transports of a session: "Demo" is the demo board on the given memory, every other
// name goes to the factory given.
TransportFactory WithDemoBoard(DemoStore& store, TransportFactory others = MakeTransport);

}  // namespace korvane::link
