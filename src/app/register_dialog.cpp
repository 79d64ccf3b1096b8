#include "app/register_dialog.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "panel/register_text.h"

namespace korvane::app {

RegisterDialog::RegisterDialog(panel::PanelModel& model, QWidget* parent)
    : QDialog(parent), model_(model), slots_(new QComboBox(this)), text_(new QPlainTextEdit(this)) {
  setWindowTitle(QStringLiteral("Registers"));
  for (int slot = 0; slot < kSigGenSlot; ++slot) slots_->addItem(QStringLiteral("F%1").arg(slot + 1));
  slots_->addItem(QStringLiteral("Signal generator"));
  slots_->setCurrentIndex(kSigGenSlot);
  slots_->setAccessibleName(QStringLiteral("Slot"));
  auto* caption = new QLabel(QStringLiteral("&Slot:"), this);
  caption->setBuddy(slots_);

  text_->setReadOnly(true);
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  text_->setAccessibleName(QStringLiteral("Register words and fields"));
  text_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  const QFontMetrics metrics(text_->font());
  text_->setMinimumSize(metrics.horizontalAdvance(QLatin1Char('0')) * 86, metrics.lineSpacing() * 32);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  QPushButton* copy = buttons->addButton(QStringLiteral("&Copy"), QDialogButtonBox::ActionRole);
  copy->setToolTip(QStringLiteral("Copy the words and fields of this slot as text"));
  connect(copy, &QPushButton::clicked, this, [this] { QApplication::clipboard()->setText(text_->toPlainText()); });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);

  auto* top = new QHBoxLayout;
  top->addWidget(caption);
  top->addWidget(slots_);
  top->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(text_, 1);
  layout->addWidget(buttons);

  connect(slots_, &QComboBox::currentIndexChanged, this, &RegisterDialog::Show);
  connect(&model_, &panel::PanelModel::slotChanged, this, [this](int slot) {
    if (slot == slots_->currentIndex()) Show();
  });
  connect(&model_, &panel::PanelModel::referenceChanged, this, &RegisterDialog::Show);
  connect(&model_, &panel::PanelModel::chipChanged, this, &RegisterDialog::Show);
  Show();
}

void RegisterDialog::Show() {
  const QString text = QString::fromStdString(panel::RegisterText(model_.Settings(), slots_->currentIndex()));
  if (text_->toPlainText() != text) text_->setPlainText(text);
}

}  // namespace korvane::app
