#include "app/message_loop.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

namespace korvane::app {
namespace {

class RecordingFilter : public CMessageFilter {
 public:
  explicit RecordingFilter(int consumeKey = 0) : consumeKey_(consumeKey) {}
  bool PreTranslateMessage(QObject* receiver, QKeyEvent* event) override {
    seen.push_back({receiver, event->key()});
    return event->key() == consumeKey_;
  }
  std::vector<std::pair<QObject*, int>> seen;

 private:
  int consumeKey_;
};

class MessageLoopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto* layout = new QVBoxLayout(&window);
    edit = new QLineEdit(&window);
    layout->addWidget(edit);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    edit->setFocus();
    loop.AddMessageFilter(&first);
    loop.AddMessageFilter(&second);
  }

  CMessageLoop loop;
  QWidget window;
  QLineEdit* edit = nullptr;
  RecordingFilter first{Qt::Key_F2};
  RecordingFilter second;
};

TEST_F(MessageLoopTest, KeyPressesGoToTheFiltersInOrderUntilOneConsumesThem) {
  const struct {
    Qt::Key key;
    size_t firstSees;
    size_t secondSees;
    const char* text;
  } cases[] = {
      {Qt::Key_A, 1, 1, "a"},  // typed as usual after both looked at it
      {Qt::Key_F2, 1, 0, ""},  // consumed by the first: the second and the field never see it
      {Qt::Key_Up, 1, 1, ""},  // ignored by the field and handed to its parent: offered once
  };
  for (const auto& c : cases) {
    first.seen.clear();
    second.seen.clear();
    edit->clear();
    QTest::keyClick(edit, c.key);
    EXPECT_EQ(first.seen.size(), c.firstSees) << c.key;
    EXPECT_EQ(second.seen.size(), c.secondSees) << c.key;
    if (!first.seen.empty()) {
      EXPECT_EQ(first.seen[0].first, edit);
    }
    EXPECT_EQ(edit->text().toStdString(), c.text) << c.key;
  }
}

TEST_F(MessageLoopTest, OnlyKeyPressesAreOfferedAndOnlyToRegisteredFilters) {
  QTest::keyRelease(edit, Qt::Key_A);
  QTest::mouseClick(edit, Qt::LeftButton);
  EXPECT_TRUE(first.seen.empty());

  loop.RemoveMessageFilter(&first);
  QTest::keyClick(edit, Qt::Key_F2);
  EXPECT_TRUE(first.seen.empty());
  EXPECT_EQ(second.seen.size(), 1u);
}

TEST_F(MessageLoopTest, RunReturnsTheExitCode) {
  QMetaObject::invokeMethod(
      qApp, [] { QCoreApplication::exit(7); }, Qt::QueuedConnection);
  EXPECT_EQ(loop.Run(), 7);
}

}  // namespace
}  // namespace korvane::app
