#include "app/sweep_dialog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QVBoxLayout>

#include "app/sweep_points_model.h"

namespace korvane::app {

namespace {

QString Text(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }
std::string Utf8(const QString& text) { return text.toUtf8().toStdString(); }

QLineEdit* Field(QWidget* parent, const char* name, const char* text, const char* tooltip) {
  auto* field = new QLineEdit(QString::fromUtf8(text), parent);
  field->setAccessibleName(QString::fromUtf8(name));
  field->setToolTip(QString::fromUtf8(tooltip));
  return field;
}

QLabel* Caption(const char* text, QWidget* buddy, QWidget* parent) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  label->setBuddy(buddy);
  return label;
}

}  // namespace

SweepDialog::SweepDialog(panel::CMainDlg& dlg, QWidget* parent)
    : QDialog(parent),
      dlg_(dlg),
      model_(dlg.model()),
      fromRange_(new QRadioButton(QStringLiteral("St&art, stop and step"), this)),
      fromList_(new QRadioButton(QStringLiteral("&List of frequencies"), this)),
      start_(Field(this, "Start (MHz)", "1296.000", "First frequency of the sweep, in MHz")),
      stop_(Field(this, "Stop (MHz)", "1297.000", "Last frequency of the sweep, in MHz")),
      step_(Field(this, "Step (MHz)", "0.100", "Distance between points, in MHz")),
      list_(new QPlainTextEdit(this)),
      loadList_(new QPushButton(QStringLiteral("Load &CSV..."), this)),
      dwell_(Field(this, "Dwell (ms)", "100", "Time at each point after its retune, in milliseconds")),
      passes_(Field(this, "Passes", "1", "How often the points are run through; 0 runs until Stop")),
      power_(new QComboBox(this)),
      exact_(new QCheckBox(QStringLiteral("E&xact frequencies"), this)),
      readLock_(new QCheckBox(QStringLiteral("Read loc&k at each point"), this)),
      startButton_(new QPushButton(QStringLiteral("S&tart"), this)),
      stopButton_(new QPushButton(QStringLiteral("St&op"), this)),
      saveCsv_(new QPushButton(QStringLiteral("Sa&ve CSV..."), this)),
      points_(new SweepPointsModel(model_, this)),
      table_(new QTableView(this)),
      status_(new QLabel(this)) {
  setWindowTitle(QStringLiteral("Sweep"));
  fromRange_->setChecked(true);
  list_->setAccessibleName(QStringLiteral("Frequencies (MHz)"));
  list_->setToolTip(
      QStringLiteral("One frequency in MHz per line, or the first column of a CSV file (columns "
                     "separated by ',', or by ';' where the numbers have a decimal comma)"));
  list_->setTabChangesFocus(true);
  list_->setFixedHeight(list_->fontMetrics().lineSpacing() * 4 + 12);
  loadList_->setToolTip(QStringLiteral("Take the frequencies from the first column of a CSV file"));
  power_->setAccessibleName(QStringLiteral("Power"));
  power_->addItem(QStringLiteral("As the signal generator"));
  for (PowerLevel level :
       {PowerLevel::Off, PowerLevel::Minus4, PowerLevel::Minus1, PowerLevel::Plus2, PowerLevel::Plus5}) {
    power_->addItem(Text(std::string(PowerLabel(level))), static_cast<int>(level));
  }
  exact_->setChecked(model_.exact());
  readLock_->setChecked(true);
  readLock_->setToolTip(
      QStringLiteral("Ask the board for its lock detect after each retune (one more exchange per point)"));
  stopButton_->setToolTip(QStringLiteral("End the sweep after the point being tuned (Esc)"));
  saveCsv_->setToolTip(QStringLiteral("Save the points as a CSV file"));
  table_->setModel(points_);
  table_->setAccessibleName(QStringLiteral("Points"));
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->verticalHeader()->setVisible(false);
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  table_->setMinimumHeight(table_->fontMetrics().lineSpacing() * 12);
  status_->setTextFormat(Qt::PlainText);
  status_->setAccessibleName(QStringLiteral("Sweep status"));

  auto* range = new QGridLayout;
  range->addWidget(Caption("Sta&rt (MHz):", start_, this), 0, 0);
  range->addWidget(start_, 0, 1);
  range->addWidget(Caption("Sto&p (MHz):", stop_, this), 0, 2);
  range->addWidget(stop_, 0, 3);
  range->addWidget(Caption("St&ep (MHz):", step_, this), 0, 4);
  range->addWidget(step_, 0, 5);
  auto* list = new QHBoxLayout;
  list->addWidget(list_, 1);
  list->addWidget(loadList_, 0, Qt::AlignTop);
  auto* options = new QGridLayout;
  options->addWidget(Caption("&Dwell (ms):", dwell_, this), 0, 0);
  options->addWidget(dwell_, 0, 1);
  options->addWidget(Caption("Pa&sses:", passes_, this), 0, 2);
  options->addWidget(passes_, 0, 3);
  options->addWidget(Caption("Po&wer:", power_, this), 0, 4);
  options->addWidget(power_, 0, 5);
  options->addWidget(exact_, 1, 0, 1, 2);
  options->addWidget(readLock_, 1, 2, 1, 4);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(startButton_);
  buttons->addWidget(stopButton_);
  buttons->addStretch(1);
  buttons->addWidget(saveCsv_);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(fromRange_);
  layout->addLayout(range);
  layout->addWidget(fromList_);
  layout->addLayout(list);
  layout->addLayout(options);
  layout->addLayout(buttons);
  layout->addWidget(status_);
  layout->addWidget(table_, 1);

  connect(startButton_, &QPushButton::clicked, this, [this] { dlg_.OnSweepStart(Request()); });
  connect(stopButton_, &QPushButton::clicked, this, [this] { dlg_.OnSweepStop(); });
  connect(loadList_, &QPushButton::clicked, this, [this] { dlg_.OnSweepLoadList(); });
  connect(saveCsv_, &QPushButton::clicked, this, [this] { dlg_.OnSweepSaveCsv(); });
  for (QRadioButton* choice : {fromRange_, fromList_})
    connect(choice, &QRadioButton::toggled, this, &SweepDialog::ShowState);
  connect(&model_, &panel::PanelModel::sweepChanged, this, &SweepDialog::ShowState);
  connect(&model_, &panel::PanelModel::sweepSampleAdded, this, &SweepDialog::ShowState);
  connect(points_, &QAbstractItemModel::rowsInserted, table_, &QAbstractItemView::scrollToBottom);
  connect(&model_, &panel::PanelModel::sweepListChanged, this, [this] {
    list_->setPlainText(Text(model_.sweepList()));
    fromList_->setChecked(true);
  });
  connect(&model_, &panel::PanelModel::operationChanged, this, &SweepDialog::ShowState);
  connect(&model_, &panel::PanelModel::connectionChanged, this, &SweepDialog::ShowState);
  ShowState();
}

panel::SweepRequest SweepDialog::Request() const {
  panel::SweepRequest request;
  request.fromList = fromList_->isChecked();
  request.start = Utf8(start_->text());
  request.stop = Utf8(stop_->text());
  request.step = Utf8(step_->text());
  request.list = Utf8(list_->toPlainText());
  request.dwellMs = Utf8(dwell_->text().trimmed());
  request.passes = Utf8(passes_->text().trimmed());
  if (power_->currentIndex() > 0) request.power = static_cast<PowerLevel>(power_->currentData().toInt());
  request.exact = exact_->isChecked();
  request.readLock = readLock_->isChecked();
  return request;
}

void SweepDialog::ShowState() {
  const panel::SweepState& sweep = model_.sweep();
  const bool idle = !model_.busy() && !sweep.running;
  startButton_->setEnabled(idle && model_.connected());
  startButton_->setToolTip(model_.connected() ? QStringLiteral("Start the sweep on the connected board")
                                              : QStringLiteral("Connect a board first"));
  stopButton_->setEnabled(sweep.running);
  saveCsv_->setEnabled(idle && !sweep.samples.empty());
  loadList_->setEnabled(idle);
  for (QWidget* w : {static_cast<QWidget*>(start_), static_cast<QWidget*>(stop_), static_cast<QWidget*>(step_)}) {
    w->setEnabled(idle && fromRange_->isChecked());
  }
  list_->setEnabled(idle && fromList_->isChecked());
  if (sweep.running) {
    const size_t done = sweep.samples.empty() ? 0 : sweep.samples.back().index + 1;
    const int64_t pass = sweep.samples.empty() ? 1 : sweep.samples.back().pass + 1;
    QString text = QStringLiteral("Point %1 of %2").arg(done).arg(sweep.pointsPerPass);
    if (sweep.passes != 1) {
      text += sweep.passes == 0 ? QStringLiteral(", pass %1 (until Stop)").arg(pass)
                                : QStringLiteral(", pass %1 of %2").arg(pass).arg(sweep.passes);
    }
    status_->setText(text);
  } else {
    status_->setText(Text(sweep.status));
  }
}

void SweepDialog::reject() {
  if (model_.sweep().running) {
    dlg_.OnSweepStop();
    return;
  }
  QDialog::reject();
}

void SweepDialog::closeEvent(QCloseEvent* event) {
  // Nobody watches a sweep whose window is closed.
  dlg_.OnSweepStop();
  QDialog::closeEvent(event);
}

}  // namespace korvane::app
