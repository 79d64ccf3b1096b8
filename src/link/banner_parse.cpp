#include "link/banner_parse.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "synth/number_text.h"

namespace korvane::link {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A cursor over the scanned text with the conversions that the identity pattern needs.
class Scanner {
 public:
  explicit Scanner(std::string_view text) : text_(text) {}

  void SkipSpace() {
    while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
  }

  bool Literal(char c) {
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }

  // "%d": optional sign and decimal digits; values beyond 32 bits saturate.
  std::optional<int32_t> Decimal() {
    SkipSpace();
    size_t used = 0;
    const std::optional<int32_t> value = ReadLeadingInt(text_.substr(pos_), &used);
    if (value) pos_ += used;
    return value;
  }

  // "%X" or "%<width>X": optional sign, optional "0x", hex digits; the width counts every
  // character taken after the leading white space. Keeps the low 32 bits, negated for "-".
  std::optional<uint32_t> Hex(size_t width = std::numeric_limits<size_t>::max()) {
    SkipSpace();
    size_t p = pos_;
    const size_t end = width > text_.size() - p ? text_.size() : p + width;
    bool negative = false;
    if (p < end && (text_[p] == '+' || text_[p] == '-')) negative = text_[p++] == '-';
    if (p + 2 < end && text_[p] == '0' && (text_[p + 1] == 'x' || text_[p + 1] == 'X') && HexValue(text_[p + 2]) >= 0) {
      p += 2;
    }
    if (p >= end || HexValue(text_[p]) < 0) return std::nullopt;
    uint32_t value = 0;
    for (; p < end && HexValue(text_[p]) >= 0; ++p) value = (value << 4) | static_cast<uint32_t>(HexValue(text_[p]));
    pos_ = p;
    return negative ? 0u - value : value;
  }

 private:
  std::string_view text_;
  size_t pos_ = 0;
};

struct VersionTag {
  std::string_view text;
  int32_t hwVersion;
  int32_t sSuffix;
  bool parse;
};

// Longer than any version a board states; a stream of digits is not shown whole.
constexpr size_t kMaxVersionText = 24;

constexpr VersionTag kTags[] = {
    {"v2.", 2, 0, false}, {"v3.", 3, 0, true}, {"v3s.", 3, 1, true}, {"v4.", 4, 0, true}, {"v4s.", 4, 1, true},
};

}  // namespace

bool BannerComplete(std::string_view banner) {
  constexpr std::string_view kEnd = kBannerEnd;
  return banner.size() >= kEnd.size() && banner.substr(banner.size() - kEnd.size()) == kEnd;
}

size_t FindBannerLine(std::string_view banner, std::string_view expected) {
  if (expected.empty()) return std::string_view::npos;
  for (size_t at = banner.find(expected); at != std::string_view::npos; at = banner.find(expected, at + 1)) {
    size_t before = at;
    while (before > 0 && (banner[before - 1] == ' ' || banner[before - 1] == '\t')) --before;
    if (before > 0 && std::string_view("\r\n>;").find(banner[before - 1]) == std::string_view::npos) continue;
    const size_t end = banner.find_first_of("\r\n", at + expected.size());
    const std::string_view rest = banner.substr(
        at + expected.size(), end == std::string_view::npos ? std::string_view::npos : end - at - expected.size());
    if (!rest.empty() && rest.front() != ' ') continue;
    bool printable = true;
    for (char c : rest) printable = printable && c >= ' ' && c <= '~';
    if (printable) return at;
  }
  return std::string_view::npos;
}

void ApplyBanner(std::string_view banner, BoardIdentity& identity) {
  for (const VersionTag& tag : kTags) {
    const size_t at = banner.find(tag.text);
    if (at == std::string_view::npos) continue;
    identity.hwVersion = tag.hwVersion;
    if (tag.sSuffix) identity.sSuffix = 1;
    if (!tag.parse) return;
    ScanIdentityFields(banner.substr(at + tag.text.size()), identity);
    // The numbers as written: "3.07" is not "3.7" to the one who reads the board's own label.
    size_t end = at + tag.text.size();
    while (end < banner.size() && end - at < kMaxVersionText &&
           ((banner[end] >= '0' && banner[end] <= '9') || banner[end] == '.')) {
      ++end;
    }
    while (end > at + tag.text.size() && banner[end - 1] == '.') --end;
    if (end > at + tag.text.size()) identity.versionText = std::string(banner.substr(at, end - at));
    return;
  }
}

int ScanIdentityFields(std::string_view text, BoardIdentity& identity) {
  Scanner s(text);
  int stored = 0;
  auto keyword = [&s](std::string_view word) {
    for (char c : word) {
      if (!s.Literal(c)) return false;
    }
    return true;
  };

  auto major = s.Decimal();
  if (!major) return stored;
  identity.fwMajor = *major;
  ++stored;
  if (!s.Literal('.')) return stored;
  auto minor = s.Decimal();
  if (!minor) return stored;
  identity.fwMinor = *minor;
  ++stored;
  s.SkipSpace();
  if (!keyword("from")) return stored;
  auto date = s.Hex();
  if (!date) return stored;
  identity.fwDateCode = *date;
  ++stored;
  if (!s.Literal('.')) return stored;
  s.SkipSpace();
  if (!keyword("S/N")) return stored;
  for (uint32_t& word : identity.serialWords) {
    auto value = s.Hex(8);
    if (!value) return stored;
    word = *value;
    ++stored;
  }
  return stored;
}

}  // namespace korvane::link
