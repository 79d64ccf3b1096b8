// What only the window shows: the exact-frequency box, the port field across refreshes, the
// reason behind a port that cannot be opened, and the progress of a firmware update.
#include <sys/stat.h>
#include <unistd.h>

#include <QCheckBox>
#include <QLabel>
#include <filesystem>
#include <fstream>
#include <set>

#include "app/update_info_dlg.h"
#include "link/port_access.h"
#include "support/ser2net_server.h"
#include "support/virtual_board.h"
#include "window_fixture.h"

namespace korvane::app::testing {
namespace {

using test::VirtualBoard;

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST_F(WindowTest, TickingExactSolvesEverySlotAgainAndSendsOneLiveSet) {
  VirtualBoard board({.hwTag = "v4s."});
  Connect(board.path(), 3);
  ASSERT_TRUE(messages.empty()) << messages[0].text;
  TypeInto(ui().Of(Slot::SigGen).frequency, "1296");
  TypeInto(ui().Of(Slot::F1).frequency, "2256");
  ASSERT_TRUE(WaitFor([&] { return board.Count(board.Stored('4')) == 1; }, 3000));
  EXPECT_EQ(Text(ui().Of(Slot::SigGen).real), "/ 1295.999878");
  EXPECT_EQ(ui().Of(Slot::SigGen).real->toolTip().toStdString(), "-122.2 Hz from 1296.000000 MHz");
  // F1 goes out on OUT2, whose band begins at 5 GHz: the tooltip says so.
  EXPECT_EQ(ui().Of(Slot::F1).real->toolTip().toStdString(),
            "-244.4 Hz from 2256.000000 MHz\n2256.000000 MHz lies outside the MAX2871's band for OUT2 5..12GHz "
            "(5000.000 to 12000.000 MHz); it is sent as typed and may not lock.");
  const std::string classicSet = board.Stored('4');
  // The retune ends with its lock read; the log is cleared once that has come back.
  Settle();
  board.ClearLog();

  QTest::mouseClick(ui().exact, Qt::LeftButton);
  // At once: every label and tooltip; half a second later: one live send.
  EXPECT_EQ(Text(ui().Of(Slot::SigGen).real), "/ 1296.000000");
  EXPECT_EQ(Text(ui().Of(Slot::F1).real), "/ 2256.000000");
  EXPECT_EQ(ui().Of(Slot::SigGen).real->toolTip().toStdString(), "exact");
  EXPECT_TRUE(board.Log().empty());
  // The reference, the slot set, and the lock read after it.
  ASSERT_TRUE(WaitFor([&] { return board.Log().size() == 3; }, 3000));
  QTest::qWait(panel::kTuneDelayMs + 100);
  ASSERT_EQ(board.Log().size(), 3u);
  EXPECT_NE(board.Stored('4'), classicSet);
  // INT 518, FRAC 2, MOD 5.
  EXPECT_EQ(board.Log()[1].substr(0, 20), "4 01030010 20008028 ");

  // A saved file carries the mode and brings it back.
  const std::string path = (std::filesystem::temp_directory_path() / "korvane-exact.kvini").string();
  std::filesystem::remove(path);
  fileChoice = path;
  Settle();
  QTest::mouseClick(ui().saveConfig, Qt::LeftButton);
  EXPECT_NE(Slurp(path).find("Exact=1"), std::string::npos);
  QTest::mouseClick(ui().exact, Qt::LeftButton);
  EXPECT_EQ(Text(ui().Of(Slot::SigGen).real), "/ 1295.999878");
  QTest::mouseClick(ui().loadConfig, Qt::LeftButton);
  EXPECT_TRUE(ui().exact->isChecked());
  EXPECT_EQ(Text(ui().Of(Slot::SigGen).real), "/ 1296.000000");
  std::filesystem::remove(path);
}

TEST_F(WindowTest, ATypedDevicePathSurvivesAListRefreshAndIsWhatConnects) {
  VirtualBoard board({.hwTag = "v4s."});
  ports = {{"ttyUSB0", "FTDI FT232R USB UART"}};
  auto* combo = ui().portList;
  combo->lineEdit()->selectAll();
  QTest::keyClicks(combo->lineEdit(), QString::fromStdString(board.path()));
  combo->showPopup();
  combo->hidePopup();
  EXPECT_EQ(combo->currentText().toStdString(), board.path());
  QTest::mouseClick(ui().connect, Qt::LeftButton);
  Settle();
  ASSERT_TRUE(messages.empty()) << messages[0].text;
  EXPECT_EQ(link().GetPortState(), link::PortState::Open);
  EXPECT_EQ(board.Count("V;"), 1);
}

// A port whose open fails as a dialout device without permission does (as root, no
// permission stops).
class DeniedTransport : public link::Transport {
 public:
  using Transport::Transport;
  OpenResult Open(const std::string& portName) override {
    failure_ = link::DescribeOpenFailure(portName, EACCES, {link::PortFileKind::CharDevice, 20, "dialout"});
    return OpenResult::CannotOpen;
  }
  bool IsOpen() const override { return false; }
  void Purge() override {}
  void Write(std::string_view) override {}
  ReadResult ReadByte(char&, int) override { return ReadResult::Failed; }
  void Close() override {}
};

TEST_F(WindowTest, APortWithoutPermissionNamesItsGroupAndTheFixInTheMessage) {
  VirtualBoard board;
  struct stat info {};
  ASSERT_EQ(::stat(board.path().c_str(), &info), 0);
  if (::geteuid() == 0) {
    transports = [](const std::string&, Clock& clock) { return std::make_unique<DeniedTransport>(clock); };
  } else {
    ASSERT_EQ(::chmod(board.path().c_str(), 0), 0);
  }
  Connect(board.path(), 3);
  ASSERT_EQ(messages.size(), 1u);
  const std::string details = messages[0].text;
  EXPECT_EQ(details.rfind("Could not find Synth board!\nPermission denied: ", 0), 0u) << details;
  EXPECT_NE(details.find(board.path()), std::string::npos) << details;
  const std::string group = ::geteuid() == 0 ? "dialout" : link::InspectPortFile(board.path()).groupName;
  EXPECT_NE(details.find("group " + group), std::string::npos) << details;
  if (group != "root") {
    EXPECT_NE(details.find("usermod -aG " + group), std::string::npos) << details;
  }
  EXPECT_EQ(board.Count("V;"), 0);
}

TEST_F(WindowTest, TheProgressWindowShowsPercentageHalfwordsAndTimeLeft) {
  VirtualBoard board({.hwTag = "v4s."});
  Connect(board.path(), 3);
  std::vector<uint8_t> image(20480);
  for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 13);
  const std::string path = (std::filesystem::temp_directory_path() / "korvane-progress.img").string();
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(image.data()), 20480);
  fileChoice = path;
  std::vector<std::string> seen;
  QObject::connect(&window->model(), &panel::PanelModel::progressChanged, window.get(), [&] {
    if (window->progress() == nullptr) return;
    const std::string text = window->progress()->details()->text().toStdString();
    if (seen.empty() || seen.back() != text) seen.push_back(text);
  });
  QTest::mouseClick(ui().repairUpdate, Qt::LeftButton);
  Settle(60000);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "Firmware was updated. Please reconnect the board.");
  std::set<std::string> percentages;
  bool halfwords = false, timeLeft = false;
  for (const std::string& text : seen) {
    percentages.insert(text.substr(0, text.find('%')));
    halfwords = halfwords || text.find(" of 10240 halfwords") != std::string::npos;
    timeLeft = timeLeft || text.find(" left") != std::string::npos;
  }
  EXPECT_GE(percentages.size(), 5u);
  EXPECT_TRUE(halfwords);
  EXPECT_TRUE(timeLeft);
  std::filesystem::remove(path);
}

TEST_F(WindowTest, ANetworkPortWhoseServerDiesLeavesTheWindowRunning) {
  for (const auto mode : {test::Ser2NetMode::Raw, test::Ser2NetMode::Rfc2217}) {
    VirtualBoard board({.hwTag = "v4s."});
    test::Ser2NetServer server({.mode = mode, .device = board.path()});
    messages.clear();
    fileChoice.reset();
    Connect(server.Url(), 3);
    ASSERT_TRUE(messages.empty()) << messages[0].text;
    ASSERT_EQ(link().GetPortState(), link::PortState::Open);
    // The name typed is kept across a refresh of the list, as a device path is.
    ui().portList->showPopup();
    ui().portList->hidePopup();
    EXPECT_EQ(window->model().port(), server.Url());

    std::vector<uint8_t> image(20480, 0xFF);
    const std::string path = (std::filesystem::temp_directory_path() / "korvane-net.img").string();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(image.data()), 20480);
    fileChoice = path;
    const QMetaObject::Connection killer =
        QObject::connect(&window->model(), &panel::PanelModel::progressChanged, window.get(), [&] {
          if (board.Count("E 10;") > 0) server.Kill();
        });
    QTest::mouseClick(ui().repairUpdate, Qt::LeftButton);
    Settle(60000);
    QObject::disconnect(killer);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, std::string("Connection with device lost!\n") + panel::kUpdateCutText);
    EXPECT_FALSE(quitCode.has_value());
    EXPECT_EQ(link().GetPortState(), link::PortState::None);
    EXPECT_TRUE(ui().connect->isEnabled());
    EXPECT_EQ(window->progress(), nullptr);
    std::filesystem::remove(path);
  }
}

}  // namespace
}  // namespace korvane::app::testing
