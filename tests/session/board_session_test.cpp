// The board session as a library: several boards at once, and typed results a script can trust.
#include "session/board_session.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/recording_clock.h"
#include "support/virtual_board.h"
#include "texts/texts.h"

namespace korvane::session {
namespace {

using test::VirtualBoard;
using test::VirtualChip;

PanelSettings Start() {
  PanelSettings settings;
  settings.reference.clear();
  return settings;
}

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override { session.SetReadTimeoutMs(300); }

  test::RecordingClock clock;
  link::DemoStore demo;
  BoardSession session{clock, demo};
};

TEST_F(SessionTest, TwoSessionsDriveTwoBoardsSideBySide) {
  VirtualBoard adf({.chip = VirtualChip::ADF4351, .hwTag = "v4s."});
  VirtualBoard max({.chip = VirtualChip::MAX2871, .hwTag = "v3."});
  adf.SetStored("R  25.000000  ;");
  BoardSession other(clock, demo);
  other.SetReadTimeoutMs(300);

  const ConnectResult a = session.Connect(adf.path(), ChipChoice::Auto, Start());
  const ConnectResult b = other.Connect(max.path(), ChipChoice::Auto, Start());
  ASSERT_TRUE(a.ok());
  ASSERT_TRUE(b.ok());
  EXPECT_EQ(a.readout.settings.chip, ChipType::Adf4351);
  EXPECT_EQ(b.readout.settings.chip, ChipType::Max2871);
  EXPECT_EQ(a.readout.settings.reference, "25.000000");
  EXPECT_EQ(b.readout.settings.reference, "10.000000");
  EXPECT_EQ(session.Identity().hwVersion, 4);
  EXPECT_EQ(other.Identity().hwVersion, 3);

  // Interleaved tuning: each board gets exactly its own commands.
  adf.ClearLog();
  max.ClearLog();
  PanelSettings sa = a.readout.settings;
  PanelSettings sb = b.readout.settings;
  sa.slot(Slot::SigGen).frequency = "1296";
  sb.slot(Slot::SigGen).frequency = "432.1";
  const TuneResult ta = session.Tune(sa);
  const TuneResult tb = other.Tune(sb);
  EXPECT_TRUE(ta.accepted());
  EXPECT_TRUE(tb.accepted());
  EXPECT_EQ(adf.Log(), (std::vector<std::string>{ta.reference.command, ta.slot.command}));
  EXPECT_EQ(max.Log(), (std::vector<std::string>{tb.reference.command, tb.slot.command}));
  EXPECT_EQ(ta.reference.command, "R  25.000000  ;");
  EXPECT_EQ(tb.reference.command, "R  10.000000  ;");
  EXPECT_EQ(adf.Stored('4'), ta.slot.command);
  EXPECT_EQ(max.Stored('4'), tb.slot.command);

  // Closing one leaves the other working.
  session.Close();
  EXPECT_FALSE(session.IsOpen());
  EXPECT_TRUE(other.Tune(sb).accepted());
}

TEST_F(SessionTest, RefusalsAreReportedWithTheCommandAndTheReply) {
  VirtualBoard board({.hwTag = "v4s."});
  ConnectResult connected = session.Connect(board.path(), ChipChoice::Max2871, Start());
  ASSERT_TRUE(connected.ok());
  PanelSettings settings = connected.readout.settings;

  board.SetRefuse("4 ", "ER;");
  const TuneResult tune = session.Tune(settings);
  EXPECT_TRUE(tune.reference.accepted());
  EXPECT_FALSE(tune.accepted());
  EXPECT_EQ(tune.slot.reply, "ER;");
  EXPECT_EQ(tune.slot.command.substr(0, 2), "4 ");

  const struct {
    const char* name;
    const char* refusePrefix;
    std::string text;
    int32_t refDivisor;
    SaveResult::Status status;
    size_t commandsSent;
  } cases[] = {
      {"board refuses the text", "T ", "CQ", 2, SaveResult::Status::Refused, 3},
      {"board refuses the flash write", "F;", "CQ", 2, SaveResult::Status::Refused, 10},
      {"semicolon in the text", "", "CQ;DE", 2, SaveResult::Status::SemicolonInBeacon, 0},
      {"no valid reference", "", "CQ", 0, SaveResult::Status::InvalidParameters, 0},
      {"accepted", "", "CQ", 2, SaveResult::Status::Saved, 10},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    VirtualBoard fresh({.hwTag = "v4s."});
    ASSERT_TRUE(session.Connect(fresh.path(), ChipChoice::Max2871, Start()).ok());
    if (c.refusePrefix[0]) fresh.SetRefuse(c.refusePrefix, "ER;");
    fresh.ClearLog();
    PanelSettings s = settings;
    s.text = c.text;
    s.refDivisor = c.refDivisor;
    const SaveResult result = session.SaveToFlash(s);
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(fresh.Log().size(), c.commandsSent);
    if (c.status == SaveResult::Status::Refused) {
      EXPECT_EQ(result.refused.reply, "ER;");
      EXPECT_EQ(result.refused.command, fresh.Log().back());
    }
  }
}

TEST_F(SessionTest, DemoMemoryLastsAsLongAsItsStore) {
  ConnectResult first = session.Connect("Demo", ChipChoice::Auto, Start());
  ASSERT_TRUE(first.ok());
  PanelSettings settings = first.readout.settings;
  settings.slot(Slot::SigGen).frequency = "1000";
  ASSERT_TRUE(session.Tune(settings).accepted());
  session.Close();

  const ConnectResult again = session.Connect("Demo", ChipChoice::Auto, Start());
  EXPECT_EQ(again.readout.settings.slot(Slot::SigGen).frequency, "1000.000000");
  link::DemoStore fresh;
  BoardSession elsewhere(clock, fresh);
  const ConnectResult other = elsewhere.Connect("Demo", ChipChoice::Auto, Start());
  EXPECT_EQ(other.readout.settings.slot(Slot::SigGen).frequency, first.readout.settings.freqSlots[4].frequency);
}

TEST_F(SessionTest, OverridesTheChipDoesNotTakeAreRefusedBeforeAnythingIsSent) {
  VirtualBoard board({.chip = VirtualChip::MAX2871});
  const ConnectResult connected = session.Connect(board.path(), ChipChoice::Max2871, Start());
  ASSERT_TRUE(connected.ok());
  PanelSettings settings = connected.readout.settings;
  settings.freqSlots[2].overrides[Field::BandSelect] = 100;
  board.ClearLog();
  const SaveResult saved = session.SaveToFlash(settings);
  EXPECT_EQ(saved.status, SaveResult::Status::InvalidOverrides);
  ASSERT_TRUE(saved.reason);
  EXPECT_EQ(texts::SlotIssueText(*saved.reason),
            "F3: The band-select clock would run at 100.000 kHz (10.000000 MHz comparison frequency / 100), faster "
            "than the 50 kHz the MAX2871 takes. Set BS[9:8] and BS[7:0] to a divider of at least 200.");
  const TuneResult tuned = session.Tune(settings, Slot::F3);
  EXPECT_FALSE(tuned.accepted());
  ASSERT_TRUE(tuned.refusal);
  EXPECT_EQ(texts::SlotIssueText(*tuned.refusal).rfind("F3: The band-select clock", 0), 0u);
  EXPECT_TRUE(board.Log().empty());
  EXPECT_TRUE(session.Tune(settings, Slot::SigGen).accepted());  // other slots' overrides do not hold it up
}

}  // namespace
}  // namespace korvane::session
