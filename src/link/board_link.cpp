#include "link/board_link.h"

#include <memory>

#include "link/banner_parse.h"
#include "link/demo_board.h"
#include "link/latin1.h"
#include "link/reply_framing.h"
#include "link/serial_transport.h"

namespace korvane::link {

namespace {

constexpr int kOpenAttempts = 3;
constexpr int kDefaultReadTimeoutMs = 2000;

PortState state = PortState::None;
BoardIdentity identity;
int readTimeoutMs = kDefaultReadTimeoutMs;

SerialTransport& Transport() {
  static SerialTransport transport;
  return transport;
}

BoardIdentity DemoIdentity() {
  BoardIdentity demo;
  demo.hwVersion = 3;
  demo.fwMajor = 40;
  demo.fwMinor = 1234;
  demo.fwDateCode = 0x16052019;
  demo.serialWords = {0x11111111, 0x22222222, 0x33333333};
  demo.sSuffix = 1;
  return demo;
}

// Reads the banner that answers "V;": up to the "Ready\n>" prompt, a silent spell of one
// read time-out, a failed read, or the length bound.
std::string ReadBanner() {
  std::string banner;
  for (;;) {
    char byte = 0;
    if (Transport().ReadByte(byte, readTimeoutMs) != SerialTransport::ReadResult::Byte) break;
    if (byte != '\0') banner.push_back(byte);
    if (BannerComplete(banner) || banner.size() >= kMaxBannerBytes) break;
  }
  return banner;
}

[[noreturn]] void LoseConnection() {
  Transport().Close();
  state = PortState::None;
  throw ConnectionLost();
}

}  // namespace

bool OpenPort(const std::string& portName, const std::string& expectedBanner) {
  state = PortState::None;
  // A device still held from an earlier open would lock us out of the same port.
  Transport().Close();

  if (portName == kDemoPortName) {
    identity = DemoIdentity();
    state = PortState::Demo;
    return true;
  }

  const std::string expected = Utf8ToLatin1(expectedBanner);
  for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
    switch (Transport().Open(portName)) {
      case SerialTransport::OpenResult::CannotOpen:
        return false;
      case SerialTransport::OpenResult::CannotConfigure:
        Transport().Close();
        return false;
      case SerialTransport::OpenResult::Ok:
        break;
    }
    Transport().Purge();
    identity.sSuffix = 0;
    identity.hwVersion = 1;
    Transport().Write("V;");
    const std::string banner = ReadBanner();
    if (expected.empty() || banner.find(expected) == std::string::npos) continue;
    ApplyBanner(banner, identity);
    state = PortState::Open;
    return true;
  }
  Transport().Close();
  return false;
}

std::string SendCommand(const std::string& command) {
  const std::string bytes = Utf8ToLatin1(command);
  switch (state) {
    case PortState::None:
      throw ConnectionLost();
    case PortState::Demo:
      return Latin1ToUtf8(GetDemoStore().Answer(bytes));
    case PortState::Open:
      break;
  }
  Transport().Write(bytes);
  ReplyAssembler reply;
  for (;;) {
    char byte = 0;
    if (Transport().ReadByte(byte, readTimeoutMs) != SerialTransport::ReadResult::Byte) LoseConnection();
    switch (reply.Add(byte)) {
      case ReplyAssembler::Status::NeedMore:
        break;
      case ReplyAssembler::Status::Complete:
        return Latin1ToUtf8(FrameReply(reply.Text()));
      case ReplyAssembler::Status::Overflow:
        LoseConnection();
    }
  }
}

void WriteRaw(std::string_view command) {
  if (state == PortState::Open) Transport().Write(Utf8ToLatin1(command));
}

void ClosePort() {
  if (state == PortState::Open) Transport().Close();
  state = PortState::None;
}

PortState GetPortState() { return state; }

const BoardIdentity& GetBoardIdentity() { return identity; }

void SetReadTimeoutMs(int ms) { readTimeoutMs = ms > 0 ? ms : kDefaultReadTimeoutMs; }

int ReadTimeoutMs() { return readTimeoutMs; }

}  // namespace korvane::link
