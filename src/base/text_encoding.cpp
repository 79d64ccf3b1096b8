#include "base/text_encoding.h"

#include <cstdint>
#include <optional>

namespace korvane::text {

namespace {

// Length of the valid UTF-8 sequence starting at text[pos], or 0 when there is none.
size_t SequenceLength(std::string_view text, size_t pos) {
  auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
  uint8_t lead = byte(pos);
  if (lead < 0x80) return 1;
  size_t length;
  uint32_t codePoint;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    codePoint = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    codePoint = lead & 0x0Fu;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    codePoint = lead & 0x07u;
  } else {
    return 0;
  }
  if (pos + length > text.size()) return 0;
  for (size_t i = 1; i < length; ++i) {
    uint8_t next = byte(pos + i);
    if ((next & 0xC0u) != 0x80u) return 0;
    codePoint = (codePoint << 6) | (next & 0x3Fu);
  }
  if (length == 3 && (codePoint < 0x800 || (codePoint >= 0xD800 && codePoint <= 0xDFFF))) return 0;
  if (length == 4 && (codePoint < 0x10000 || codePoint > 0x10FFFF)) return 0;
  return length;
}

// The Latin-1 byte of the valid sequence at text[pos]; nothing for U+0100 and above.
std::optional<char> Latin1Byte(std::string_view text, size_t pos, size_t length) {
  if (length == 1) return text[pos];
  const auto lead = static_cast<uint8_t>(text[pos]);
  if (length > 2 || lead > 0xC3) return std::nullopt;
  return static_cast<char>(((lead & 0x03u) << 6) | (static_cast<uint8_t>(text[pos + 1]) & 0x3Fu));
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
  for (size_t pos = 0; pos < bytes.size();) {
    size_t length = SequenceLength(bytes, pos);
    if (length == 0) return false;
    pos += length;
  }
  return true;
}

std::string FoldLineBreaks(std::string_view text) {
  std::string folded;
  folded.reserve(text.size());
  for (char c : text) {
    if (c == '\r') continue;
    folded.push_back(c == '\n' ? ' ' : c);
  }
  return folded;
}

std::string Latin1ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char c : bytes) {
    auto b = static_cast<uint8_t>(c);
    if (b < 0x80) {
      out.push_back(c);
    } else {
      out.push_back(static_cast<char>(0xC0 | (b >> 6)));
      out.push_back(static_cast<char>(0x80 | (b & 0x3F)));
    }
  }
  return out;
}

std::string DecodeLine(std::string_view bytes) { return IsValidUtf8(bytes) ? std::string(bytes) : Latin1ToUtf8(bytes); }

bool Utf8ToLatin1(std::string_view text, std::string* out) {
  std::string result;
  result.reserve(text.size());
  for (size_t pos = 0; pos < text.size();) {
    const size_t length = SequenceLength(text, pos);
    std::optional<char> byte = length == 0 ? std::nullopt : Latin1Byte(text, pos, length);
    if (!byte) return false;
    result.push_back(*byte);
    pos += length;
  }
  *out = std::move(result);
  return true;
}

std::string Utf8ToLatin1Lossy(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t pos = 0; pos < text.size();) {
    const size_t length = SequenceLength(text, pos);
    if (length == 0) {
      out.push_back('?');
      ++pos;
      continue;
    }
    out.push_back(Latin1Byte(text, pos, length).value_or('?'));
    pos += length;
  }
  return out;
}

std::string TruncateChars(std::string_view text, size_t maxChars) {
  size_t pos = 0;
  for (size_t chars = 0; chars < maxChars && pos < text.size(); ++chars) {
    size_t length = SequenceLength(text, pos);
    pos += length == 0 ? 1 : length;
  }
  return std::string(text.substr(0, pos));
}

}  // namespace korvane::text
