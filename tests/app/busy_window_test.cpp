// The window while a board works: the board work runs on the session's thread, the window
// keeps running its events, loses no close request, can cancel a connect and never lets a
// tuning tick jump the queue.
#include <QAbstractItemView>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <thread>

#include "firmware/firmware_image.h"
#include "support/virtual_board.h"
#include "synth/register_set.h"
#include "window_fixture.h"

namespace korvane::app::testing {
namespace {

using test::BoardMode;
using test::VirtualBoard;

// Counts the ticks of a fast timer on the window's thread while the window is busy with board
// work: a window that waited on the wire would see none until the work ended. How far apart the
// ticks come is the event-loop benchmark's business (bench/window_event_loop_bench.cpp), since a
// machine shared with other programs stretches any gap.
class TickCounter {
 public:
  explicit TickCounter(MainWindow& window) {
    QObject::connect(&ticker_, &QTimer::timeout, [this, &window] {
      if (window.model().busy()) ++busyTicks_;
    });
    ticker_.start(2);
  }
  int BusyTicks() const { return busyTicks_; }

 private:
  QTimer ticker_;
  int busyTicks_ = 0;
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

// The window's events flow through a whole firmware update, and what it shows comes in the
// update's own order: within each phase (erasing, then writing) the bar only grows, and the
// closing message follows the last step.
TEST_F(WindowTest, EventsKeepFlowingThroughAFirmwareUpdate) {
  VirtualBoard board({.hwTag = "v4s."});
  Connect(board.path(), 3);
  ASSERT_EQ(link().GetPortState(), link::PortState::Open);
  const std::vector<uint8_t> image = Image();
  fileChoice = WriteImage(image);
  messages.clear();
  std::vector<std::pair<int, int>> shown;  // the bar's maximum and value
  size_t shownAtMessage = 0;
  onMessage = [&] { shownAtMessage = shown.size(); };
  QObject::connect(&window->model(), &panel::PanelModel::progressChanged, window.get(), [&] {
    if (window->progress() == nullptr) return;
    const QProgressBar* bar = window->progress()->bar();
    shown.emplace_back(bar->maximum(), bar->value());
  });
  TickCounter ticks(*window);
  QTest::mouseClick(ui().repairUpdate, Qt::LeftButton);
  Settle(400000);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "Firmware was updated. Please reconnect the board.");
  EXPECT_TRUE(Flashed(board, image.size()) == image);
  EXPECT_GT(ticks.BusyTicks(), 0);
  ASSERT_GE(shown.size(), 2u);
  for (size_t i = 1; i < shown.size(); ++i) {
    if (shown[i].first == shown[i - 1].first) {
      EXPECT_GE(shown[i].second, shown[i - 1].second) << i;
    }
  }
  EXPECT_EQ(shownAtMessage, shown.size());
  EXPECT_EQ(shown.back().second, shown.back().first);
}

TEST_F(WindowTest, EscOrCancelStopsAConnectToASilentPortAtOnceAndClosesIt) {
  for (bool escape : {true, false}) {
    SCOPED_TRACE(escape ? "Esc" : "Cancel");
    VirtualBoard silent;
    silent.SetSilent(true);
    // A read time-out far beyond any wait below: only the cancel can end the connect in time.
    link().SetReadTimeoutMs(60000);
    auto* ports = ui().portList;
    ports->lineEdit()->selectAll();
    QTest::keyClicks(ports->lineEdit(), QString::fromStdString(silent.path()));
    ChooseEntry(ui().chipList, 3);
    QTest::mouseClick(ui().connect, Qt::LeftButton);
    ASSERT_TRUE(ui().cancel->isVisible());
    // Well into the first handshake's two-second wait.
    QTest::qWait(150);
    QElapsedTimer elapsed;
    elapsed.start();
    if (escape) {
      QTest::keyClick(ui().portList, Qt::Key_Escape);
    } else {
      QTest::mouseClick(ui().cancel, Qt::LeftButton);
    }
    ASSERT_TRUE(WaitFor([this] { return window->Idle(); }, 20000));
    const qint64 ms = elapsed.elapsed();
    EXPECT_EQ(silent.Count("V;"), 1);  // no second handshake
    std::printf("connect cancelled after %lld ms\n", static_cast<long long>(ms));
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(link().GetPortState(), link::PortState::None);
    EXPECT_FALSE(ui().cancel->isVisible());
    EXPECT_TRUE(ui().connect->isEnabled());
    EXPECT_EQ(silent.Count("V;"), 1);
  }
}

// A transport that notes the thread of every call before passing it on.
class ThreadNotingTransport : public link::Transport {
 public:
  ThreadNotingTransport(std::unique_ptr<link::Transport> inner, Clock& clock, std::function<void()> note)
      : Transport(clock), inner_(std::move(inner)), note_(std::move(note)) {}
  OpenResult Open(const std::string& portName) override {
    note_();
    const OpenResult result = inner_->Open(portName);
    failure_ = inner_->FailureReason();
    return result;
  }
  bool IsOpen() const override { return inner_->IsOpen(); }
  void Purge() override {
    note_();
    inner_->Purge();
  }
  void Write(std::string_view bytes) override {
    note_();
    inner_->Write(bytes);
  }
  ReadResult ReadByte(char& byte, int timeoutMs) override {
    note_();
    return inner_->ReadByte(byte, timeoutMs);
  }
  void Close() override {
    note_();
    inner_->Close();
  }

 private:
  std::unique_ptr<link::Transport> inner_;
  std::function<void()> note_;
};

TEST_F(WindowTest, BoardExchangesRunOnTheSessionsThreadNeverOnTheWindows) {
  std::set<std::thread::id> threads;
  std::mutex mutex;
  int calls = 0;
  transports = [&](const std::string& name, Clock& clock) -> std::unique_ptr<link::Transport> {
    return std::make_unique<ThreadNotingTransport>(link::MakeTransport(name, clock), clock, [&] {
      const std::lock_guard<std::mutex> lock(mutex);
      threads.insert(std::this_thread::get_id());
      ++calls;
    });
  };
  VirtualBoard board({.hwTag = "v4s."});
  Connect(board.path(), 3);
  ASSERT_TRUE(messages.empty());
  TypeInto(ui().Of(Slot::SigGen).frequency, "1000");
  window->dlg().OnTimer();
  Settle();
  QTest::mouseClick(ui().save, Qt::LeftButton);
  Settle();
  QTest::mouseClick(ui().disconnect, Qt::LeftButton);
  Settle();
  EXPECT_EQ(board.Log().back(), "F;");
  window.reset();  // the port closes on the session's thread too, while the mutex still lives
  const std::lock_guard<std::mutex> lock(mutex);
  EXPECT_GT(calls, 100);
  ASSERT_EQ(threads.size(), 1u);
  EXPECT_NE(*threads.begin(), std::this_thread::get_id());
}

TEST_F(WindowTest, CloseDuringAFirmwareUpdateEndsTheProgramWhenTheFlashIsComplete) {
  const std::vector<uint8_t> image = Image();
  fileChoice = WriteImage(image);
  const struct {
    const char* name;
    std::function<void()> close;
  } ways[] = {
      {"close box", [&] { window->close(); }},
      {"Exit", [&] { QTest::mouseClick(ui().exit, Qt::LeftButton); }},
      {"Alt+X", [&] { QTest::keyClick(window.get(), Qt::Key_X, Qt::AltModifier); }},
  };
  for (const auto& way : ways) {
    SCOPED_TRACE(way.name);
    VirtualBoard board({.hwTag = "v4s."});
    Connect(board.path(), 3);
    messages.clear();
    quitCode.reset();
    size_t messagesAtQuit = 0;
    window->hooks().quit = [&](int code) {
      quitCode = code;
      messagesAtQuit = messages.size();
    };
    // The close comes once the update is under way, however long its start takes.
    bool closedDuring = false, closeSent = false;
    const QMetaObject::Connection closer =
        QObject::connect(&window->model(), &panel::PanelModel::progressChanged, window.get(), [&] {
          if (closeSent || window->progress() == nullptr || window->progress()->bar()->value() == 0) return;
          closeSent = true;
          QTimer::singleShot(0, window.get(), [&] {
            closedDuring = window->model().busy();
            way.close();
          });
        });
    QTest::mouseClick(ui().repairUpdate, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return quitCode.has_value(); }, 60000));
    QObject::disconnect(closer);
    ASSERT_TRUE(closedDuring);
    ASSERT_TRUE(quitCode.has_value());
    EXPECT_EQ(*quitCode, 0);
    // The update ran to its end and said so before the program ended.
    ASSERT_EQ(messagesAtQuit, 1u);
    EXPECT_EQ(messages[0].text, "Firmware was updated. Please reconnect the board.");
    EXPECT_TRUE(Flashed(board, image.size()) == image);
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  }
}

TEST_F(WindowTest, CloseWhileLookingForASilentBoardStopsLookingAndEnds) {
  VirtualBoard silent;
  silent.SetSilent(true);
  link().SetReadTimeoutMs(60000);
  QTimer::singleShot(100, window.get(), [&] { window->close(); });
  QElapsedTimer elapsed;
  elapsed.start();
  Connect(silent.path(), 3);
  EXPECT_LT(elapsed.elapsed(), 60000);  // the close cut the first handshake's wait short
  EXPECT_TRUE(messages.empty());
  ASSERT_TRUE(quitCode.has_value());
  EXPECT_EQ(*quitCode, 0);
  EXPECT_EQ(silent.Count("V;"), 1);
}

TEST_F(WindowTest, ChangesDuringASlowRetuneCollapseToOneRetuneWithTheNewest) {
  VirtualBoard board({.hwTag = "v4s."});
  Connect(board.path(), 3);
  ASSERT_EQ(link().GetPortState(), link::PortState::Open);
  board.SetByteDelayMs(40);  // a slow board: each reply takes a while
  board.ClearLog();
  TypeInto(ui().Of(Slot::SigGen).frequency, "1000");
  window->dlg().OnTimer();  // the tuning timer comes due
  ASSERT_TRUE(WaitFor([&] { return !board.Log().empty(); }, 3000));
  // While that retune is on the wire, three more changes come due one after another.
  for (const char* frequency : {"1100", "1200", "1300"}) {
    TypeInto(ui().Of(Slot::SigGen).frequency, frequency);
    window->dlg().OnTimer();
  }
  Settle(20000);
  // Each retune reads the lock detect after its slot set.
  std::vector<std::string> log = board.Log();
  EXPECT_EQ(std::count(log.begin(), log.end(), std::string("L;")), 2);
  log.erase(std::remove(log.begin(), log.end(), std::string("L;")), log.end());
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[1], BuildSlotCommand(4, ChipType::Max2871, "1000", Band::Out1, PowerLevel::Minus1, 2, 10.0));
  EXPECT_EQ(log[3], board.Stored('4'));
  EXPECT_EQ(log[3], BuildSlotCommand(4, ChipType::Max2871, "1300", Band::Out1, PowerLevel::Minus1, 2, 10.0));
}

TEST_F(WindowTest, ATickDuringASlowConnectWaitsAFullDelayAfterIt) {
  Connect("Demo", 3);
  TypeInto(ui().Of(Slot::SigGen).frequency, "1000");  // arms the tuning timer
  QTest::mouseClick(ui().disconnect, Qt::LeftButton);
  VirtualBoard slow({.hwTag = "v4s."});
  slow.SetByteDelayMs(2);  // the readout takes longer than the tuning delay
  QElapsedTimer connect;
  connect.start();
  Connect(slow.path(), 3);
  ASSERT_GT(connect.elapsed(), panel::kTuneDelayMs);
  ASSERT_TRUE(window->model().connected());
  const size_t readout = slow.Log().size();
  // Right after the readout nothing is sent...
  QTest::qWait(panel::kTuneDelayMs / 2);
  EXPECT_EQ(slow.Log().size(), readout);
  // ...the live send follows once the delay has passed.
  EXPECT_TRUE(WaitFor([&] { return slow.Log().size() == readout + 2; }, 2000));
  EXPECT_EQ(slow.Log().back(), slow.Stored('4'));
}

}  // namespace
}  // namespace korvane::app::testing
