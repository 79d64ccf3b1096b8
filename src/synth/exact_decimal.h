// Decimal numbers held exactly as they were typed, so that the exact solver never sees a binary rounding.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace korvane {

// (negative ? -1 : 1) x digits x 10^exponent. Held normalised: no trailing zeros in digits, and zero is
// digits 0, exponent 0, not negative.
struct ExactDecimal {
  bool negative = false;
  uint64_t digits = 0;  // at most kExactDigits significant digits
  int32_t exponent = 0;
  // The text had more significant digits than are kept; the value is the text rounded half to even
  // at the last kept digit. Nothing a person types comes near it (it is below a nanohertz on any band).
  bool rounded = false;
};

inline constexpr int kExactDigits = 19;

// Reads the text exactly where ReadDouble reads it: a text is a number here exactly when it is one for
// ReadDouble (leading blanks, sign, digits with one '.', an optional exponent, trailing text ignored;
// "inf", "nan" and values beyond the double range are no number), so both solvers agree on what was typed.
// Exponents saturate far outside the double range, so "1e-99999999999" is a tiny number, not an overflow.
std::optional<ExactDecimal> ReadExactDecimal(std::string_view text);

// The nearest double, for display and for errors too large to matter; never infinite.
double ToDouble(const ExactDecimal& value);

}  // namespace korvane
