#include "link/net_transport.h"

#include <QTcpSocket>
#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "link/net_port_name.h"
#include "link/server_text.h"
#include "link/telnet_codec.h"
#include "platform/sockets.h"

namespace korvane::link {

namespace {

// Waiting happens in slices so that the idle hook keeps a window painting.
constexpr int kWaitSliceMs = 10;
// Upper bound for a write to leave: a command is a few bytes.
constexpr int kWriteTimeoutMs = 2000;
// What the socket may hold unread; a server that floods is read no faster than the board
// link takes bytes.
constexpr qint64 kReadBufferBytes = 64 * 1024;
// Data a server may send while the line is being set up (a stale banner, line noise); a
// server that sends more is not setting up a line, and is left before it fills the memory.
constexpr size_t kMaxSetUpDataBytes = 64 * 1024;
// A server's refusal is one short line; more than this is no message.
constexpr size_t kMaxPurgedBytes = 256;
constexpr uint32_t kBaudRate = 4800;
constexpr uint8_t kDataBits = 8;

using Endpoint = platform::SocketAddress;

// A host name looked up on a thread of its own: a resolver can take seconds, and the caller
// waits in slices so that a window keeps painting and a closing window is not held up. A
// look-up given up on finishes in the background.
class HostLookup {
 public:
  HostLookup(const std::string& host, int port) : shared_(std::make_shared<Shared>()) {
    std::thread([shared = shared_, host, port] {
      std::vector<Endpoint> endpoints;
      const int error = platform::LookUpHost(host, port, false, endpoints);
      std::lock_guard lock(shared->mutex);
      shared->error = error;
      shared->endpoints = std::move(endpoints);
      shared->finished = true;
      shared->done.notify_all();
    }).detach();
  }

  // Waits at most ms; true once the answer is in.
  bool Wait(int ms) {
    std::unique_lock lock(shared_->mutex);
    return shared_->done.wait_for(lock, std::chrono::milliseconds(ms), [this] { return shared_->finished; });
  }
  int Error() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->error;
  }
  std::vector<Endpoint> Endpoints() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->endpoints;
  }

 private:
  struct Shared {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    int error = 0;
    std::vector<Endpoint> endpoints;
  };
  std::shared_ptr<Shared> shared_;
};

std::string BigEndian32(uint32_t value) {
  return {static_cast<char>(value >> 24), static_cast<char>(value >> 16), static_cast<char>(value >> 8),
          static_cast<char>(value)};
}

std::string Byte(uint8_t value) { return std::string(1, static_cast<char>(value)); }

// A server's answer as it came, for a message: "00 00 25 80"; the first 16 bytes.
std::string HexBytes(std::string_view bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (size_t i = 0; i < bytes.size() && i < 16; ++i) {
    const auto b = static_cast<uint8_t>(bytes[i]);
    if (!out.empty()) out.push_back(' ');
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 15]);
  }
  return bytes.size() > 16 ? out + " ..." : out;
}

using Kind = OpenFailure::Kind;

OpenFailure Cancelled(const std::string& portName) { return {Kind::Cancelled, portName}; }

// With the port name, the host and the time-out.
OpenFailure Failure(Kind kind, const std::string& portName, const std::string& host, int64_t number = 0) {
  OpenFailure failure(kind, portName);
  failure.host = host;
  failure.number = number;
  return failure;
}

// Why a connection could not be made.
OpenFailure ConnectFailure(const std::string& portName, int error, int timeoutMs) {
  switch (error) {
    case ECONNREFUSED:
      return {Kind::Refused, portName};
    case ETIMEDOUT:
      return Failure(Kind::NoAnswerInTime, portName, {}, timeoutMs);
    default:
      return {Kind::CannotConnect, portName, platform::SocketErrorText(error)};
  }
}

}  // namespace

NetTransport::NetTransport(Clock& clock) : Transport(clock) {}
NetTransport::~NetTransport() { Close(); }

Transport::OpenResult NetTransport::Open(const std::string& portName) {
  Close();
  failure_ = {};
  warning_ = {};
  mayPass_ = false;
  interrupted_ = false;
  const std::optional<NetPortName> name = ParseNetPortName(portName);
  if (!name) {
    failure_ = {Kind::NotANetworkPort, portName};
    return OpenResult::CannotOpen;
  }
  if (!Connect(portName, name->host, name->port)) return OpenResult::CannotOpen;
  if (name->protocol == NetProtocol::Rfc2217) {
    const OpenResult result = SetUpLine(portName);
    if (result != OpenResult::Ok) {
      Close();
      return result;
    }
  }
  return OpenResult::Ok;
}

bool NetTransport::Connect(const std::string& portName, const std::string& host, int port) {
  std::vector<Endpoint> endpoints;
  int64_t deadline = clock_.NowMs() + connectTimeoutMs_;
  int lookupError = platform::LookUpHost(host, port, true, endpoints);
  if (platform::IsUnknownHost(lookupError)) {
    HostLookup lookup(host, port);
    while (!lookup.Wait(kWaitSliceMs)) {
      if (interrupted_ || clock_.NowMs() >= deadline) {
        failure_ = interrupted_ ? Cancelled(portName) : Failure(Kind::LookupTooLong, portName, host);
        return false;
      }
    }
    lookupError = lookup.Error();
    endpoints = lookup.Endpoints();
  }
  if (platform::IsUnknownHost(lookupError)) {
    failure_ = Failure(Kind::UnknownHost, portName, host);
    return false;
  }
  if (lookupError != 0) {
    failure_ = Failure(Kind::LookupFailed, portName, host);
    failure_.detail = platform::LookupErrorText(lookupError);
    return false;
  }

  // Qt's own connect cannot be waited for in slices (a wait that times out abandons it), so
  // the connection is made here and handed to the socket once it stands.
  deadline = clock_.NowMs() + connectTimeoutMs_;
  int lastError = EHOSTUNREACH;
  for (const Endpoint& endpoint : endpoints) {
    platform::SocketHandle fd = platform::kNoSocket;
    int error = platform::StartConnect(endpoint, &fd);
    if (error != 0) {
      lastError = error;
      continue;
    }
    for (bool waiting = true; waiting;) {
      if (interrupted_ || clock_.NowMs() >= deadline) {
        platform::CloseSocket(fd);
        failure_ = interrupted_ ? Cancelled(portName) : ConnectFailure(portName, ETIMEDOUT, connectTimeoutMs_);
        return false;
      }
      const int64_t left = deadline - clock_.NowMs();
      if (const std::optional<int> done =
              platform::FinishConnect(fd, static_cast<int>(std::clamp<int64_t>(left, 0, kWaitSliceMs)))) {
        error = *done;
        waiting = false;
      }
    }
    if (error != 0) {
      lastError = error;
      platform::CloseSocket(fd);
      continue;
    }
    socket_ = std::make_unique<QTcpSocket>();
    if (!socket_->setSocketDescriptor(fd, QAbstractSocket::ConnectedState, QIODevice::ReadWrite)) {
      platform::CloseSocket(fd);
      failure_ = {Kind::CannotConnect, portName, socket_->errorString().toStdString()};
      socket_.reset();
      return false;
    }
    // Commands are a few bytes each, answered before the next: never hold one back.
    socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    socket_->setReadBufferSize(kReadBufferBytes);
    return true;
  }
  failure_ = ConnectFailure(portName, lastError, connectTimeoutMs_);
  return false;
}

Transport::OpenResult NetTransport::SetUpLine(const std::string& portName) {
  using namespace telnet;
  telnet_ = std::make_unique<TelnetCodec>();
  SendNow(telnet_->Start());
  const int64_t deadline = clock_.NowMs() + connectTimeoutMs_;
  // timedOut: what the wait ran out of time for.
  const auto waitFailure = [&](Wait wait, Kind timedOut) {
    switch (wait) {
      case Wait::Cancelled:
        return Cancelled(portName);
      case Wait::Closed:
        // ser2net says why before it closes ("Port's device already in use"); often it is
        // still letting go of a client that just left, so this is tried again.
        mayPass_ = true;
        return OpenFailure(Kind::ClosedDuringSetUp, portName,
                           ServerText(std::string_view(pending_).substr(pendingPos_)));
      case Wait::TimedOut:
      case Wait::Ready:
        break;
    }
    return Failure(timedOut, portName, {}, connectTimeoutMs_);
  };

  const auto flooded = [&](Kind during) {
    if (pending_.size() <= kMaxSetUpDataBytes) return false;
    failure_ = Failure(during, portName, {}, kMaxSetUpDataBytes / 1024);
    return true;
  };

  // Each wait's failure counts only after what arrived with it has been looked at.
  Wait wait = Wait::Ready;
  bool agreed = true;
  while (telnet_->ComPort() == TelnetCodec::Negotiation::Pending) {
    if (flooded(Kind::FloodedBeforeAgreement)) return OpenResult::CannotConfigure;
    if (wait == Wait::TimedOut) {
      // Some servers (pyserial's example, reached again just after a client left) never answer
      // the negotiation and pass the bytes on all the same: the settings go out unconfirmed,
      // and the board's banner decides.
      warning_ = Failure(Kind::UnconfirmedLine, portName, {}, connectTimeoutMs_);
      agreed = false;
      break;
    }
    if (wait != Wait::Ready) {
      failure_ = waitFailure(wait, Kind::NoAgreementInTime);
      return OpenResult::CannotConfigure;
    }
    wait = WaitSlice(deadline);
  }
  if (telnet_->ComPort() == TelnetCodec::Negotiation::Refused) {
    failure_ = {Kind::NoSerialPortControl, portName};
    return OpenResult::CannotConfigure;
  }

  // The modem lines go last and are not waited for: a port without them (a pseudo-terminal
  // behind ser2net) is never confirmed, and the board does not need them.
  SendNow(TelnetCodec::ComPortRequest(kSetBaudRate, BigEndian32(kBaudRate)) +
          TelnetCodec::ComPortRequest(kSetDataSize, Byte(kDataBits)) +
          TelnetCodec::ComPortRequest(kSetParity, Byte(kParityNone)) +
          TelnetCodec::ComPortRequest(kSetStopSize, Byte(kStopBitsOne)) +
          TelnetCodec::ComPortRequest(kSetControl, Byte(kControlNoFlowControl)) +
          TelnetCodec::ComPortRequest(kSetControl, Byte(kControlInboundNoFlowControl)) +
          TelnetCodec::ComPortRequest(kSetControl, Byte(kControlDtrOff)) +
          TelnetCodec::ComPortRequest(kSetControl, Byte(kControlRtsOff)) +
          TelnetCodec::ComPortRequest(kPurgeData, Byte(kPurgeBothDirections)));

  struct Setting {
    uint8_t request;
    uint32_t value;
    size_t width;  // bytes of the value
    OpenFailure::Setting what;
    bool confirmed;
  } settings[] = {
      {kSetBaudRate, kBaudRate, 4, OpenFailure::Setting::BaudRate, false},
      {kSetDataSize, kDataBits, 1, OpenFailure::Setting::DataBits, false},
      {kSetParity, kParityNone, 1, OpenFailure::Setting::Parity, false},
      {kSetStopSize, kStopBitsOne, 1, OpenFailure::Setting::StopBits, false},
      {kSetControl, kControlNoFlowControl, 1, OpenFailure::Setting::FlowControl, false},
  };
  if (!agreed) return OpenResult::Ok;
  for (;;) {
    for (const ComPortReply& reply : telnet_->TakeComPortReplies()) {
      for (Setting& s : settings) {
        if (s.request != reply.request || s.confirmed) continue;
        // The other control requests (modem lines, inbound flow) are answered alike.
        if (s.request == kSetControl && reply.Number(s.width) != s.value) continue;
        if (reply.Number(s.width) != s.value) {
          failure_ = Failure(Kind::SettingRefused, portName, {}, s.value);
          failure_.setting = s.what;
          failure_.answered = reply.Number(s.width);
          failure_.detail = HexBytes(reply.value);
          return OpenResult::CannotConfigure;
        }
        s.confirmed = true;
      }
    }
    if (std::all_of(std::begin(settings), std::end(settings), [](const Setting& s) { return s.confirmed; })) break;
    if (flooded(Kind::FloodedBeforeConfirmation)) return OpenResult::CannotConfigure;
    if (wait != Wait::Ready) {
      failure_ = waitFailure(wait, Kind::NoConfirmationInTime);
      return OpenResult::CannotConfigure;
    }
    wait = WaitSlice(deadline);
  }
  return OpenResult::Ok;
}

bool NetTransport::IsOpen() const { return socket_ && socket_->state() == QAbstractSocket::ConnectedState; }

NetTransport::Wait NetTransport::WaitSlice(int64_t deadlineMs) {
  if (interrupted_) return Wait::Cancelled;
  const int64_t left = deadlineMs - clock_.NowMs();
  if (left <= 0) return Wait::TimedOut;
  if (socket_->bytesAvailable() == 0)
    socket_->waitForReadyRead(static_cast<int>(std::min<int64_t>(left, kWaitSliceMs)));
  TakeArrived();
  return IsOpen() ? Wait::Ready : Wait::Closed;
}

void NetTransport::TakeArrived() {
  if (pendingPos_ >= pending_.size()) {
    pending_.clear();
    pendingPos_ = 0;
  }
  if (!socket_->isOpen()) return;
  const QByteArray bytes = socket_->readAll();
  if (bytes.isEmpty()) return;
  // A server that passes the board's bytes on one by one (ser2net without its character
  // delay) holds each back until the one before is acknowledged; a delayed acknowledgement
  // would cost up to 40 ms a byte. The kernel falls back to delaying, so this is renewed.
  platform::AcknowledgeAtOnce(socket_->socketDescriptor());
  const std::string_view view(bytes.constData(), static_cast<size_t>(bytes.size()));
  if (!telnet_) {
    pending_.append(view);
    return;
  }
  std::string answer;
  telnet_->Receive(view, pending_, answer);
  if (!answer.empty()) SendNow(answer);
}

void NetTransport::SendNow(std::string_view wire) {
  if (!IsOpen() || wire.empty()) return;
  socket_->write(wire.data(), static_cast<qint64>(wire.size()));
  const int64_t deadline = clock_.NowMs() + kWriteTimeoutMs;
  while (socket_->bytesToWrite() > 0 && IsOpen()) {
    const int64_t left = deadline - clock_.NowMs();
    if (left <= 0) break;
    socket_->waitForBytesWritten(static_cast<int>(std::min<int64_t>(left, kWaitSliceMs)));
  }
}

void NetTransport::Purge() {
  if (!IsOpen()) return;
  if (telnet_) SendNow(TelnetCodec::ComPortRequest(telnet::kPurgeData, Byte(telnet::kPurgeBothDirections)));
  // Whatever has reached this side is stale too; it still passes the Telnet reader, whose
  // state must follow the stream.
  if (socket_->bytesAvailable() == 0) socket_->waitForReadyRead(0);
  TakeArrived();
  purged_ = pending_.substr(pendingPos_, kMaxPurgedBytes);
  pending_.clear();
  pendingPos_ = 0;
}

void NetTransport::Write(std::string_view bytes) {
  if (!IsOpen() || bytes.empty()) return;
  SendNow(telnet_ ? telnet_->Encode(bytes) : std::string(bytes));
}

Transport::ReadResult NetTransport::ReadByte(char& byte, int timeoutMs) {
  if (!socket_) return ReadResult::Failed;
  const int64_t deadline = clock_.NowMs() + std::max(timeoutMs, 0);
  for (;;) {
    if (pendingPos_ < pending_.size()) {
      byte = pending_[pendingPos_++];
      return ReadResult::Byte;
    }
    TakeArrived();
    if (pendingPos_ < pending_.size()) continue;
    if (!IsOpen()) return ReadResult::Failed;
    switch (WaitSlice(deadline)) {
      case Wait::Ready:
      case Wait::Closed:  // what arrived before the end is still read
        break;
      case Wait::TimedOut:
      case Wait::Cancelled:
        return ReadResult::TimedOut;
    }
  }
}

void NetTransport::Close() {
  if (socket_) socket_->abort();
  socket_.reset();
  telnet_.reset();
  pending_.clear();
  pendingPos_ = 0;
  purged_.clear();
}

}  // namespace korvane::link
