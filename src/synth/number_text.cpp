// Locale-independent reading and writing of numbers as the board and the window use them.
#include "synth/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <system_error>

namespace korvane {

namespace {

size_t SkipBlanks(std::string_view text, size_t pos) {
  while (pos < text.size() && IsBlank(text[pos])) ++pos;
  return pos;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// std::from_chars reports both overflow and underflow as out of range. A tiny value reads as
// zero (strtod gives 0 or a denormal there); only a huge one is no number. Which of the two
// it is follows from the decimal order of the first significant digit, mantissa and exponent
// together: "1000...000e-5" with four hundred zeros is huge despite its negative exponent.
bool IsUnderflow(std::string_view matched) {
  const size_t e = matched.find_first_of("eE");
  const std::string_view mantissa = matched.substr(0, e);
  const size_t first = mantissa.find_first_of("123456789");
  if (first == std::string_view::npos) return true;  // all zeros
  size_t point = mantissa.find('.');
  if (point == std::string_view::npos) point = mantissa.size();
  long long order = first < point ? static_cast<long long>(point - first - 1) : -static_cast<long long>(first - point);
  if (e != std::string_view::npos) {
    size_t pos = e + 1;
    const bool negative = pos < matched.size() && matched[pos] == '-';
    if (pos < matched.size() && (matched[pos] == '+' || matched[pos] == '-')) ++pos;
    // Saturated far beyond any double's range, so that no count of digits overflows it.
    long long exponent = 0;
    for (; pos < matched.size(); ++pos) exponent = std::min(exponent * 10 + (matched[pos] - '0'), 1000000000LL);
    order += negative ? -exponent : exponent;
  }
  return order < 0;
}

size_t SkipDigits(std::string_view text, size_t pos) {
  while (pos < text.size() && IsDigit(text[pos])) ++pos;
  return pos;
}

// The value of a number the grammar has matched (sign, digits, point, exponent; no blanks).
std::optional<double> Convert(std::string_view matched) {
  bool negative = false;
  if (!matched.empty() && (matched[0] == '+' || matched[0] == '-')) {
    negative = matched[0] == '-';
    matched.remove_prefix(1);
  }
  double value = 0.0;
  auto [ptr, ec] = std::from_chars(matched.data(), matched.data() + matched.size(), value, std::chars_format::general);
  if (ec == std::errc::result_out_of_range) {
    if (!IsUnderflow(std::string_view(matched.data(), static_cast<size_t>(ptr - matched.data())))) {
      return std::nullopt;
    }
    value = 0.0;
  } else if (ec != std::errc()) {
    return std::nullopt;
  }
  if (!std::isfinite(value)) return std::nullopt;
  return negative ? -value : value;
}

}  // namespace

size_t ScanNumber(std::string_view text, NumberUse use) {
  size_t pos = 0;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) ++pos;
  const size_t intEnd = SkipDigits(text, pos);
  size_t digits = intEnd - pos;
  pos = intEnd;
  if (pos < text.size() && text[pos] == '.') {
    const size_t fracEnd = SkipDigits(text, pos + 1);
    digits += fracEnd - pos - 1;
    pos = fracEnd;
  }
  if (digits == 0) return 0;
  if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
    size_t exp = pos + 1;
    if (use == NumberUse::Scpi) {
      while (exp < text.size() && IsScpiWhiteSpace(text[exp])) ++exp;
    }
    if (exp < text.size() && (text[exp] == '+' || text[exp] == '-')) ++exp;
    const size_t expEnd = SkipDigits(text, exp);
    if (expEnd > exp) {
      pos = expEnd;
    } else if (use != NumberUse::Stored) {
      // "1e" is a broken number, not a number followed by an "e".
      return 0;
    }
  }
  return pos;
}

std::optional<double> ReadNumber(std::string_view text, NumberUse use) {
  switch (use) {
    case NumberUse::Stored: {
      text = text.substr(SkipBlanks(text, 0));
      const size_t length = ScanNumber(text, use);
      if (length == 0) return std::nullopt;
      return Convert(text.substr(0, length));
    }
    case NumberUse::Argument: {
      text = text.substr(SkipBlanks(text, 0));
      const size_t length = ScanNumber(text, use);
      if (length == 0 || SkipBlanks(text, length) != text.size()) return std::nullopt;
      return Convert(text.substr(0, length));
    }
    case NumberUse::Typed:
      return ReadNumber(DecimalCommaAsPoint(text), NumberUse::Argument);
    case NumberUse::Scpi: {
      const size_t length = ScanNumber(text, use);
      if (length == 0) return std::nullopt;
      std::string matched;
      for (char c : text.substr(0, length)) {
        if (!IsScpiWhiteSpace(c)) matched.push_back(c);
      }
      return Convert(matched);
    }
  }
  return std::nullopt;
}

std::string DecimalCommaAsPoint(std::string_view text) {
  std::string copy(text);
  const size_t comma = copy.find(',');
  if (comma != std::string::npos && copy.find(',', comma + 1) == std::string::npos &&
      copy.find('.') == std::string::npos) {
    copy[comma] = '.';
  }
  return copy;
}

std::optional<uint64_t> ReadDigits(std::string_view text, uint64_t max) {
  if (text.empty()) return std::nullopt;
  uint64_t value = 0;
  for (char c : text) {
    if (!IsDigit(c)) return std::nullopt;
    const uint64_t digit = static_cast<uint64_t>(c - '0');
    if (value > max / 10 || digit > max - value * 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

std::optional<int32_t> ReadLeadingInt(std::string_view text, size_t* consumed) {
  size_t pos = 0;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
  if (pos >= text.size() || !IsDigit(text[pos])) return std::nullopt;
  constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  int64_t value = 0;
  for (; pos < text.size() && IsDigit(text[pos]); ++pos) value = std::min(value * 10 + (text[pos] - '0'), kLimit);
  if (consumed) *consumed = pos;
  if (negative) return static_cast<int32_t>(-value);
  return static_cast<int32_t>(std::min<int64_t>(value, std::numeric_limits<int32_t>::max()));
}

std::string FormatFixed(double value, int precision, int width, bool blankSign) {
  if (precision < 0) precision = 6;  // printf's default for a negative precision
  if (precision > 300) precision = 300;
  std::string text;
  if (std::isnan(value)) {
    text = std::signbit(value) ? "-nan" : "nan";
  } else if (std::isinf(value)) {
    text = value < 0 ? "-inf" : "inf";
  } else {
    // The largest double has 309 integer digits.
    char buffer[320 + 300];
    auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, precision);
    if (ec != std::errc()) return std::string();
    text.assign(buffer, ptr);
  }
  if (blankSign && !text.empty() && text[0] != '-') text.insert(text.begin(), ' ');
  if (width > 0 && text.size() < static_cast<size_t>(width))
    text.insert(0, static_cast<size_t>(width) - text.size(), ' ');
  return text;
}

std::optional<uint32_t> ReadHex(std::string_view text, size_t* consumed, int maxDigits) {
  size_t pos = SkipBlanks(text, 0);
  if (pos + 2 < text.size() && text[pos] == '0' && (text[pos + 1] == 'x' || text[pos + 1] == 'X') &&
      HexDigit(text[pos + 2]) >= 0) {
    pos += 2;
  }
  uint32_t value = 0;
  int digits = 0;
  while (pos < text.size() && (maxDigits <= 0 || digits < maxDigits)) {
    int d = HexDigit(text[pos]);
    if (d < 0) break;
    value = (value << 4) | static_cast<uint32_t>(d);
    ++digits;
    ++pos;
  }
  if (digits == 0) return std::nullopt;
  if (consumed) *consumed = pos;
  return value;
}

int32_t SaturateToInt32(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (value <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);  // truncates toward zero, now in range
}

std::string FormatHex(uint32_t value, int digits) {
  char buffer[16];
  auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, 16);
  (void)ec;
  std::string text(buffer, ptr);
  for (char& c : text) {
    if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
  }
  if (digits > 0 && text.size() < static_cast<size_t>(digits))
    text.insert(0, static_cast<size_t>(digits) - text.size(), '0');
  return text;
}

}  // namespace korvane
