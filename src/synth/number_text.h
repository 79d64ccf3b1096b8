// Locale-independent reading and writing of numbers as the board and the window use them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvane {

// Reads a decimal number in the manner of "%lf": leading white space skipped, optional sign,
// trailing characters ignored. Non-finite results ("inf", "nan", overflow) read as no number.
std::optional<double> ReadDouble(std::string_view text);

// Reads a decimal number that is the whole text, as a command line wants it: blanks around
// it, an optional sign, digits with at most one '.', an optional exponent ("1e-3"), and
// nothing else. "10MHz", "1e", "1,5", "0x10", "inf", "nan", an empty text and a value too
// large for a double are no number; one too small to hold reads as zero, as in ReadDouble.
std::optional<double> ReadNumberStrict(std::string_view text);

// The window's number fields take a decimal comma for the point: the text with its one comma
// made a point when it has no point; otherwise the text as it is. Files and the wire always
// carry the point.
std::string DecimalCommaAsPoint(std::string_view text);
// ReadNumberStrict of DecimalCommaAsPoint: a number the user typed into the window.
std::optional<double> ReadTypedNumber(std::string_view text);

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
