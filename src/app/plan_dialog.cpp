#include "app/plan_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvane::app {

PlanDialog::PlanDialog(const QString& slotName, const QString& multiplier, const QString& offset, bool hasPlan,
                       QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(tr("Frequency plan: %1").arg(slotName));
  auto* layout = new QVBoxLayout(this);
  auto* intro = new QLabel(tr("For a transverter's LO: RF = N x output + offset. The frequency field then takes and "
                              "shows the RF; the board makes (RF - offset) / N."),
                           this);
  intro->setWordWrap(true);
  layout->addWidget(intro);
  auto* form = new QFormLayout;
  multiplier_ = new QLineEdit(multiplier, this);
  offset_ = new QLineEdit(offset, this);
  auto* multiplierLabel = new QLabel(tr("&Multiplier N (1 to 64):"), this);
  multiplierLabel->setBuddy(multiplier_);
  auto* offsetLabel = new QLabel(tr("&Offset (MHz, the IF; negative for an LO above the signal):"), this);
  offsetLabel->setBuddy(offset_);
  multiplier_->setAccessibleName(tr("Multiplier N"));
  offset_->setAccessibleName(tr("Offset (MHz)"));
  form->addRow(multiplierLabel, multiplier_);
  form->addRow(offsetLabel, offset_);
  layout->addLayout(form);
  problem_ = new QLabel(this);
  problem_->setWordWrap(true);
  problem_->setStyleSheet(QStringLiteral("QLabel { color: #d32f2f; }"));
  problem_->hide();
  layout->addWidget(problem_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(tr("&Use this plan"));
  remove_ = buttons->addButton(tr("&Remove plan"), QDialogButtonBox::DestructiveRole);
  remove_->setEnabled(hasPlan);
  layout->addWidget(buttons);
  // The presenter checks the entries; the dialog closes only once it took them.
  connect(buttons, &QDialogButtonBox::accepted, this,
          [this] { emit planChosen(multiplier_->text(), offset_->text()); });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(remove_, &QPushButton::clicked, this, [this] {
    emit planRemoved();
    accept();
  });
  multiplier_->setFocus();
}

void PlanDialog::ShowProblem(const QString& problem) {
  problem_->setText(problem);
  problem_->setAccessibleName(problem);
  problem_->setVisible(!problem.isEmpty());
}

}  // namespace korvane::app
