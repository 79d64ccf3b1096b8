#include "app/register_dialog.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>
#include <climits>

#include "panel/register_text.h"
#include "synth/field_overrides.h"

namespace korvane::app {

RegisterDialog::RegisterDialog(panel::CMainDlg& dlg, QWidget* parent)
    : QDialog(parent),
      dlg_(dlg),
      model_(dlg.model()),
      slots_(new QComboBox(this)),
      text_(new QPlainTextEdit(this)),
      fields_(new QTableWidget(0, 4, this)) {
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
  text_->setMinimumSize(metrics.horizontalAdvance(QLatin1Char('0')) * 100, metrics.lineSpacing() * 16);

  fields_->setHorizontalHeaderLabels({QStringLiteral("Register"), QStringLiteral("Field"), QStringLiteral("Value"),
                                      QStringLiteral("Korvane's value")});
  fields_->setAccessibleName(QStringLiteral("Expert settings"));
  fields_->verticalHeader()->setVisible(false);
  fields_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  fields_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  fields_->horizontalHeader()->setStretchLastSection(true);
  fields_->setMinimumHeight(metrics.lineSpacing() * 12);
  auto* fieldsCaption = new QLabel(QStringLiteral("E&xpert settings (fields sent instead of Korvane's values):"), this);
  fieldsCaption->setBuddy(fields_);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  QPushButton* resetSlot = buttons->addButton(QStringLiteral("&Reset slot"), QDialogButtonBox::ResetRole);
  resetSlot->setToolTip(QStringLiteral("Give this slot Korvane's own values in every field"));
  connect(resetSlot, &QPushButton::clicked, this, [this] { dlg_.OnResetFields(slots_->currentIndex()); });
  QPushButton* resetAll = buttons->addButton(QStringLiteral("Reset &all slots"), QDialogButtonBox::ResetRole);
  resetAll->setToolTip(QStringLiteral("Give every slot Korvane's own values in every field"));
  connect(resetAll, &QPushButton::clicked, this, [this] { dlg_.OnResetFields(std::nullopt); });
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
  layout->addWidget(fieldsCaption);
  layout->addWidget(fields_, 1);
  layout->addWidget(buttons);

  connect(slots_, &QComboBox::currentIndexChanged, this, &RegisterDialog::Show);
  connect(&model_, &panel::PanelModel::slotChanged, this, [this](int slot) {
    if (slot == slots_->currentIndex()) Show();
  });
  connect(&model_, &panel::PanelModel::referenceChanged, this, &RegisterDialog::Show);
  connect(&model_, &panel::PanelModel::chipChanged, this, &RegisterDialog::Show);
  connect(&model_, &panel::PanelModel::operationChanged, this, &RegisterDialog::ShowFields);
  Show();
}

void RegisterDialog::Show() {
  // A closed view costs nothing while the user types; it is filled when it opens.
  if (!isVisible()) return;
  const QString text = QString::fromStdString(panel::RegisterText(model_.Settings(), slots_->currentIndex()));
  if (text_->toPlainText() != text) text_->setPlainText(text);
  if (!built_ || tableChip_ != model_.chip()) BuildFields();
  ShowFields();
}

void RegisterDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  Show();
}

QWidget* RegisterDialog::Editor(Field field) const {
  for (int row = 0; row < fields_->rowCount(); ++row) {
    if (fields_->item(row, 1)->data(Qt::UserRole).toInt() == static_cast<int>(field))
      return fields_->cellWidget(row, 2);
  }
  return nullptr;
}

// One row per field a slot may set, with a list of the field's named values or a number box.
void RegisterDialog::BuildFields() {
  built_ = true;
  tableChip_ = model_.chip();
  fields_->setRowCount(0);
  for (const RegisterField& field : Facts(tableChip_).fields) {
    if (field.computed()) continue;
    const int row = fields_->rowCount();
    fields_->insertRow(row);
    fields_->setItem(row, 0, new QTableWidgetItem(QStringLiteral("R%1").arg(field.reg)));
    auto* name = new QTableWidgetItem(QString::fromUtf8(field.name.data(), static_cast<qsizetype>(field.name.size())));
    name->setData(Qt::UserRole, static_cast<int>(field.field));
    name->setToolTip(QString::fromUtf8(field.title.data(), static_cast<qsizetype>(field.title.size())));
    fields_->setItem(row, 1, name);
    fields_->setItem(row, 3, new QTableWidgetItem);
    const QString accessible = name->text() + QStringLiteral(" (R%1)").arg(field.reg);
    const Field which = field.field;
    if (!field.values.empty()) {
      auto* list = new QComboBox(fields_);
      for (const FieldValue& value : field.values) {
        list->addItem(QStringLiteral("%1: %2")
                          .arg(value.value)
                          .arg(QString::fromUtf8(value.name.data(), static_cast<qsizetype>(value.name.size()))),
                      static_cast<uint>(value.value));
      }
      list->setAccessibleName(accessible);
      connect(list, &QComboBox::activated, this, [this, list, which](int index) {
        if (!showing_) dlg_.OnFieldEdited(slots_->currentIndex(), which, list->itemData(index).toUInt());
      });
      fields_->setCellWidget(row, 2, list);
    } else {
      auto* number = new QSpinBox(fields_);
      number->setRange(static_cast<int>(field.minValue),
                       static_cast<int>(std::min<uint32_t>(field.maxValue, INT32_MAX)));
      if (!field.unit.empty()) {
        number->setSuffix(QLatin1Char(' ') +
                          QString::fromUtf8(field.unit.data(), static_cast<qsizetype>(field.unit.size())));
      }
      number->setKeyboardTracking(false);
      number->setAccessibleName(accessible);
      connect(number, &QSpinBox::valueChanged, this, [this, which](int value) {
        if (!showing_) dlg_.OnFieldEdited(slots_->currentIndex(), which, static_cast<uint32_t>(value));
      });
      fields_->setCellWidget(row, 2, number);
    }
  }
}

void RegisterDialog::ShowFields() {
  showing_ = true;
  const int slot = slots_->currentIndex();
  PanelSettings settings = model_.Settings();
  const SlotPlan plan = session::PlanSlotWords(settings, slot);
  const RegisterSet words{slot, plan.words};
  const RegisterSet korvaneWords = session::KorvaneWords(settings, slot);
  const bool editable = !model_.busy();
  for (int row = 0; row < fields_->rowCount(); ++row) {
    const auto which = static_cast<Field>(fields_->item(row, 1)->data(Qt::UserRole).toInt());
    const RegisterField* field = Facts(tableChip_).Find(which);
    if (field == nullptr) continue;
    const uint32_t value = ReadField(*field, words.words);
    const uint32_t korvane = ReadField(*field, korvaneWords.words);
    QWidget* editor = fields_->cellWidget(row, 2);
    editor->setEnabled(editable);
    if (auto* list = qobject_cast<QComboBox*>(editor)) {
      list->setCurrentIndex(list->findData(static_cast<uint>(value)));
    } else if (auto* number = qobject_cast<QSpinBox*>(editor)) {
      number->setValue(static_cast<int>(value));
    }
    const std::string_view named = ValueName(*field, korvane);
    fields_->item(row, 3)->setText(QString::number(korvane) +
                                   (named.empty() ? QString()
                                                  : QStringLiteral(" (%1)").arg(QString::fromUtf8(
                                                        named.data(), static_cast<qsizetype>(named.size())))));
    // A field the user set stands out in bold, one that keeps the board's value in italics.
    const auto source = plan.sources.find(which);
    QFont font = fields_->item(row, 1)->font();
    font.setBold(source != plan.sources.end() && source->second == FieldSource::User);
    font.setItalic(source != plan.sources.end() && source->second == FieldSource::Board);
    fields_->item(row, 1)->setFont(font);
    fields_->item(row, 1)->setToolTip(source == plan.sources.end()          ? QString()
                                      : source->second == FieldSource::User ? tr("Set by you")
                                                                            : tr("As the board holds it"));
  }
  showing_ = false;
}

}  // namespace korvane::app
