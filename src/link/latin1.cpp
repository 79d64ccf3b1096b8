#include "link/latin1.h"

#include <cstdint>

namespace korvane::link {

namespace {

// Length of the UTF-8 sequence introduced by lead byte b, 0 when b cannot start one.
int SequenceLength(uint8_t b) {
  if (b < 0x80) return 1;
  if (b >= 0xC2 && b <= 0xDF) return 2;
  if (b >= 0xE0 && b <= 0xEF) return 3;
  if (b >= 0xF0 && b <= 0xF4) return 4;
  return 0;
}

}  // namespace

std::string Utf8ToLatin1(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    const auto lead = static_cast<uint8_t>(utf8[i]);
    const int length = SequenceLength(lead);
    if (length == 1) {
      out.push_back(static_cast<char>(lead));
      ++i;
      continue;
    }
    bool wellFormed = length > 0 && i + length <= utf8.size();
    uint32_t codePoint = length == 2 ? (lead & 0x1Fu) : length == 3 ? (lead & 0x0Fu) : (lead & 0x07u);
    for (int k = 1; wellFormed && k < length; ++k) {
      const auto next = static_cast<uint8_t>(utf8[i + k]);
      if ((next & 0xC0u) != 0x80u) wellFormed = false;
      codePoint = (codePoint << 6) | (next & 0x3Fu);
    }
    if (wellFormed) {
      // Overlong forms and surrogates are malformed, too.
      if ((length == 3 && (codePoint < 0x800 || (codePoint >= 0xD800 && codePoint <= 0xDFFF))) ||
          (length == 4 && (codePoint < 0x10000 || codePoint > 0x10FFFF))) {
        wellFormed = false;
      }
    }
    if (!wellFormed) {
      out.push_back('?');
      ++i;
      continue;
    }
    out.push_back(codePoint <= 0xFF ? static_cast<char>(codePoint) : '?');
    i += length;
  }
  return out;
}

std::string Latin1ToUtf8(std::string_view latin1) {
  std::string out;
  out.reserve(latin1.size());
  for (char c : latin1) {
    const auto b = static_cast<uint8_t>(c);
    if (b < 0x80) {
      out.push_back(c);
    } else {
      out.push_back(static_cast<char>(0xC0 | (b >> 6)));
      out.push_back(static_cast<char>(0x80 | (b & 0x3F)));
    }
  }
  return out;
}

}  // namespace korvane::link
