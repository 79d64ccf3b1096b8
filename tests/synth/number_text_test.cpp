// Reading and writing numbers the way the board and the window expect, in any locale.
#include "synth/number_text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <string>

namespace korvane {
namespace {

TEST(ReadDouble, ReadsLikeScanfInTheCLocale) {
  struct Case {
    std::string text;
    std::optional<double> value;
  };
  const std::string zeros(400, '0');
  const Case cases[] = {
      {"10", 10.0},
      {"  \t10.5", 10.5},
      {"+12.25", 12.25},
      {"-3", -3.0},
      {"12abc", 12.0},
      {"12,5", 12.0},  // a decimal comma is trailing text
      {".5", 0.5},
      {"5.", 5.0},
      {"1e3", 1000.0},
      {"1e", 1.0},
      {"2.5E-1x", 0.25},
      {"1e-400", 0.0},  // underflow reads as zero, not as no number
      {"", std::nullopt},
      {"   ", std::nullopt},
      {"abc", std::nullopt},
      {"+", std::nullopt},
      {"+-5", std::nullopt},
      {".", std::nullopt},
      {"inf", std::nullopt},
      {"-infinity", std::nullopt},
      {"nan", std::nullopt},
      {"1e400", std::nullopt},
      {"-1e400", std::nullopt},
      // Out of range by the mantissa's length, against what its exponent's sign says.
      {"1" + zeros + "e-5", std::nullopt},
      {"0." + zeros + "1e+5", 0.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 40));
    std::optional<double> v = ReadDouble(c.text);
    ASSERT_EQ(v.has_value(), c.value.has_value());
    if (v) {
      EXPECT_EQ(*v, *c.value);
    }
  }
}

// What a command line accepts as a number: the whole argument, or nothing.
TEST(ReadNumberStrict, TakesOnlyAWholeDecimalNumber) {
  struct Case {
    const char* text;
    std::optional<double> value;
  };
  const Case cases[] = {
      {"145.2", 145.2},
      {" \t10 ", 10.0},
      {"+12.25", 12.25},
      {"-3", -3.0},
      {".5", 0.5},
      {"5.", 5.0},
      {"1e3", 1000.0},
      {"2.5E-1", 0.25},
      {"1E+2", 100.0},
      {"1e-400", 0.0},
      {"145.2abc", std::nullopt},
      {"10MHz", std::nullopt},
      {"10 MHz", std::nullopt},
      {"1e", std::nullopt},
      {"1e+", std::nullopt},
      {"e5", std::nullopt},
      {"1,5", std::nullopt},
      {"1.2.3", std::nullopt},
      {"0x10", std::nullopt},
      {"", std::nullopt},
      {"  ", std::nullopt},
      {".", std::nullopt},
      {"-", std::nullopt},
      {"+-5", std::nullopt},
      {"- 5", std::nullopt},
      {"inf", std::nullopt},
      {"-infinity", std::nullopt},
      {"nan", std::nullopt},
      {"1e400", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::optional<double> v = ReadNumberStrict(c.text);
    ASSERT_EQ(v.has_value(), c.value.has_value());
    if (v) {
      EXPECT_EQ(*v, *c.value);
    }
  }
  // A NUL inside the argument is trailing text too, not the end of the number.
  EXPECT_FALSE(
      ReadNumberStrict(std::string_view("12\0"
                                        "3",
                                        4)));
}

// Where the uses part: the same texts read as a file, a command line, a person and a SCPI client do.
TEST(NumberUses, EachUseReadsTheOneGrammarItsOwnWay) {
  const std::optional<double> no;
  const struct {
    const char* text;
    std::optional<double> stored, argument, typed, scpi;
  } cases[] = {
      {" 12.5 ", 12.5, 12.5, 12.5, no},  // SCPI trims its parameters before
      {"12.5MHz", 12.5, no, no, 12.5},   // a SCPI suffix is the caller's
      {"1,5", 1.0, no, 1.5, 1.0},       {"1e", 1.0, no, no, no},
      {"2E 3", 2.0, no, no, 2000.0},    {"-1e-3", -0.001, -0.001, -0.001, -0.001},
      {"+-5", no, no, no, no},          {"inf", no, no, no, no},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ReadNumber(c.text, NumberUse::Stored), c.stored);
    EXPECT_EQ(ReadNumber(c.text, NumberUse::Argument), c.argument);
    EXPECT_EQ(ReadNumber(c.text, NumberUse::Typed), c.typed);
    EXPECT_EQ(ReadNumber(c.text, NumberUse::Scpi), c.scpi);
  }
}

TEST(NumberUses, WholeNumbersAreDigitsOrALeadingDecimal) {
  const struct {
    const char* text;
    std::optional<uint64_t> digits;  // up to 65535
    std::optional<int32_t> leading;
  } cases[] = {
      {"65535", 65535, 65535},
      {"65536", std::nullopt, 65536},
      {"007", 7, 7},
      {"+5", std::nullopt, 5},
      {"-12ab", std::nullopt, -12},
      {"", std::nullopt, std::nullopt},
      {" 5", std::nullopt, std::nullopt},
      {"99999999999", std::nullopt, 2147483647},
      {"-99999999999", std::nullopt, -2147483647 - 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ReadDigits(c.text, 65535), c.digits);
    EXPECT_EQ(ReadLeadingInt(c.text), c.leading);
  }
  EXPECT_EQ(ReadDigits("18446744073709551615", UINT64_MAX), UINT64_MAX);
  EXPECT_EQ(ReadDigits("18446744073709551616", UINT64_MAX), std::nullopt);
}

TEST(ReadDouble, StopsAtTheEndOfTheView) {
  std::string text = "12345";
  EXPECT_EQ(ReadDouble(std::string_view(text).substr(0, 2)), 12.0);
}

TEST(FormatFixed, MatchesPrintf) {
  struct Case {
    double value;
    int precision, width;
    bool blank;
    const char* text;
  };
  const Case cases[] = {
      {10.0, 6, 3, true, " 10.000000"},  // "% 3.6lf"
      {-10.0, 6, 3, true, "-10.000000"},
      {144.0, 6, 5, false, "144.000000"},  // "%5.6lf"
      {0.5, 6, 9, false, " 0.500000"},
      {0.9, 1, 3, false, "0.9"},   // "%3.1f"
      {0.25, 1, 0, false, "0.2"},  // printf rounds the exact binary value, half to even
      {0.35, 1, 0, false, "0.3"},  // 0.35 is held just below .35
      {1295.9998779296875, 6, 0, false, "1295.999878"},
      {2.5, 0, 0, false, "2"},
      {-0.0, 2, 0, false, "-0.00"},
      {1e20, 1, 0, false, "100000000000000000000.0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(FormatFixed(c.value, c.precision, c.width, c.blank), c.text);
  }
  EXPECT_EQ(FormatFixed(1e308, 6).size(), 309u + 7u);
  EXPECT_EQ(FormatFixed(std::numeric_limits<double>::infinity(), 6), "inf");
}

TEST(NumberText, IgnoresADecimalCommaLocale) {
  const char* saved = std::setlocale(LC_ALL, nullptr);
  std::string previous = saved ? saved : "C";
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 not installed";
  std::optional<double> v = ReadDouble("10.5");
  std::string text = FormatFixed(10.5, 6);
  std::string blank = FormatFixed(10.0, 6, 3, true);
  std::setlocale(LC_ALL, previous.c_str());
  EXPECT_EQ(v, 10.5);
  EXPECT_EQ(text, "10.500000");
  EXPECT_EQ(blank, " 10.000000");
}

TEST(ReadHex, ReadsLikeScanfX) {
  struct Case {
    const char* text;
    int maxDigits;
    std::optional<uint32_t> value;
    size_t consumed;
  };
  const Case cases[] = {
      {"01033328", 0, 0x01033328u, 8}, {"  ffe8;", 0, 0xFFE8u, 6},       {"0x1F rest", 0, 0x1Fu, 4}, {"0xg", 0, 0u, 1},
      {"1BC0", 2, 0x1Bu, 2},           {"123456789", 0, 0x23456789u, 9},  // low 32 bits kept
      {"", 0, std::nullopt, 0},        {" ;", 0, std::nullopt, 0},       {"g1", 0, std::nullopt, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    size_t consumed = 0;
    std::optional<uint32_t> v = ReadHex(c.text, &consumed, c.maxDigits);
    ASSERT_EQ(v.has_value(), c.value.has_value());
    if (v) {
      EXPECT_EQ(*v, *c.value);
      EXPECT_EQ(consumed, c.consumed);
    }
  }
}

TEST(SaturateToInt32, NeverLeavesTheRange) {
  struct Case {
    double value;
    int32_t result;
  };
  const Case cases[] = {
      {2.9, 2},
      {-2.9, -2},
      {2147483646.5, 2147483646},
      {2147483647.0, 2147483647},
      {3e9, 2147483647},
      {1e300, 2147483647},
      {-2147483648.0, -2147483647 - 1},
      {-1e300, -2147483647 - 1},
      {std::numeric_limits<double>::infinity(), 2147483647},
      {-std::numeric_limits<double>::infinity(), -2147483647 - 1},
      {std::numeric_limits<double>::quiet_NaN(), 0},
  };
  for (const Case& c : cases) EXPECT_EQ(SaturateToInt32(c.value), c.result) << c.value;
}

TEST(FormatHex, PadsAndUpperCases) {
  EXPECT_EQ(FormatHex(0xffe8, 8), "0000FFE8");
  EXPECT_EQ(FormatHex(0, 2), "00");
  EXPECT_EQ(FormatHex(0xDEADBEEF, 4), "DEADBEEF");
  EXPECT_EQ(FormatHex(5, 0), "5");
}

}  // namespace
}  // namespace korvane
