#include "app/register_dialog.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
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
      fields_(new QScrollArea(this)) {
  setWindowTitle(tr("Registers"));
  // The list's rows are the slots in their board order.
  for (Slot slot : kPresetSlots) slots_->addItem(QStringLiteral("F%1").arg(SlotNumber(slot) + 1));
  slots_->addItem(tr("Signal generator"));
  slots_->setCurrentIndex(SlotNumber(Slot::SigGen));
  slots_->setAccessibleName(tr("Slot"));
  auto* caption = new QLabel(tr("&Slot:"), this);
  caption->setBuddy(slots_);

  text_->setReadOnly(true);
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  text_->setAccessibleName(tr("Register words and fields"));
  text_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  const QFontMetrics metrics(text_->font());
  text_->setMinimumSize(metrics.horizontalAdvance(QLatin1Char('0')) * 100, metrics.lineSpacing() * 16);

  // Every editor is a widget of its own in the dialog, so Tab reaches each one and a screen reader
  // finds it by its field's name (an editor inside a table's cell is neither).
  fields_->setWidgetResizable(true);
  fields_->setAccessibleName(tr("Expert settings"));
  fields_->setMinimumHeight(metrics.lineSpacing() * 12);
  fieldsCaption_ = new QLabel(tr("E&xpert settings (fields sent instead of Korvane's values):"), this);
  fieldsCaption_->setBuddy(fields_);
  auto* fieldsCaption = fieldsCaption_;

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  QPushButton* resetSlot = buttons->addButton(tr("&Reset slot"), QDialogButtonBox::ResetRole);
  resetSlot->setToolTip(tr("Give this slot Korvane's own values in every field"));
  connect(resetSlot, &QPushButton::clicked, this, [this] { dlg_.OnResetFields(ShownSlot()); });
  QPushButton* resetAll = buttons->addButton(tr("Reset &all slots"), QDialogButtonBox::ResetRole);
  resetAll->setToolTip(tr("Give every slot Korvane's own values in every field"));
  connect(resetAll, &QPushButton::clicked, this, [this] { dlg_.OnResetFields(std::nullopt); });
  QPushButton* copy = buttons->addButton(tr("&Copy"), QDialogButtonBox::ActionRole);
  copy->setToolTip(tr("Copy the words and fields of this slot as text"));
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
  connect(&model_, &panel::PanelModel::slotChanged, this, [this](Slot slot) {
    if (slot == ShownSlot()) Show();
  });
  connect(&model_, &panel::PanelModel::referenceChanged, this, &RegisterDialog::Show);
  connect(&model_, &panel::PanelModel::chipChanged, this, &RegisterDialog::Show);
  connect(&model_, &panel::PanelModel::operationChanged, this, &RegisterDialog::ShowFields);
  Show();
}

void RegisterDialog::Show() {
  // A closed view costs nothing while the user types; it is filled when it opens.
  if (!isVisible()) return;
  const Slot slot = ShownSlot();
  QString text = QString::fromStdString(panel::RegisterText(Shown(), slot));
  if (slot == Slot::SigGen && model_.connected() && model_.tuneRefused()) {
    text += tr("\nThe board keeps these words; what is typed was not sent: %1\n")
                .arg(QString::fromStdString(model_.tuneNotice()));
  }
  if (text_->toPlainText() != text) text_->setPlainText(text);
  if (!built_ || tableChip_ != model_.chip()) BuildFields();
  ShowFields();
}

// The signal generator's words are the ones the board was last given: after a refused retune they
// are not what is typed.
PanelSettings RegisterDialog::Shown() const {
  return ShownSlot() == Slot::SigGen ? model_.BoardSettings() : model_.Settings();
}

Slot RegisterDialog::ShownSlot() const { return SlotAt(slots_->currentIndex()); }

void RegisterDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  Show();
}

QWidget* RegisterDialog::Editor(Field field) const {
  for (const Row& row : rows_) {
    if (row.field == field) return row.editor;
  }
  return nullptr;
}

// One row per field a slot may set, with a list of the field's named values or a number box.
void RegisterDialog::BuildFields() {
  built_ = true;
  tableChip_ = model_.chip();
  rows_.clear();
  auto* grid = new QWidget;
  auto* layout = new QGridLayout(grid);
  const QStringList headings = {tr("Register"), tr("Field"), tr("Value"), tr("Korvane's value")};
  for (int column = 0; column < headings.size(); ++column) {
    auto* heading = new QLabel(QStringLiteral("<b>%1</b>").arg(headings[column]), grid);
    heading->setAccessibleName(headings[column]);
    layout->addWidget(heading, 0, column);
  }
  for (const RegisterField& field : Facts(tableChip_).fields) {
    if (field.computed()) continue;
    const int line = layout->rowCount();
    const QString name = QString::fromUtf8(field.name.data(), static_cast<qsizetype>(field.name.size()));
    const QString title = QString::fromUtf8(field.title.data(), static_cast<qsizetype>(field.title.size()));
    Row row{field.field, new QLabel(name, grid), nullptr, new QLabel(grid)};
    layout->addWidget(new QLabel(QStringLiteral("R%1").arg(field.reg), grid), line, 0);
    row.name->setToolTip(title);
    layout->addWidget(row.name, line, 1);
    const Field which = field.field;
    if (!field.values.empty()) {
      auto* list = new QComboBox(grid);
      for (const FieldValue& value : field.values) {
        list->addItem(QStringLiteral("%1: %2")
                          .arg(value.value)
                          .arg(QString::fromUtf8(value.name.data(), static_cast<qsizetype>(value.name.size()))),
                      static_cast<uint>(value.value));
      }
      connect(list, &QComboBox::activated, this, [this, list, which](int index) {
        if (!showing_) dlg_.OnFieldEdited(ShownSlot(), which, list->itemData(index).toUInt());
      });
      row.editor = list;
    } else {
      auto* number = new QSpinBox(grid);
      number->setRange(static_cast<int>(field.minValue),
                       static_cast<int>(std::min<uint32_t>(field.maxValue, INT32_MAX)));
      if (!field.unit.empty()) {
        number->setSuffix(QLatin1Char(' ') +
                          QString::fromUtf8(field.unit.data(), static_cast<qsizetype>(field.unit.size())));
      }
      number->setKeyboardTracking(false);
      connect(number, &QSpinBox::valueChanged, this, [this, which](int value) {
        if (!showing_) dlg_.OnFieldEdited(ShownSlot(), which, static_cast<uint32_t>(value));
      });
      row.editor = number;
    }
    row.editor->setAccessibleName(name);
    row.editor->setAccessibleDescription(tr("%1, register R%2").arg(title).arg(field.reg));
    row.name->setBuddy(row.editor);
    layout->addWidget(row.editor, line, 2);
    layout->addWidget(row.korvane, line, 3);
    rows_.push_back(row);
  }
  layout->setColumnStretch(3, 1);
  layout->setRowStretch(layout->rowCount(), 1);
  fields_->setWidget(grid);  // the former grid goes with its widgets
  if (!rows_.empty()) fieldsCaption_->setBuddy(rows_.front().editor);
  // Tab goes from the words through the editors, in the table's order, to the buttons.
  QWidget* before = text_;
  for (const Row& row : rows_) {
    QWidget::setTabOrder(before, row.editor);
    before = row.editor;
  }
}

void RegisterDialog::ShowFields() {
  showing_ = true;
  const Slot slot = ShownSlot();
  PanelSettings settings = Shown();
  const SlotPlan plan = session::PlanSlotWords(settings, slot);
  const RegisterSet words{SlotNumber(slot), plan.words};
  const RegisterSet korvaneWords = session::KorvaneWords(settings, slot);
  const bool editable = !model_.busy();
  for (const Row& row : rows_) {
    const RegisterField* field = Facts(tableChip_).Find(row.field);
    if (field == nullptr) continue;
    const uint32_t value = ReadField(*field, words.words);
    const uint32_t korvane = ReadField(*field, korvaneWords.words);
    row.editor->setEnabled(editable);
    if (auto* list = qobject_cast<QComboBox*>(row.editor)) {
      list->setCurrentIndex(list->findData(static_cast<uint>(value)));
    } else if (auto* number = qobject_cast<QSpinBox*>(row.editor)) {
      number->setValue(static_cast<int>(value));
    }
    const std::string_view named = ValueName(*field, korvane);
    row.korvane->setText(QString::number(korvane) + (named.empty()
                                                         ? QString()
                                                         : QStringLiteral(" (%1)").arg(QString::fromUtf8(
                                                               named.data(), static_cast<qsizetype>(named.size())))));
    row.korvane->setAccessibleName(tr("%1, Korvane's value: %2").arg(row.name->text(), row.korvane->text()));
    // A field the user set stands out in bold, one that keeps the board's value in italics.
    const auto source = plan.sources.find(row.field);
    QFont font = row.name->font();
    font.setBold(source != plan.sources.end() && source->second == FieldSource::User);
    font.setItalic(source != plan.sources.end() && source->second == FieldSource::Board);
    row.name->setFont(font);
    const QString from = source == plan.sources.end()          ? QString()
                         : source->second == FieldSource::User ? tr("Set by you")
                                                               : tr("As the board holds it");
    row.name->setToolTip(from);
    row.editor->setToolTip(from);
  }
  showing_ = false;
}

}  // namespace korvane::app
