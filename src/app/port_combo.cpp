#include "app/port_combo.h"

#include <QLineEdit>

namespace korvane::app {

PortCombo::PortCombo(QWidget* parent) : QComboBox(parent) {
  setEditable(true);
  // A typed name is used as typed: not added to the list, not completed from it.
  setInsertPolicy(QComboBox::NoInsert);
  setCompleter(nullptr);
}

void PortCombo::showPopup() {
  if (onDropDown) onDropDown();
  QComboBox::showPopup();
}

}  // namespace korvane::app
