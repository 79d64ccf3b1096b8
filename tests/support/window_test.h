// The panel in a shown main window on the offscreen platform, with message boxes, file dialogs
// and the program's end caught so that nothing modal blocks a test. Only the window's tests
// include it: the panel's own tests do without Qt Widgets.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/message_loop.h"
#include "support/panel_test.h"

namespace korvane::app::testing {

using ::korvane::testing::TempPath;
using ::korvane::testing::WriteTempFile;
using panel::MessageIcon;
using session::ChipChoice;

class WindowTest : public ::korvane::testing::PanelFixture {
 protected:
  WindowTest() : PanelFixture(20) {}
  void SetUp() override {
    PanelFixture::SetUp();
    window = std::make_unique<MainWindow>(loop, Environment());
    ViewHooks& hooks = window->hooks();
    hooks.message = [this](const panel::Message& message) {
      messages.push_back({message.text, message.caption, message.icon, message.details});
      if (onMessage) onMessage();
    };
    hooks.file = [this](const panel::FileDialogRequest&) { return fileChoice; };
    hooks.quit = [this](int code) { quitCode = code; };
    // The idle lock read comes every 2 s of real time; a test that runs longer on a busy
    // machine would find extra "L;" in the board's log. Tests of that read start the timer.
    window->lockTimer().stop();
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
  session::BoardSession& Session() override { return window->session(); }
  // Waits until the board work the test started has ended and its results are shown.
  void Settle(int timeoutMs = 10000) {
    EXPECT_TRUE(WaitFor([this] { return window->Idle(); }, timeoutMs));
  }
  // Runs the event loop until the condition holds; false when it did not within the time.
  static bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 10000) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (!condition()) {
      if (elapsed.elapsed() > timeoutMs) return false;
      QTest::qWait(2);
    }
    return true;
  }

  const MainControls& ui() const { return window->controls(); }
  // Scanning, speed, text and the pin function: what the beacon box enables.
  std::vector<QWidget*> BeaconSettings() const { return {ui().scan, ui().speed, ui().beaconText, ui().pinFunction}; }
  static std::string Text(const QWidget* w) {
    if (auto* edit = qobject_cast<const QLineEdit*>(w)) return edit->text().toStdString();
    if (auto* text = qobject_cast<const QPlainTextEdit*>(w)) return text->toPlainText().toStdString();
    if (auto* combo = qobject_cast<const QComboBox*>(w)) return combo->currentText().toStdString();
    if (auto* label = qobject_cast<const QLabel*>(w)) return Shown(label->text());
    if (auto* button = qobject_cast<const QAbstractButton*>(w)) return Shown(button->text());
    return {};
  }
  // A caption as it reads on screen: "C&hip:" is "Chip:", "1 && 2" is "1 & 2".
  static std::string Shown(QString text) {
    text.replace(QLatin1String("&&"), QLatin1String("\x01")).remove(QLatin1Char('&'));
    return text.replace(QLatin1Char('\x01'), QLatin1Char('&')).toStdString();
  }
  static std::string Selected(const QComboBox* combo) { return combo->currentText().toStdString(); }

  // Picks a list entry as the user would: the list says it was activated.
  static void ChooseEntry(QComboBox* combo, int index) {
    combo->setCurrentIndex(index);
    emit combo->activated(index);
  }
  // Picks a port and a chip as the user would and clicks Connect.
  void Connect(const std::string& port = "Demo", ChipChoice chip = ChipChoice::Auto) {
    auto* ports = ui().portList;
    const int index = ports->findText(QString::fromStdString(port));
    if (index >= 0) {
      ChooseEntry(ui().portList, index);
    } else {
      ports->lineEdit()->selectAll();
      QTest::keyClicks(ports->lineEdit(), QString::fromStdString(port));
    }
    ChooseEntry(ui().chipList, static_cast<int>(chip));
    QTest::mouseClick(ui().connect, Qt::LeftButton);
    Settle();
  }

  // Replaces a field's text by typing, one key at a time.
  static void TypeInto(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
  }

  link::TransportFactory transports;  // empty: the real ones
  CMessageLoop loop;
  std::unique_ptr<MainWindow> window;
  std::vector<::korvane::testing::HeadlessView::Shown> messages;
  std::function<void()> onMessage;
  std::optional<std::string> fileChoice;
  std::optional<int> quitCode;
};

}  // namespace korvane::app::testing
