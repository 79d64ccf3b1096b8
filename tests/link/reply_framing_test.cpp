#include <gtest/gtest.h>

#include <string>

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

}  // namespace
}  // namespace korvane::link
