// "Plan...": a slot's frequency plan (multiplier and offset), offered from the frequency fields'
// context menu; the field then takes and shows the RF the board's output serves.
#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;

namespace korvane::app {

class PlanDialog : public QDialog {
  Q_OBJECT

 public:
  // `slotName` ("F2", "Signal generator"); `multiplier` and `offset` the slot's plan as text.
  PlanDialog(const QString& slotName, const QString& multiplier, const QString& offset, bool hasPlan, QWidget* parent);

  QLineEdit* multiplierField() const { return multiplier_; }
  QLineEdit* offsetField() const { return offset_; }
  QPushButton* removeButton() const { return remove_; }
  // Why the entries were refused, shown in the dialog, which stays open.
  void ShowProblem(const QString& problem);

 signals:
  void planChosen(const QString& multiplier, const QString& offset);
  void planRemoved();

 private:
  QLineEdit* multiplier_;
  QLineEdit* offset_;
  QLabel* problem_;
  QPushButton* remove_;
};

}  // namespace korvane::app
