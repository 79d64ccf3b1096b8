#include "app/update_info_dlg.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace korvane::app {

namespace {
constexpr int kRepaintIntervalMs = 30;
}

CUpdateInfoDlg::CUpdateInfoDlg(QWidget* parent, const QString& title)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint),
      status_(new QLabel(this)),
      details_(new QLabel(this)),
      bar_(new QProgressBar(this)),
      closeNote_(new QLabel(QString::fromUtf8(kCloseNote), this)) {
  setWindowTitle(title);
  setModal(false);
  // A status display: the main window keeps the keyboard (Esc, Alt+X) while it is up.
  setAttribute(Qt::WA_ShowWithoutActivating);
  status_->setAlignment(Qt::AlignCenter);
  status_->setTextFormat(Qt::PlainText);
  status_->setMinimumWidth(status_->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 36);
  details_->setAlignment(Qt::AlignCenter);
  details_->setTextFormat(Qt::PlainText);
  // Room for the widest figures, so that the window does not change its size (and lay itself
  // out again) each time they change.
  details_->setMinimumWidth(details_->fontMetrics().horizontalAdvance(
      QStringLiteral("100% \u00b7 88888 of 88888 halfwords \u00b7 88m 88s left")));
  bar_->setRange(0, 100);
  bar_->setValue(0);
  bar_->setTextVisible(false);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(status_);
  layout->addWidget(details_);
  layout->addWidget(bar_);
  closeNote_->setAlignment(Qt::AlignCenter);
  closeNote_->setTextFormat(Qt::PlainText);
  closeNote_->hide();
  layout->addWidget(closeNote_);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  sincePaint_.start();
  sincePhase_.start();
}

void CUpdateInfoDlg::SetStatus(const QString& text) {
  status_->setText(text);
  Repaint(true);
}

void CUpdateInfoDlg::SetProgressRange(int n) {
  // The bar counts in 16 bits, as the board's operations never need more.
  bar_->setRange(0, n & 0xFFFF);
  bar_->setValue(0);
  sincePhase_.restart();
  Repaint(true);
}

void CUpdateInfoDlg::StepIt() {
  if (bar_->value() < bar_->maximum()) bar_->setValue(bar_->value() + 1);
  Repaint(false);
}

void CUpdateInfoDlg::closeEvent(QCloseEvent* event) { event->ignore(); }

void CUpdateInfoDlg::UpdateDetails() {
  const int total = bar_->maximum();
  const int done = bar_->value();
  if (total <= 0) {
    details_->clear();
    return;
  }
  QString text = QStringLiteral("%1%").arg(done * 100 / total);
  // Halfwords are what the bootloader writes; the other phases count their commands.
  if (status_->text().startsWith(QStringLiteral("Flashing"))) {
    text += QStringLiteral(" \u00b7 %1 of %2 halfwords").arg(done).arg(total);
  } else {
    text += QStringLiteral(" \u00b7 %1 of %2").arg(done).arg(total);
  }
  const qint64 elapsed = sincePhase_.elapsed();
  if (done > 0 && done < total && elapsed >= 100) {
    const qint64 left = (elapsed * (total - done) / done + 500) / 1000;
    text += left >= 60 ? QStringLiteral(" \u00b7 %1m %2s left").arg(left / 60).arg(left % 60, 2, 10, QLatin1Char('0'))
                       : QStringLiteral(" \u00b7 %1s left").arg(left);
  }
  details_->setText(text);
}

void CUpdateInfoDlg::Repaint(bool force) {
  // Steps arrive by the thousand; the figures need not change more often than the eye sees.
  if (!force && sincePaint_.elapsed() < kRepaintIntervalMs) return;
  sincePaint_.restart();
  UpdateDetails();
}

void CUpdateInfoDlg::SetCloseNote(bool shown) { closeNote_->setVisible(shown); }

}  // namespace korvane::app
