#include <gtest/gtest.h>

#include <string>

#include "link/latin1.h"
#include "link/reply_framing.h"

namespace korvane::link {
namespace {

TEST(ReplyFraming, CutsAtTheLastPrompt) {
  const struct {
    std::string raw;
    std::string framed;
  } cases[] = {
      {"Ready\n>OK;", "OK;"},      {"OK;", "OK;"}, {"T a>b>c;", "c;"}, {">", ""}, {"M 05;", "M 05;"},
      {"M 05\r\n>M 05;", "M 05;"}, {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(FrameReply(c.raw), c.framed) << c.raw;
}

TEST(ReplyFraming, AssemblerSkipsZerosStopsAtSemicolonAndIsBounded) {
  ReplyAssembler reply;
  const std::string bytes("O\0K\0\0;", 6);
  ReplyAssembler::Status status = ReplyAssembler::Status::NeedMore;
  for (char b : bytes) status = reply.Add(b);
  EXPECT_EQ(status, ReplyAssembler::Status::Complete);
  EXPECT_EQ(reply.Text(), "OK;");

  ReplyAssembler endless;
  size_t accepted = 0;
  while (endless.Add('x') == ReplyAssembler::Status::NeedMore) ++accepted;
  EXPECT_EQ(accepted, kMaxReplyBytes);
  // Zero bytes do not count against the bound and do not end the reply.
  EXPECT_EQ(ReplyAssembler().Add('\0'), ReplyAssembler::Status::NeedMore);
}

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
  for (const auto& c : cases) EXPECT_EQ(Utf8ToLatin1(c.utf8), c.latin1) << c.utf8;

  std::string all;
  for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
  EXPECT_EQ(Utf8ToLatin1(Latin1ToUtf8(all)), all);
  EXPECT_EQ(Latin1ToUtf8("T \xFC?;"), "T \xC3\xBC?;");
}

}  // namespace
}  // namespace korvane::link
