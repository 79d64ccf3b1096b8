// Connect, identification, readout and live tuning against a board on a real serial line.
#include "support/panel_test.h"
#include "support/virtual_board.h"
#include "synth/register_set.h"

namespace korvane::testing {
namespace {

using test::VirtualBoard;
using test::VirtualBoardOptions;
using test::VirtualChip;

const std::vector<std::string> kReadout = {"M;", "T;", "S;", "R;", "0;", "1;", "2;", "3;", "4;"};

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

class BoardPanelTest : public PanelTest {
 protected:
  void SetUp() override {
    PanelTest::SetUp();
    link().SetReadTimeoutMs(300);
  }
  void TearDown() override {
    PanelTest::TearDown();
    link().SetReadTimeoutMs(2000);
  }
};

struct IdentifyCase {
  VirtualChip chip;
  const char* tag;
  ChipType expected;
  const char* caption;
  int probes;  // probe sets the board needed to see
};

TEST_F(BoardPanelTest, AutoIdentifiesEachChipWithTheRightCommandsInOrder) {
  const IdentifyCase cases[] = {
      {VirtualChip::MAX2871, "v4s.", ChipType::Max2871, "Chip (MAX2871):", 1},
      {VirtualChip::ADF4351, "v4.", ChipType::Adf4351, "Chip (ADF4351):", 2},
      {VirtualChip::ADF4350, "v4.", ChipType::Adf4350, "Chip (ADF4350):", 2},
      {VirtualChip::MAX2871, "v3s.", ChipType::Max2871, "Chip (MAX2871):", 1},
      {VirtualChip::ADF4351, "v3.", ChipType::Adf4351, "Chip (ADF4351):", 2},
      {VirtualChip::ADF4350, "v3.", ChipType::Adf4350, "Chip (ADF4350):", 2},
  };
  for (const IdentifyCase& c : cases) {
    SCOPED_TRACE(c.tag + std::string(" ") + c.caption);
    VirtualBoard board({.chip = c.chip, .hwTag = c.tag});
    std::string slot4 = board.Stored('4');
    std::string reference = board.Stored('R');
    clock.sleeps.clear();
    Connect(board.path());
    ASSERT_EQ(dlg.model().connected(), true);
    EXPECT_TRUE(surface.messages.empty());
    EXPECT_EQ(dlg.model().chip(), c.expected);
    EXPECT_EQ(model().chipCaption(), c.caption);

    std::vector<std::string> expected = {"V;", "4;", "R;"};
    bool v4 = std::string(c.tag).rfind("v4", 0) == 0;
    if (v4) expected.push_back("R  10.000000  ;");
    expected.insert(expected.end(), {test::kMax2871Probe, "L;"});
    if (c.probes == 2) expected.insert(expected.end(), {test::kAdf4351Probe, "L;"});
    expected.insert(expected.end(), {reference, slot4});
    EXPECT_EQ(board.Log(), Concat(expected, kReadout));
    std::vector<int> pauses = v4 ? std::vector<int>{20, 200} : std::vector<int>{200};
    if (c.probes == 2) pauses.push_back(200);
    EXPECT_EQ(clock.sleeps, pauses);
    // The board runs what it ran before the probes.
    EXPECT_EQ(board.Stored('4'), slot4);

    bool sSuffix = std::string(c.tag).find('s') != std::string::npos;
    EXPECT_EQ(model().controls().band, sSuffix);
    EXPECT_TRUE(model().controls().extReference);
    EXPECT_TRUE(model().controls().firmwareInfo);
    EXPECT_TRUE(model().controls().update);
    // Without the second band a stored band-1 set shows in band 0 with its power bits.
    if (!sSuffix) {
      EXPECT_EQ(BandLabel(model().slot(Slot::F1).band), "OUT1 <6GHz");
      EXPECT_EQ(PowerLabel(model().slot(Slot::F1).power), "-4dBm");
      EXPECT_EQ(model().slot(Slot::F1).rf, "5183.999511");
    }
    dlg.OnDisconnect();
  }
}

struct RefusalCase {
  const char* tag;
  const char* version;
  const char* message;
};

TEST_F(BoardPanelTest, AutoRefusesOldBoardsAndLeavesThePanelAsItWas) {
  const RefusalCase cases[] = {
      {"v2.", "",
       "Automatic PLL chip identification works only with HW version 3 or higher.\n"
       "Please set the correct chip type manually and reconnect the board."},
      {"", "",
       "Automatic PLL chip identification works only with HW version 3 or higher.\n"
       "Please set the correct chip type manually and reconnect the board."},
      {"v3.", "0.9 from 01012015.\nS/N 000000000000000000000001",
       "Automatic PLL chip identification works only with FW version 3.01 or higher.\n"
       "Please update board firmware if you want to use automatic chip identification.\n"
       "Or set the correct chip type manually and reconnect the board."},
  };
  // The connect is over before its refusal is shown: Connect, not Cancel, stands under the message.
  QObject::connect(&dlg.model(), &panel::PanelModel::operationChanged, [this] {
    if (!dlg.model().busy()) surface.timeline.push_back("idle");
  });
  for (const RefusalCase& c : cases) {
    SCOPED_TRACE(c.tag);
    VirtualBoard board({.hwTag = c.tag, .version = c.version});
    surface.messages.clear();
    surface.timeline.clear();
    surface.FocusElsewhere();
    Connect(board.path());
    ASSERT_EQ(surface.messages.size(), 1u);
    EXPECT_EQ(surface.messages[0].text, c.message);
    EXPECT_EQ(board.Log(), std::vector<std::string>{"V;"});
    EXPECT_EQ(link().GetPortState(), link::PortState::None);
    EXPECT_EQ(dlg.model().connected(), false);
    EXPECT_TRUE(model().controls().connect);
    EXPECT_FALSE(model().controls().disconnect);
    EXPECT_FALSE(surface.portListFocused);  // focus untouched
    EXPECT_EQ(surface.focusedSlot, std::nullopt);
    EXPECT_EQ(surface.timeline, (std::vector<std::string>{"idle", "message:" + std::string(c.message)}));
  }
}

struct ManualCase {
  const char* tag;
  int hwVersion;
  bool extReference;
  bool fwInfoAndUpdate;
};

TEST_F(BoardPanelTest, ChosenChipReadsBackWithoutProbingOnEveryHardwareVersion) {
  const ManualCase cases[] = {
      {"", 1, false, false}, {"v2.", 2, true, false}, {"v3.", 3, true, true}, {"v4s.", 4, true, true}};
  for (const ManualCase& c : cases) {
    SCOPED_TRACE(c.tag);
    VirtualBoard board({.chip = VirtualChip::ADF4350, .hwTag = c.tag});
    // An ADF4350 board that Korvane programmed: its signal generator holds no expert settings.
    board.SetStored(BuildSlotCommand(4, ChipType::Adf4350, "144", Band::Out1, PowerLevel::Minus1, 2, 10.0));
    surface.messages.clear();
    Connect(board.path(), session::ChipChoice::Adf4350);
    ASSERT_EQ(dlg.model().connected(), true);
    EXPECT_EQ(link().GetBoardIdentity().hwVersion, c.hwVersion);
    EXPECT_EQ(board.Log(), Concat({"V;"}, kReadout));
    EXPECT_EQ(dlg.model().chip(), ChipType::Adf4350);
    EXPECT_EQ(model().chipCaption(), "Chip:");
    EXPECT_EQ(model().controls().extReference, c.extReference);
    EXPECT_EQ(model().controls().firmwareInfo, c.fwInfoAndUpdate);
    EXPECT_EQ(model().controls().update, c.fwInfoAndUpdate);
    EXPECT_EQ(model().controls().updateText, "Update...");

    // Live tuning: the reference command has no flag on the first hardware version.
    board.ClearLog();
    dlg.OnExtReferenceClicked(true);
    dlg.OnFrequencyEdited(Slot::SigGen, "2200");
    surface.FireTimer();
    // The lock is asked only of the boards whose firmware answers it.
    std::string reference = c.hwVersion == 1 ? "R  10.000000;" : "R  10.000000 E;";
    std::vector<std::string> sent{
        reference, BuildSlotCommand(4, ChipType::Adf4350, "2200", Band::Out1, PowerLevel::Minus1, 2, 10.0)};
    if (c.hwVersion >= 3) sent.push_back("L;");
    EXPECT_EQ(board.Log(), sent);
    dlg.OnDisconnect();
    dlg.OnExtReferenceClicked(false);
  }
}

struct FailureCase {
  const char* name;
  const char* prefix;  // refused command
  const char* answer;
  size_t commandsSent;  // commands the board received before Connect gave up
  bool probed;          // a probe or the fixed reference had gone out: the board's own set is put back
};

TEST_F(BoardPanelTest, EveryBadReplyEndsInCommunicationErrorAndTheDisconnectedState) {
  const FailureCase cases[] = {
      {"saved slot", "4;", "?;", 2, false},
      {"saved reference", "R;", "?;", 3, false},
      {"fixed reference", "R  10.000000  ;", "?;", 6, true},
      {"probe", "4 812C", "?;", 7, true},
      {"lock answer", "L;", "L 2;", 8, true},
      {"mode", "M;", "M;", 9, false},
      {"speed", "S;", "?;", 11, false},
      {"slot readout", "2;", "2 0123;", 15, false},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.name);
    VirtualBoard board({.chip = VirtualChip::MAX2871, .hwTag = "v4s."});
    board.SetStored("R  25.000000  ;");
    const std::string ownSlot = board.Stored('4');
    board.SetRefuse(c.prefix, c.answer);
    surface.messages.clear();
    Connect(board.path());
    ASSERT_EQ(surface.messages.size(), 1u);
    EXPECT_EQ(surface.messages[0].text, "Communication eror!");
    EXPECT_EQ(surface.messages[0].icon, MessageIcon::Information);
    EXPECT_EQ(board.Log().size(), c.commandsSent);
    // The output does not stay on a probe frequency.
    EXPECT_EQ(board.Stored('4'), ownSlot);
    EXPECT_EQ(board.Stored('R'), "R  25.000000  ;");
    if (c.probed) {
      const std::vector<std::string> log = board.Log();
      EXPECT_EQ(std::vector<std::string>(log.end() - 2, log.end()),
                (std::vector<std::string>{"R  25.000000  ;", ownSlot}));
    }
    EXPECT_EQ(link().GetPortState(), link::PortState::None);
    EXPECT_EQ(dlg.model().connected(), false);
    EXPECT_TRUE(model().controls().connect);
    EXPECT_FALSE(model().controls().frequency);
    EXPECT_TRUE(surface.portListFocused);
  }
}

TEST_F(BoardPanelTest, FieldsFilledBeforeAFailureKeepTheirValues) {
  VirtualBoard board({.hwTag = "v4s."});
  board.SetStored("T CQ TEST;");
  board.SetRefuse("3;", "?;");
  Connect(board.path(), session::ChipChoice::Max2871);
  EXPECT_EQ(model().text(), "CQ TEST");
  EXPECT_EQ(model().slot(Slot::F3).rf, "1295.999878");
  EXPECT_EQ(model().slot(Slot::F4).rf, "180.000");
}

TEST_F(BoardPanelTest, SilentPortIsTriedThreeTimes) {
  VirtualBoard board;
  board.SetSilent(true);
  Connect(board.path(), session::ChipChoice::Max2871);
  ASSERT_EQ(surface.messages.size(), 1u);
  EXPECT_EQ(surface.messages[0].text,
            "Could not find Synth board!\nThe port opened, but no board answered with the expected banner.");
  EXPECT_EQ(board.Count("V;"), 3);
  EXPECT_TRUE(surface.portListFocused);
}

TEST_F(BoardPanelTest, LostConnectionKeepsEveryFieldAndTheProgramRuns) {
  VirtualBoard board({.hwTag = "v4s."});
  Connect(board.path(), session::ChipChoice::Max2871);
  ASSERT_EQ(dlg.model().connected(), true);
  dlg.OnFrequencyEdited(Slot::SigGen, "1234.5");
  dlg.OnFrequencyEdited(Slot::F2, "2345.6");
  board.HangUpAfter("R ", 1);
  surface.FireTimer();
  ASSERT_EQ(surface.messages.size(), 1u);
  EXPECT_EQ(surface.messages[0].text, "Connection with device lost!");
  EXPECT_EQ(surface.messages[0].caption, "Error!");
  EXPECT_EQ(surface.messages[0].icon, MessageIcon::Stop);
  EXPECT_EQ(link().GetPortState(), link::PortState::None);
  EXPECT_EQ(dlg.model().connected(), false);
  EXPECT_TRUE(model().controls().connect);
  EXPECT_EQ(model().slot(Slot::SigGen).rf, "1234.5");
  EXPECT_EQ(model().slot(Slot::F2).rf, "2345.6");
  EXPECT_EQ(model().controls().updateText, "Repair...");
}

// The lock is asked only of boards whose firmware can tell; a lock read without an answer leaves the
// board connected with its lock unknown, and a board that answers nothing at all is still lost.
TEST_F(BoardPanelTest, LockIsReadOnlyFromBoardsThatAnswerIt) {
  session.SetReadTimeoutMs(100);
  const struct {
    const char* tag;
    const char* version;
    bool asked;
  } cases[] = {{"v2.", "3.5 from 16052019.", false},
               {"v3.", "0.9 from 01012015.\nS/N 000000000000000000000001", false},
               {"v4s.", "3.5 from 16052019.", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tag);
    VirtualBoard board({.hwTag = c.tag, .version = c.version});
    Connect(board.path(), session::ChipChoice::Max2871);
    ASSERT_EQ(dlg.model().connected(), true);
    board.ClearLog();
    surface.FireTimer();
    dlg.OnLockTimer();
    EXPECT_EQ(board.Count("L;"), c.asked ? 2 : 0);
    EXPECT_EQ(dlg.model().lock().state, c.asked ? session::LockState::Locked : session::LockState::Unknown);
    dlg.OnDisconnect();
    EXPECT_EQ(dlg.model().lock().state, session::LockState::Unknown);  // a reading belongs to its board
  }
  VirtualBoard board;
  Connect(board.path(), session::ChipChoice::Max2871);
  board.SetRefuse("L;", "");
  surface.FireTimer();
  dlg.OnLockTimer();
  EXPECT_TRUE(surface.messages.empty());
  EXPECT_EQ(dlg.model().connected(), true);
  EXPECT_EQ(dlg.model().lock().state, session::LockState::Unknown);
  board.SetSilent(true);
  dlg.OnLockTimer();
  ASSERT_EQ(surface.messages.size(), 1u);
  EXPECT_EQ(surface.messages[0].text, "Connection with device lost!");
  EXPECT_EQ(dlg.model().connected(), false);
}

// After a refused retune the board's words are those of the last retune it took (or of the
// readout, before any), not what is typed.
TEST_F(BoardPanelTest, BoardSettingsKeepWhatTheBoardWasGivenAfterARefusal) {
  VirtualBoard board;
  Connect(board.path(), session::ChipChoice::Max2871);
  std::string given = session::SlotCommand(dlg.model().BoardSettings(), Slot::SigGen);  // the readout
  for (const char* mhz : {"1000", "1300", "1400"}) {
    PanelSettings next = dlg.model().Settings();
    next.slot(Slot::SigGen).frequency = mhz;
    if (mhz != std::string("1300")) board.SetRefuse(session::SlotCommand(next, Slot::SigGen), "?;");
    dlg.OnFrequencyEdited(Slot::SigGen, mhz);
    surface.FireTimer();
    EXPECT_EQ(dlg.model().tuneRefused(), mhz != std::string("1300")) << mhz;
    if (!dlg.model().tuneRefused()) given = session::SlotCommand(next, Slot::SigGen);
    EXPECT_EQ(session::SlotCommand(dlg.model().BoardSettings(), Slot::SigGen), given) << mhz;
  }
}

TEST_F(BoardPanelTest, ReadoutEdgeCases) {
  VirtualBoard board({.hwTag = "v4s."});
  board.SetStored("M 05;");
  board.SetStored("S 14D;");
  board.SetStored("R  25.000000 E;");
  board.SetStored("0 00A00000 08008010 1A017EC0 00000000 00E78038 00400000;");  // 50 MHz, R 5, +5dBm
  board.SetStored("1 00000000 20008028 18007FC0 01000000 00DC8000 60400000;");  // off
  dlg.OnBandChosen(Slot::F2, Band::Out2);
  dlg.OnFrequencyEdited(Slot::F2, "777");
  Connect(board.path(), session::ChipChoice::Adf4351);
  ASSERT_EQ(dlg.model().connected(), true);
  EXPECT_TRUE(model().beacon());
  EXPECT_FALSE(model().scan());
  EXPECT_EQ(model().pinFunction(), PinFunction::CwKeying);
  EXPECT_TRUE(model().controls().beaconSettings);
  EXPECT_EQ(model().speed(), "20.0");
  EXPECT_TRUE(model().extReference());
  EXPECT_EQ(model().reference(), "25.000000");
  EXPECT_EQ(dlg.model().refDivisor(), 5);
  EXPECT_EQ(model().slot(Slot::F1).rf, "50.000000");
  EXPECT_EQ(PowerLabel(model().slot(Slot::F1).power), "+5dBm");
  EXPECT_EQ(model().slot(Slot::F2).rf, "777");
  EXPECT_EQ(PowerLabel(model().slot(Slot::F2).power), "Off");
  EXPECT_EQ(model().slot(Slot::F2).band, Band::Out1);

  // "M 06;": scanning without the beacon; "S 0;" cannot be shown as a speed.
  dlg.OnDisconnect();
  board.SetStored("M 06;");
  board.SetStored("S 0;");
  Connect(board.path(), session::ChipChoice::Adf4351);
  EXPECT_FALSE(model().beacon());
  EXPECT_TRUE(model().scan());
  EXPECT_EQ(model().pinFunction(), PinFunction::FreqCode);
  EXPECT_FALSE(model().controls().beaconSettings);
  EXPECT_EQ(model().speed(), "10.0");
}

}  // namespace
}  // namespace korvane::testing
