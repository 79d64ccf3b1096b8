// The built-in board behind the port name "Demo": it keeps what it is sent and answers from it.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace korvane::link {

// Nine stored replies (slots 0..4, M, S, T, R), each the last setting command of its kind.
// Texts are 8-bit (Latin-1) as on the wire.
class DemoStore {
 public:
  DemoStore();

  // Answers one command as the board firmware would: queries ("X;") return the stored
  // text, settings replace it and answer "OK;", anything unknown answers "?;". The handshake
  // "V;" is answered by the banner of a third hardware version with firmware 40.1234.
  std::string Answer(std::string_view command);

  // The stored text for '0'..'4', 'M', 'S', 'T' or 'R' as the program reads it back (UTF-8);
  // empty for any other key.
  std::string Entry(char key) const;

 private:
  std::array<std::string, 9> entries_;
};

}  // namespace korvane::link
