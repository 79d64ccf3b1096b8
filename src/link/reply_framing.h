// Cutting a board's reply out of the bytes it sent: zero bytes dropped, prompt removed.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace korvane::link {

// The longest reply accepted. The longest real one is a register set of 57 bytes (or a
// beacon text); a device that streams on without ";" is treated as a lost connection.
inline constexpr size_t kMaxReplyBytes = 4096;

// Collects the bytes of one reply as they arrive.
class ReplyAssembler {
 public:
  enum class Status { NeedMore, Complete, Overflow };

  // Zero bytes are skipped; the reply is complete right after its ";".
  Status Add(char byte);
  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};

// Drops everything up to and including the last ">" (a prompt such as "Ready\n>" or an
// echo in front of the answer). A reply without ">" is returned as it is.
std::string FrameReply(std::string_view raw);

}  // namespace korvane::link
