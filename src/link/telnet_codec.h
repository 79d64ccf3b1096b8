// The Telnet stream of a serial port served with serial-port control (ser2net's
// "telnet(rfc2217)"), as its client sees it: data apart from commands, options answered,
// serial-port requests built and their replies collected. Pure: bytes in, bytes out, and
// nothing a server sends can make it grow without bound.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korvane::link {

namespace telnet {

inline constexpr uint8_t kSe = 240;
inline constexpr uint8_t kSb = 250;
inline constexpr uint8_t kWill = 251;
inline constexpr uint8_t kWont = 252;
inline constexpr uint8_t kDo = 253;
inline constexpr uint8_t kDont = 254;
inline constexpr uint8_t kIac = 255;

inline constexpr uint8_t kOptionBinary = 0;
inline constexpr uint8_t kOptionEcho = 1;
inline constexpr uint8_t kOptionSuppressGoAhead = 3;
inline constexpr uint8_t kOptionComPort = 44;

// Serial-port requests from the client; the server answers each with its number plus
// kReplyOffset and the value it applied.
inline constexpr uint8_t kSetBaudRate = 1;
inline constexpr uint8_t kSetDataSize = 2;
inline constexpr uint8_t kSetParity = 3;
inline constexpr uint8_t kSetStopSize = 4;
inline constexpr uint8_t kSetControl = 5;
inline constexpr uint8_t kPurgeData = 12;
inline constexpr uint8_t kReplyOffset = 100;

inline constexpr uint8_t kParityNone = 1;
inline constexpr uint8_t kStopBitsOne = 1;
inline constexpr uint8_t kControlNoFlowControl = 1;
inline constexpr uint8_t kControlDtrOff = 9;
inline constexpr uint8_t kControlRtsOff = 12;
inline constexpr uint8_t kControlInboundNoFlowControl = 14;
inline constexpr uint8_t kPurgeBothDirections = 3;

}  // namespace telnet

// A server's answer to a serial-port request.
struct ComPortReply {
  uint8_t request = 0;  // the request answered (telnet::kSetBaudRate, ...)
  std::string value;    // as sent, Telnet escaping undone
  // The value as a big-endian number of `width` bytes (a baud rate is four, a data size one).
  // Servers that send more (a baud rate in eight bytes) are read from the first ones.
  uint32_t Number(size_t width = 4) const;
  bool operator==(const ComPortReply&) const = default;
};

class TelnetCodec {
 public:
  enum class Negotiation { Pending, Agreed, Refused };

  // A subnegotiation longer than this is dropped whole: serial-port replies are a few bytes.
  static constexpr size_t kMaxSubnegotiationBytes = 256;
  // Replies kept until taken; later ones are dropped.
  static constexpr size_t kMaxPendingReplies = 32;
  // How often the server may switch one option on again after switching it off; beyond
  // that its requests for the option are ignored, so two programs cannot argue for ever.
  static constexpr uint8_t kMaxOptionChanges = 4;

  // What the client offers when the connection opens: binary data and no go-aheads in both
  // directions, and serial-port control from its side.
  std::string Start();

  // Takes bytes from the server, in pieces of any size. Data bytes are appended to `data`;
  // what the server must be answered (option negotiation) to `answer`. The answer is never
  // longer than three bytes per option the server names, however often it names it.
  void Receive(std::string_view bytes, std::string& data, std::string& answer);

  // Data bytes as they go on the wire: 0xFF doubled, and CR followed by NUL while the server
  // has not agreed to binary data.
  std::string Encode(std::string_view data) const;

  // A serial-port request ready to send.
  static std::string ComPortRequest(uint8_t request, std::string_view value);

  // Whether the server let us use serial-port control.
  Negotiation ComPort() const;
  bool BinaryFromServer() const { return options_[telnet::kOptionBinary].remote == Side::Yes; }
  bool BinaryToServer() const { return options_[telnet::kOptionBinary].local == Side::Yes; }

  // Serial-port replies received since the last call, oldest first.
  std::vector<ComPortReply> TakeComPortReplies();

 private:
  enum class State : uint8_t { Data, Command, Option, SubOption, Sub, SubCommand };
  enum class Side : uint8_t { No, WantYes, Yes };
  struct Option {
    Side local = Side::No;   // we perform it (the server sent DO)
    Side remote = Side::No;  // the server performs it (it sent WILL)
    uint8_t changes = 0;
    bool refusedLocal = false;
    bool refusedRemote = false;
  };

  void Negotiate(uint8_t verb, uint8_t option, std::string& answer);
  void Data(uint8_t byte, std::string& data);
  void SubByte(uint8_t byte);
  void EndSubnegotiation();

  State state_ = State::Data;
  uint8_t verb_ = 0;
  bool started_ = false;
  bool lastWasCr_ = false;
  std::array<Option, 256> options_{};
  uint8_t subOption_ = 0;
  bool subOverflow_ = false;
  std::string sub_;
  std::vector<ComPortReply> replies_;
};

}  // namespace korvane::link
