#include "link/demo_board.h"

#include <gtest/gtest.h>

#include <string>

#include "link/board_link.h"
#include "link/demo_transport.h"
#include "support/recording_clock.h"

namespace korvane::link {
namespace {

class DemoBoardTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(link.OpenPort(kDemoPortName, kFirmwareBanner)); }
  void TearDown() override { link.ClosePort(); }

  test::RecordingClock clock;
  DemoStore demo;
  BoardLink link{clock, WithDemoBoard(demo)};
};

TEST_F(DemoBoardTest, AnswersInSequence) {
  // Each step is one command and the answer the store gives, in order: the store changes.
  const struct {
    std::string command;
    std::string answer;
  } steps[] = {
      {"M;", "M 00;"},
      {"M 05;", "OK;"},
      {"M;", "M 05;"},
      {"S;", "S 1BC0;"},
      {"T;", "T test de qx9abc #5000;"},
      {"R;", "R  10.000000  ;"},
      {"R  25.000000 E;", "OK;"},
      {"R;", "R  25.000000 E;"},
      {"0;", "0 01033328 2000FFE8 18007FC0 01000000 008C8140 60400000;"},
      {"1;", "1 81200000 00008010 18007EC0 01000000 008C8028 60400000;"},
      {"2;", "2 01033328 2000FFE8 18007FC0 01000000 00AC8028 60400000;"},
      {"3;", "3 00AC8018 20008028 18007FC0 01000000 00BC8028 60400000;"},
      {"4;", "4 00E60020 20008028 18007FC0 01000000 00DC8028 60400000;"},
      {"4 00000000 1 2 3 4 5;", "OK;"},
      {"4;", "4 00000000 1 2 3 4 5;"},
      {"L;", "L 1;"},
      {"F;", "OK;"},
      {"B;", "OK;"},
      {"m;", "?;"},
      {"X;", "?;"},
      {"E 08;", "?;"},
      {"A 08002000;", "?;"},
      {"W 1000;", "?;"},
      {"", "?;"},
      {"L 0;", "?;"},
      // Content is never checked: a slot setting stores whatever follows its digit.
      {"3garbage", "OK;"},
      {"3;", "3garbage"},
      // A one-character command is a setting: its second character is the end of the text.
      {"S", "OK;"},
      {"S;", "S"},
  };
  for (const auto& step : steps) EXPECT_EQ(demo.Answer(step.command), step.answer) << step.command;
}

TEST_F(DemoBoardTest, StoreSurvivesReconnectAndKeepsOnlyLatin1) {
  EXPECT_EQ(link.SendCommand("T \xC3\xBC\xE2\x82\xAC;"), "OK;");
  link.ClosePort();
  EXPECT_EQ(link.GetPortState(), PortState::None);
  ASSERT_TRUE(link.OpenPort(kDemoPortName, kBootloaderBanner));
  EXPECT_EQ(link.GetPortState(), PortState::Open);
  // Latin-1 on the way in and out: the euro sign has no place there.
  EXPECT_EQ(link.SendCommand("T;"), "T \xC3\xBC?;");
  // The answer is framed as a board's is: what stands before a ">" is taken for a prompt.
  EXPECT_EQ(link.SendCommand("T \xC3\xBC>x;"), "OK;");
  EXPECT_EQ(link.SendCommand("T;"), "x;");
  EXPECT_EQ(demo.Entry('T'), "T \xC3\xBC>x;");
  EXPECT_EQ(demo.Entry('L'), "");
  const BoardIdentity& id = link.GetBoardIdentity();
  EXPECT_EQ(id.hwVersion, 3);
  EXPECT_EQ(id.fwMajor, 40);
  EXPECT_EQ(id.fwMinor, 1234);
  EXPECT_EQ(id.fwDateCode, 0x16052019u);
  EXPECT_EQ(id.serialWords, (std::array<uint32_t, 3>{0x11111111, 0x22222222, 0x33333333}));
  EXPECT_EQ(id.sSuffix, 1);
}

TEST_F(DemoBoardTest, NothingIsSentWithoutALink) {
  link.ClosePort();
  EXPECT_THROW(link.SendCommand("M;"), ConnectionLost);
  EXPECT_EQ(link.GetPortState(), PortState::None);
  link.WriteRaw("B;");  // no device: nothing to write to, and no failure
}

}  // namespace
}  // namespace korvane::link
