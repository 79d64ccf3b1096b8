// "Calibrate..." on the reference field's menu puts the corrected reference into the field as if
// typed; a lock lost while the board is idle stays on the status strip with its time.
#include <QDialogButtonBox>
#include <QMenu>
#include <QPushButton>

#include "app/calibrate_dialog.h"
#include "app/plan_dialog.h"
#include "support/virtual_board.h"
#include "window_fixture.h"

namespace korvane::app::testing {
namespace {

QAction* MenuAction(const QString& text) {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    auto* menu = qobject_cast<QMenu*>(widget);
    if (!menu || !menu->isVisible()) continue;
    for (QAction* action : menu->actions()) {
      if (action->text() == text) return action;
    }
  }
  return nullptr;
}

QAction* CalibrateAction() { return MenuAction(QStringLiteral("&Calibrate...")); }

TEST_F(WindowTest, CalibrateFromTheReferenceMenuPutsTheCorrectionInTheField) {
  auto* reference = qobject_cast<QLineEdit*>(ui().reference);
  // The demo board's reference is 10 MHz; the field takes a reference only with a board connected.
  Connect();
  ASSERT_EQ(reference->text().toStdString(), "10.000000");
  emit reference->customContextMenuRequested(QPoint(2, 2));
  QAction* calibrate = CalibrateAction();
  ASSERT_NE(calibrate, nullptr);
  calibrate->trigger();
  CalibrateDialog* dialog = window->calibrateDialog();
  ASSERT_NE(dialog, nullptr);

  // Nothing to take while the counter's reading is missing or is another signal.
  auto* ok = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
  dialog->outputField()->setText(QStringLiteral("1296"));
  EXPECT_FALSE(ok->isEnabled());
  dialog->measuredField()->setText(QStringLiteral("1300"));
  EXPECT_FALSE(ok->isEnabled());
  // A decimal comma, as the window's fields take it.
  dialog->measuredField()->setText(QStringLiteral("1295,99"));
  ASSERT_TRUE(ok->isEnabled());
  ok->click();
  EXPECT_EQ(reference->text().toStdString(), "9.999923");
  EXPECT_EQ(window->model().reference(), "9.999923");
}

TEST_F(WindowTest, PlanFromTheFrequencyMenuSetsAndRemovesTheSlotsPlan) {
  auto* f2 = qobject_cast<QLineEdit*>(ui().Of(Slot::F2).frequency);
  Connect();
  const std::string output = window->model().slot(Slot::F2).frequency;
  auto open = [&] {
    emit f2->customContextMenuRequested(QPoint(2, 2));
    QAction* plan = MenuAction(QStringLiteral("&Plan..."));
    EXPECT_NE(plan, nullptr);
    if (plan == nullptr) return static_cast<PlanDialog*>(nullptr);
    plan->trigger();
    return window->planDialog();
  };
  PlanDialog* dialog = open();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->multiplierField()->accessibleName().toStdString(), "Multiplier N");
  EXPECT_EQ(dialog->offsetField()->accessibleName().toStdString(), "Offset (MHz)");
  EXPECT_FALSE(dialog->removeButton()->isEnabled());
  auto* ok = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
  // A refused entry keeps the dialog open with the reason.
  dialog->multiplierField()->setText(QStringLiteral("65"));
  ok->click();
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(window->model().slot(Slot::F2).plan, FrequencyPlan{});
  dialog->multiplierField()->setText(QStringLiteral("2"));
  dialog->offsetField()->setText(QStringLiteral("144"));
  ok->click();
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(window->model().slot(Slot::F2).plan, (FrequencyPlan{2, 144.0}));
  EXPECT_EQ(window->model().slot(Slot::F2).frequency, output);
  EXPECT_EQ(f2->text().toStdString(), window->model().slot(Slot::F2).rf);
  EXPECT_NE(f2->text().toStdString(), output);
  ASSERT_TRUE(WaitFor([&] { return window->planDialog() == nullptr; }, 3000));

  dialog = open();
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(dialog->removeButton()->isEnabled());
  dialog->removeButton()->click();
  EXPECT_EQ(window->model().slot(Slot::F2).plan, FrequencyPlan{});
  EXPECT_EQ(f2->text().toStdString(), output);
}

TEST_F(WindowTest, ALockLostWhileIdleIsShownWithTheTimeOfTheLoss) {
  test::VirtualBoard board;
  Connect(board.path(), 3);
  auto light = [&] { return Text(ui().lockLight); };
  ASSERT_TRUE(WaitFor([&] { return light().find("Locked") != std::string::npos; }, 3000)) << light();
  window->lockTimer().start(30);
  board.SetRefuse("L;", "L 0;");
  ASSERT_TRUE(WaitFor([&] { return light().find("Not locked since ") != std::string::npos; }, 3000)) << light();
  // Later readings keep the time of the loss: it is told once.
  const std::string lost = light();
  board.ClearLog();
  ASSERT_TRUE(WaitFor([&] { return board.Count("L;") >= 3; }, 3000));
  EXPECT_EQ(light(), lost);
  EXPECT_EQ(ui().lockLight->accessibleName().toStdString(), "Lock: " + lost.substr(lost.find("Not")));
}

}  // namespace
}  // namespace korvane::app::testing
