#include "link/serial_transport.h"

#include <QSerialPort>
#include <algorithm>
#include <chrono>

#include "link/clock.h"

namespace korvane::link {

namespace {

// Waiting happens in slices so that the idle hook keeps a window painting.
constexpr int kWaitSliceMs = 25;
// Upper bound for a write to leave: far above the 2 ms a byte takes at 4800 baud.
constexpr int kWriteTimeoutMs = 2000;
constexpr int kBaudRate = 4800;

using SteadyClock = std::chrono::steady_clock;

int MsUntil(SteadyClock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now()).count();
  return static_cast<int>(std::max<int64_t>(left, 0));
}

bool IsFault(QSerialPort::SerialPortError error) {
  return error != QSerialPort::NoError && error != QSerialPort::TimeoutError;
}

}  // namespace

SerialTransport::SerialTransport() = default;
SerialTransport::~SerialTransport() = default;

SerialTransport::OpenResult SerialTransport::Open(const std::string& portName) {
  Close();
  port_ = std::make_unique<QSerialPort>();
  port_->setPortName(QString::fromStdString(portName));
  if (!port_->open(QIODevice::ReadWrite)) {
    port_.reset();
    return OpenResult::CannotOpen;
  }
  const bool configured = port_->setBaudRate(kBaudRate) && port_->setDataBits(QSerialPort::Data8) &&
                          port_->setParity(QSerialPort::NoParity) && port_->setStopBits(QSerialPort::OneStop) &&
                          port_->setFlowControl(QSerialPort::NoFlowControl);
  if (!configured) {
    Close();
    return OpenResult::CannotConfigure;
  }
  // Pseudo-terminals and some adapters have no modem lines; the board does not need them.
  port_->setDataTerminalReady(false);
  port_->setRequestToSend(false);
  port_->clearError();
  return OpenResult::Ok;
}

bool SerialTransport::IsOpen() const { return port_ && port_->isOpen(); }

void SerialTransport::Purge() {
  if (!IsOpen()) return;
  port_->clear(QSerialPort::AllDirections);
  port_->clearError();
}

void SerialTransport::Write(std::string_view bytes) {
  if (!IsOpen() || bytes.empty()) return;
  port_->write(bytes.data(), static_cast<qint64>(bytes.size()));
  const auto deadline = SteadyClock::now() + std::chrono::milliseconds(kWriteTimeoutMs);
  while (port_->bytesToWrite() > 0) {
    const int left = MsUntil(deadline);
    if (left <= 0) break;
    if (!port_->waitForBytesWritten(std::min(left, kWaitSliceMs)) && IsFault(port_->error())) break;
    RunIdleHook();
  }
  if (!IsFault(port_->error())) port_->clearError();
}

SerialTransport::ReadResult SerialTransport::ReadByte(char& byte, int timeoutMs) {
  if (!IsOpen()) return ReadResult::Failed;
  const auto deadline = SteadyClock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
  for (;;) {
    if (port_->bytesAvailable() > 0 && port_->getChar(&byte)) return ReadResult::Byte;
    if (IsFault(port_->error()) || !port_->isOpen()) return ReadResult::Failed;
    const int left = MsUntil(deadline);
    if (left <= 0) return ReadResult::TimedOut;
    if (!port_->waitForReadyRead(std::min(left, kWaitSliceMs))) {
      if (IsFault(port_->error())) return ReadResult::Failed;
      port_->clearError();
    }
    if (port_->bytesAvailable() == 0) RunIdleHook();
  }
}

void SerialTransport::Close() {
  if (!port_) return;
  if (port_->isOpen()) port_->close();
  port_.reset();
}

}  // namespace korvane::link
