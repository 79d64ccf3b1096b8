#include <QAbstractButton>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTimer>
#include <QWheelEvent>
#include <clocale>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "app/about_dialog.h"
#include "app/update_info_dlg.h"
#include "support/virtual_board.h"
#include "window_fixture.h"

namespace korvane::app::testing {
namespace {

bool IsOrange(QLineEdit* edit) { return edit->palette().color(QPalette::Active, QPalette::Base) == kWarningColour; }

std::vector<std::string> Items(QComboBox* combo) {
  std::vector<std::string> items;
  for (int i = 0; i < combo->count(); ++i) items.push_back(combo->itemText(i).toStdString());
  return items;
}

TEST_F(WindowTest, StartsDisconnectedWithEveryControlLabelledAndExplained) {
  EXPECT_EQ(window->windowTitle(), "MAX2871/ADF435x board utility v3.7");
  EXPECT_FALSE(window->windowIcon().isNull());

  const std::vector<std::pair<QWidget*, std::string>> tooltips = {
      {ui().Of(Slot::SigGen).frequency, "Current frequency of the synthesizer (can be changed on the fly)"},
      {ui().Of(Slot::SigGen).real, "Real current synthesizer frequency"},
      {ui().Of(Slot::SigGen).power, "Current output power of the synthesizer (can be changed on the fly)"},
      {ui().reference, "Select reference frequency"},
      {ui().extReference, "Disable internal reference oscillator (check it if you use external reference)"},
      {ui().Of(Slot::F1).frequency, "First configuration frequency"},
      {ui().Of(Slot::F4).frequency, "Fourth configuration frequency"},
      {ui().Of(Slot::F2).power, "Second configuration output power"},
      {ui().Of(Slot::F3).real, "Real synthesizer frequency for the third configuration"},
      {ui().beacon, "Enable beacon mode"},
      {ui().scan, "Scan configured frequencies in beacon mode"},
      {ui().speed, "Beacon keying speed (wpm)"},
      {ui().beaconText, "Up to 120 characters, use #xxxx for xxxxms tone generation and &xxxx for pause."},
      {ui().portList, "Select COM port to communicate with board"},
      {ui().connect, "Establish connection to the synthesizer board"},
      {ui().disconnect, "Close connection to the board"},
      {ui().save, "Write board configuration to flash memory"},
      {ui().about, "Display program information, version number and copyright"},
      {ui().exit, "Quit the application"},
      {ui().Of(Slot::SigGen).band, ""},
      {ui().loadConfig, "Load the panel's settings from a configuration file"},
      {ui().firmwareInfo,
       "Show the board's firmware version and serial number (Ctrl+B switches the board to its bootloader)"},
  };
  for (const auto& [control, tip] : tooltips) {
    EXPECT_EQ(control->toolTip().toStdString(), tip) << control->accessibleName().toStdString();
  }

  for (int s = 0; s < kSlotCount; ++s) {
    EXPECT_EQ(Text(ui().slot[s].frequency), "180.000");
    EXPECT_EQ(Text(ui().slot[s].real), "/ ----.---");
    EXPECT_FALSE(ui().slot[s].frequency->isEnabled());
    EXPECT_THAT(Items(ui().slot[s].power), ::testing::ElementsAre("Off", "-4dBm", "-1dBm", "+2dBm", "+5dBm"));
    EXPECT_THAT(Items(ui().slot[s].band), ::testing::ElementsAre("OUT1 <6GHz", "OUT2 5..12GHz"));
  }
  EXPECT_EQ(Text(ui().speed), "10");
  EXPECT_THAT(Items(ui().chipList), ::testing::ElementsAre("Auto", "ADF4350", "ADF4351", "MAX2871"));
  EXPECT_THAT(Items(ui().portList), ::testing::ElementsAre("Demo"));
  EXPECT_EQ(Selected(ui().portList), "Demo");
  EXPECT_EQ(Selected(ui().pinFunction), "Freq. code");
  EXPECT_EQ(Text(ui().repairUpdate), "Repair...");
  for (QWidget* control : std::initializer_list<QWidget*>{ui().connect, ui().repairUpdate, ui().about, ui().exit,
                                                          ui().chipList, ui().portList}) {
    EXPECT_TRUE(control->isEnabled()) << control->accessibleName().toStdString();
  }
  for (QWidget* control : std::initializer_list<QWidget*>{ui().disconnect, ui().save, ui().firmwareInfo, ui().reference,
                                                          ui().beacon, ui().beaconText}) {
    EXPECT_FALSE(control->isEnabled()) << control->accessibleName().toStdString();
  }
  // One ampersand on screen; the caption's Alt key is T.
  bool captionFound = false;
  for (QLabel* label : window->findChildren<QLabel*>()) captionFound |= label->text() == "Ou&tput  1 && 2 function:";
  EXPECT_TRUE(captionFound);
  // Disabled fields of invalid slots stay grey until a board is connected.
  EXPECT_NE(ui().Of(Slot::F1).frequency->palette().color(QPalette::Disabled, QPalette::Base), kWarningColour);
}

class DemoLocaleTest : public WindowTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(DemoLocaleTest, DemoWithAutoFillsThePanelFromTheBoard) {
  std::string previous = std::setlocale(LC_ALL, nullptr);
  if (std::setlocale(LC_ALL, GetParam()) == nullptr) GTEST_SKIP() << GetParam() << " is not installed";
  Connect("Demo", 0);
  std::setlocale(LC_ALL, previous.c_str());

  ASSERT_TRUE(messages.empty()) << messages[0].text;
  EXPECT_EQ(Text(ui().chipCaption), "Chip (MAX2871):");
  const struct {
    int slot;
    const char* frequency;
    const char* band;
  } expected[] = {
      {0, "10367.999023", "OUT2 5..12GHz"}, {1, "5760.000000", "OUT1 <6GHz"}, {2, "1295.999878", "OUT1 <6GHz"},
      {3, "432.000000", "OUT1 <6GHz"},      {4, "144.000000", "OUT1 <6GHz"},
  };
  for (const auto& s : expected) {
    EXPECT_EQ(Text(ui().slot[s.slot].frequency), s.frequency) << s.slot;
    EXPECT_EQ(Selected(ui().slot[s.slot].band), s.band) << s.slot;
    EXPECT_EQ(Selected(ui().slot[s.slot].power), "-1dBm") << s.slot;
    EXPECT_EQ(Text(ui().slot[s.slot].real), std::string("/ ") + s.frequency) << s.slot;
    EXPECT_FALSE(IsOrange(ui().slot[s.slot].frequency)) << s.slot;
  }
  EXPECT_EQ(Text(ui().reference), "10.000000");
  EXPECT_FALSE(ui().extReference->isChecked());
  EXPECT_EQ(Text(ui().speed), "0.9");
  EXPECT_EQ(Text(ui().beaconText), "test de qx9abc #5000");
  EXPECT_FALSE(ui().beacon->isChecked());
  EXPECT_FALSE(ui().scan->isChecked());
  EXPECT_EQ(Selected(ui().pinFunction), "Freq. code");
  EXPECT_FALSE(ui().speed->isEnabled());
  EXPECT_TRUE(ui().disconnect->isEnabled());
  EXPECT_FALSE(ui().connect->isEnabled());
  EXPECT_EQ(Text(ui().repairUpdate), "Update...");
  EXPECT_EQ(QApplication::focusWidget(), ui().Of(Slot::SigGen).frequency);
}

INSTANTIATE_TEST_SUITE_P(Locales, DemoLocaleTest, ::testing::Values("C", "de_DE.UTF-8"));

TEST_F(WindowTest, EachKeystrokeRunsTheChangeHandlingOnce) {
  Connect();
  ASSERT_TRUE(messages.empty());
  window->StopTuneTimer();
  QLineEdit* field = ui().Of(Slot::SigGen).frequency;
  field->setFocus();
  field->selectAll();

  std::map<Slot, int> changes;
  QObject::connect(&window->model(), &panel::PanelModel::slotChanged, window.get(),
                   [&](Slot slot) { ++changes[slot]; });
  QTest::keyClick(field, Qt::Key_Delete);
  EXPECT_EQ(changes[Slot::SigGen], 1);
  EXPECT_EQ(Text(ui().Of(Slot::SigGen).real), "/ ----.---");
  for (char key : {'1', '4', '4'}) QTest::keyClick(field, key);
  EXPECT_EQ(changes[Slot::SigGen], 4);
  EXPECT_EQ(Text(ui().Of(Slot::SigGen).frequency), "144");
  EXPECT_EQ(Text(ui().Of(Slot::SigGen).real), "/ 144.000000");
  EXPECT_EQ(changes[Slot::F1], 0);
  EXPECT_TRUE(window->TuneTimerActive());
}

TEST_F(WindowTest, WhatTheModelShowsRunsNoChangeHandlingFromTheWidgets) {
  Connect();
  window->StopTuneTimer();
  panel::PanelModel& model = window->model();
  model.SetSlot(Slot::SigGen, {"500", Band::Out2, PowerLevel::Minus1});
  model.SetReference("25");
  model.SetExtReference(true);
  model.SetText("cq\r\ntest");
  QCoreApplication::processEvents();

  EXPECT_EQ(Text(ui().Of(Slot::SigGen).frequency), "500");
  EXPECT_EQ(Selected(ui().Of(Slot::SigGen).band), "OUT2 5..12GHz");
  EXPECT_EQ(Selected(ui().Of(Slot::SigGen).power), "-1dBm");
  EXPECT_EQ(Text(ui().reference), "25");
  EXPECT_TRUE(ui().extReference->isChecked());
  EXPECT_EQ(Text(ui().beaconText), "cq\ntest");
  // The widget's own change signal did not come back as an edit.
  EXPECT_EQ(model.text(), "cq\r\ntest");
  EXPECT_FALSE(window->TuneTimerActive());
}

TEST_F(WindowTest, ClickingTheBeaconBoxEnablesItsControls) {
  Connect();
  auto* box = ui().beacon;
  QTest::mouseClick(box, Qt::LeftButton);
  for (QWidget* control : BeaconSettings()) EXPECT_TRUE(control->isEnabled());
  ChooseEntry(ui().pinFunction, 1);
  QTest::mouseClick(box, Qt::LeftButton);
  for (QWidget* control : BeaconSettings()) EXPECT_FALSE(control->isEnabled());
  EXPECT_EQ(Selected(ui().pinFunction), "Freq. code");
}

TEST_F(WindowTest, OutOfBandFrequencyFieldsTurnOrangeTheReferenceNever) {
  Connect();
  const struct {
    QLineEdit* field;
    const char* text;
    std::vector<QLineEdit*> orange;
  } cases[] = {
      {ui().Of(Slot::F2).frequency, "20000", {ui().Of(Slot::F2).frequency}},
      {ui().Of(Slot::F2).frequency, "1000", {}},
      {ui().Of(Slot::SigGen).frequency, "abc", {ui().Of(Slot::SigGen).frequency}},
      {ui().Of(Slot::SigGen).frequency, "144", {}},
      {ui().reference,
       "4.99",
       {ui().Of(Slot::F1).frequency, ui().Of(Slot::F2).frequency, ui().Of(Slot::F3).frequency,
        ui().Of(Slot::F4).frequency, ui().Of(Slot::SigGen).frequency}},
      {ui().reference, "10", {}},
  };
  for (const auto& c : cases) {
    TypeInto(c.field, c.text);
    for (QLineEdit* field : {ui().Of(Slot::F1).frequency, ui().Of(Slot::F2).frequency, ui().Of(Slot::F3).frequency,
                             ui().Of(Slot::F4).frequency, ui().Of(Slot::SigGen).frequency, ui().reference}) {
      bool expected = std::find(c.orange.begin(), c.orange.end(), field) != c.orange.end();
      EXPECT_EQ(IsOrange(field), expected) << c.text << " in " << c.field->accessibleName().toStdString() << ", field "
                                           << field->accessibleName().toStdString();
    }
  }
}

TEST_F(WindowTest, ArrowKeysStepTheDigitLeftOfTheCaret) {
  Connect();
  const struct {
    const char* text;
    int caret;
    Qt::Key key;
    const char* result;
    int caretAfter;
  } cases[] = {
      {"1296.000", 4, Qt::Key_Up, "1297.000000", 4},   {"1296.000", 2, Qt::Key_Up, "1396.000000", 2},
      {"1296.000", 6, Qt::Key_Down, "1295.900000", 6}, {"0.050", 3, Qt::Key_Down, "-0.050000", 3},
      {"1296.000", 5, Qt::Key_Up, "1296.000", 5},      {"1296.000", 0, Qt::Key_Down, "1296.000", 0},
  };
  for (const auto& c : cases) {
    QLineEdit* field = ui().Of(Slot::SigGen).frequency;
    TypeInto(ui().Of(Slot::SigGen).frequency, c.text);
    field->setCursorPosition(c.caret);
    QTest::keyClick(field, c.key);
    EXPECT_EQ(field->text().toStdString(), c.result) << c.text << " caret " << c.caret;
    EXPECT_EQ(field->cursorPosition(), c.caretAfter) << c.text << " caret " << c.caret;
  }
  // Typed through the step, the signal generator retunes after the usual pause.
  EXPECT_TRUE(window->TuneTimerActive());

  // In a list the arrow keys move the selection as usual.
  auto* chips = ui().chipList;
  chips->setCurrentIndex(0);
  chips->setFocus();
  QTest::keyClick(chips, Qt::Key_Down);
  EXPECT_EQ(chips->currentIndex(), 1);
  auto* power = ui().Of(Slot::F3).power;
  power->setFocus();
  int index = power->currentIndex();
  QTest::keyClick(power, Qt::Key_Up);
  EXPECT_EQ(power->currentIndex(), index - 1);
}

TEST_F(WindowTest, WheelStepsTheFocusedFrequencyFieldOncePerNotch) {
  Connect();
  QLineEdit* field = ui().Of(Slot::SigGen).frequency;
  const struct {
    std::vector<int> deltas;
    const char* result;
  } cases[] = {
      {{120}, "145.000000"},    {{-120, -120}, "142.000000"}, {{60}, "144.000000"},
      {{60, 60}, "145.000000"}, {{0}, "144.000000"},
  };
  for (const auto& c : cases) {
    TypeInto(ui().Of(Slot::SigGen).frequency, "144.000000");
    field->setCursorPosition(3);
    // The pointer may rest over another control: the focused field steps.
    QWidget* under = ui().Of(Slot::F1).real;
    for (int delta : c.deltas) {
      QWheelEvent wheel(QPointF(5, 5), under->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, delta), Qt::NoButton,
                        Qt::NoModifier, Qt::NoScrollPhase, false);
      QApplication::sendEvent(under, &wheel);
    }
    EXPECT_EQ(field->text().toStdString(), c.result);
  }

  // With the focus in a list the wheel is the list's.
  auto* chips = ui().chipList;
  TypeInto(ui().Of(Slot::SigGen).frequency, "144.000000");
  chips->setFocus();
  QWheelEvent wheel(QPointF(5, 5), chips->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 120), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(field, &wheel);
  EXPECT_EQ(Text(ui().Of(Slot::SigGen).frequency), "144.000000");
}

TEST_F(WindowTest, ControlBIsTheBootloaderKeyWhereverTheFocusIs) {
  const struct {
    QWidget* focus;
    Qt::KeyboardModifiers modifiers;
    Qt::Key key;
    bool bootloader;
  } cases[] = {
      {ui().chipList, Qt::ControlModifier, Qt::Key_B, true},
      {ui().portList, Qt::ControlModifier, Qt::Key_B, true},
      {ui().chipList, Qt::NoModifier, Qt::Key_B, false},
      {ui().chipList, Qt::ControlModifier, Qt::Key_N, false},
  };
  for (const auto& c : cases) {
    messages.clear();
    // The progress window of the previous case took the activation away.
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    c.focus->setFocus();
    QTest::keyClick(c.focus, c.key, c.modifiers);
    Settle();
    bool sawBootloader = false;
    for (const auto& m : messages) sawBootloader |= m.text.rfind("Bootloader v", 0) == 0;
    EXPECT_EQ(sawBootloader, c.bootloader) << c.focus->accessibleName().toStdString() << " " << c.key;
  }
}

TEST_F(WindowTest, OpeningThePortListReadsThePortsAgain) {
  ports = {{"ttyUSB0", "FTDI FT232R USB UART"}, {"ttyS0", ""}};
  auto* ports = ui().portList;
  ports->lineEdit()->selectAll();
  QTest::keyClicks(ports->lineEdit(), "COM25");
  ports->showPopup();
  EXPECT_THAT(Items(ports), ::testing::ElementsAre("Demo", "ttyS0", "ttyUSB0"));
  // The name typed is never replaced by an entry of the list.
  EXPECT_EQ(ports->currentIndex(), -1);
  EXPECT_EQ(ports->currentText(), "COM25");
  EXPECT_EQ(ports->itemData(2, Qt::ToolTipRole).toString(), "FTDI FT232R USB UART");
  EXPECT_FALSE(ports->itemData(1, Qt::ToolTipRole).isValid());
  ports->hidePopup();
}

TEST_F(WindowTest, ATypedPortNameIsOpenedAsTyped) {
  test::VirtualBoard board({.hwTag = "v4s."});
  Connect(board.path(), 3);
  ASSERT_TRUE(messages.empty()) << messages[0].text;
  EXPECT_EQ(link().GetPortState(), link::PortState::Open);
  EXPECT_EQ(board.Count("V;"), 1);
}

TEST_F(WindowTest, LostBoardLeavesThePanelDisconnectedWithFieldsKept) {
  test::VirtualBoard board({.hwTag = "v4s."});
  Connect(board.path(), 3);
  ASSERT_TRUE(messages.empty()) << messages[0].text;
  TypeInto(ui().Of(Slot::F2).frequency, "2345.6");
  TypeInto(ui().Of(Slot::SigGen).frequency, "1234.5");
  board.HangUpAfter("R ", 1);
  // The real tuning timer fires half a second after the last keystroke.
  ASSERT_TRUE(WaitFor([this] { return !messages.empty(); }, 5000));
  Settle();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "Connection with device lost!");
  EXPECT_EQ(messages[0].caption, "Error!");
  EXPECT_EQ(messages[0].icon, MessageIcon::Stop);
  EXPECT_EQ(link().GetPortState(), link::PortState::None);
  EXPECT_TRUE(ui().connect->isEnabled());
  EXPECT_FALSE(ui().Of(Slot::SigGen).frequency->isEnabled());
  EXPECT_EQ(Text(ui().Of(Slot::SigGen).frequency), "1234.5");
  EXPECT_EQ(Text(ui().Of(Slot::F2).frequency), "2345.6");
  EXPECT_EQ(Text(ui().repairUpdate), "Repair...");
  EXPECT_FALSE(quitCode.has_value());
}

TEST_F(WindowTest, WindowKeepsRunningItsEventsWhileABoardIsSilent) {
  test::VirtualBoard board;
  board.SetSilent(true);
  const int readTimeout = link().ReadTimeoutMs();
  link().SetReadTimeoutMs(300);
  int ticks = 0;
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
  ticker.start(20);
  QElapsedTimer elapsed;
  elapsed.start();
  Connect(board.path(), 3);
  const qint64 ms = elapsed.elapsed();
  link().SetReadTimeoutMs(readTimeout);

  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text,
            "Could not find Synth board!\nThe port opened, but no board answered with the expected banner.");
  ASSERT_GE(ms, 900);  // three greetings, each waiting out the read time-out
  // Events kept flowing through the whole wait, not only after it.
  EXPECT_GE(ticks, static_cast<int>(ms / 20 / 2));
}

TEST_F(WindowTest, ControlsThatWouldStartBoardWorkAreOffWhileAnOperationRuns) {
  QLineEdit* portEdit = ui().portList->lineEdit();
  QWidget other;
  auto* otherEdit = new QLineEdit(&other);
  auto* chips = ui().chipList;
  std::string portDuring, otherDuring;
  int chipDuring = -1;
  bool busyDuring = false;
  onMessage = [&] {
    busyDuring = window->model().busy();
    QTest::keyClicks(portEdit, "zz");
    QWheelEvent wheel(QPointF(5, 5), chips->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(chips, &wheel);
    chipDuring = chips->currentIndex();
    QTest::mouseClick(ui().about, Qt::LeftButton);
    QTest::keyClicks(otherEdit, "ok");
    portDuring = portEdit->text().toStdString();
    otherDuring = otherEdit->text().toStdString();
  };
  Connect("/nonexistent/korvane-port", 3);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text,
            "Could not find Synth board!\n/nonexistent/korvane-port not found: no such device; check that the board is "
            "plugged in.");
  EXPECT_TRUE(busyDuring);
  EXPECT_EQ(portDuring, "/nonexistent/korvane-port");
  EXPECT_EQ(chipDuring, 3);
  EXPECT_EQ(otherDuring, "ok");  // other windows stay usable
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(WindowTest, CloseBoxEndsTheProgramAsExitDoes) {
  Connect();
  ASSERT_EQ(link().GetPortState(), link::PortState::Open);
  window->close();
  Settle();
  ASSERT_TRUE(quitCode.has_value());
  EXPECT_EQ(*quitCode, 0);
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(link().GetPortState(), link::PortState::None);
}

TEST_F(WindowTest, MessageBoxesUseTheProgramNameWhenTheyHaveNoCaption) {
  window->hooks().message = nullptr;
  const struct {
    const char* caption;
    MessageIcon icon;
    const char* title;
    QMessageBox::Icon shown;
  } cases[] = {
      {"", MessageIcon::Information, "Korvane", QMessageBox::Information},
      {"Information", MessageIcon::Information, "Information", QMessageBox::Information},
      {"Error!", MessageIcon::Stop, "Error!", QMessageBox::Critical},
  };
  for (const auto& c : cases) {
    bool closed = false;
    window->ShowMessage({"Firmware version 3.40.1234 from 16052019. \nS/N <1>", c.caption, c.icon, {}},
                        [&] { closed = true; });
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->windowTitle().toStdString(), c.title);
    EXPECT_EQ(box->text().toStdString(), "Firmware version 3.40.1234 from 16052019. \nS/N <1>");
    EXPECT_EQ(box->icon(), c.shown);
    EXPECT_EQ(box->parentWidget(), window.get());
    EXPECT_FALSE(closed);  // nothing waits for the box: its answer comes later
    box->accept();
    EXPECT_TRUE(closed);
  }
}

TEST_F(WindowTest, ExitEndsTheRunningLoopWithCodeZero) {
  window->hooks().quit = nullptr;
  QTimer::singleShot(0, [this] { QTest::mouseClick(ui().exit, Qt::LeftButton); });
  // A stray loop would hang here; the guard ends it with a code the test does not expect.
  QTimer guard;
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(99); });
  guard.start(5000);
  EXPECT_EQ(loop.Run(), 0);
  EXPECT_FALSE(window->isVisible());
}

TEST_F(WindowTest, AboutBoxShowsNameAndVersionAndClosesWithEscape) {
  QLineEdit* field = ui().Of(Slot::SigGen).frequency;
  field->setFocus();
  field->setCursorPosition(3);
  QTest::mouseClick(ui().about, Qt::LeftButton);
  QWidget* about = QApplication::activeModalWidget();
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(about->windowTitle().toStdString(), "About Korvane");
  auto* label = about->findChild<QLabel*>("aboutText");
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->text().toStdString().rfind(
                "MAX2871/ADF4350/ADF4351 synthesizer board programming and control utility.\nVersion 3.7\n\n", 0),
            0u);
  // The licence is named where every user sees it.
  EXPECT_NE(label->text().indexOf(QStringLiteral("GNU General Public License")), -1);
  // Arrow keys while the box is up do not reach the main window's stepping.
  QTest::keyClick(field, Qt::Key_Up);
  EXPECT_EQ(field->text(), "180.000");
  QPointer<QWidget> watch(about);
  QTest::keyClick(about, Qt::Key_Escape);
  EXPECT_TRUE(WaitFor([&] { return watch.isNull() || !watch->isVisible(); }));
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(WindowTest, FirmwareUpdateOnTheDemoBoardStopsAtTheFirstErase) {
  std::filesystem::path image = std::filesystem::temp_directory_path() / "korvane_app_test.img";
  {
    std::ofstream out(image, std::ios::binary);
    out << std::string(20480, '\x55');
  }
  fileChoice = image.string();
  bool progressGoneBeforeMessage = false;
  onMessage = [&] { progressGoneBeforeMessage = window->progress() == nullptr; };
  std::vector<std::string> progressTitles;
  bool progressShown = false;
  QObject::connect(&window->model(), &panel::PanelModel::progressChanged, window.get(), [&] {
    CUpdateInfoDlg* progress = window->progress();
    if (progress == nullptr) return;
    progressShown |= progress->isVisible();
    if (progressTitles.empty() || progressTitles.back() != progress->windowTitle().toStdString()) {
      progressTitles.push_back(progress->windowTitle().toStdString());
    }
  });
  ChooseEntry(ui().portList, 0);
  QTest::mouseClick(ui().repairUpdate, Qt::LeftButton);
  Settle();
  std::filesystem::remove(image);

  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "Cannot erase page 8!");
  EXPECT_THAT(progressTitles, ::testing::ElementsAre("Updating Firmware"));
  EXPECT_TRUE(progressShown);
  EXPECT_TRUE(progressGoneBeforeMessage);
}

TEST_F(WindowTest, ProgressWindowFollowsTheModelWithinItsRange) {
  panel::PanelModel& model = window->model();
  model.OpenProgress("Please wait");
  CUpdateInfoDlg* progress = window->progress();
  ASSERT_NE(progress, nullptr);
  EXPECT_EQ(progress->windowTitle(), "Please wait");
  EXPECT_EQ(progress->parentWidget(), window.get());
  EXPECT_TRUE(WaitFor([&] { return progress->isVisible(); }));
  EXPECT_LE((progress->geometry().center() - window->geometry().center()).manhattanLength(), 4);

  model.SetProgressPhase("Erasing Flash...", 2);
  for (int i = 0; i < 3; ++i) model.StepProgress();
  EXPECT_EQ(progress->status()->text(), "Erasing Flash...");
  EXPECT_EQ(progress->bar()->maximum(), 2);
  EXPECT_EQ(progress->bar()->value(), 2);
  EXPECT_FALSE(progress->closeNote()->isVisible());
  // Only the operation closes it; a close request is acknowledged in it.
  progress->close();
  EXPECT_TRUE(progress->isVisible());
  model.RequestCloseAfterProgress();
  EXPECT_TRUE(progress->closeNote()->isVisible());
  EXPECT_EQ(progress->closeNote()->text(), "Korvane will close when the update has finished");

  QPointer<CUpdateInfoDlg> watch(progress);
  model.CloseProgress();
  EXPECT_TRUE(watch.isNull());
}

}  // namespace
}  // namespace korvane::app::testing
