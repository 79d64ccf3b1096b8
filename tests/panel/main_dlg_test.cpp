#include <clocale>

#include "support/panel_test.h"
#include "synth/register_set.h"

namespace korvane::testing {
namespace {

using ::testing::ElementsAre;

TEST_F(PanelTest, SetUpLeavesTheDisconnectedState) {
  const panel::PanelControls c = model().controls();
  for (bool on : {c.frequency, c.band, c.reference, c.extReference, c.save, c.saveConfig, c.loadConfig, c.beacon,
                  c.beaconSettings, c.firmwareInfo, c.disconnect, c.cancelShown}) {
    EXPECT_FALSE(on);
  }
  for (bool on : {c.connect, c.chipList, c.update, c.exact, c.about}) EXPECT_TRUE(on);
  EXPECT_EQ(c.updateText, "Repair...");
  for (int s = 0; s < kSlotCount; ++s) {
    EXPECT_EQ(model().slot(SlotAt(s)).rf, "180.000");
    EXPECT_EQ(model().slot(SlotAt(s)).realLabel, "/ ----.---");
    EXPECT_FALSE(model().slot(SlotAt(s)).inBand);
    EXPECT_EQ(PowerLabels(s), (std::vector<std::string>{"Off", "-4dBm", "-1dBm", "+2dBm", "+5dBm"}));
    EXPECT_EQ(model().slot(SlotAt(s)).power, PowerLevel::Off);
    EXPECT_EQ(model().slot(SlotAt(s)).band, Band::Out1);
  }
  EXPECT_EQ(PortNames(), std::vector<std::string>{"Demo"});
  EXPECT_EQ(model().port(), "Demo");
  EXPECT_EQ(model().speed(), "10");
  EXPECT_EQ(model().pinFunction(), PinFunction::FreqCode);
  EXPECT_FALSE(surface.TimerArmed());
  EXPECT_EQ(dlg.model().refDivisor(), 0);
}

TEST_F(PanelTest, PortListIsSortedAndKeepsTheChosenPortOnDropDown) {
  ports = {{"COM2", ""}, {"COM10", "FTDI FT232R"}, {"com1", ""}};
  dlg.OnPortDropDown();
  EXPECT_EQ(PortNames(), (std::vector<std::string>{"com1", "COM10", "COM2", "Demo"}));
  // What the user chose or typed stays, even a name that means no port now.
  const struct {
    std::string chosen;  // an entry of the list, or typed
    std::vector<link::PortInfo> afterwards;
    int selection;  // the port's place in the list; -1: not listed
    std::string port;
  } cases[] = {
      {"COM2", {{"COM2", ""}, {"COM10", ""}}, 1, "COM2"},
      {"COM2", {{"COM10", ""}}, -1, "COM2"},
      {"Demo", {}, 0, "Demo"},
      {"/dev/null", {{"COM10", ""}}, -1, "/dev/null"},
      {"rfc2217://mast.local:3333", {}, -1, "rfc2217://mast.local:3333"},
      {"tcp://[::1]:2000", {}, -1, "tcp://[::1]:2000"},
      {"/dev/serial/by-id/korvane-no-such-adapter", {{"COM10", ""}}, -1, "/dev/serial/by-id/korvane-no-such-adapter"},
      {"ttyKorvaneGone", {}, -1, "ttyKorvaneGone"},
  };
  for (const auto& c : cases) {
    ports = {{"COM2", ""}, {"COM10", ""}};
    dlg.OnPortDropDown();
    ChoosePort(c.chosen);
    ports = c.afterwards;
    dlg.OnPortDropDown();
    const std::vector<std::string> names = PortNames();
    const auto listed = std::find(names.begin(), names.end(), model().port());
    EXPECT_EQ(listed == names.end() ? -1 : static_cast<int>(listed - names.begin()), c.selection) << c.chosen;
    EXPECT_EQ(dlg.model().port(), c.port) << c.chosen;
  }
}

TEST_F(PanelTest, ThePortThatLastConnectedIsChosenAtStart) {
  ports = {{"ttyUSB0", ""}, {"ttyUSB1", ""}};
  const struct {
    std::optional<std::string> remembered;
    std::string port;
  } cases[] = {
      {std::nullopt, "Demo"},
      {"ttyUSB1", "ttyUSB1"},
      {"ttyUSB7", "Demo"},  // unplugged since: the usual first entry
      {"tcp://192.0.2.7:4001", "tcp://192.0.2.7:4001"},
  };
  for (const auto& c : cases) {
    surface.remembered.clear();
    if (c.remembered) surface.remembered["port"] = *c.remembered;
    dlg.OnInitDialog();
    EXPECT_EQ(dlg.model().port(), c.port);
  }
  ports.clear();
  Connect("Demo");
  EXPECT_EQ(surface.remembered["port"], "Demo");
}

TEST_F(PanelTest, DemoWithAutoFillsThePanelWithTheDemoBoardsSettings) {
  Connect();
  ASSERT_EQ(dlg.model().connected(), true);
  EXPECT_TRUE(surface.messages.empty());
  EXPECT_EQ(dlg.model().chip(), ChipType::Max2871);
  EXPECT_EQ(model().chipCaption(), "Chip (MAX2871):");
  EXPECT_FALSE(model().beacon());
  EXPECT_FALSE(model().scan());
  EXPECT_EQ(model().pinFunction(), PinFunction::FreqCode);
  EXPECT_EQ(model().speed(), "0.9");
  EXPECT_EQ(model().text(), "test de qx9abc #5000");
  EXPECT_EQ(model().reference(), "10.000000");
  EXPECT_FALSE(model().extReference());
  const char* freqs[] = {"10367.999023", "5760.000000", "1295.999878", "432.000000", "144.000000"};
  for (int s = 0; s < kSlotCount; ++s) {
    EXPECT_EQ(model().slot(SlotAt(s)).rf, freqs[s]) << s;
    EXPECT_EQ(BandLabel(model().slot(SlotAt(s)).band), s == 0 ? "OUT2 5..12GHz" : "OUT1 <6GHz") << s;
    EXPECT_EQ(PowerLabel(model().slot(SlotAt(s)).power), "-1dBm") << s;
    EXPECT_EQ(model().slot(SlotAt(s)).realLabel, std::string("/ ") + freqs[s]) << s;
    EXPECT_TRUE(model().controls().band);
    EXPECT_TRUE(model().slot(SlotAt(s)).inBand) << s;
  }
  EXPECT_EQ(PowerLabels(0), (std::vector<std::string>{"Off", "-1dBm"}));
  EXPECT_EQ(model().controls().updateText, "Update...");
  EXPECT_FALSE(model().controls().connect);
  EXPECT_EQ(surface.focusedSlot, Slot::SigGen);
  // The readout armed the tuning timer; identification paused 200 ms for the first probe.
  EXPECT_TRUE(surface.TimerArmed());
  EXPECT_THAT(clock.sleeps, ElementsAre(200));
}

TEST_F(PanelTest, ManualChipSkipsIdentificationAndKeepsTheCaption) {
  Connect("Demo", session::ChipChoice::Adf4351);
  ASSERT_EQ(dlg.model().connected(), true);
  EXPECT_EQ(dlg.model().chip(), ChipType::Adf4351);
  EXPECT_EQ(model().chipCaption(), "Chip:");
  EXPECT_TRUE(clock.sleeps.empty());
  // F1 stored for 10368 MHz is beyond an ADF4351: painted as a warning.
  EXPECT_FALSE(model().slot(Slot::F1).inBand);
}

TEST_F(PanelTest, UnknownPortReportsAndStaysDisconnected) {
  Connect("demo");  // lower case is a device name, not the demo board
  EXPECT_EQ(dlg.model().connected(), false);
  ASSERT_EQ(surface.messages.size(), 1u);
  // The reason is on the message's second line, where the user sees it.
  EXPECT_EQ(surface.messages[0].text,
            "Could not find Synth board!\ndemo not found: no such device; check that the board is plugged in.");
  EXPECT_EQ(surface.messages[0].caption, "");
  EXPECT_TRUE(surface.portListFocused);
  EXPECT_EQ(link().GetPortState(), link::PortState::None);
}

TEST_F(PanelTest, LiveTuningSendsReferenceAndSignalGeneratorAfterTheLastChange) {
  Connect();
  surface.FireTimer();  // the send that follows every readout
  for (const char* text : {"4", "43", "432"}) {
    dlg.OnFrequencyEdited(Slot::SigGen, text);
    EXPECT_TRUE(surface.TimerArmed());
  }
  EXPECT_EQ(model().slot(Slot::SigGen).realLabel, "/ 432.000000");
  EXPECT_EQ(demo.Entry('4'), "4 00E60020 20008028 18007FC0 01000000 00DC8028 60400000;");
  surface.FireTimer();
  EXPECT_EQ(demo.Entry('4'), "4 00AC8018 20008028 18007FC0 01000000 00BC8028 60400000;");
  EXPECT_EQ(demo.Entry('R'), "R  10.000000  ;");
  EXPECT_FALSE(surface.TimerArmed());

  // The preset power lists do nothing; the signal-generator power list only arms.
  dlg.OnPowerChosen(Slot::F2, PowerLevel::Plus5);
  EXPECT_FALSE(surface.TimerArmed());
  dlg.OnPowerChosen(Slot::SigGen, PowerLevel::Plus5);
  EXPECT_TRUE(surface.TimerArmed());
  dlg.OnExtReferenceClicked(true);
  surface.FireTimer();
  EXPECT_EQ(demo.Entry('R'), "R  10.000000 E;");
  EXPECT_EQ(demo.Entry('4'), "4 00AC8018 20008028 18007FC0 01000000 00BC8038 60400000;");
}

// A slot whose text is no number as typed has nothing solved for it: no solution, no real
// frequency and no error, whatever an earlier number left.
TEST_F(PanelTest, TextThatIsNoNumberLeavesTheSlotUnsolved) {
  Connect();
  surface.FireTimer();
  for (const char* text : {"abc", "", "12a96", "10.5.1", "1296 MHz"}) {
    dlg.OnFrequencyEdited(Slot::F2, "1296");
    ASSERT_TRUE(dlg.model().slot(Slot::F2).solution.has_value());
    dlg.OnFrequencyEdited(Slot::F2, text);
    const panel::SlotState& slot = dlg.model().slot(Slot::F2);
    EXPECT_FALSE(slot.isNumber) << text;
    EXPECT_FALSE(slot.solution.has_value()) << text;
    EXPECT_FALSE(slot.realMhz.has_value()) << text;
    EXPECT_FALSE(slot.errorHz.has_value()) << text;
    EXPECT_EQ(model().slot(Slot::F2).realLabel, "/ ----.---") << text;
  }
}

TEST_F(PanelTest, InvalidReferenceBlanksEveryLabelAndSendsNothing) {
  Connect();
  surface.FireTimer();
  dlg.OnReferenceEdited("4.99");
  EXPECT_EQ(dlg.model().refDivisor(), 0);
  for (int s = 0; s < kSlotCount; ++s) {
    EXPECT_EQ(model().slot(SlotAt(s)).realLabel, "/ ----.---");
    EXPECT_FALSE(model().slot(SlotAt(s)).inBand);
  }
  EXPECT_FALSE(surface.TimerArmed());
  dlg.OnFrequencyEdited(Slot::SigGen, "433");
  EXPECT_FALSE(surface.TimerArmed());
  dlg.OnReferenceEdited("10");
  EXPECT_EQ(model().slot(Slot::SigGen).realLabel, "/ 432.999939");
  EXPECT_TRUE(surface.TimerArmed());
}

// A number no words come near says so, in words that fit (no 300 digits, no saturated counters
// shown as a frequency), and is not sent.
TEST_F(PanelTest, AFrequencyOutOfReachSaysSoAndSendsNothing) {
  Connect();
  surface.FireTimer();
  const struct {
    const char* text;
    bool outOfReach;
  } cases[] = {{"1e300", true}, {"-1e300", true}, {"1e7", true}, {"4400", false}, {"23.5", false}};
  for (const auto& c : cases) {
    dlg.OnFrequencyEdited(Slot::SigGen, c.text);
    const panel::SlotState& slot = dlg.model().slot(Slot::SigGen);
    EXPECT_EQ(slot.outOfReach, c.outOfReach) << c.text;
    EXPECT_EQ(model().slot(Slot::SigGen).realLabel == "/ out of reach", c.outOfReach) << c.text;
    EXPECT_EQ(slot.errorHz.has_value(), !c.outOfReach) << c.text;
    EXPECT_LT(slot.errorText.size() + slot.bandNote.size(), 300u) << c.text;
    const std::string held = demo.Entry('4');
    surface.FireTimer();
    EXPECT_EQ(demo.Entry('4') == held, c.outOfReach) << c.text;
    EXPECT_EQ(dlg.model().tuneRefused(), c.outOfReach) << c.text;
  }
}

TEST_F(PanelTest, ASignalGeneratorTextThatIsNoNumberSendsNothing) {
  Connect();
  surface.FireTimer();
  const std::string held = demo.Entry('4');
  for (const char* text : {"abc", "", "12a96", "1296.5.1", "1296,5,1"}) {
    dlg.OnFrequencyEdited(Slot::SigGen, text);
    EXPECT_EQ(model().slot(Slot::SigGen).realLabel, "/ ----.---") << text;
    EXPECT_FALSE(model().slot(Slot::SigGen).inBand) << text;
    surface.FireTimer();
    EXPECT_EQ(demo.Entry('4'), held) << text;
  }
  dlg.OnFrequencyEdited(Slot::SigGen, "1296,5");
  surface.FireTimer();
  EXPECT_EQ(demo.Entry('4'), BuildSlotCommand(4, ChipType::Max2871, "1296.5", Band::Out1, PowerLevel::Minus1, 2, 10.0));
}

TEST_F(PanelTest, BandChangeFitsThePowerList) {
  Connect();
  dlg.OnPowerChosen(Slot::F3, PowerLevel::Plus5);
  dlg.OnBandChosen(Slot::F3, Band::Out2);
  EXPECT_EQ(PowerLabels(2), (std::vector<std::string>{"Off", "-1dBm"}));
  EXPECT_EQ(PowerLabel(model().slot(Slot::F3).power), "-1dBm");
  dlg.OnBandChosen(Slot::F3, Band::Out1);
  EXPECT_EQ(PowerLabels(2).size(), 5u);
  EXPECT_EQ(PowerLabel(model().slot(Slot::F3).power), "-1dBm");
  dlg.OnPowerChosen(Slot::F3, PowerLevel::Off);
  dlg.OnBandChosen(Slot::F3, Band::Out2);
  EXPECT_EQ(PowerLabel(model().slot(Slot::F3).power), "Off");
}

struct StepCase {
  const char* text;
  int caret;
  Key key;
  const char* expected;
};

TEST_F(PanelTest, ArrowKeysStepTheDigitLeftOfTheCaret) {
  Connect();
  const StepCase cases[] = {
      {"1296.000", 4, Key::Up, "1297.000000"},  // units digit
      {"1296.000", 2, Key::Up, "1396.000000"},  // hundreds
      {"0.050", 3, Key::Down, "-0.050000"},     // first decimal; nothing keeps it positive
      {"999.000", 3, Key::Up, "1000.000000"},   // carries into a new digit
      {"1296,5", 6, Key::Up, "1296.600000"},    // a decimal comma is the point
      {"1296.000", 5, Key::Up, "1296.000"},     // caret after the point: unchanged
      {"1296.000", 0, Key::Down, "1296.000"},   // caret at the start: unchanged
      {"ab12", 4, Key::Up, "ab12"},             // no number to step from
  };
  for (const StepCase& c : cases) {
    surface.FocusFrequency(Slot::F2);
    dlg.OnFrequencyEdited(Slot::F2, c.text);
    surface.SetCaret(Slot::F2, c.caret);
    EXPECT_TRUE(surface.PreTranslateMessage(c.key, false)) << c.text;
    EXPECT_EQ(model().slot(Slot::F2).rf, c.expected) << c.text << " caret " << c.caret;
    EXPECT_EQ(surface.GetCaret(Slot::F2), c.caret) << c.text;
  }
  // The label follows a stepped value.
  dlg.OnFrequencyEdited(Slot::F2, "1296.000");
  surface.SetCaret(Slot::F2, 4);
  surface.Wheel(120);
  EXPECT_EQ(model().slot(Slot::F2).realLabel, "/ 1296.999878");
  // Outside the frequency fields the arrows belong to the focused control.
  surface.FocusElsewhere();
  EXPECT_FALSE(surface.PreTranslateMessage(Key::Up, false));
  EXPECT_FALSE(surface.PreTranslateMessage(Key::B, false));
}

}  // namespace
}  // namespace korvane::testing
