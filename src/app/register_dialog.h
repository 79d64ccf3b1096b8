// The register view: for the chosen slot, the six words it sends and each field decoded, as
// text to read and copy. It follows the panel as the user types.
#pragma once

#include <QDialog>

#include "panel/panel_model.h"

class QComboBox;
class QPlainTextEdit;

namespace korvane::app {

class RegisterDialog : public QDialog {
  Q_OBJECT

 public:
  RegisterDialog(panel::PanelModel& model, QWidget* parent);
  QComboBox* slotList() const { return slots_; }
  QPlainTextEdit* text() const { return text_; }

 private:
  void Show();

  panel::PanelModel& model_;
  QComboBox* slots_;
  QPlainTextEdit* text_;
};

}  // namespace korvane::app
