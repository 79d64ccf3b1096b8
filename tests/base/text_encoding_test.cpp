// Latin-1, the board's character set, from and to the program's UTF-8.
#include "base/text_encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace korvane::text {
namespace {

TEST(Latin1, NarrowingAndWidening) {
  const struct {
    std::string utf8;
    std::string latin1;
  } cases[] = {
      {"T test;", "T test;"},
      {"T \xC3\xBC\xE2\x82\xAC;", "T \xFC?;"},  // ü stays, € has no Latin-1 byte
      {"\xC3\xBF\xC2\x80", "\xFF\x80"},         // the ends of the Latin-1 range
      {"\xF0\x9F\x98\x80!", "?!"},              // a four-byte character is one "?"
      {"\xC3(", "?("},                          // a lead byte without continuation
      {"\xC0\xAF", "??"},                       // an overlong form
      {"\xED\xA0\x80", "???"},                  // a surrogate
      {"\xE2\x82", "??"},                       // cut short at the end
      {std::string("a\0b", 3), std::string("a\0b", 3)},
  };
  for (const auto& c : cases) EXPECT_EQ(Utf8ToLatin1Lossy(c.utf8), c.latin1) << c.utf8;

  std::string all;
  for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
  EXPECT_EQ(Utf8ToLatin1Lossy(Latin1ToUtf8(all)), all);
  EXPECT_EQ(Latin1ToUtf8("T \xFC?;"), "T \xC3\xBC?;");
}

}  // namespace
}  // namespace korvane::text
