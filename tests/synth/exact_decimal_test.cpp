// Typed numbers read exactly, and refused exactly where ReadDouble refuses them.
#include "synth/exact_decimal.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "synth/number_text.h"

namespace korvane {
namespace {

TEST(ReadExactDecimal, KeepsEveryTypedDigit) {
  struct Case {
    const char* text;
    std::optional<ExactDecimal> value;  // {negative, digits, exponent, rounded}
  };
  const Case cases[] = {
      {"1296", ExactDecimal{false, 1296, 0, false}},
      {"432.05", ExactDecimal{false, 43205, -2, false}},
      {" \t+10368.100", ExactDecimal{false, 103681, -1, false}},
      {"-3", ExactDecimal{true, 3, 0, false}},
      {"0012.50", ExactDecimal{false, 125, -1, false}},
      {".5", ExactDecimal{false, 5, -1, false}},
      {"5.", ExactDecimal{false, 5, 0, false}},
      {"0.000001", ExactDecimal{false, 1, -6, false}},
      {"2.5E-1x", ExactDecimal{false, 25, -2, false}},
      {"1e", ExactDecimal{false, 1, 0, false}},  // an exponent without digits is trailing text
      {"1.2.3", ExactDecimal{false, 12, -1, false}},
      {"12,5", ExactDecimal{false, 12, 0, false}},  // a decimal comma is trailing text
      {"0.000", ExactDecimal{}},
      {"-0", ExactDecimal{}},  // zero has no sign
      {"1e300", ExactDecimal{false, 1, 300, false}},
      {"1e-400", ExactDecimal{false, 1, -400, false}},                    // ReadDouble reads 0; the exact value is kept
      {"1e-99999999999999", ExactDecimal{false, 1, -1000000000, false}},  // saturated, still tiny
      // 19 significant digits are kept; the rest round half to even.
      {"1234567890123456789", ExactDecimal{false, 1234567890123456789u, 0, false}},
      {"12345678901234567891", ExactDecimal{false, 1234567890123456789u, 1, true}},
      {"12345678901234567895", ExactDecimal{false, 123456789012345679u, 2, true}},
      {"1234567890123456788.5", ExactDecimal{false, 1234567890123456788u, 0, true}},
      {"1234567890123456788.51", ExactDecimal{false, 1234567890123456789u, 0, true}},
      {"99999999999999999999", ExactDecimal{false, 1, 20, true}},
      {"1296.000000000000000000000001", ExactDecimal{false, 1296, 0, true}},
      {"1296.000000000000000000000000", ExactDecimal{false, 1296, 0, false}},
      // What ReadDouble refuses is refused (the random test below holds the two readers together).
      {"abc", std::nullopt},
      {"nan", std::nullopt},
      {"1e400", std::nullopt},
      {"-1e99999999999999", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::optional<ExactDecimal> v = ReadExactDecimal(c.text);
    ASSERT_EQ(v.has_value(), c.value.has_value());
    if (v) {
      EXPECT_EQ(v->negative, c.value->negative);
      EXPECT_EQ(v->digits, c.value->digits);
      EXPECT_EQ(v->exponent, c.value->exponent);
      EXPECT_EQ(v->rounded, c.value->rounded);
    }
  }
}

// Random texts from the characters a number is made of: both readers must agree on which are numbers, and
// the exact value must round to the double ReadDouble gives.
TEST(ReadExactDecimal, AgreesWithReadDouble) {
  const std::string alphabet = "0123456789.eE+- x9";
  std::mt19937 random(11);
  std::uniform_int_distribution<size_t> length(0, 24), pick(0, alphabet.size() - 1);
  int numbers = 0;
  for (int i = 0; i < 200000; ++i) {
    std::string text;
    for (size_t n = length(random); n > 0; --n) text.push_back(alphabet[pick(random)]);
    std::optional<double> d = ReadDouble(text);
    std::optional<ExactDecimal> e = ReadExactDecimal(text);
    ASSERT_EQ(d.has_value(), e.has_value()) << '"' << text << '"';
    if (!d) continue;
    ++numbers;
    // "-0" and underflow read as zero either way; otherwise the nearest double of the exact value (a value
    // rounded to 19 digits may round once more on its way to a double).
    if (e->digits == 0) {
      ASSERT_EQ(*d, 0.0) << text;
    } else if (*d != 0.0 && !e->rounded) {
      ASSERT_EQ(ToDouble(*e), *d) << '"' << text << '"';
    }
  }
  EXPECT_GT(numbers, 10000);  // the alphabet makes numbers often enough to mean something
}

}  // namespace
}  // namespace korvane
