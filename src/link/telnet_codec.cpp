#include "link/telnet_codec.h"

#include <algorithm>

namespace korvane::link {

using namespace telnet;

namespace {

bool WeAccept(uint8_t option) {
  return option == kOptionBinary || option == kOptionSuppressGoAhead || option == kOptionComPort;
}

// Serial-port control is ours to perform, not the server's: it only ever does the other two.
bool ServerMayUse(uint8_t option) { return option == kOptionBinary || option == kOptionSuppressGoAhead; }

void AppendCommand(std::string& out, uint8_t verb, uint8_t option) {
  out.push_back(static_cast<char>(kIac));
  out.push_back(static_cast<char>(verb));
  out.push_back(static_cast<char>(option));
}

}  // namespace

uint32_t ComPortReply::Number(size_t width) const {
  uint32_t number = 0;
  for (char c : std::string_view(value).substr(0, std::min<size_t>(width, 4))) {
    number = (number << 8) | static_cast<uint8_t>(c);
  }
  return number;
}

std::string TelnetCodec::Start() {
  std::string offers;
  for (uint8_t option : {kOptionBinary, kOptionSuppressGoAhead, kOptionComPort}) {
    if (options_[option].local == Side::No) {
      options_[option].local = Side::WantYes;
      AppendCommand(offers, kWill, option);
    }
  }
  for (uint8_t option : {kOptionBinary, kOptionSuppressGoAhead}) {
    if (options_[option].remote == Side::No) {
      options_[option].remote = Side::WantYes;
      AppendCommand(offers, kDo, option);
    }
  }
  started_ = true;
  return offers;
}

void TelnetCodec::Receive(std::string_view bytes, std::string& data, std::string& answer) {
  for (char c : bytes) {
    const auto byte = static_cast<uint8_t>(c);
    switch (state_) {
      case State::Data:
        if (byte == kIac) {
          state_ = State::Command;
        } else {
          Data(byte, data);
        }
        break;
      case State::Command:
        state_ = State::Data;
        if (byte == kIac) {
          Data(byte, data);
        } else if (byte >= kWill) {
          verb_ = byte;
          state_ = State::Option;
        } else if (byte == kSb) {
          state_ = State::SubOption;
        }
        // Everything else (no-op, go-ahead, data mark, a stray end of subnegotiation) carries
        // nothing for a serial line.
        break;
      case State::Option:
        Negotiate(verb_, byte, answer);
        state_ = State::Data;
        break;
      case State::SubOption:
        subOption_ = byte;
        sub_.clear();
        subOverflow_ = false;
        state_ = State::Sub;
        break;
      case State::Sub:
        if (byte == kIac) {
          state_ = State::SubCommand;
        } else {
          SubByte(byte);
        }
        break;
      case State::SubCommand:
        if (byte == kIac) {
          SubByte(byte);
          state_ = State::Sub;
        } else if (byte == kSe) {
          EndSubnegotiation();
          state_ = State::Data;
        } else {
          // A command inside a subnegotiation ends it unfinished; the command itself counts.
          sub_.clear();
          state_ = State::Command;
          Receive(std::string_view(&c, 1), data, answer);
        }
        break;
    }
  }
}

void TelnetCodec::Data(uint8_t byte, std::string& data) {
  // Without binary mode a server sends a lone CR as CR NUL; the NUL is not the board's.
  if (lastWasCr_ && byte == 0 && !BinaryFromServer()) {
    lastWasCr_ = false;
    return;
  }
  lastWasCr_ = byte == '\r';
  data.push_back(static_cast<char>(byte));
}

void TelnetCodec::Negotiate(uint8_t verb, uint8_t option, std::string& answer) {
  Option& o = options_[option];
  const bool local = verb == kDo || verb == kDont;
  Side& side = local ? o.local : o.remote;
  const bool accept = local ? WeAccept(option) : ServerMayUse(option);
  const uint8_t yes = local ? kWill : kDo;
  const uint8_t no = local ? kWont : kDont;

  if (verb == kDo || verb == kWill) {
    if (side == Side::Yes) return;
    if (side == Side::WantYes) {
      side = Side::Yes;  // the answer to our own offer
      return;
    }
    if (!accept) {
      bool& refused = local ? o.refusedLocal : o.refusedRemote;
      if (!refused) AppendCommand(answer, no, option);
      refused = true;
      return;
    }
    if (o.changes >= kMaxOptionChanges) return;
    ++o.changes;
    side = Side::Yes;
    AppendCommand(answer, yes, option);
    return;
  }
  // DONT or WONT: always agreed to; only a change of state is answered.
  if (side == Side::Yes) AppendCommand(answer, no, option);
  side = Side::No;
}

void TelnetCodec::SubByte(uint8_t byte) {
  if (sub_.size() >= kMaxSubnegotiationBytes) {
    subOverflow_ = true;
    return;
  }
  sub_.push_back(static_cast<char>(byte));
}

void TelnetCodec::EndSubnegotiation() {
  if (subOverflow_ || sub_.empty()) return;
  if (subOption_ != kOptionComPort || options_[kOptionComPort].local != Side::Yes) return;
  const auto command = static_cast<uint8_t>(sub_[0]);
  if (command < kReplyOffset || replies_.size() >= kMaxPendingReplies) return;
  replies_.push_back({static_cast<uint8_t>(command - kReplyOffset), sub_.substr(1)});
}

std::string TelnetCodec::Encode(std::string_view data) const {
  std::string out;
  out.reserve(data.size());
  const bool binary = BinaryToServer();
  for (char c : data) {
    out.push_back(c);
    if (static_cast<uint8_t>(c) == kIac) out.push_back(c);
    if (c == '\r' && !binary) out.push_back('\0');
  }
  return out;
}

std::string TelnetCodec::ComPortRequest(uint8_t request, std::string_view value) {
  std::string out = {static_cast<char>(kIac), static_cast<char>(kSb), static_cast<char>(kOptionComPort),
                     static_cast<char>(request)};
  for (char c : value) {
    out.push_back(c);
    if (static_cast<uint8_t>(c) == kIac) out.push_back(c);
  }
  out.push_back(static_cast<char>(kIac));
  out.push_back(static_cast<char>(kSe));
  return out;
}

TelnetCodec::Negotiation TelnetCodec::ComPort() const {
  switch (options_[kOptionComPort].local) {
    case Side::Yes:
      return Negotiation::Agreed;
    case Side::WantYes:
      return Negotiation::Pending;
    case Side::No:
      break;
  }
  return started_ ? Negotiation::Refused : Negotiation::Pending;
}

std::vector<ComPortReply> TelnetCodec::TakeComPortReplies() {
  std::vector<ComPortReply> taken;
  taken.swap(replies_);
  return taken;
}

}  // namespace korvane::link
