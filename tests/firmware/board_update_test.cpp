// Firmware update and bootloader recovery through the real serial path, against a virtual
// board with a bootloader and an application flash.
#include <gtest/gtest.h>

#include <algorithm>

#include "firmware/firmware_image.h"
#include "support/panel_test.h"
#include "support/virtual_board.h"

namespace korvane::testing {
namespace {

using test::BoardMode;
using test::VirtualBoard;
using test::VirtualBoardOptions;

constexpr char kUpdated[] = "Firmware was updated. Please reconnect the board.";

class BoardTest : public PanelTest {
 protected:
  BoardTest() : PanelTest(20) {}
  // Starts the operation as the user would: "Update..." on a connected board, "Repair..." on
  // one that already waits in its bootloader.
  void Prepare(VirtualBoard& board, bool connected) {
    if (connected) {
      ConnectAndClear(board.path());
    } else {
      board.SetMode(BoardMode::Bootloader);
      ChoosePort(board.path());
    }
    board.ClearLog();
    // Flash that was never erased refuses writes, so a skipped erase cannot go unnoticed.
    board.SetFlash(std::vector<uint8_t>(test::kFlashSize, 0x00));
  }
};

std::vector<std::string> Expected(std::initializer_list<std::string> texts) { return texts; }

TEST_F(BoardTest, ImagesEndUpInFlashExactly) {
  struct Case {
    size_t fileSize;
    bool connected;
  };
  const Case cases[] = {{20480, false}, {24576, true}, {20481, false}, {30000, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fileSize);
    VirtualBoard board;
    surface.messages.clear();
    clock.sleeps.clear();
    Prepare(board, c.connected);
    const std::vector<uint8_t> file = PatternImage(c.fileSize);
    ClickUpdate(WriteTempFile("image.img", file));

    ASSERT_EQ(Messages(), Expected({kUpdated}));
    EXPECT_EQ(surface.messages[0].caption, "Information");
    EXPECT_FALSE(surface.messages[0].progressOpen);
    EXPECT_FALSE(surface.messages[0].boardShown);
    ExpectDisconnectedPanel();

    const size_t n = std::min(c.fileSize, firmware::kMaxImageBytes);
    std::vector<uint8_t> expected(test::kFlashSize, 0xFF);
    std::copy(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(n), expected.begin());
    EXPECT_TRUE(board.Flash() == expected);

    // After the switch and the handshake: 24 erases in page order, one address, the halfwords.
    std::vector<std::string> log = board.Log();
    std::vector<std::string> head = {"V;"};
    if (c.connected) head.insert(head.begin(), "B;");
    ASSERT_GE(log.size(), head.size() + 25);
    EXPECT_TRUE(std::equal(head.begin(), head.end(), log.begin()));
    for (int page = 8; page <= 31; ++page) {
      EXPECT_EQ(log[head.size() + static_cast<size_t>(page - 8)], firmware::EraseCommand(page));
    }
    EXPECT_EQ(log[head.size() + 24], "A 08002000;");
    EXPECT_EQ(log.size(), head.size() + 25 + firmware::HalfwordCount(n));
    EXPECT_EQ(surface.progressValue, static_cast<int>(firmware::HalfwordCount(n)));
    EXPECT_EQ(clock.sleeps, c.connected ? std::vector<int>({10, 1500}) : std::vector<int>());
    session.Close();
  }
}

TEST_F(BoardTest, RefusedImagesSendNothing) {
  VirtualBoard board;
  ConnectAndClear(board.path());
  board.ClearLog();
  const std::string shortImage = WriteTempFile("short.img", PatternImage(20479));
  for (const std::string& path : {shortImage, shortImage + ".missing"}) {
    surface.messages.clear();
    ClickUpdate(path);
    EXPECT_EQ(Messages(), Expected({"File: " + path + " is not a valid firmware image!"}));
  }
  EXPECT_TRUE(board.Log().empty());
  EXPECT_EQ(board.Mode(), BoardMode::Firmware);
  EXPECT_TRUE(surface.timeline.size() == 2 && surface.progressLog.empty());
  EXPECT_TRUE(model().controls().disconnect);
}

TEST_F(BoardTest, EachRefusalStopsAtOnceAndDisconnects) {
  struct Case {
    const char* name;
    std::function<void(VirtualBoard&)> fault;
    std::string message;
    std::string lastCommand;  // nothing after it reached the board
  };
  const std::vector<uint8_t> file = PatternImage(20480);
  const std::string path = WriteTempFile("image.img", file);
  const Case cases[] = {
      {"no bootloader", [](VirtualBoard& b) { b.SetMode(BoardMode::Firmware); }, "Cannot connect to board bootloader!",
       "V;"},
      {"erase page 31", [](VirtualBoard& b) { b.SetRefuse("E 1F;"); }, "Cannot erase page 31!", "E 1F;"},
      {"address", [](VirtualBoard& b) { b.SetRefuse("A "); }, "Address setting error!", "A 08002000;"},
      {"write at 0x10", [](VirtualBoard& b) { b.SetRefuse("W", "ERR;", 8); }, "Error writing address 08002010h!",
       firmware::WriteCommand(file, 0x10)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    VirtualBoard board;
    surface.messages.clear();
    Prepare(board, false);
    c.fault(board);
    ClickUpdate(path);

    ASSERT_EQ(surface.messages.size(), 1u);
    EXPECT_EQ(surface.messages[0].text, c.message);
    EXPECT_EQ(surface.messages[0].caption, "");
    EXPECT_FALSE(surface.messages[0].progressOpen);
    ASSERT_FALSE(board.Log().empty());
    EXPECT_EQ(board.Log().back(), c.lastCommand);
    ExpectDisconnectedPanel();
  }
}

TEST_F(BoardTest, BoardVanishingMidWritesEndsTheUpdate) {
  const std::vector<uint8_t> file = PatternImage(24576);
  VirtualBoard board;
  Prepare(board, false);
  board.HangUpAfter(firmware::WriteCommand(file, 4000));
  ClickUpdate(WriteTempFile("image.img", file));

  ASSERT_EQ(surface.messages.size(), 1u);
  EXPECT_EQ(surface.messages[0].text, std::string("Connection with device lost!\n") + panel::kUpdateCutText);
  EXPECT_EQ(surface.messages[0].caption, "Error!");
  EXPECT_FALSE(surface.messages[0].progressOpen);
  EXPECT_EQ(board.Count("A 08002000;"), 1);
  EXPECT_EQ(board.Log().back(), firmware::WriteCommand(file, 4000));
  ExpectDisconnectedPanel();
}

// Once "B;" has gone out the board no longer runs its firmware, so the panel must not go on
// showing it as connected when its bootloader cannot be found either.
TEST_F(BoardTest, MissingBootloaderAfterTheSwitchLeavesThePanelDisconnected) {
  const std::string path = WriteTempFile("image.img", PatternImage(20480));
  for (bool update : {true, false}) {
    SCOPED_TRACE(update);
    VirtualBoard board({.bootloaderBanner = "Some other loader v3.2"});
    surface.messages.clear();
    ConnectAndClear(board.path());
    if (update) {
      ClickUpdate(path);
    } else {
      EXPECT_TRUE(surface.PreTranslateMessage(Key::B, true));
    }
    ASSERT_EQ(surface.messages.size(), 1u);
    EXPECT_EQ(surface.messages[0].text, "Cannot connect to board bootloader!");
    EXPECT_FALSE(surface.messages[0].progressOpen);
    EXPECT_FALSE(surface.messages[0].boardShown);
    EXPECT_EQ(board.Count("B;"), 1);
    ExpectDisconnectedPanel();
  }
}

TEST_F(BoardTest, CtrlBFindsTheBootloaderWithAndWithoutConnection) {
  for (bool connected : {true, false}) {
    SCOPED_TRACE(connected);
    VirtualBoard board;
    surface.messages.clear();
    Prepare(board, connected);
    EXPECT_TRUE(surface.PreTranslateMessage(Key::B, true));

    EXPECT_EQ(Messages(), Expected({"Bootloader v3.2", "Please reconnect the board."}));
    EXPECT_EQ(board.Mode(), BoardMode::Bootloader);
    EXPECT_EQ(board.Log(), connected ? Expected({"B;", "V;"}) : Expected({"V;"}));
    ExpectDisconnectedPanel();
  }
}

TEST_F(BoardTest, CtrlBFindsNothingOnASilentPort) {
  VirtualBoard board;
  board.SetSilent(true);
  // Three handshakes wait out the read time-out; a short one keeps the test quick. Boards that
  // answer keep the usual one, so that a busy machine cannot make a reply late.
  link().SetReadTimeoutMs(150);
  ChoosePort(board.path());
  EXPECT_TRUE(surface.PreTranslateMessage(Key::B, true));
  EXPECT_EQ(Messages(), Expected({"Cannot connect to board bootloader!"}));
  EXPECT_EQ(board.Count("V;"), 3);
  EXPECT_EQ(link().GetPortState(), link::PortState::None);
  EXPECT_FALSE(surface.progressOpen);
}

}  // namespace
}  // namespace korvane::testing
