#include "link/demo_transport.h"

#include <algorithm>
#include <utility>

namespace korvane::link {

DemoTransport::DemoTransport(Clock& clock, DemoStore& store) : Transport(clock), store_(store) {}

Transport::OpenResult DemoTransport::Open(const std::string&) {
  failure_ = {};
  interrupted_ = false;
  pending_.clear();
  pendingPos_ = 0;
  open_ = true;
  return OpenResult::Ok;
}

void DemoTransport::Write(std::string_view bytes) {
  if (!open_) return;
  if (pendingPos_ >= pending_.size()) {
    pending_.clear();
    pendingPos_ = 0;
  }
  pending_ += store_.Answer(bytes);
}

Transport::ReadResult DemoTransport::ReadByte(char& byte, int timeoutMs) {
  if (!open_) return ReadResult::Failed;
  if (pendingPos_ < pending_.size()) {
    byte = pending_[pendingPos_++];
    return ReadResult::Byte;
  }
  if (!interrupted_) clock_.SleepMs(std::max(timeoutMs, 0));
  return ReadResult::TimedOut;
}

void DemoTransport::Close() {
  open_ = false;
  pending_.clear();
  pendingPos_ = 0;
}

TransportFactory WithDemoBoard(DemoStore& store, TransportFactory others) {
  return [&store, others = std::move(others)](const std::string& portName, Clock& clock) -> std::unique_ptr<Transport> {
    if (portName == kDemoPortName) return std::make_unique<DemoTransport>(clock, store);
    return others(portName, clock);
  };
}

}  // namespace korvane::link
