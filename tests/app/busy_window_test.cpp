// The window while a board works: it keeps painting, takes no input, loses no close request
// and never lets a tuning tick jump the queue.
#include <QAbstractItemView>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "firmware/firmware_image.h"
#include "support/virtual_board.h"
#include "window_fixture.h"

namespace korvane::app::testing {
namespace {

using test::BoardMode;
using test::VirtualBoard;

// The largest gap between the ticks of a fast timer on the window's thread.
class StallMeter {
 public:
  StallMeter() {
    QObject::connect(&ticker_, &QTimer::timeout, [this] {
      largest_ = std::max(largest_, since_.restart());
      ++ticks_;
    });
    since_.start();
    ticker_.start(2);
  }
  qint64 LargestGapMs() const { return largest_; }
  int Ticks() const { return ticks_; }

 private:
  QTimer ticker_;
  QElapsedTimer since_;
  qint64 largest_ = 0;
  int ticks_ = 0;
};

std::string WriteImage(const std::vector<uint8_t>& image) {
  const auto path = std::filesystem::temp_directory_path() / ("korvane-busy-" + std::to_string(::getpid()) + ".img");
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
  return path.string();
}

std::vector<uint8_t> Image() {
  std::vector<uint8_t> image(firmware::kMinImageBytes);
  for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 7 + i / 300);
  return image;
}

std::vector<uint8_t> Flashed(const VirtualBoard& board, size_t size) {
  std::vector<uint8_t> flash = board.Flash();
  flash.resize(size);
  return flash;
}

constexpr qint64 kStallBoundMs = 50;

TEST_F(WindowTest, EventsKeepFlowingDuringASilentConnectAndAFirmwareUpdate) {
  {
    VirtualBoard silent;
    silent.SetSilent(true);
    link().SetReadTimeoutMs(300);
    StallMeter meter;
    Connect(silent.path(), 3);
    EXPECT_GE(meter.Ticks(), 20);
    EXPECT_LE(meter.LargestGapMs(), kStallBoundMs) << "silent connect";
    std::printf("largest event-loop gap, silent connect: %lld ms over %d ticks\n",
                static_cast<long long>(meter.LargestGapMs()), meter.Ticks());
    link().SetReadTimeoutMs(2000);
  }
  VirtualBoard board({.hwTag = "v4s."});
  Connect(board.path(), 3);
  ASSERT_EQ(link().GetPortState(), link::PortState::Open);
  const std::vector<uint8_t> image = Image();
  fileChoice = WriteImage(image);
  messages.clear();
  StallMeter meter;
  QTest::mouseClick(Get(ctl::kRepairUpdate), Qt::LeftButton);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "Firmware was updated. Please reconnect the board.");
  EXPECT_TRUE(Flashed(board, image.size()) == image);
  EXPECT_LE(meter.LargestGapMs(), kStallBoundMs) << "firmware update";
  std::printf("largest event-loop gap, firmware update: %lld ms over %d ticks\n",
              static_cast<long long>(meter.LargestGapMs()), meter.Ticks());
}

TEST_F(WindowTest, CloseDuringAFirmwareUpdateEndsTheProgramWhenTheFlashIsComplete) {
  const std::vector<uint8_t> image = Image();
  fileChoice = WriteImage(image);
  const struct {
    const char* name;
    std::function<void()> close;
  } ways[] = {
      {"close box", [&] { window->close(); }},
      {"Exit", [&] { QTest::mouseClick(Get(ctl::kExit), Qt::LeftButton); }},
      {"Alt+X", [&] { QTest::keyClick(window.get(), Qt::Key_X, Qt::AltModifier); }},
  };
  for (const auto& way : ways) {
    SCOPED_TRACE(way.name);
    VirtualBoard board({.hwTag = "v4s."});
    Connect(board.path(), 3);
    messages.clear();
    quitCode.reset();
    size_t messagesAtQuit = 0;
    window->surface().quitHook = [&](int code) {
      quitCode = code;
      messagesAtQuit = messages.size();
    };
    bool closedDuring = false;
    QTimer::singleShot(300, [&] {
      closedDuring = window->dlg().IsBusy();
      way.close();
    });
    QTest::mouseClick(Get(ctl::kRepairUpdate), Qt::LeftButton);
    ASSERT_TRUE(closedDuring);
    ASSERT_TRUE(quitCode.has_value());
    EXPECT_EQ(*quitCode, 0);
    // The update ran to its end and said so before the program ended.
    ASSERT_EQ(messagesAtQuit, 1u);
    EXPECT_EQ(messages[0].text, "Firmware was updated. Please reconnect the board.");
    EXPECT_TRUE(Flashed(board, image.size()) == image);
    window->show();
  }
}

TEST_F(WindowTest, CloseWhileLookingForASilentBoardStopsLookingAndEnds) {
  VirtualBoard silent;
  silent.SetSilent(true);
  link().SetReadTimeoutMs(1000);
  QTimer::singleShot(100, [&] { window->close(); });
  QElapsedTimer elapsed;
  elapsed.start();
  Connect(silent.path(), 3);
  EXPECT_LT(elapsed.elapsed(), 1000);  // not three handshakes of a second each
  EXPECT_TRUE(messages.empty());
  ASSERT_TRUE(quitCode.has_value());
  EXPECT_EQ(*quitCode, 0);
  EXPECT_EQ(silent.Count("V;"), 1);
}

TEST_F(WindowTest, AClickInAnOpenBandListDuringASendChangesNothing) {
  VirtualBoard board({.hwTag = "v4s."});
  Connect(board.path(), 3);
  ASSERT_EQ(link().GetPortState(), link::PortState::Open);
  board.SetByteDelayMs(20);  // a slow board: the send takes a while
  auto* bands = Get<QComboBox>(ctl::BandList(4));
  ASSERT_TRUE(bands->isEnabled());
  ASSERT_EQ(bands->currentIndex(), 0);
  bands->showPopup();
  QAbstractItemView* view = bands->view();
  ASSERT_TRUE(view->isVisible());
  bool busyDuringClick = false;
  QTimer::singleShot(20, [&] {
    busyDuringClick = window->dlg().IsBusy();
    const QRect item = view->visualRect(view->model()->index(1, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, item.center());
  });
  board.ClearLog();
  window->dlg().OnTimer(ctl::kTuneTimerId);  // the tuning timer comes due
  ASSERT_TRUE(busyDuringClick);
  EXPECT_EQ(bands->currentIndex(), 0);
  EXPECT_EQ(Get<QComboBox>(ctl::Power(4))->count(), 5);
  ASSERT_EQ(board.Log().size(), 2u);
  EXPECT_EQ(board.Log()[1], board.Stored('4'));
  EXPECT_EQ(window->dlg().ReadSettings().freqSlots[4].band, Band::Out1);
  bands->hidePopup();
}

TEST_F(WindowTest, ATickDuringASlowConnectWaitsAFullDelayAfterIt) {
  Connect("Demo", 3);
  TypeInto(ctl::Freq(4), "1000");  // arms the tuning timer
  QTest::mouseClick(Get(ctl::kDisconnect), Qt::LeftButton);
  VirtualBoard slow({.hwTag = "v4s."});
  slow.SetByteDelayMs(2);  // the readout takes longer than the tuning delay
  QElapsedTimer connect;
  connect.start();
  Connect(slow.path(), 3);
  ASSERT_GT(connect.elapsed(), ctl::kTuneDelayMs);
  ASSERT_EQ(window->dlg().isConnected, 1);
  const size_t readout = slow.Log().size();
  // Right after the readout nothing is sent...
  QTest::qWait(ctl::kTuneDelayMs / 2);
  EXPECT_EQ(slow.Log().size(), readout);
  // ...the live send follows once the delay has passed.
  QTRY_COMPARE_WITH_TIMEOUT(slow.Log().size(), readout + 2, 2000);
  EXPECT_EQ(slow.Log().back(), slow.Stored('4'));
}

}  // namespace
}  // namespace korvane::app::testing
