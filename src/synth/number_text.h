// Locale-independent reading and writing of numbers as the board and the window use them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvane {

// The characters numbers are written with, for every reader of the program.
constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }
// The white space "%lf", "%d" and "%X" skip in the C locale.
constexpr bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// SCPI's white space: every character up to a blank but the line's end, as in the message
// exchange rules (more than the blanks a number skips elsewhere).
constexpr bool IsScpiWhiteSpace(char c) { return (c >= 0 && c <= 32 && c != '\n') || c == 127; }

// The program's one grammar of decimal numbers: an optional sign, digits with at most one '.'
// (one digit at least), and an optional exponent: 'e' or 'E', an optional sign, digits. Each
// place that reads numbers is one of these uses, which differ only around that grammar.
// "inf", "nan", "0x10" and a value too large for a double are no number in every use; one too
// small to hold reads as zero.
enum class NumberUse {
  Stored,    // files and board replies, as "%lf" reads them: leading blanks skipped, anything
             // after the number ignored (an 'e' without digits too)
  Argument,  // a command line's: the number is the whole text, with blanks around it at most
  Typed,     // typed by a person into the window: as Argument, with a decimal comma for the point
  Scpi,      // a SCPI parameter's, at the front of the text: blanks may stand between the 'E' and
             // its exponent, and an 'E' without digits makes no number
};

// The characters of the number at the very front of text as `use` reads it (no blanks skipped
// before it, none after it counted); 0 when none is there.
size_t ScanNumber(std::string_view text, NumberUse use);
// The number the text holds as `use` reads it.
std::optional<double> ReadNumber(std::string_view text, NumberUse use);

// The uses by their names.
inline std::optional<double> ReadDouble(std::string_view text) { return ReadNumber(text, NumberUse::Stored); }
inline std::optional<double> ReadNumberStrict(std::string_view text) { return ReadNumber(text, NumberUse::Argument); }
inline std::optional<double> ReadTypedNumber(std::string_view text) { return ReadNumber(text, NumberUse::Typed); }

// The window's number fields take a decimal comma for the point: the text with its one comma
// made a point when it has no point; otherwise the text as it is. Files and the wire always
// carry the point.
std::string DecimalCommaAsPoint(std::string_view text);

// Whole numbers written in decimal digits and nothing else (no sign, no blanks): counts, port
// numbers, field values. nullopt for an empty text, any other character, and a value above max.
std::optional<uint64_t> ReadDigits(std::string_view text, uint64_t max);
// "%d" as files and board banners are read, at the front of the text (no blanks skipped): an
// optional sign, digits up to the first other character; values beyond 32 bits saturate. nullopt
// without a digit. Sets *consumed to the characters used.
std::optional<int32_t> ReadLeadingInt(std::string_view text, size_t* consumed = nullptr);

// printf "%<width>.<precision>f", with the ' ' flag when blankSign is set; never localised.
std::string FormatFixed(double value, int precision, int width = 0, bool blankSign = false);

// Reads a hexadecimal number in the manner of "%X": leading white space skipped, optional
// "0x", digits up to the first non-digit; at most maxDigits digits when maxDigits > 0.
// Sets *consumed to the characters used. Values above 32 bits keep the low 32 bits.
std::optional<uint32_t> ReadHex(std::string_view text, size_t* consumed = nullptr, int maxDigits = 0);

// Truncates toward zero and saturates to the int32 range; NaN gives 0.
int32_t SaturateToInt32(double value);

// Upper-case hex with leading zeros to at least `digits` digits ("%0<digits>X").
std::string FormatHex(uint32_t value, int digits);

}  // namespace korvane
