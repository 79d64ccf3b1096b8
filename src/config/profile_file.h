// A configuration file in INI form, read by section and key and changed key by key while
// every other line of the file stays exactly as it was.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/file_io.h"

namespace korvane::config {

// Text values are read into 200 characters with the terminator, so 199 characters count.
inline constexpr size_t kTextBufferChars = 200;

class ProfileFile {
 public:
  // Any bytes: CRLF or LF line ends, a UTF-8 byte-order mark, lines that are not valid UTF-8
  // (read as Latin-1), blanks around names and "=", comment lines starting ";" or "#".
  static ProfileFile Parse(std::string_view bytes);
  // The file's own bytes for every line not written since Parse.
  std::string Serialize() const;

  // The value of the first matching key in the first matching section, blanks around it
  // and one pair of enclosing double quotes removed; nullopt when the key is missing.
  // Names match without regard to letter case.
  std::optional<std::string> Find(std::string_view section, std::string_view key) const;
  // The value cut to bufferChars - 1 characters, or the fallback when the key is missing.
  std::string ReadString(std::string_view section, std::string_view key, std::string_view fallback,
                         size_t bufferChars = kTextBufferChars) const;
  // The number the value begins with (0 when it begins with none); the fallback when the
  // key is missing or its value empty. Saturates to the int range.
  int ReadInt(std::string_view section, std::string_view key, int fallback) const;

  // Sets one key, adding the section or the key when missing; every other line is kept.
  // Line breaks in the value are folded to blanks (one key is one line). A value that
  // would lose blanks or quotes when read back is written in double quotes.
  // Names must be non-empty and hold no "=", "[", "]", line break or surrounding blank.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);

  bool UsesCrLf() const { return newline_ == "\r\n"; }

 private:
  struct Line {
    std::string bytes;   // without the line end
    std::string ending;  // "\r\n", "\n", or "" for a last line without one
  };
  struct Span {
    size_t header;  // index of the section line
    size_t end;     // one past the section's last line
  };

  std::optional<Span> FindSection(std::string_view section) const;
  std::optional<size_t> FindKey(const Span& span, std::string_view key) const;
  std::string EncodeLine(const std::string& text) const;
  void InsertLine(size_t index, const std::string& text);

  std::vector<Line> lines_;
  std::string byteOrderMark_;
  std::string newline_ = "\n";
  bool latin1_ = false;  // some line is not UTF-8: new lines are written in Latin-1 where they can be
};

// Reads a profile from disk. A missing file gives an empty profile and ReadStatus::Missing;
// a file that exists but cannot be read gives Failed with *error naming file and reason.
ReadStatus LoadProfileFile(const std::string& path, ProfileFile* profile, std::string* error);

// Writes the whole profile at once (temporary file and rename); false with *error otherwise.
bool SaveProfileFile(const std::string& path, const ProfileFile& profile, std::string* error,
                     FileWriter* writer = nullptr);

}  // namespace korvane::config
