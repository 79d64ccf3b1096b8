// Conversion between the program's UTF-8 text and the 8-bit Latin-1 text on the wire.
#pragma once

#include <string>
#include <string_view>

namespace korvane::link {

// Each code point up to U+00FF becomes its byte; anything else (and every byte of a
// malformed sequence) becomes "?", as the board's character set cannot hold it.
std::string Utf8ToLatin1(std::string_view utf8);

// Each byte becomes the code point of the same value.
std::string Latin1ToUtf8(std::string_view latin1);

}  // namespace korvane::link
