// The sweep panel: start, stop and step, or a list of frequencies; dwell, passes, power and
// mode; the points as they go out, with Stop and a CSV of the points.
#pragma once

#include <QDialog>

#include "panel/main_dlg.h"
#include "panel/panel_model.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTableView;

namespace korvane::app {

class SweepPointsModel;

class SweepDialog : public QDialog {
  Q_OBJECT

 public:
  SweepDialog(panel::CMainDlg& dlg, QWidget* parent);

  // The sweep as the fields say it.
  panel::SweepRequest Request() const;

  QLineEdit* startField() const { return start_; }
  QLineEdit* stopField() const { return stop_; }
  QLineEdit* stepField() const { return step_; }
  QLineEdit* dwellField() const { return dwell_; }
  QLineEdit* passesField() const { return passes_; }
  QRadioButton* listChoice() const { return fromList_; }
  QPlainTextEdit* listField() const { return list_; }
  QPushButton* startButton() const { return startButton_; }
  QPushButton* stopButton() const { return stopButton_; }
  QTableView* table() const { return table_; }
  QLabel* status() const { return status_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  // Esc stops a running sweep; on an idle panel it closes it.
  void reject() override;

 private:
  void ShowState();

  panel::CMainDlg& dlg_;
  panel::PanelModel& model_;
  QRadioButton* fromRange_;
  QRadioButton* fromList_;
  QLineEdit* start_;
  QLineEdit* stop_;
  QLineEdit* step_;
  QPlainTextEdit* list_;
  QPushButton* loadList_;
  QLineEdit* dwell_;
  QLineEdit* passes_;
  QComboBox* power_;
  QCheckBox* exact_;
  QCheckBox* readLock_;
  QPushButton* startButton_;
  QPushButton* stopButton_;
  QPushButton* saveCsv_;
  SweepPointsModel* points_;
  QTableView* table_;
  QLabel* status_;
};

}  // namespace korvane::app
