// The window's newer parts against the virtual board's log: input that must not reach the
// board, the lock light, the sweep panel, the register view and the names a screen reader says.
#include <QAccessible>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>

#include "app/register_dialog.h"
#include "app/sweep_dialog.h"
#include "session/board_session.h"
#include "support/virtual_board.h"
#include "synth/chip_facts.h"
#include "synth/field_overrides.h"
#include "synth/number_text.h"
#include "synth/register_set.h"
#include "window_fixture.h"

namespace korvane::app::testing {
namespace {

using test::VirtualBoard;

// The slot sets that reached the board, in order.
std::vector<std::string> SlotSets(const VirtualBoard& board, char slot) {
  std::vector<std::string> sets;
  for (const std::string& command : board.Log()) {
    if (command.size() > 2 && command[0] == slot && command[1] == ' ') sets.push_back(command);
  }
  return sets;
}

TEST_F(WindowTest, UnsafeInputNeverReachesTheBoard) {
  VirtualBoard board;
  board.SetStored("S 1BC0;");  // 0.9 wpm, which no typed speed gives back exactly
  Connect(board.path(), 3);
  ASSERT_TRUE(messages.empty());
  ASSERT_TRUE(WaitFor([&] { return board.Count("L;") > 0; }));  // the retune after the readout
  Settle();

  // A frequency field without a number as typed sends nothing; a decimal comma is a point.
  for (const char* typed : {"abc", "", "12a96"}) {
    const size_t before = SlotSets(board, '4').size();
    TypeInto(ui().Of(Slot::SigGen).frequency, QString::fromUtf8(typed));
    EXPECT_EQ(Text(ui().Of(Slot::SigGen).real), "/ ----.---") << typed;
    QTest::qWait(panel::kTuneDelayMs + 200);
    Settle();
    EXPECT_EQ(SlotSets(board, '4').size(), before) << typed;
  }
  const size_t sent = SlotSets(board, '4').size();
  TypeInto(ui().Of(Slot::SigGen).frequency, QStringLiteral("1296,5"));
  ASSERT_TRUE(WaitFor([&] { return SlotSets(board, '4').size() > sent && board.Log().back() == "L;"; }));
  PanelSettings settings = window->model().Settings();
  EXPECT_EQ(settings.freqSlots[4].frequency, "1296.5");
  EXPECT_EQ(SlotSets(board, '4').back(), session::SlotCommand(settings, Slot::SigGen));
  Settle();

  // Load config of a picture: refused, nothing sent, no field changed.
  const std::filesystem::path png = std::filesystem::temp_directory_path() / "korvane-not-a-config.png";
  std::ofstream(png, std::ios::binary) << "\x89PNG\r\n\x1a\n" << std::string(64, '\0');
  const PanelSettings before = window->model().Settings();
  board.ClearLog();
  fileChoice = png.string();
  QTest::mouseClick(ui().loadConfig, Qt::LeftButton);
  QTest::qWait(panel::kTuneDelayMs + 200);
  Settle();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].text.find(png.string()), std::string::npos) << messages[0].text;
  for (const std::string& command : board.Log()) EXPECT_EQ(command, "L;");
  EXPECT_EQ(window->model().Settings().freqSlots[2].frequency, before.freqSlots[2].frequency);
  EXPECT_EQ(window->model().Settings().reference, before.reference);
  std::filesystem::remove(png);
  messages.clear();

  // Save with no edit of the speed gives the board its own code back.
  TypeInto(ui().Of(Slot::SigGen).frequency, QStringLiteral("1296"));
  QTest::mouseClick(ui().save, Qt::LeftButton);
  Settle();
  EXPECT_EQ(board.Count("S 1BC0;"), 1);
  EXPECT_EQ(board.Stored('S'), "S 1BC0;");
  messages.clear();
  QTest::mouseClick(ui().disconnect, Qt::LeftButton);
  Settle();

  // A typed port that does not exist: nothing connects, and the message says so.
  Connect("/dev/ttyKorvaneMissing0", 3);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].text.find("not found"), std::string::npos) << messages[0].text;
  EXPECT_EQ(Text(ui().portList), "/dev/ttyKorvaneMissing0");
  EXPECT_FALSE(window->model().connected());
}

TEST_F(WindowTest, TheLockLightFollowsTheBoardAndIdleReadingsStopWhenBusyOrDisconnected) {
  VirtualBoard board;
  Connect(board.path(), 3);
  auto light = [&] { return Text(ui().lockLight); };
  ASSERT_TRUE(WaitFor([&] { return light().find("Locked") != std::string::npos; }, 3000)) << light();

  board.SetRefuse("L;", "L 0;");
  TypeInto(ui().Of(Slot::SigGen).frequency, QStringLiteral("1000"));
  ASSERT_TRUE(WaitFor([&] { return light().find("Not locked") != std::string::npos; }, 3000)) << light();
  EXPECT_EQ(board.Log().back(), "L;");

  // Idle readings, fast for the test: they come while nothing else runs ...
  window->lockTimer().start(30);
  board.ClearLog();
  ASSERT_TRUE(WaitFor([&] { return board.Count("L;") >= 3; }, 3000));
  // ... never between the commands of a save ...
  board.SetByteDelayMs(2);
  QTest::mouseClick(ui().save, Qt::LeftButton);
  Settle();
  board.SetByteDelayMs(0);
  const std::vector<std::string> log = board.Log();
  const auto first = std::find(log.begin(), log.end(), "M 00;");
  const auto last = std::find(log.begin(), log.end(), "F;");
  ASSERT_NE(first, log.end());
  ASSERT_NE(last, log.end());
  EXPECT_EQ(std::count(first, last, std::string("L;")), 0);
  // ... and not after a disconnect.
  QTest::mouseClick(ui().disconnect, Qt::LeftButton);
  Settle();
  board.ClearLog();
  QTest::qWait(200);
  EXPECT_EQ(board.Count("L;"), 0);
  EXPECT_FALSE(ui().lockLight->isVisible());
}

TEST_F(WindowTest, ASweepRunsItsPointsInOrderAndStopsWithinOnePoint) {
  VirtualBoard board;
  Connect(board.path(), 3);
  Settle();
  QTest::mouseClick(ui().sweep, Qt::LeftButton);
  SweepDialog* sweep = window->sweepDialog();
  ASSERT_NE(sweep, nullptr);
  sweep->listChoice()->setChecked(true);
  QString list;
  for (int i = 0; i < 10; ++i) list += QStringLiteral("%1\n").arg(1000 + i * 10);
  sweep->listField()->setPlainText(list);
  sweep->dwellField()->setText(QStringLiteral("100"));
  board.ClearLog();
  QTest::mouseClick(sweep->startButton(), Qt::LeftButton);
  ASSERT_TRUE(WaitFor([&] { return !window->model().sweep().running; }, 10000));
  Settle();
  EXPECT_TRUE(messages.empty());
  PanelSettings settings = window->model().Settings();
  std::vector<std::string> expected;
  for (int i = 0; i < 10; ++i) {
    settings.freqSlots[4].frequency = FormatFixed(1000 + i * 10, 9);
    expected.push_back(session::SlotCommand(settings, Slot::SigGen));
  }
  EXPECT_EQ(SlotSets(board, '4'), expected);
  EXPECT_EQ(sweep->table()->model()->rowCount(), 10);
  // The output stays at the last point, and the window says so with the field's six decimals.
  EXPECT_EQ(Text(ui().Of(Slot::SigGen).frequency), "1090.000000");

  // Passes 0 runs until Stop, which ends it within one point.
  sweep->passesField()->setText(QStringLiteral("0"));
  QTest::mouseClick(sweep->startButton(), Qt::LeftButton);
  ASSERT_TRUE(WaitFor([&] { return window->model().sweep().samples.size() >= 3; }, 5000));
  const size_t atStop = window->model().sweep().samples.size();
  QTest::mouseClick(sweep->stopButton(), Qt::LeftButton);
  ASSERT_TRUE(WaitFor([&] { return !window->model().sweep().running; }, 20000));
  EXPECT_LE(window->model().sweep().samples.size(), atStop + 1);
  EXPECT_EQ(sweep->status()->text().left(7), QStringLiteral("Stopped"));
}

TEST_F(WindowTest, TheRegisterViewShowsTheWordsTheBoardHolds) {
  VirtualBoard board;
  Connect(board.path(), 3);
  Settle();
  QTest::mouseClick(ui().registers, Qt::LeftButton);
  RegisterDialog* registers = window->registerDialog();
  ASSERT_NE(registers, nullptr);
  for (int slot = 0; slot < 4; ++slot) {
    registers->slotList()->setCurrentIndex(slot);
    const std::optional<std::array<uint32_t, 6>> stored =
        ParseRegisterReply(board.Stored(static_cast<char>('0' + slot)));
    ASSERT_TRUE(stored.has_value());
    std::string words;
    for (int r = 0; r < 6; ++r) {
      words += (r == 0 ? "R0 " : "  R" + std::to_string(r) + " ") + FormatHex((*stored)[static_cast<size_t>(r)], 8);
    }
    EXPECT_NE(registers->text()->toPlainText().toStdString().find(words), std::string::npos)
        << "F" << slot + 1 << "\n"
        << registers->text()->toPlainText().toStdString();
  }

  // Every editor of the expert settings is reached with Tab and read out by its field's name.
  std::set<QWidget*> chain;
  for (QWidget* w = registers->slotList(); chain.insert(w).second; w = w->nextInFocusChain()) {
  }
  // Qt names a combo box by its value and tells its field through the labelled-by relation.
  std::map<QObject*, QAccessibleInterface*> tree;
  std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* node) {
    tree[node->object()] = node;
    for (int i = 0; i < node->childCount(); ++i) walk(node->child(i));
  };
  walk(QAccessible::queryAccessibleInterface(registers));
  auto namedBy = [](QAccessibleInterface* node) {
    QStringList names{node->text(QAccessible::Name)};
    for (const auto& [label, relation] : node->relations(QAccessible::Label)) names << label->text(QAccessible::Name);
    return names;
  };
  for (const RegisterField& field : Facts(window->model().chip()).fields) {
    if (field.computed()) continue;
    const QString name = QString::fromUtf8(field.name.data(), static_cast<qsizetype>(field.name.size()));
    QWidget* editor = registers->Editor(field.field);
    ASSERT_NE(editor, nullptr) << name.toStdString();
    EXPECT_TRUE(chain.count(editor) == 1 && (editor->focusPolicy() & Qt::TabFocus)) << name.toStdString();
    EXPECT_EQ(editor->accessibleName(), name);
    ASSERT_EQ(tree.count(editor), 1u) << name.toStdString();
    EXPECT_TRUE(namedBy(tree[editor]).contains(name)) << name.toStdString();
  }
}

TEST_F(WindowTest, ExpertSettingsSurviveConnectAndSaveAndGoOutFromTheRegisterView) {
  // F3 as another program stored it: the demo's set but for two mode bits of R2.
  const std::string stored = "2 01033328 2000FFE8 78007FC0 01000000 00AC8028 60400000;";
  VirtualBoard board;
  board.SetStored(stored);
  Connect(board.path(), 3);
  Settle();
  EXPECT_EQ(Text(ui().Of(Slot::F3).real).substr(Text(ui().Of(Slot::F3).real).size() - 2),
            " *");  // marked beside its frequency
  QTest::mouseClick(ui().save, Qt::LeftButton);
  Settle();
  EXPECT_EQ(board.Stored('2'), stored);

  // The charge-pump current of the signal generator, set in the register view, goes out with
  // the next retune; a reset gives the slot Korvane's words back.
  QTest::mouseClick(ui().registers, Qt::LeftButton);
  RegisterDialog* registers = window->registerDialog();
  ASSERT_NE(registers, nullptr);
  registers->slotList()->setCurrentIndex(4);
  auto* current = qobject_cast<QComboBox*>(registers->Editor(Field::ChargePumpCurrent));
  ASSERT_NE(current, nullptr);
  const RegisterField* field = Facts(ChipType::Max2871).Find(Field::ChargePumpCurrent);
  const std::string plain = session::SlotCommand(window->model().Settings(), Slot::SigGen);
  const int index = current->findData(3u);
  ASSERT_GE(index, 0);
  current->setCurrentIndex(index);
  emit current->activated(index);
  ASSERT_TRUE(WaitFor([&] { return board.Stored('4') != plain; }, 3000));
  const std::optional<std::array<uint32_t, 6>> sent = ParseRegisterReply(board.Stored('4'));
  ASSERT_TRUE(sent.has_value());
  EXPECT_EQ(ReadField(*field, *sent), 3u);
  EXPECT_NE(registers->text()->toPlainText().indexOf(QStringLiteral("[expert]")), -1);
  QPushButton* resetAll = nullptr;
  for (QPushButton* button : registers->findChildren<QPushButton*>()) {
    if (button->text() == QStringLiteral("Reset &all slots")) resetAll = button;
  }
  ASSERT_NE(resetAll, nullptr);
  QTest::mouseClick(resetAll, Qt::LeftButton);
  ASSERT_TRUE(WaitFor([&] { return board.Stored('4') == plain; }, 3000));
  EXPECT_TRUE(window->model().slot(Slot::F3).overrides.empty());
}

// A retune the board refuses is seen: the strip says why beside the lock light, which says "Lock
// unknown", and the labels and the screen reader keep what the board was given last, not what was typed.
TEST_F(WindowTest, ARefusedRetuneIsSeenAndTheDisplayKeepsWhatTheBoardWasGiven) {
  VirtualBoard board;
  Connect(board.path(), 3);
  auto* notice = ui().statusNotice;
  auto* real = ui().statusReal;
  TypeInto(ui().Of(Slot::SigGen).frequency, "1000");
  ASSERT_TRUE(WaitFor([&] { return Text(ui().lockLight).find("Locked") != std::string::npos; }, 5000));
  EXPECT_EQ(Text(ui().statusReal).rfind("1000.000000 MHz", 0), 0u);
  QTest::mouseClick(ui().registers, Qt::LeftButton);
  EXPECT_TRUE(notice->isHidden());

  PanelSettings next = window->model().Settings();
  next.freqSlots[4].frequency = "1200";
  board.SetRefuse(session::SlotCommand(next, Slot::SigGen), "?;");
  TypeInto(ui().Of(Slot::SigGen).frequency, "1200");
  ASSERT_TRUE(WaitFor([&] { return !notice->isHidden(); }, 5000));
  EXPECT_EQ(Text(ui().statusNotice).rfind("The board refused \"4 ", 0), 0u) << Text(ui().statusNotice);
  EXPECT_EQ(notice->accessibleName().toStdString().rfind("Refused: The board refused", 0), 0u);
  EXPECT_NE(Text(ui().lockLight).find("Lock unknown"), std::string::npos);
  EXPECT_EQ(Text(ui().statusReal).rfind("1000.000000 MHz", 0), 0u);
  EXPECT_EQ(real->accessibleName().toStdString().rfind("Real frequency: 1000.000000 MHz", 0), 0u);
  EXPECT_EQ(Text(ui().Of(Slot::SigGen).real), "/ 1000.000000");
  EXPECT_EQ(Text(ui().Of(Slot::SigGen).frequency), "1200");  // what was typed stays for the user to correct
  RegisterDialog* registers = window->registerDialog();
  ASSERT_NE(registers, nullptr);
  EXPECT_TRUE(registers->text()->toPlainText().startsWith(QStringLiteral("Signal generator: 1000 MHz")));
  EXPECT_TRUE(registers->text()->toPlainText().contains(QStringLiteral("The board keeps these words")));

  // The board takes the next retune: the notice goes, the strip follows.
  TypeInto(ui().Of(Slot::SigGen).frequency, "1300");
  ASSERT_TRUE(WaitFor([&] { return notice->isHidden(); }, 5000));
  EXPECT_EQ(Text(ui().statusReal).rfind("1300.000000 MHz", 0), 0u);
  EXPECT_EQ(ui().statusPort->accessibleName().toStdString(), "Port: " + board.path());
}

// A board refused for its version: while the message is up Connect stands in its place with the
// focus, as it had it when clicked; it never falls to the next control.
TEST_F(WindowTest, ARefusedBoardLeavesTheFocusOnConnect) {
  VirtualBoard board({.hwTag = "v2."});
  auto* ports = ui().portList;
  ports->lineEdit()->selectAll();
  QTest::keyClicks(ports->lineEdit(), QString::fromStdString(board.path()));
  ChooseEntry(ui().chipList, 0);
  QWidget* connect = ui().connect;
  connect->setFocus();
  bool standing = false;  // Connect, not Cancel, and with the focus while the message is up
  onMessage = [&] { standing = !ui().cancel->isVisible() && QApplication::focusWidget() == connect; };
  QTest::keyClick(connect, Qt::Key_Space);
  Settle();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(standing);
  EXPECT_EQ(QApplication::focusWidget(), connect);
}

TEST_F(WindowTest, EnterConnectsFromThePortFieldAndPressesTheFocusedButton) {
  QLineEdit* port = ui().portList->lineEdit();
  port->setFocus();
  port->selectAll();
  QTest::keyClicks(port, QStringLiteral("Demo"));
  QTest::keyClick(port, Qt::Key_Return);
  Settle();
  ASSERT_TRUE(window->model().connected());
  ui().disconnect->setFocus();
  QTest::keyClick(ui().disconnect, Qt::Key_Return);
  Settle();
  EXPECT_FALSE(window->model().connected());
}

TEST_F(WindowTest, EveryFieldAndListHasADistinctNameAScreenReaderSays) {
  QAccessible::setActive(true);
  // Qt names a text field after its caption. A list it names by its value on Linux, where a
  // screen reader finds the caption through the list's label relation; the list's own name
  // (what other platforms say) and its description must tell the lists apart there.
  std::set<std::string> names;
  std::set<std::string> descriptions;
  int fields = 0;
  std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* node) {
    if (node == nullptr) return;
    const QAccessible::Role role = node->role();
    auto* widget = qobject_cast<QWidget*>(node->object());
    // The edit field of the port list is that list.
    const bool inList = widget != nullptr && qobject_cast<QComboBox*>(widget->parentWidget()) != nullptr;
    if ((role == QAccessible::EditableText || role == QAccessible::ComboBox) && widget != nullptr &&
        widget->isVisible() && !inList) {
      const std::string name = role == QAccessible::EditableText ? node->text(QAccessible::Name).toStdString()
                                                                 : widget->accessibleName().toStdString();
      ++fields;
      EXPECT_FALSE(name.empty()) << "a field without a name: " << widget->objectName().toStdString();
      EXPECT_TRUE(names.insert(name).second) << "two fields named \"" << name << "\"";
      if (role == QAccessible::ComboBox && !widget->toolTip().isEmpty()) {
        const std::string description = node->text(QAccessible::Description).toStdString();
        EXPECT_TRUE(descriptions.insert(description).second) << "two lists described \"" << description << "\"";
      }
    }
    for (int i = 0; i < node->childCount(); ++i) walk(node->child(i));
  };
  walk(QAccessible::queryAccessibleInterface(window.get()));
  EXPECT_GE(fields, 20);
  // The names are the captions the eye reads.
  for (const char* name : {"Frequency (MHz)", "F1 frequency (MHz)", "F4 frequency (MHz)", "Reference frequency (MHz)",
                           "Transmission speed (wpm)", "Beacon text", "COM port", "Chip", "Output 1 & 2 function",
                           "F2 power (dBm)", "Band"}) {
    EXPECT_EQ(names.count(name), 1u) << name;
  }
  QAccessible::setActive(false);
}

}  // namespace
}  // namespace korvane::app::testing
