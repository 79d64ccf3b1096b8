// The serial transport on the platform's own serial port, for builds without Qt SerialPort.
#include <algorithm>
#include <array>

#include "link/port_access.h"
#include "link/serial_transport.h"
#include "platform/serial_port.h"

namespace korvane::link {

namespace {
// Waiting happens in slices so that the idle hook keeps a window painting.
constexpr int kWaitSliceMs = 10;
// Upper bound for a write to leave: far above the 2 ms a byte takes at 4800 baud.
constexpr int kWriteTimeoutMs = 2000;
constexpr int kBaudRate = 4800;
}  // namespace

// The port and what it delivered beyond the byte asked for.
struct SerialTransport::Port {
  platform::SerialPort device;
  std::array<char, 256> buffer{};
  int next = 0;
  int end = 0;
};

SerialTransport::SerialTransport(Clock& clock) : Transport(clock) {}
SerialTransport::~SerialTransport() = default;

Transport::OpenResult SerialTransport::Open(const std::string& portName) {
  Close();
  failure_ = {};
  interrupted_ = false;
  port_ = std::make_unique<Port>();
  int error = 0;
  std::string reason;
  switch (port_->device.Open(portName, kBaudRate, &error, &reason)) {
    case platform::SerialPort::OpenResult::Ok:
      return OpenResult::Ok;
    case platform::SerialPort::OpenResult::CannotOpen:
      failure_ = DescribeOpenFailure(portName, error);
      // The system's own words where the errno value has none better.
      if (failure_.kind == OpenFailure::Kind::CannotOpen) failure_.detail = reason;
      port_.reset();
      return OpenResult::CannotOpen;
    case platform::SerialPort::OpenResult::CannotConfigure:
      break;
  }
  failure_ = {OpenFailure::Kind::CannotSetUp, portName, reason};
  port_.reset();
  return OpenResult::CannotConfigure;
}

bool SerialTransport::IsOpen() const { return port_ && port_->device.IsOpen(); }

void SerialTransport::Purge() {
  if (!IsOpen()) return;
  port_->device.Purge();
  port_->next = port_->end = 0;
}

void SerialTransport::Write(std::string_view bytes) {
  if (!IsOpen() || bytes.empty()) return;
  port_->device.Write(bytes, kWriteTimeoutMs);
}

Transport::ReadResult SerialTransport::ReadByte(char& byte, int timeoutMs) {
  if (!IsOpen()) return ReadResult::Failed;
  const int64_t deadline = clock_.NowMs() + std::max(timeoutMs, 0);
  // A time-out of 0 still takes what has arrived.
  for (bool first = true;; first = false) {
    if (port_->next < port_->end) {
      byte = port_->buffer[static_cast<size_t>(port_->next++)];
      return ReadResult::Byte;
    }
    const int64_t left = deadline - clock_.NowMs();
    if ((left <= 0 && !first) || interrupted_) return ReadResult::TimedOut;
    const int n = port_->device.Read(port_->buffer.data(), static_cast<int>(port_->buffer.size()),
                                     static_cast<int>(std::clamp<int64_t>(left, 0, kWaitSliceMs)));
    if (n < 0) return ReadResult::Failed;
    port_->next = 0;
    port_->end = n;
  }
}

void SerialTransport::Close() { port_.reset(); }

}  // namespace korvane::link
