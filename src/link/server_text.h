// What a server says before it closes a connection ("Port's device already in use"), made fit
// for a message: printable, on one line, and short.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace korvane::link {

inline constexpr size_t kMaxServerTextChars = 120;

// Control and non-ASCII bytes become blanks, runs of blanks one, and the text is cut after
// kMaxServerTextChars characters ("..." follows). Empty when nothing printable was said.
std::string ServerText(std::string_view bytes);

}  // namespace korvane::link
