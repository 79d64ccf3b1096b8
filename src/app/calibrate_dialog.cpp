#include "app/calibrate_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "synth/calibration.h"
#include "synth/number_text.h"
#include "texts/texts.h"

namespace korvane::app {

namespace {

QString Text(const std::string& text) { return QString::fromUtf8(text.c_str()); }

}  // namespace

CalibrateDialog::CalibrateDialog(const QString& reference, const QString& output, QWidget* parent)
    : QDialog(parent), reference_(reference) {
  setWindowTitle(tr("Calibrate reference"));
  auto* layout = new QVBoxLayout(this);
  auto* intro = new QLabel(tr("Measure an output with a counter. The reference is corrected by the ratio of the "
                              "measured to the set frequency."),
                           this);
  intro->setWordWrap(true);
  layout->addWidget(intro);
  auto* form = new QFormLayout;
  auto* current = new QLabel(reference + QStringLiteral(" MHz"), this);
  form->addRow(tr("Reference now:"), current);
  output_ = new QLineEdit(output, this);
  measured_ = new QLineEdit(this);
  auto* outputLabel = new QLabel(tr("&Output set (MHz):"), this);
  outputLabel->setBuddy(output_);
  auto* measuredLabel = new QLabel(tr("&Measured (MHz):"), this);
  measuredLabel->setBuddy(measured_);
  output_->setAccessibleName(tr("Output set (MHz)"));
  measured_->setAccessibleName(tr("Measured (MHz)"));
  form->addRow(outputLabel, output_);
  form->addRow(measuredLabel, measured_);
  layout->addLayout(form);
  result_ = new QLabel(this);
  result_->setWordWrap(true);
  result_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  layout->addWidget(result_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  ok_ = buttons->button(QDialogButtonBox::Ok);
  ok_->setText(tr("&Use this reference"));
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(output_, &QLineEdit::textChanged, this, &CalibrateDialog::Update);
  connect(measured_, &QLineEdit::textChanged, this, &CalibrateDialog::Update);
  measured_->setFocus();
  Update();
}

void CalibrateDialog::Update() {
  corrected_.clear();
  const std::optional<double> set = ReadTypedNumber(output_->text().toStdString());
  const std::optional<double> measured = ReadTypedNumber(measured_->text().toStdString());
  const std::optional<double> reference = ReadTypedNumber(reference_.toStdString());
  if (!reference) {
    result_->setText(tr("The reference field holds no number."));
  } else if (!set || !measured) {
    result_->setText(tr("Type the output's frequency and what the counter measured there."));
  } else {
    const CalibrationResult result = Calibrate(*set, *measured, *reference);
    if (!result.calibration) {
      result_->setText(Text(texts::CalibrationProblemText(result)));
    } else {
      const Calibration& c = *result.calibration;
      corrected_ = Text(FormatFixed(c.referenceMhz, 6));
      QString text = tr("Corrected reference: %1 MHz (the reference was %2 ppm off).")
                         .arg(corrected_, Text((c.errorPpm >= 0 ? "+" : "") + FormatFixed(c.errorPpm, 4)));
      if (c.Rounded()) {
        text += QLatin1Char(' ') + tr("The board takes its reference in 1 Hz steps: %1 MHz is rounded, which "
                                      "leaves %2 Hz at %3 MHz.")
                                       .arg(Text(FormatFixed(c.exactMhz, 9)),
                                            Text((c.residualHz >= 0 ? "+" : "") + FormatFixed(c.residualHz, 3)),
                                            Text(FormatFixed(*set, 6)));
      }
      result_->setText(text);
    }
  }
  result_->setAccessibleName(result_->text());
  ok_->setEnabled(!corrected_.isEmpty());
}

}  // namespace korvane::app
