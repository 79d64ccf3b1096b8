// Fuzzes the configuration file reader and the key-by-key writer: any bytes parse, an
// untouched file is written back byte for byte, and a written value reads back as written
// without changing any other key.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "config/profile_file.h"
#include "base/text_encoding.h"

namespace {

using korvane::config::ProfileFile;

void Check(bool condition) {
  if (!condition) std::abort();
}

size_t CountChars(std::string_view text) {
  size_t count = 0;
  for (char c : text) count += (static_cast<unsigned char>(c) & 0xC0u) != 0x80u;
  return count;
}

struct Key {
  const char* section;
  const char* key;
};
constexpr Key kKeys[] = {{"SigGen", "Freq"}, {"SigGen", "Pwr"},  {"Freqs", "Reference"}, {"Freqs", "ExtReference"},
                         {"Freqs", "Freq1"}, {"Beacon", "Text"}, {"beacon", "SPEED"},    {"Beacon", "Pin1_2"}};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  ProfileFile profile = ProfileFile::Parse(bytes);
  Check(profile.Serialize() == bytes);

  std::optional<std::string> before[std::size(kKeys)];
  for (size_t i = 0; i < std::size(kKeys); ++i) {
    before[i] = profile.Find(kKeys[i].section, kKeys[i].key);
    std::string text = profile.ReadString(kKeys[i].section, kKeys[i].key, "default");
    Check(korvane::text::IsValidUtf8(text));
    Check(CountChars(text) <= korvane::config::kTextBufferChars - 1);
    (void)profile.ReadInt(kKeys[i].section, kKeys[i].key, 4);
  }

  // The value to write: the tail of the input as the panel would hold it (UTF-8 text).
  const size_t split = size / 2;
  std::string value = korvane::text::DecodeLine(bytes.substr(split));
  const size_t target = size % std::size(kKeys);
  profile.WriteString(kKeys[target].section, kKeys[target].key, value);

  std::string folded;
  for (char c : value) {
    if (c != '\r') folded.push_back(c == '\n' ? ' ' : c);
  }
  ProfileFile reread = ProfileFile::Parse(profile.Serialize());
  for (size_t i = 0; i < std::size(kKeys); ++i) {
    std::optional<std::string> now = reread.Find(kKeys[i].section, kKeys[i].key);
    // Every key of the table is distinct, so only the written one may read differently.
    Check(now == (i == target ? std::optional<std::string>(folded) : before[i]));
  }
  return 0;
}
