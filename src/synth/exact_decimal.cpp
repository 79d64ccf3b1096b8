// Decimal numbers held exactly as they were typed, so that the exact solver never sees a binary rounding.
#include "synth/exact_decimal.h"

#include <charconv>
#include <limits>
#include <system_error>

#include "synth/number_text.h"

namespace korvane {

namespace {

// Far beyond anything a double holds, and far from overflowing the int64 sums below.
constexpr int64_t kExponentLimit = 1000000000;

int64_t Saturate(int64_t value) {
  if (value > kExponentLimit) return kExponentLimit;
  if (value < -kExponentLimit) return -kExponentLimit;
  return value;
}

// Reads "e[+-]digits" at pos; an 'e' without digits is trailing text, as for strtod.
int64_t ReadExponent(std::string_view text, size_t pos) {
  if (pos >= text.size() || (text[pos] != 'e' && text[pos] != 'E')) return 0;
  ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  int64_t value = 0;
  for (; pos < text.size() && IsDigit(text[pos]); ++pos) value = Saturate(value * 10 + (text[pos] - '0'));
  return negative ? -value : value;
}

}  // namespace

std::optional<ExactDecimal> ReadExactDecimal(std::string_view text) {
  // ReadDouble decides what is a number (its value is not used): both solvers must refuse the same texts,
  // down to where the double range ends.
  if (!ReadDouble(text)) return std::nullopt;

  size_t pos = 0;
  while (pos < text.size() && IsBlank(text[pos])) ++pos;
  ExactDecimal value;
  if (text[pos] == '+' || text[pos] == '-') value.negative = text[pos++] == '-';

  uint64_t digits = 0;
  int kept = 0;
  int64_t exponent = 0;
  int firstDropped = -1;  // the first digit past the kept ones decides the rounding
  bool droppedMore = false;
  bool point = false;
  for (; pos < text.size(); ++pos) {
    char c = text[pos];
    if (c == '.' && !point) {
      point = true;
      continue;
    }
    if (!IsDigit(c)) break;
    int d = c - '0';
    if (kept == 0 && d == 0) {  // a leading zero only moves the point
      if (point) --exponent;
      continue;
    }
    if (kept < kExactDigits) {
      digits = digits * 10 + static_cast<uint64_t>(d);
      ++kept;
      if (point) --exponent;
    } else {
      if (firstDropped < 0) {
        firstDropped = d;
      } else if (d != 0) {
        droppedMore = true;
      }
      if (!point) ++exponent;
    }
    exponent = Saturate(exponent);
  }
  exponent = Saturate(exponent + ReadExponent(text, pos));

  if (firstDropped >= 0) {
    value.rounded = firstDropped != 0 || droppedMore;
    if (firstDropped > 5 || (firstDropped == 5 && (droppedMore || digits % 2 != 0))) ++digits;
    // 19 nines rounded up: 10^19 still fits in 64 bits and loses its zeros below.
  }
  while (digits != 0 && digits % 10 == 0) {
    digits /= 10;
    exponent = Saturate(exponent + 1);
  }
  if (digits == 0) return ExactDecimal{};
  value.digits = digits;
  value.exponent = static_cast<int32_t>(exponent);
  return value;
}

double ToDouble(const ExactDecimal& value) {
  char buffer[48];
  char* end = std::to_chars(buffer, buffer + 24, value.digits).ptr;
  *end++ = 'e';
  end = std::to_chars(end, buffer + sizeof buffer, value.exponent).ptr;
  double result = 0.0;
  auto [ptr, ec] = std::from_chars(buffer, end, result);
  (void)ptr;
  if (ec == std::errc::result_out_of_range) {
    result = value.exponent < 0 ? 0.0 : std::numeric_limits<double>::max();
  }
  return value.negative ? -result : result;
}

}  // namespace korvane
