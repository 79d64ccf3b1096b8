// A shown main window on the offscreen platform, with message boxes, file dialogs and the
// program's end caught so that nothing modal blocks a test.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/message_loop.h"
#include "app/qt_surface.h"
#include "link/board_link.h"
#include "link/clock.h"
#include "link/demo_board.h"
#include "link/port_list.h"
#include "panel/control_ids.h"
#include "support/recording_clock.h"
#include "support/session_link_view.h"

namespace korvane::app::testing {

// Counts the texts the panel writes, per control.
class CountingSurface : public QtSurface {
 public:
  void SetText(int id, const std::string& text) override {
    ++writes[id];
    QtSurface::SetText(id, text);
  }
  void ProgressCreate(const std::string& title) override {
    QtSurface::ProgressCreate(title);
    progressTitles.push_back(title);
    progressShown = progress() != nullptr && progress()->isVisible();
  }
  void ProgressStep() override {
    QtSurface::ProgressStep();
    if (onStep) onStep();
  }
  std::function<void()> onStep;
  std::map<int, int> writes;
  std::vector<std::string> progressTitles;
  bool progressShown = false;
};

struct ShownMessage {
  std::string text;
  std::string caption;
  MessageIcon icon;
};

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto counting = std::make_unique<CountingSurface>();
    counter = counting.get();
    window = std::make_unique<MainWindow>(loop, std::move(counting), Environment());
    QtSurface& s = window->surface();
    s.messageHook = [this](const std::string& text, const std::string& caption, MessageIcon icon) {
      messages.push_back({text, caption, icon});
      if (onMessage) onMessage();
    };
    s.fileHook = [this](const FileDialogRequest&) { return fileChoice; };
    s.quitHook = [this](int code) { quitCode = code; };
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  }

  void TearDown() override { window.reset(); }

  // The window's session on the test's clock and demo store, with ports the test chooses.
  WindowEnvironment Environment() {
    WindowEnvironment environment;
    environment.clock = &clock;
    environment.demo = &demo;
    environment.ports = [this] { return ports; };
    environment.transports = [this](const std::string& name, Clock& c) {
      return transports ? transports(name, c) : link::MakeTransport(name, c);
    };
    return environment;
  }
  test::SessionLinkView link() { return test::SessionLinkView(window->session()); }

  template <class W = QWidget>
  W* Get(int id) const {
    return qobject_cast<W*>(window->Control(id));
  }
  QLineEdit* Field(int id) const { return Get<QLineEdit>(id); }
  std::string Text(int id) const { return window->surface().GetText(id); }
  std::string Selected(int id) const {
    QComboBox* combo = Get<QComboBox>(id);
    return combo->currentText().toStdString();
  }

  // Picks a port and a chip entry as the user would and clicks Connect.
  void Connect(const std::string& port = "Demo", int chipEntry = 0) {
    auto* ports = Get<QComboBox>(ctl::kPortList);
    int index = ports->findText(QString::fromStdString(port));
    ports->setCurrentIndex(index);
    if (index < 0) ports->setEditText(QString::fromStdString(port));
    Get<QComboBox>(ctl::kChipList)->setCurrentIndex(chipEntry);
    QTest::mouseClick(Get(ctl::kConnect), Qt::LeftButton);
  }

  // Replaces a field's text by typing, one key at a time.
  void TypeInto(int id, const QString& text) {
    QLineEdit* edit = Field(id);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
  }

  // Each pause yields a little real time, so that a board has taken "B;" off the line before
  // the port is opened again.
  korvane::test::RecordingClock clock{20};
  link::DemoStore demo;
  std::vector<link::PortInfo> ports;  // what the system's port list offers
  link::TransportFactory transports;  // empty: the real ones
  CMessageLoop loop;
  CountingSurface* counter = nullptr;
  std::unique_ptr<MainWindow> window;
  std::vector<ShownMessage> messages;
  std::function<void()> onMessage;
  std::optional<std::string> fileChoice;
  std::optional<int> quitCode;
};

}  // namespace korvane::app::testing
