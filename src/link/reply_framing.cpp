#include "link/reply_framing.h"

namespace korvane::link {

ReplyAssembler::Status ReplyAssembler::Add(char byte) {
  if (byte == '\0') return Status::NeedMore;
  if (text_.size() >= kMaxReplyBytes) return Status::Overflow;
  text_.push_back(byte);
  return byte == ';' ? Status::Complete : Status::NeedMore;
}

std::string FrameReply(std::string_view raw) {
  const size_t prompt = raw.rfind('>');
  if (prompt == std::string_view::npos) return std::string(raw);
  return std::string(raw.substr(prompt + 1));
}

}  // namespace korvane::link
