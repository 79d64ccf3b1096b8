#include "app/port_combo.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QPainter>
#include <QStyledItemDelegate>
#include <algorithm>

namespace korvane::app {

namespace {

constexpr int kGap = 24;

// Draws each port's description (maker, product, serial number) greyed beside its name, as
// far as the row has room; the tooltip holds it whole.
class PortDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyledItemDelegate::paint(painter, option, index);
    const QString description = index.data(Qt::ToolTipRole).toString();
    if (description.isEmpty()) return;
    const QFontMetrics metrics(option.font);
    const int nameWidth = metrics.horizontalAdvance(index.data(Qt::DisplayRole).toString());
    QRect room = option.rect.adjusted(nameWidth + kGap, 0, -4, 0);
    if (room.width() < metrics.horizontalAdvance(QStringLiteral("M..."))) return;
    painter->save();
    painter->setPen(option.palette.color(QPalette::Disabled, QPalette::Text));
    painter->drawText(room, Qt::AlignVCenter | Qt::AlignRight,
                      metrics.elidedText(description, Qt::ElideRight, room.width()));
    painter->restore();
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    const QString description = index.data(Qt::ToolTipRole).toString();
    if (!description.isEmpty()) size.rwidth() += kGap + QFontMetrics(option.font).horizontalAdvance(description);
    return size;
  }
};

}  // namespace

PortCombo::PortCombo(QWidget* parent) : QComboBox(parent) {
  setEditable(true);
  // A typed name is used as typed: not added to the list, not completed from it.
  setInsertPolicy(QComboBox::NoInsert);
  setCompleter(nullptr);
  setItemDelegate(new PortDelegate(this));
}

void PortCombo::showPopup() {
  if (onDropDown) onDropDown();
  // The drop-down may be wider than the field, so that descriptions fit where the screen allows.
  view()->setMinimumWidth(std::min(view()->sizeHintForColumn(0) + 24, 640));
  QComboBox::showPopup();
}

}  // namespace korvane::app
