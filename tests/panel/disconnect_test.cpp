#include <clocale>

#include "support/panel_test.h"
#include "synth/register_set.h"

namespace korvane::testing {
namespace {

TEST_F(PanelTest, DisconnectKeepsFieldsAndIsIdempotent) {
  Connect();
  Type(ctl::Freq(3), "433.5");
  Click(ctl::kDisconnect);
  auto snapshot = [this] {
    std::vector<std::string> state;
    for (int id = 1; id <= 1046; ++id) {
      state.push_back(surface.GetText(id) + "|" + std::to_string(surface.IsEnabled(id)) + "|" +
                      std::to_string(surface.GetSelection(id)) + "|" + std::to_string(surface.GetCheck(id)));
    }
    return state;
  };
  auto once = snapshot();
  Click(ctl::kDisconnect);
  EXPECT_EQ(snapshot(), once);
  EXPECT_EQ(link().GetPortState(), link::PortState::None);
  EXPECT_EQ(surface.GetText(ctl::Freq(3)), "433.5");
  EXPECT_FALSE(surface.IsEnabled(ctl::Freq(3)));
  EXPECT_FALSE(surface.IsEnabled(ctl::kSave));
  EXPECT_TRUE(surface.IsEnabled(ctl::kConnect));
  EXPECT_EQ(surface.GetText(ctl::kRepairUpdate), "Repair...");
  EXPECT_EQ(surface.GetText(ctl::kChipCaption), "Chip:");
  EXPECT_EQ(surface.GetFocus(), ctl::kPortList);
}

TEST_F(PanelTest, TimerAfterDisconnectSendsNothing) {
  Connect();
  Type(ctl::Freq(4), "1000");
  ASSERT_TRUE(surface.TimerArmed());
  Click(ctl::kDisconnect);
  std::string before = demo.Entry('4');
  surface.FireTimer();
  EXPECT_EQ(demo.Entry('4'), before);
}

TEST_F(PanelTest, DemoStoreSurvivesReconnect) {
  Connect();
  Type(ctl::Freq(4), "1000");
  surface.FireTimer();
  Click(ctl::kDisconnect);
  Type(ctl::Freq(4), "180.000");
  Connect();
  EXPECT_EQ(surface.GetText(ctl::Freq(4)), "1000.000000");
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
  reentrant.ChoosePort("Demo");
  reentrant.Click(ctl::kConnect);
  reentrant.FireTimer();
  reentrant.Type(ctl::Freq(4), "1000");
  std::string before = demo.Entry('4');
  // The firmware information box is up while the tuning timer comes due.
  reentrant.dlg = &other;
  reentrant.Click(ctl::kFirmwareInfo);
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
  EXPECT_FALSE(reentrant.IsEnabled(ctl::kConnect));
}

TEST_F(PanelTest, NumbersIgnoreADecimalCommaLocale) {
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 locale not installed";
  Connect();
  EXPECT_EQ(surface.GetText(ctl::kReference), "10.000000");
  EXPECT_EQ(surface.GetText(ctl::Real(4)), "/ 144.000000");
  EXPECT_EQ(dlg.ReferenceCommand(), "R  10.000000  ;");
  Type(ctl::kReference, "12.5");
  EXPECT_EQ(dlg.ReferenceCommand(), "R  12.500000  ;");
  std::setlocale(LC_ALL, "C");
}

}  // namespace
}  // namespace korvane::testing
