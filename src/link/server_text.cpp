#include "link/server_text.h"

namespace korvane::link {

std::string ServerText(std::string_view bytes) {
  std::string text;
  for (char c : bytes) {
    const bool printable = c > ' ' && c < 127;
    if (!printable) {
      if (!text.empty() && text.back() != ' ') text.push_back(' ');
      continue;
    }
    if (text.size() >= kMaxServerTextChars) return text + "...";
    text.push_back(c);
  }
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

}  // namespace korvane::link
