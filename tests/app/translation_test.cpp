// The window in German: every text a user reads or a screen reader says is translated, except the
// names and units that German writes the same way.
#include "app/translation.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <optional>
#include <set>

#include "app/calibrate_dialog.h"
#include "app/plan_dialog.h"
#include "app/register_dialog.h"
#include "app/sweep_dialog.h"
#include "app/update_info_dlg.h"
#include "support/window_test.h"
#include "synth/chip_facts.h"
#include "texts/texts.h"

namespace korvane::app::testing {
namespace {

// Words that are the same in German: chip, port and program names, units, register and jumper
// names, and the words German takes from English ("Information", "Chip", "Port", "Demo").
const std::set<QString> kSameInGerman = {
    QStringLiteral("ADF4350"),    QStringLiteral("ADF4351"), QStringLiteral("MAX2871"),     QStringLiteral("Auto"),
    QStringLiteral("Korvane"),    QStringLiteral("Demo"),    QStringLiteral("DEMO"),        QStringLiteral("MHz"),
    QStringLiteral("Hz"),         QStringLiteral("dBm"),     QStringLiteral("ms"),          QStringLiteral("wpm"),
    QStringLiteral("Chip"),       QStringLiteral("Port"),    QStringLiteral("Information"), QStringLiteral("PFD"),
    QStringLiteral("HW"),         QStringLiteral("FW"),      QStringLiteral("OK"),          QStringLiteral("CSV"),
    QStringLiteral("LO"),         QStringLiteral("RF"),      QStringLiteral("IF"),          QStringLiteral("N"),
    QStringLiteral("R"),          QStringLiteral("S"),       QStringLiteral("F"),           QStringLiteral("h"),
    QStringLiteral("s"),          QStringLiteral("m"),       QStringLiteral("x"),           QStringLiteral("v"),
    QStringLiteral("DB"),         QStringLiteral("Out"),     QStringLiteral("Status"),      QStringLiteral("Firmware"),
    QStringLiteral("Bootloader"), QStringLiteral("Flash"),   QStringLiteral("Start"),       QStringLiteral("GHz"),
    QStringLiteral("Register"),   QStringLiteral("Band"),
};

// The register view shows each field as the chip's data sheet names it: its title, and its named
// values in the lists ("0: Low noise mode") and beside Korvane's value ("0 (Low noise mode)").
std::set<QString> DataSheetTexts() {
  std::set<QString> texts;
  for (ChipType chip : {ChipType::Adf4350, ChipType::Adf4351, ChipType::Max2871}) {
    for (const RegisterField& field : Facts(chip).fields) {
      texts.insert(QString::fromUtf8(field.title.data(), static_cast<qsizetype>(field.title.size())));
      for (const FieldValue& value : field.values) {
        const QString name = QString::fromUtf8(value.name.data(), static_cast<qsizetype>(value.name.size()));
        texts.insert(QStringLiteral("%1: %2").arg(value.value).arg(name));
        texts.insert(QStringLiteral("%1 (%2)").arg(value.value).arg(name));
      }
    }
  }
  return texts;
}

// A text counts when it holds a word German writes differently; numbers, names and units alone do not.
bool NeedsTranslation(const QString& text) {
  static const QRegularExpression word(QStringLiteral("[A-Za-z]+"));
  static const QRegularExpression tag(QStringLiteral("<[^>]*>"));
  QString shown = text;
  shown.remove(tag).remove(QLatin1Char('&'));
  for (auto it = word.globalMatch(shown); it.hasNext();) {
    const QString w = it.next().captured();
    // Register and field names from the data sheets (R0, INT, FRAC, MUXOUT, P, ...) stay as printed.
    if (w == w.toUpper()) continue;
    if (!kSameInGerman.count(w)) return true;
  }
  return false;
}

// What the walk left aside as the same in German, for the figure the test prints.
std::set<QString> sameInGerman;

void Add(std::set<QString>& texts, const QString& text) {
  static const std::set<QString> dataSheet = DataSheetTexts();
  if (text.isEmpty()) return;
  if (NeedsTranslation(text) && !dataSheet.count(text)) {
    texts.insert(text);
  } else {
    sameInGerman.insert(text);
  }
}

// Every text of the shown windows: captions, entries, tooltips, names and descriptions for screen
// readers, window titles, header sections and the actions' texts.
std::set<QString> ShownTexts() {
  std::set<QString> texts;
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (!top->isVisible()) continue;
    QList<QWidget*> widgets = top->findChildren<QWidget*>();
    widgets.prepend(top);
    for (QWidget* w : widgets) {
      Add(texts, w->windowTitle());
      Add(texts, w->toolTip());
      Add(texts, w->accessibleName());
      Add(texts, w->accessibleDescription());
      Add(texts, w->statusTip());
      if (auto* label = qobject_cast<QLabel*>(w)) Add(texts, label->text());
      if (auto* button = qobject_cast<QAbstractButton*>(w)) Add(texts, button->text());
      if (auto* group = qobject_cast<QGroupBox*>(w)) Add(texts, group->title());
      if (auto* edit = qobject_cast<QLineEdit*>(w)) Add(texts, edit->placeholderText());
      if (auto* combo = qobject_cast<QComboBox*>(w)) {
        for (int i = 0; i < combo->count(); ++i) Add(texts, combo->itemText(i));
      }
      if (auto* view = qobject_cast<QAbstractItemView*>(w); view && view->model()) {
        for (int c = 0; c < view->model()->columnCount(); ++c) {
          Add(texts, view->model()->headerData(c, Qt::Horizontal).toString());
          for (int r = 0; r < view->model()->rowCount(); ++r) Add(texts, view->model()->index(r, c).data().toString());
        }
      }
      for (QAction* action : w->actions()) {
        Add(texts, action->text());
        Add(texts, action->toolTip());
      }
    }
  }
  return texts;
}

class TranslationTest : public WindowTest {
 protected:
  void SetUp() override {}
  void TearDown() override {}

  // The texts of the window connected to the demo board, with each of its own windows open.
  std::set<QString> WindowTexts(std::optional<QLocale> locale) {
    std::optional<Translation> translation;
    if (locale) {
      translation.emplace(*locale);
      EXPECT_TRUE(translation->installed());
    }
    WindowTest::SetUp();
    Connect("Demo");
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
      if (button->text() == MainWindow::tr("S&weep...") || button->text() == MainWindow::tr("R&egisters...")) {
        button->click();
      }
    }
    window->OpenCalibrate();
    window->OpenPlan(Slot::SigGen);
    window->ShowAbout();
    window->model().OpenProgress(texts::Tr(texts::kEntering));
    window->model().SetProgressPhase(texts::Tr(texts::kFlashing), 100);
    window->model().StepProgress();
    QTest::qWait(50);
    std::set<QString> texts = ShownTexts();
    window->model().CloseProgress();
    WindowTest::TearDown();
    return texts;
  }
};

TEST_F(TranslationTest, GermanCoversEveryTextOfTheWindow) {
  const std::set<QString> english = WindowTexts(std::nullopt);
  const size_t same = sameInGerman.size();
  const std::set<QString> german = WindowTexts(QLocale(QLocale::German, QLocale::Germany));
  std::vector<QString> untranslated;
  for (const QString& text : english) {
    if (german.count(text)) untranslated.push_back(text);
  }
  // The figure the README quotes.
  std::cout << "translated " << english.size() - untranslated.size() << " of " << english.size()
            << " texts of the window; " << same << " more are names, numbers, units or data-sheet terms\n";
  for (const QString& text : untranslated) ADD_FAILURE() << "not translated: " << text.toStdString();
  EXPECT_GT(english.size(), 100u);  // the walk found the window's texts, not a few of them
}

// Why a port could not be opened is put into words in the window, so it reads in German too.
TEST_F(TranslationTest, APortThatCannotBeOpenedIsToldInGerman) {
  const Translation german(QLocale(QLocale::German, QLocale::Germany));
  ASSERT_TRUE(german.installed());
  WindowTest::SetUp();
  Connect("/nonexistent/korvane-port", ChipChoice::Max2871);
  const std::string shown = messages.size() == 1 ? messages[0].text : std::to_string(messages.size()) + " messages";
  WindowTest::TearDown();
  EXPECT_EQ(shown,
            "Synthesizer-Platine nicht gefunden!\n/nonexistent/korvane-port nicht gefunden: Dieses Gerät gibt es "
            "nicht; prüfen Sie, ob die Platine angeschlossen ist.");
}

}  // namespace
}  // namespace korvane::app::testing
