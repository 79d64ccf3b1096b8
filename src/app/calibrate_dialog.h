// "Calibrate...": the reference corrected from what a counter measured at an output, offered
// from the reference field's context menu.
#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;

namespace korvane::app {

class CalibrateDialog : public QDialog {
  Q_OBJECT

 public:
  // `reference` is the reference the board was given, `output` the real frequency it makes (the
  // counter's expected reading); both as the window shows them, in MHz.
  CalibrateDialog(const QString& reference, const QString& output, QWidget* parent);

  // The corrected reference as the field takes it; empty while the entries give none.
  QString CorrectedReference() const { return corrected_; }
  QLineEdit* outputField() const { return output_; }
  QLineEdit* measuredField() const { return measured_; }

 private:
  void Update();

  QString reference_;
  QLineEdit* output_;
  QLineEdit* measured_;
  QLabel* result_;
  QPushButton* ok_;
  QString corrected_;
};

}  // namespace korvane::app
