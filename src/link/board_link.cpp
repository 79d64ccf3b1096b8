#include "link/board_link.h"

#include "base/text_encoding.h"
#include "link/banner_parse.h"
#include "link/demo_board.h"
#include "link/net_port_name.h"
#include "link/net_transport.h"
#include "link/reply_framing.h"
#include "link/serial_transport.h"
#include "link/server_text.h"
#include "link/wire_log.h"

namespace korvane::link {

namespace {
constexpr int kOpenAttempts = 3;
// A server that closed the connection during set-up is given this long before the next try.
constexpr int kRetryPauseMs = 500;
using Kind = OpenFailure::Kind;
}  // namespace

std::unique_ptr<Transport> MakeTransport(const std::string& portName, Clock& clock) {
  if (IsNetworkPortName(portName)) return std::make_unique<NetTransport>(clock);
  return std::make_unique<SerialTransport>(clock);
}

BoardLink::BoardLink(Clock& clock, TransportFactory factory) : clock_(clock), factory_(std::move(factory)) {}

BoardLink::~BoardLink() { ClosePort(); }

// Reads the banner that answers "V;": up to the "Ready\n>" prompt, a silent spell of one
// read time-out, a failed read, or the length bound.
std::string BoardLink::ReadBanner(bool* closed) {
  std::string banner;
  for (;;) {
    char byte = 0;
    const Transport::ReadResult read = transport_->ReadByte(byte, readTimeoutMs_);
    if (read != Transport::ReadResult::Byte) {
      if (closed) *closed = read == Transport::ReadResult::Failed;
      break;
    }
    if (byte != '\0') banner.push_back(byte);
    if (BannerComplete(banner) || banner.size() >= kMaxBannerBytes) break;
  }
  return banner;
}

void BoardLink::LoseConnection() {
  if (transport_) transport_->Close();
  state_ = PortState::None;
  throw ConnectionLost();
}

void BoardLink::ReplaceTransport(std::unique_ptr<Transport> transport) {
  const std::lock_guard<std::mutex> lock(transportMutex_);
  transport_ = std::move(transport);
}

void BoardLink::Interrupt() {
  // May come from another thread than the one exchanging: the transport is only replaced
  // under the same lock.
  const std::lock_guard<std::mutex> lock(transportMutex_);
  interrupted_ = true;
  if (transport_) transport_->Interrupt();
}

void BoardLink::ClearInterrupt() { interrupted_ = false; }

bool BoardLink::OpenPort(const std::string& portName, const std::string& expectedBanner) {
  state_ = PortState::None;
  openFailure_ = {};
  foundBootloader_ = false;
  // A device still held from an earlier open would lock us out of the same port.
  if (transport_) transport_->Close();
  ReplaceTransport(nullptr);

  ReplaceTransport(factory_(portName, clock_));
  portName_ = portName;
  const std::string expected = text::Utf8ToLatin1Lossy(expectedBanner);
  // The first reason that tells what went wrong is reported, not what later tries ran into (a
  // server that refuses once the board has been switched over); a server that only closed is
  // no such reason while a later try says more.
  link::OpenFailure telling;
  link::OpenFailure last(Kind::NoAnswer, portName);
  const auto note = [&](const link::OpenFailure& reason, bool tells) {
    last = reason;
    if (tells && !telling) telling = reason;
  };
  bool pause = false;
  for (int attempt = 0; attempt < kOpenAttempts && !interrupted_; ++attempt) {
    if (pause) clock_.SleepMs(kRetryPauseMs);
    pause = false;
    switch (transport_->Open(portName)) {
      case Transport::OpenResult::CannotOpen:
      case Transport::OpenResult::CannotConfigure: {
        const link::OpenFailure reason = transport_->FailureReason();
        transport_->Close();
        if (transport_->FailureMayPass() && !interrupted_) {
          // What the server said before it closed tells; a bare close does not.
          note(reason, !reason.detail.empty());
          pause = true;
          continue;
        }
        openFailure_ = telling ? telling : reason;
        return false;
      }
      case Transport::OpenResult::Ok:
        break;
    }
    if (interrupted_) transport_->Interrupt();
    transport_->Purge();
    identity_.sSuffix = 0;
    identity_.hwVersion = 1;
    identity_.versionText.clear();
    transport_->Write(kIdentifyCommand);
    LogWire(portName_, true, kIdentifyCommand);
    bool closed = false;
    const std::string banner = ReadBanner(&closed);
    LogWire(portName_, false, banner);
    // A banner cut short by an interrupt says nothing sure about the board.
    if (interrupted_) break;
    if (FindBannerLine(banner, expected) != std::string::npos) {
      ApplyBanner(banner, identity_);
      state_ = PortState::Open;
      openFailure_ = {};
      return true;
    }
    if (closed && IsNetworkPortName(portName)) {
      // A raw server that says why and closes (ser2net: "Port's device already in use").
      const std::string said = ServerText(transport_->Purged() + banner);
      note({Kind::ClosedBeforeAnswer, portName, said}, !said.empty());
      pause = true;
    } else if (expectedBanner == kFirmwareBanner && banner.find(kBootloaderBanner) != std::string::npos) {
      // An update that did not finish leaves the board in its bootloader, waiting for an image.
      foundBootloader_ = true;
      note({Kind::InBootloader, portName}, true);
      break;
    } else {
      // After a set-up the server did not agree to, its warning says more than the silence.
      link::OpenFailure silent = transport_->OpenWarning();
      silent.kind = silent ? Kind::NoAnswerUnconfirmedLine : Kind::NoAnswer;
      silent.port = portName;
      note(silent, true);
    }
  }
  openFailure_ = telling ? telling : last;
  transport_->Close();
  return false;
}

std::string BoardLink::SendCommand(const std::string& command) {
  const std::string bytes = text::Utf8ToLatin1Lossy(command);
  if (state_ != PortState::Open) throw ConnectionLost();
  transport_->Write(bytes);
  LogWire(portName_, true, bytes);
  ReplyAssembler reply;
  for (;;) {
    char byte = 0;
    if (transport_->ReadByte(byte, readTimeoutMs_) != Transport::ReadResult::Byte) {
      LogWire(portName_, false, reply.Text() + " (no more bytes)");
      LoseConnection();
    }
    switch (reply.Add(byte)) {
      case ReplyAssembler::Status::NeedMore:
        break;
      case ReplyAssembler::Status::Complete:
        LogWire(portName_, false, reply.Text());
        return text::Latin1ToUtf8(FrameReply(reply.Text()));
      case ReplyAssembler::Status::Overflow:
        LogWire(portName_, false, reply.Text() + " (too long)");
        LoseConnection();
    }
  }
}

std::optional<std::string> BoardLink::TrySendCommand(const std::string& command) {
  if (state_ != PortState::Open) throw ConnectionLost();
  transport_->Purge();
  transport_->Write(text::Utf8ToLatin1Lossy(command));
  ReplyAssembler reply;
  for (;;) {
    char byte = 0;
    switch (transport_->ReadByte(byte, readTimeoutMs_)) {
      case Transport::ReadResult::Byte:
        break;
      case Transport::ReadResult::TimedOut:
        transport_->Purge();
        return std::nullopt;
      case Transport::ReadResult::Failed:
        LoseConnection();
    }
    switch (reply.Add(byte)) {
      case ReplyAssembler::Status::NeedMore:
        break;
      case ReplyAssembler::Status::Complete:
        return text::Latin1ToUtf8(FrameReply(reply.Text()));
      case ReplyAssembler::Status::Overflow:
        LoseConnection();
    }
  }
}

void BoardLink::WriteRaw(std::string_view command) {
  if (state_ != PortState::Open) return;
  const std::string bytes = text::Utf8ToLatin1Lossy(command);
  transport_->Write(bytes);
  LogWire(portName_, true, bytes);
}

void BoardLink::ClosePort() {
  if (transport_) transport_->Close();
  state_ = PortState::None;
}

}  // namespace korvane::link
