// The register view: for the chosen slot, the six words it sends and each field decoded, as
// text to read and copy; below, the fields a user may set (expert settings), each with its
// named values, and resets to Korvane's own words. It follows the panel as the user types.
#pragma once

#include <QDialog>
#include <vector>

#include "panel/main_dlg.h"
#include "panel/panel_model.h"

class QComboBox;
class QPlainTextEdit;
class QLabel;
class QScrollArea;

namespace korvane::app {

class RegisterDialog : public QDialog {
  Q_OBJECT

 public:
  RegisterDialog(panel::CMainDlg& dlg, QWidget* parent);
  QComboBox* slotList() const { return slots_; }
  QPlainTextEdit* text() const { return text_; }
  // The editor of a field (a QComboBox or a QSpinBox); nullptr when the chip has
  // no such settable field.
  QWidget* Editor(Field field) const;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void Show();
  void BuildFields();
  void ShowFields();
  PanelSettings Shown() const;
  Slot ShownSlot() const;

  panel::CMainDlg& dlg_;
  panel::PanelModel& model_;
  QComboBox* slots_;
  QPlainTextEdit* text_;
  // One line of the expert settings: the field's name, its editor and Korvane's value.
  struct Row {
    Field field;
    QLabel* name;
    QWidget* editor;
    QLabel* korvane;
  };
  QScrollArea* fields_;
  QLabel* fieldsCaption_ = nullptr;
  std::vector<Row> rows_;
  ChipType tableChip_ = ChipType::Max2871;
  bool built_ = false;
  bool showing_ = false;
};

}  // namespace korvane::app
