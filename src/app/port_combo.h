// The editable port list: says when its drop-down is about to open, so the list can be re-read.
#pragma once

#include <QComboBox>
#include <functional>

namespace korvane::app {

class PortCombo : public QComboBox {
  Q_OBJECT

 public:
  explicit PortCombo(QWidget* parent = nullptr);

  // Runs before the drop-down opens.
  std::function<void()> onDropDown;

  void showPopup() override;
};

}  // namespace korvane::app
