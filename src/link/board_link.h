// The process's one connection to a synthesizer board: open, exchange commands, close.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace korvane::link {

enum class PortState { None, Demo, Open };

struct BoardIdentity {
  int32_t hwVersion = 0;
  int32_t fwMajor = 0;
  int32_t fwMinor = 0;
  uint32_t fwDateCode = 0;
  std::array<uint32_t, 3> serialWords{};
  int32_t sSuffix = 0;
};

inline constexpr char kDemoPortName[] = "Demo";
inline constexpr char kFirmwareBanner[] = "ADF4350 Controller";
inline constexpr char kBootloaderBanner[] = "STM32F0xx Bootloader";
inline constexpr char kConnectionLostText[] = "Connection with device lost!";

// Raised by SendCommand when the board stops answering (or streams an endless reply).
// The link is None by the time it is thrown.
class ConnectionLost : public std::runtime_error {
 public:
  ConnectionLost() : std::runtime_error(kConnectionLostText) {}
};

// Texts are UTF-8 inside the program and Latin-1 on the wire.
// "Demo" (exactly) selects the built-in demo board; any other name is a serial device.
bool OpenPort(const std::string& portName, const std::string& expectedBanner);
// Raises ConnectionLost also when no link is open: there is nobody to answer.
std::string SendCommand(const std::string& command);
// Writes bytes straight to an open device without reading a reply; nothing on Demo or None.
void WriteRaw(std::string_view command);
void ClosePort();

PortState GetPortState();
const BoardIdentity& GetBoardIdentity();

// Per-byte read deadline; 2000 ms unless a test shortens it.
void SetReadTimeoutMs(int ms);
int ReadTimeoutMs();

}  // namespace korvane::link
