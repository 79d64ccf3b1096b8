#include "link/board_link.h"

#include "link/banner_parse.h"
#include "config/text_encoding.h"
#include "link/net_port_name.h"
#include "link/net_transport.h"
#include "link/reply_framing.h"
#include "link/serial_transport.h"

namespace korvane::link {

namespace {
constexpr int kOpenAttempts = 3;
constexpr char kNoAnswer[] = "The port opened, but no board answered with the expected banner.";
}  // namespace

std::unique_ptr<Transport> MakeTransport(const std::string& portName, Clock& clock) {
  if (IsNetworkPortName(portName)) return std::make_unique<NetTransport>(clock);
  return std::make_unique<SerialTransport>(clock);
}

BoardLink::BoardLink(Clock& clock, TransportFactory factory) : clock_(clock), factory_(std::move(factory)) {}

BoardLink::~BoardLink() { ClosePort(); }

// Reads the banner that answers "V;": up to the "Ready\n>" prompt, a silent spell of one
// read time-out, a failed read, or the length bound.
std::string BoardLink::ReadBanner() {
  std::string banner;
  for (;;) {
    char byte = 0;
    if (transport_->ReadByte(byte, readTimeoutMs_) != Transport::ReadResult::Byte) break;
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
  openFailure_.clear();
  // A device still held from an earlier open would lock us out of the same port.
  if (transport_) transport_->Close();
  ReplaceTransport(nullptr);

  ReplaceTransport(factory_(portName, clock_));
  const std::string expected = config::Utf8ToLatin1Lossy(expectedBanner);
  openFailure_ = kNoAnswer;
  for (int attempt = 0; attempt < kOpenAttempts && !interrupted_; ++attempt) {
    switch (transport_->Open(portName)) {
      case Transport::OpenResult::CannotOpen:
      case Transport::OpenResult::CannotConfigure:
        openFailure_ = transport_->FailureReason();
        transport_->Close();
        return false;
      case Transport::OpenResult::Ok:
        break;
    }
    if (interrupted_) transport_->Interrupt();
    transport_->Purge();
    identity_.sSuffix = 0;
    identity_.hwVersion = 1;
    transport_->Write(kIdentifyCommand);
    const std::string banner = ReadBanner();
    if (expected.empty() || banner.find(expected) == std::string::npos) continue;
    ApplyBanner(banner, identity_);
    state_ = PortState::Open;
    openFailure_.clear();
    return true;
  }
  transport_->Close();
  return false;
}

std::string BoardLink::SendCommand(const std::string& command) {
  const std::string bytes = config::Utf8ToLatin1Lossy(command);
  if (state_ != PortState::Open) throw ConnectionLost();
  transport_->Write(bytes);
  ReplyAssembler reply;
  for (;;) {
    char byte = 0;
    if (transport_->ReadByte(byte, readTimeoutMs_) != Transport::ReadResult::Byte) LoseConnection();
    switch (reply.Add(byte)) {
      case ReplyAssembler::Status::NeedMore:
        break;
      case ReplyAssembler::Status::Complete:
        return config::Latin1ToUtf8(FrameReply(reply.Text()));
      case ReplyAssembler::Status::Overflow:
        LoseConnection();
    }
  }
}

void BoardLink::WriteRaw(std::string_view command) {
  if (state_ == PortState::Open) transport_->Write(config::Utf8ToLatin1Lossy(command));
}

void BoardLink::ClosePort() {
  if (transport_) transport_->Close();
  state_ = PortState::None;
}

}  // namespace korvane::link
