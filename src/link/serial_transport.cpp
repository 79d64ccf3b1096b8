#include "link/serial_transport.h"

#include <QSerialPort>
#include <QSerialPortInfo>
#include <algorithm>
#include <cerrno>

#include "link/port_access.h"
#include "platform/devices.h"

namespace korvane::link {

namespace {

// Waiting happens in slices so that the idle hook keeps a window painting.
constexpr int kWaitSliceMs = 10;
// Upper bound for a write to leave: far above the 2 ms a byte takes at 4800 baud.
constexpr int kWriteTimeoutMs = 2000;
constexpr int kBaudRate = 4800;

bool IsFault(QSerialPort::SerialPortError error) {
  return error != QSerialPort::NoError && error != QSerialPort::TimeoutError;
}

// The errno that stands behind a failed open, as far as Qt tells it. Qt reports a device that
// another program holds (its lock file, or exclusive use) as a permission error too; when the
// device's permissions do let us in, that is what it was.
int OpenErrno(QSerialPort::SerialPortError error, const std::string& device) {
  switch (error) {
    case QSerialPort::DeviceNotFoundError:
      return ENOENT;
    case QSerialPort::PermissionError:
      return platform::MayReadAndWrite(device) ? EBUSY : EACCES;
    default:
      return errno != 0 ? errno : EIO;
  }
}

}  // namespace

struct SerialTransport::Port : QSerialPort {};

SerialTransport::SerialTransport(Clock& clock) : Transport(clock) {}
SerialTransport::~SerialTransport() = default;

Transport::OpenResult SerialTransport::Open(const std::string& portName) {
  Close();
  failure_ = {};
  interrupted_ = false;
  port_ = std::make_unique<Port>();
  port_->setPortName(QString::fromStdString(portName));
  errno = 0;
  if (!port_->open(QIODevice::ReadWrite)) {
    std::string device = QSerialPortInfo(*port_).systemLocation().toStdString();
    if (device.empty()) device = portName;
    failure_ = DescribeOpenFailure(device, OpenErrno(port_->error(), device));
    port_.reset();
    return OpenResult::CannotOpen;
  }
  const bool configured = port_->setBaudRate(kBaudRate) && port_->setDataBits(QSerialPort::Data8) &&
                          port_->setParity(QSerialPort::NoParity) && port_->setStopBits(QSerialPort::OneStop) &&
                          port_->setFlowControl(QSerialPort::NoFlowControl);
  if (!configured) {
    failure_ = {OpenFailure::Kind::SystemSaid, portName, port_->errorString().toStdString()};
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
  const int64_t deadline = clock_.NowMs() + kWriteTimeoutMs;
  while (port_->bytesToWrite() > 0) {
    const int64_t left = deadline - clock_.NowMs();
    if (left <= 0) break;
    if (!port_->waitForBytesWritten(static_cast<int>(std::min<int64_t>(left, kWaitSliceMs))) &&
        IsFault(port_->error())) {
      break;
    }
  }
  if (!IsFault(port_->error())) port_->clearError();
}

Transport::ReadResult SerialTransport::ReadByte(char& byte, int timeoutMs) {
  if (!IsOpen()) return ReadResult::Failed;
  const int64_t deadline = clock_.NowMs() + std::max(timeoutMs, 0);
  for (;;) {
    if (port_->bytesAvailable() > 0 && port_->getChar(&byte)) {
      return ReadResult::Byte;
    }
    if (IsFault(port_->error()) || !port_->isOpen()) return ReadResult::Failed;
    const int64_t left = deadline - clock_.NowMs();
    if (left <= 0 || interrupted_) return ReadResult::TimedOut;
    if (!port_->waitForReadyRead(static_cast<int>(std::min<int64_t>(left, kWaitSliceMs)))) {
      if (IsFault(port_->error())) return ReadResult::Failed;
      port_->clearError();
    }
  }
}

void SerialTransport::Close() {
  if (!port_) return;
  if (port_->isOpen()) port_->close();
  port_.reset();
}

}  // namespace korvane::link
