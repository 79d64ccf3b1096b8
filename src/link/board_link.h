// One connection to a synthesizer board: open, exchange commands, close.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "base/clock.h"
#include "link/protocol.h"
#include "link/transport.h"

namespace korvane::link {

enum class PortState { None, Open };

struct BoardIdentity {
  int32_t hwVersion = 0;
  int32_t fwMajor = 0;
  int32_t fwMinor = 0;
  uint32_t fwDateCode = 0;
  std::array<uint32_t, 3> serialWords{};
  int32_t sSuffix = 0;
  // The version as the banner states it ("v3s.3.07"); empty when the banner carries none.
  std::string versionText;
};

inline constexpr char kConnectionLostText[] = "Connection with device lost!";
inline constexpr int kDefaultReadTimeoutMs = 2000;

// Raised by SendCommand when the board stops answering (or streams an endless reply).
// The link is None by the time it is thrown.
class ConnectionLost : public std::runtime_error {
 public:
  ConnectionLost() : std::runtime_error(kConnectionLostText) {}
};

class BoardLink {
 public:
  // The factory makes the transport for each port name (WithDemoBoard adds the demo board).
  explicit BoardLink(Clock& clock, TransportFactory factory = MakeTransport);
  ~BoardLink();
  BoardLink(const BoardLink&) = delete;
  BoardLink& operator=(const BoardLink&) = delete;

  // Texts are UTF-8 inside the program and Latin-1 on the wire. Three handshakes ("V;") at most,
  // each waiting one read time-out for a banner that contains expectedBanner.
  bool OpenPort(const std::string& portName, const std::string& expectedBanner);
  // Why the last OpenPort failed: why the port could not be opened, or who answered (nobody, the
  // bootloader, a server that closed); None after a success.
  const link::OpenFailure& OpenFailure() const { return openFailure_; }
  // What the transport's last successful open warned of; None when nothing.
  const link::OpenFailure& OpenWarning() const { return transport_->OpenWarning(); }
  // The last OpenPort for the firmware found the board's bootloader instead.
  bool FoundBootloader() const { return foundBootloader_; }
  // Raises ConnectionLost also when no link is open: there is nobody to answer.
  // SendCommand for a query a board may leave unanswered: input waiting from before is dropped, and
  // when no reply comes in time the link stays open, the late bytes are dropped and nullopt is
  // returned. A failed port is lost as with SendCommand.
  std::optional<std::string> TrySendCommand(const std::string& command);
  std::string SendCommand(const std::string& command);
  // Writes bytes straight to an open device without reading a reply; nothing when none is open.
  void WriteRaw(std::string_view command);
  void ClosePort();

  PortState GetPortState() const { return state_; }
  const BoardIdentity& GetBoardIdentity() const { return identity_; }

  // Per-byte read deadline; kDefaultReadTimeoutMs unless a test shortens it.
  void SetReadTimeoutMs(int ms) { readTimeoutMs_ = ms > 0 ? ms : kDefaultReadTimeoutMs; }
  int ReadTimeoutMs() const { return readTimeoutMs_; }

  // Ends a running open at once (no further handshakes) and makes waits give up, until
  // ClearInterrupt. Safe to call from another thread while this one exchanges: a request
  // cancelled before its open began still finds the flag set.
  void Interrupt();
  void ClearInterrupt();

  Clock& clock() { return clock_; }

 private:
  // closed: set when the banner ended because the port went away.
  std::string ReadBanner(bool* closed = nullptr);
  void ReplaceTransport(std::unique_ptr<Transport> transport);
  [[noreturn]] void LoseConnection();

  Clock& clock_;
  TransportFactory factory_;
  std::unique_ptr<Transport> transport_;
  PortState state_ = PortState::None;
  BoardIdentity identity_;
  int readTimeoutMs_ = kDefaultReadTimeoutMs;
  std::mutex transportMutex_;
  std::atomic<bool> interrupted_{false};
  link::OpenFailure openFailure_;
  std::string portName_;  // the port opened last, for the wire log
  bool foundBootloader_ = false;
};

}  // namespace korvane::link
