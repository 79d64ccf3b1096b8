#include <clocale>

#include "support/panel_test.h"
#include "synth/register_set.h"

namespace korvane::testing {
namespace {

TEST_F(PanelTest, DisconnectKeepsFieldsAndIsIdempotent) {
  Connect();
  Type(ctl::Freq(3), "433.5");
  dlg.OnCommand(ctl::kDisconnect);
  auto snapshot = [this] {
    std::vector<std::string> state;
    for (int id = 1; id <= 1045; ++id) {
      const auto& c = surface.control(id);
      state.push_back(c.text + "|" + std::to_string(c.enabled) + "|" + std::to_string(c.selection) + "|" +
                      std::to_string(c.checked));
    }
    return state;
  };
  auto once = snapshot();
  dlg.OnCommand(ctl::kDisconnect);
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
  dlg.OnCommand(ctl::kDisconnect);
  std::string before = demo.Entry('4');
  surface.FireTimer(dlg);
  EXPECT_EQ(demo.Entry('4'), before);
}

TEST_F(PanelTest, DemoStoreSurvivesReconnect) {
  Connect();
  Type(ctl::Freq(4), "1000");
  surface.FireTimer(dlg);
  dlg.OnCommand(ctl::kDisconnect);
  dlg.SetFieldText(ctl::Freq(4), "180.000");
  Connect();
  EXPECT_EQ(surface.GetText(ctl::Freq(4)), "1000.000000");
}

// A surface whose message box lets the tuning timer fire, as a modal box's own event loop would.
class ReentrantSurface : public HeadlessSurface {
 public:
  void MessageBox(const std::string& text, const std::string& caption, MessageIcon icon) override {
    HeadlessSurface::MessageBox(text, caption, icon);
    if (dlg) {
      dlg->OnTimer(ctl::kTuneTimerId);
      dlg->OnCommand(ctl::kConnect);  // a click that reached the window meanwhile
      sendsDuringMessage = demo->Entry('4');
    }
  }
  CMainDlg* dlg = nullptr;
  link::DemoStore* demo = nullptr;
  std::string sendsDuringMessage;
};

TEST_F(PanelTest, TimerDuringAHandlerWaitsUntilItEnds) {
  ReentrantSurface reentrant;
  reentrant.demo = &demo;
  CMainDlg other(reentrant, session);
  other.OnInitDialog();
  reentrant.SetSelection(ctl::kPortList, 0);
  other.OnCommand(ctl::kConnect);
  reentrant.FireTimer(other);
  reentrant.SetText(ctl::Freq(4), "1000");
  other.OnUserChange(ctl::Freq(4));
  std::string before = demo.Entry('4');
  // The firmware information box is up while the tuning timer comes due.
  reentrant.dlg = &other;
  other.OnCommand(ctl::kFirmwareInfo);
  reentrant.dlg = nullptr;
  ASSERT_EQ(reentrant.messages.size(), 1u);
  EXPECT_EQ(reentrant.sendsDuringMessage, before);
  // The tick is not replayed the moment the handler ends: the timer runs a full delay again.
  EXPECT_EQ(demo.Entry('4'), before);
  ASSERT_TRUE(reentrant.TimerArmed());
  EXPECT_EQ(reentrant.TimerMs(), ctl::kTuneDelayMs);
  reentrant.FireTimer(other);
  EXPECT_EQ(demo.Entry('4'), BuildSlotCommand(4, ChipType::Max2871, "1000", Band::Out1, PowerLevel::Minus1, 2, 10.0));
  EXPECT_EQ(other.isConnected, 1);  // the click on "Connect" during the handler was dropped
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
