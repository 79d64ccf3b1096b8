// Byte-level text helpers: UTF-8 checks and Latin-1, for files written on other systems and
// for the board's 8-bit character set.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace korvane::text {

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view bytes);

// Every byte is one Latin-1 character.
std::string Latin1ToUtf8(std::string_view bytes);

// The bytes as they stand when they are valid UTF-8, else read as Latin-1.
std::string DecodeLine(std::string_view bytes);

// Latin-1 bytes of a UTF-8 text; false (and *out untouched) when a character lies above
// U+00FF or the text is not valid UTF-8.
bool Utf8ToLatin1(std::string_view text, std::string* out);

// Latin-1 bytes of a UTF-8 text as the board's character set can hold it: every character
// above U+00FF, and every byte of a malformed sequence, becomes "?".
std::string Utf8ToLatin1Lossy(std::string_view text);

// A text typed on several lines as one line: each line feed becomes a blank and carriage
// returns go, as the board keeps a beacon text.
std::string FoldLineBreaks(std::string_view text);

// The first maxChars characters of a UTF-8 text, never splitting a character. Bytes that
// are not valid UTF-8 count one character each.
std::string TruncateChars(std::string_view text, size_t maxChars);

}  // namespace korvane::text
