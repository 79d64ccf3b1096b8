#include "app/update_info_dlg.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include "panel/control_ids.h"

namespace korvane::app {

namespace {
constexpr int kRepaintIntervalMs = 30;
}

CUpdateInfoDlg::CUpdateInfoDlg(QWidget* parent, const QString& title)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint),
      status_(new QLabel(this)),
      bar_(new QProgressBar(this)) {
  setWindowTitle(title);
  setModal(false);
  status_->setObjectName(QString::number(ctl::kProgressStatus));
  status_->setAlignment(Qt::AlignCenter);
  status_->setTextFormat(Qt::PlainText);
  status_->setMinimumWidth(status_->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 36);
  bar_->setObjectName(QString::number(ctl::kProgressBar));
  bar_->setRange(0, 100);
  bar_->setValue(0);
  bar_->setTextVisible(false);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(status_);
  layout->addWidget(bar_);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  sincePaint_.start();
}

void CUpdateInfoDlg::SetStatus(const QString& text) {
  status_->setText(text);
  Repaint(true);
}

void CUpdateInfoDlg::SetProgressRange(int n) {
  // The bar counts in 16 bits, as the board's operations never need more.
  bar_->setRange(0, n & 0xFFFF);
  bar_->setValue(0);
  Repaint(true);
}

void CUpdateInfoDlg::StepIt() {
  if (bar_->value() < bar_->maximum()) bar_->setValue(bar_->value() + 1);
  Repaint(false);
}

void CUpdateInfoDlg::closeEvent(QCloseEvent* event) { event->ignore(); }

void CUpdateInfoDlg::Repaint(bool force) {
  if (!force && sincePaint_.elapsed() < kRepaintIntervalMs) return;
  sincePaint_.restart();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace korvane::app
