// The firmware operations against the built-in demo board: no device, no bootloader.
#include <gtest/gtest.h>

#include "support/panel_test.h"

namespace korvane::testing {
namespace {

using Demo = PanelTest;

TEST_F(Demo, UpdateStopsAtTheFirstEraseWithOrWithoutConnection) {
  const std::string image = WriteTempFile("good.img", PatternImage(20480));
  for (bool connected : {false, true}) {
    SCOPED_TRACE(connected);
    surface.timeline.clear();
    surface.messages.clear();
    clock.sleeps.clear();
    if (connected) {
      ConnectAndClear("Demo");
    } else {
      ChoosePort("Demo");
    }
    ClickUpdate(image);

    ASSERT_EQ(surface.messages.size(), 1u);
    EXPECT_EQ(surface.messages[0].text, "Cannot erase page 8!");
    EXPECT_EQ(surface.messages[0].caption, "");
    EXPECT_FALSE(surface.messages[0].progressOpen);
    EXPECT_EQ(surface.timeline.front(), "create:Updating Firmware");
    // Only a connected board is switched over and given time to start its bootloader.
    EXPECT_EQ(clock.sleeps, connected ? std::vector<int>({10, 1500}) : std::vector<int>());
    ExpectDisconnectedPanel();
  }
}

TEST_F(Demo, RefusedOrCancelledImageOpensNothing) {
  const std::string shortImage = WriteTempFile("short.img", PatternImage(20479));
  const std::string missing = shortImage + ".gone";
  struct Case {
    std::optional<std::string> choice;
    std::vector<std::string> messages;
  };
  const Case cases[] = {
      {shortImage, {"File: " + shortImage + " is not a valid firmware image!"}},
      {missing, {"File: " + missing + " is not a valid firmware image!"}},
      {std::nullopt, {}},
  };
  ConnectAndClear("Demo");
  for (const Case& c : cases) {
    surface.messages.clear();
    surface.QueueFileChoice(c.choice);
    dlg.OnFirmwareUpdate();
    EXPECT_EQ(Messages(), c.messages);
    // The board stays connected: nothing was sent and no progress window appeared.
    EXPECT_EQ(link().GetPortState(), link::PortState::Open);
    EXPECT_TRUE(model().controls().disconnect);
  }
  EXPECT_TRUE(surface.progressLog.empty());
  EXPECT_TRUE(clock.sleeps.empty());
  ASSERT_EQ(surface.fileDialogs.size(), 3u);
  EXPECT_EQ(surface.fileDialogs[0].filterName, "Firmware files (*.img)");
  EXPECT_EQ(surface.fileDialogs[0].pattern, "*.img");
  EXPECT_EQ(surface.fileDialogs[0].defaultExtension, "img");
  EXPECT_FALSE(surface.fileDialogs[0].save);
}

TEST_F(Demo, FirmwareInfoShowsTheDemoIdentity) {
  ConnectAndClear("Demo");
  dlg.OnFirmwareInfo();
  ASSERT_EQ(surface.messages.size(), 1u);
  EXPECT_EQ(surface.messages[0].text,
            "Firmware version 3.40.1234 from 16052019. \n"
            "S/N 1111 1111 2222 2222 3333 3333");
  EXPECT_EQ(surface.messages[0].caption, "Firmware information");
  EXPECT_EQ(link().GetPortState(), link::PortState::Open);
}

TEST_F(Demo, CtrlBReportsTheDemoBootloaderAndDisconnects) {
  for (bool connected : {false, true}) {
    SCOPED_TRACE(connected);
    surface.timeline.clear();
    surface.messages.clear();
    surface.steps = 0;
    clock.sleeps.clear();
    if (connected) {
      ConnectAndClear("Demo");
    } else {
      ChoosePort("Demo");
    }
    EXPECT_TRUE(surface.PreTranslateMessage(Key::B, true));

    // The version shows while the progress window is still up, the request to reconnect after
    // it is gone and the panel is disconnected.
    const std::vector<std::string> expected = {"create:Please wait", "message:Bootloader v3.40", "destroy",
                                               "message:Please reconnect the board."};
    EXPECT_EQ(surface.timeline, expected);
    ASSERT_EQ(surface.messages.size(), 2u);
    EXPECT_EQ(surface.messages[0].caption, "Information");
    EXPECT_EQ(surface.messages[1].caption, "Information");
    EXPECT_FALSE(surface.messages[1].boardShown);
    EXPECT_EQ(surface.steps, 2);
    EXPECT_EQ(clock.sleeps, connected ? std::vector<int>({10, 1500}) : std::vector<int>());
    ExpectDisconnectedPanel();
  }
}

TEST_F(Demo, OtherKeysDoNotReachTheBootloader) {
  ConnectAndClear("Demo");
  EXPECT_FALSE(surface.PreTranslateMessage(Key::B, false));
  EXPECT_FALSE(surface.PreTranslateMessage(Key::Other, true));
  EXPECT_TRUE(surface.timeline.empty());
  EXPECT_EQ(link().GetPortState(), link::PortState::Open);
}

}  // namespace
}  // namespace korvane::testing
