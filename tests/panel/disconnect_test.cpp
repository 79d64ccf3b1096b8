#include <clocale>
#include <utility>

#include "support/panel_test.h"
#include "synth/register_set.h"

namespace korvane::testing {
namespace {

TEST_F(PanelTest, DisconnectKeepsFieldsAndIsIdempotent) {
  Connect();
  dlg.OnFrequencyEdited(Slot::F4, "433.5");
  dlg.OnDisconnect();
  // Everything the window shows.
  auto snapshot = [this] {
    std::vector<std::string> shown = {model().reference(),   model().speed(), model().text(),
                                      model().chipCaption(), model().port(),  model().givenText()};
    for (int s = 0; s < kSlotCount; ++s) {
      const panel::SlotState& slot = model().slot(SlotAt(s));
      shown.insert(shown.end(), {slot.rf, slot.realLabel, slot.errorText, std::string(PowerLabel(slot.power)),
                                 std::string(BandLabel(slot.band)), slot.inBand ? "in band" : "out of band"});
    }
    for (bool on : {model().extReference(), model().exact(), model().beacon(), model().scan(),
                    model().pinFunction() == PinFunction::CwKeying}) {
      shown.push_back(on ? "on" : "off");
    }
    return std::pair(shown, model().controls());
  };
  auto once = snapshot();
  dlg.OnDisconnect();
  EXPECT_EQ(snapshot(), once);
  EXPECT_EQ(link().GetPortState(), link::PortState::None);
  EXPECT_EQ(model().slot(Slot::F4).rf, "433.5");
  EXPECT_FALSE(model().controls().frequency);
  EXPECT_FALSE(model().controls().save);
  EXPECT_TRUE(model().controls().connect);
  EXPECT_EQ(model().controls().updateText, "Repair...");
  EXPECT_EQ(model().chipCaption(), "Chip:");
  EXPECT_TRUE(surface.portListFocused);
}

TEST_F(PanelTest, TimerAfterDisconnectSendsNothing) {
  Connect();
  dlg.OnFrequencyEdited(Slot::SigGen, "1000");
  ASSERT_TRUE(surface.TimerArmed());
  dlg.OnDisconnect();
  std::string before = demo.Entry('4');
  surface.FireTimer();
  EXPECT_EQ(demo.Entry('4'), before);
}

TEST_F(PanelTest, DemoStoreSurvivesReconnect) {
  Connect();
  dlg.OnFrequencyEdited(Slot::SigGen, "1000");
  surface.FireTimer();
  dlg.OnDisconnect();
  dlg.OnFrequencyEdited(Slot::SigGen, "180.000");
  Connect();
  EXPECT_EQ(model().slot(Slot::SigGen).rf, "1000.000000");
}

// A view whose message box lets the tuning timer fire and a click arrive, as a window's event
// loop does while a box is up.
class ReentrantView : public HeadlessView {
 public:
  using HeadlessView::HeadlessView;
  void ShowMessage(const panel::Message& message, std::function<void()> closed) override {
    if (dlg) {
      dlg->OnTimer();
      dlg->OnConnect();  // a click that reached the window meanwhile
      sendsDuringMessage = demo->Entry('4');
    }
    HeadlessView::ShowMessage(message, std::move(closed));
  }
  CMainDlg* dlg = nullptr;
  link::DemoStore* demo = nullptr;
  std::string sendsDuringMessage;
};

TEST_F(PanelTest, TimerDuringAnOperationWaitsUntilItEnds) {
  panel::PanelModel otherModel;
  ReentrantView reentrant(otherModel);
  reentrant.demo = &demo;
  CMainDlg other(otherModel, reentrant, runner);
  reentrant.Attach(other);
  other.OnInitDialog();
  // By name: the system's own ports may come first in the list (COM1 on Windows).
  other.OnPortChosen("Demo");
  other.OnConnect();
  reentrant.FireTimer();
  other.OnFrequencyEdited(Slot::SigGen, "1000");
  std::string before = demo.Entry('4');
  // The firmware information box is up while the tuning timer comes due.
  reentrant.dlg = &other;
  other.OnFirmwareInfo();
  reentrant.dlg = nullptr;
  ASSERT_EQ(reentrant.messages.size(), 1u);
  EXPECT_EQ(reentrant.sendsDuringMessage, before);
  // The tick is not replayed the moment the operation ends: the timer runs a full delay again.
  EXPECT_EQ(demo.Entry('4'), before);
  ASSERT_TRUE(reentrant.TimerArmed());
  EXPECT_EQ(reentrant.TimerMs(), panel::kTuneDelayMs);
  reentrant.FireTimer();
  EXPECT_EQ(demo.Entry('4'), BuildSlotCommand(4, ChipType::Max2871, "1000", Band::Out1, PowerLevel::Minus1, 2, 10.0));
  EXPECT_TRUE(otherModel.connected());  // the click on "Connect" during the box was dropped
  EXPECT_FALSE(otherModel.controls().connect);
}

TEST_F(PanelTest, NumbersIgnoreADecimalCommaLocale) {
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 locale not installed";
  Connect();
  EXPECT_EQ(model().reference(), "10.000000");
  EXPECT_EQ(model().slot(Slot::SigGen).realLabel, "/ 144.000000");
  EXPECT_EQ(dlg.ReferenceCommand(), "R  10.000000  ;");
  dlg.OnReferenceEdited("12.5");
  EXPECT_EQ(dlg.ReferenceCommand(), "R  12.500000  ;");
  std::setlocale(LC_ALL, "C");
}

}  // namespace
}  // namespace korvane::testing
