#include "app/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <array>

#include "app/app_icon.h"
#include "app/port_combo.h"
#include "link/clock.h"

namespace korvane::app {

namespace {

constexpr std::array<const char*, 4> kOrdinals = {"First", "Second", "Third", "Fourth"};
constexpr std::array<const char*, 4> kOrdinalsLower = {"first", "second", "third", "fourth"};
// Which jumpers select which preset.
constexpr std::array<const char*, 4> kJumperCaptions = {"S2  S1", "S2   --", "--   S1", " --    --"};
constexpr int kWheelNotch = 120;

bool IsFrequencyField(int id) { return id >= ctl::Freq(0) && id <= ctl::Freq(ctl::kSigGenSlot); }

QLabel* Caption(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setTextFormat(Qt::PlainText);
  return label;
}
QLabel* Caption(const char* text, QWidget* parent) { return Caption(QString::fromUtf8(text), parent); }

// The two jumpers of a preset row ("S2  S1", "--   S1", ...) in two columns of equal width, so
// that the rows line up whatever the font; the whole caption stays the widget's name.
QWidget* JumperCaption(const char* caption, QWidget* parent) {
  auto* box = new QWidget(parent);
  box->setAccessibleName(QString::fromUtf8(caption));
  auto* row = new QHBoxLayout(box);
  row->setContentsMargins(0, 0, 0, 0);
  const QStringList jumpers = QString::fromUtf8(caption).split(QLatin1Char(' '), Qt::SkipEmptyParts);
  for (const QString& jumper : jumpers) {
    QLabel* label = Caption(jumper, box);
    label->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    label->setAlignment(Qt::AlignCenter);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("S2")) + 6);
    row->addWidget(label);
  }
  return box;
}

bool IsUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::InputMethod:
    case QEvent::ContextMenu:
    case QEvent::Drop:
      return true;
    default:
      return false;
  }
}

Key ToKey(int qtKey) {
  switch (qtKey) {
    case Qt::Key_Up:
      return Key::Up;
    case Qt::Key_Down:
      return Key::Down;
    case Qt::Key_B:
      return Key::B;
    default:
      return Key::Other;
  }
}

}  // namespace

MainWindow::MainWindow(CMessageLoop& loop, std::unique_ptr<QtSurface> surface, WindowEnvironment environment)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      loop_(loop),
      surface_(surface ? std::move(surface) : std::make_unique<QtSurface>()),
      clock_(environment.clock ? *environment.clock : ownClock_),
      session_(std::make_unique<session::BoardSession>(
          clock_, environment.demo ? *environment.demo : ownDemo_,
          environment.transports ? environment.transports : link::TransportFactory(link::MakeTransport))) {
  surface_->AttachWindow(this);
  setWindowTitle(QString::fromUtf8(kWindowTitle));
  setWindowIcon(AppIcon());
  BuildControls();

  dlg_ = std::make_unique<CMainDlg>(*surface_, *session_, std::move(environment.ports));
  surface_->SetTimerHandler([this] { dlg_->OnTimer(ctl::kTuneTimerId); });
  ConnectSignals();

  loop_.AddMessageFilter(this);
  QCoreApplication::instance()->installEventFilter(this);
  // Board exchanges wait on this thread; meanwhile the window keeps painting and the progress
  // keeps moving, while the input filter below holds the user's clicks and keys off.
  clock_.SetIdleHook([] { QCoreApplication::processEvents(QEventLoop::AllEvents); });

  dlg_->OnInitDialog();
  CentreOnScreen();
}

MainWindow::~MainWindow() {
  clock_.SetIdleHook(nullptr);
  loop_.RemoveMessageFilter(this);
  if (QCoreApplication::instance() != nullptr) QCoreApplication::instance()->removeEventFilter(this);
  surface_->SetTimerHandler(nullptr);
  surface_->StopTuneTimer();
  surface_->ProgressDestroy();
  dlg_.reset();
}

// ---------------------------------------------------------------------------------------------
// Controls

namespace {

template <class W>
W* Make(QtSurface& surface, int id, W* widget, const char* tooltip = nullptr) {
  widget->setObjectName(QString::number(id));
  if (tooltip != nullptr) widget->setToolTip(QString::fromUtf8(tooltip));
  surface.Register(id, widget);
  return widget;
}

QLineEdit* FrequencyField(QtSurface& surface, int id, const QString& tooltip, QWidget* parent) {
  auto* edit = Make(surface, id, new QLineEdit(parent));
  edit->setToolTip(tooltip);
  edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("00000.0000000")) + 12);
  return edit;
}

QLabel* RealLabel(QtSurface& surface, int id, const QString& tooltip, QWidget* parent) {
  auto* label = Make(surface, id, new QLabel(QStringLiteral("/ ----.------"), parent));
  label->setTextFormat(Qt::PlainText);
  label->setToolTip(tooltip);
  // Room for the widest real frequency, so the columns do not jump while the user types.
  label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("/ 00000.000000")) + 4);
  return label;
}

QComboBox* List(QtSurface& surface, int id, QWidget* parent, const char* tooltip = nullptr) {
  auto* combo = Make(surface, id, new QComboBox(parent), tooltip);
  combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  return combo;
}

}  // namespace

QWidget* MainWindow::BuildSignalGenerator() {
  QtSurface& s = *surface_;
  auto* group = new QGroupBox(QStringLiteral("Signal Generator"), this);
  auto* grid = new QGridLayout(group);
  const int sg = ctl::kSigGenSlot;
  grid->addWidget(Caption("Frequency (MHz):", group), 0, 0);
  grid->addWidget(
      FrequencyField(s, ctl::Freq(sg),
                     QStringLiteral("Current frequency of the synthesizer (can be changed on the fly)"), group),
      0, 1);
  grid->addWidget(RealLabel(s, ctl::Real(sg), QStringLiteral("Real current synthesizer frequency"), group), 0, 2, 1, 2);
  grid->addWidget(Caption("Power (dBm):", group), 1, 0);
  grid->addWidget(List(s, ctl::Power(sg), group, "Current output power of the synthesizer (can be changed on the fly)"),
                  1, 1, Qt::AlignLeft);
  grid->addWidget(Caption("Band:", group), 1, 2, Qt::AlignRight);
  grid->addWidget(List(s, ctl::BandList(sg), group), 1, 3, Qt::AlignLeft);
  grid->setColumnStretch(4, 1);
  return group;
}

QWidget* MainWindow::BuildPresets() {
  QtSurface& s = *surface_;
  auto* group = new QGroupBox(QStringLiteral("LO/Beacon frequencies"), this);
  auto* grid = new QGridLayout(group);

  grid->addWidget(Caption("Reference frequency (MHz):", group), 0, 0, 1, 2);
  auto* reference = Make(s, ctl::kReference, new QLineEdit(group), "Select reference frequency");
  reference->setMinimumWidth(reference->fontMetrics().horizontalAdvance(QStringLiteral("000.0000000")) + 12);
  grid->addWidget(reference, 0, 2);
  auto* referenceBoxes = new QHBoxLayout;
  referenceBoxes->addWidget(Make(s, ctl::kExtReference, new QCheckBox(QStringLiteral("External reference"), group),
                                 "Disable internal reference oscillator (check it if you use external reference)"));
  referenceBoxes->addWidget(Make(s, ctl::kExactBox, new QCheckBox(QStringLiteral("Exact frequencies"), group),
                                 "Choose the fraction nearest to each typed frequency (the real frequency's tooltip "
                                 "shows the remaining error)"));
  referenceBoxes->addStretch(1);
  grid->addLayout(referenceBoxes, 0, 3, 1, 3);

  for (int slot = 0; slot < 4; ++slot) {
    const int row = slot + 1;
    grid->addWidget(JumperCaption(kJumperCaptions[static_cast<size_t>(slot)], group), row, 0);
    grid->addWidget(Caption(QStringLiteral("F%1:").arg(slot + 1), group), row, 1, Qt::AlignRight);
    const QString ordinal = QString::fromUtf8(kOrdinals[static_cast<size_t>(slot)]);
    const QString ordinalLower = QString::fromUtf8(kOrdinalsLower[static_cast<size_t>(slot)]);
    grid->addWidget(FrequencyField(s, ctl::Freq(slot), ordinal + QStringLiteral(" configuration frequency"), group),
                    row, 2);
    grid->addWidget(
        RealLabel(s, ctl::Real(slot),
                  QStringLiteral("Real synthesizer frequency for the %1 configuration").arg(ordinalLower), group),
        row, 3);
    auto* power = List(s, ctl::Power(slot), group);
    power->setToolTip(ordinal + QStringLiteral(" configuration output power"));
    grid->addWidget(power, row, 4);
    grid->addWidget(List(s, ctl::BandList(slot), group), row, 5);
  }
  grid->setColumnStretch(6, 1);
  return group;
}

QWidget* MainWindow::BuildBeacon() {
  QtSurface& s = *surface_;
  auto* group = new QGroupBox(QStringLiteral("Beacon mode"), this);
  auto* grid = new QGridLayout(group);

  grid->addWidget(Make(s, ctl::kBeaconBox, new QCheckBox(QStringLiteral("Enable beacon"), group), "Enable beacon mode"),
                  0, 0);
  grid->addWidget(Make(s, ctl::kScanBox, new QCheckBox(QStringLiteral("Enable scanning"), group),
                       "Scan configured frequencies in beacon mode"),
                  0, 1, 1, 2);

  grid->addWidget(Caption("Transmission speed (wpm):", group), 1, 0);
  auto* speed = Make(s, ctl::kSpeed, new QLineEdit(group), "Beacon keying speed (wpm)");
  speed->setMaximumWidth(speed->fontMetrics().horizontalAdvance(QStringLiteral("0000000000")) + 12);
  grid->addWidget(speed, 1, 1, Qt::AlignLeft);

  grid->addWidget(Caption("Beacon text:", group), 2, 0, 1, 3);
  auto* text = Make(s, ctl::kBeaconText, new QPlainTextEdit(group),
                    "Up to 100 characters, use #xxxx for xxxxms tone generation and &xxxx for pause.");
  text->setLineWrapMode(QPlainTextEdit::NoWrap);
  text->setTabChangesFocus(true);
  text->setFixedHeight(text->fontMetrics().lineSpacing() * 3 + 2 * text->frameWidth() + 8);
  grid->addWidget(text, 3, 0, 1, 3);

  // One ampersand on screen: this caption is no mnemonic.
  grid->addWidget(Caption("Output  1 & 2 function:", group), 4, 0);
  grid->addWidget(List(s, ctl::kPinFunction, group), 4, 1, 1, 2, Qt::AlignLeft);
  grid->setColumnStretch(2, 1);
  return group;
}

QWidget* MainWindow::BuildColumn() {
  QtSurface& s = *surface_;
  auto* column = new QWidget(this);
  auto* layout = new QVBoxLayout(column);
  layout->setContentsMargins(0, 0, 0, 0);

  auto* chipCaption = Make(s, ctl::kChipCaption, new QLabel(QStringLiteral("Chip:"), column));
  chipCaption->setTextFormat(Qt::PlainText);
  layout->addWidget(chipCaption);
  layout->addWidget(List(s, ctl::kChipList, column));

  layout->addSpacing(6);
  layout->addWidget(Caption("COM port:", column));
  auto* port = Make(s, ctl::kPortList, new PortCombo(column), "Select COM port to communicate with board");
  port->setMinimumContentsLength(10);
  port->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  layout->addWidget(port);

  auto button = [&](int id, const char* text, const char* tooltip = nullptr) {
    auto* b = Make(s, id, new QPushButton(QString::fromUtf8(text), column), tooltip);
    b->setAutoDefault(false);
    layout->addWidget(b);
    return b;
  };
  layout->addSpacing(6);
  button(ctl::kConnect, "Connect", "Establish connection to the synthesizer board");
  button(ctl::kDisconnect, "Disconnect", "Close connection to the board");
  layout->addSpacing(6);
  button(ctl::kSave, "Save", "Write board configuration to flash memory");
  button(ctl::kLoadConfig, "Load config...");
  button(ctl::kSaveConfig, "Save config...");
  layout->addSpacing(6);
  button(ctl::kFirmwareInfo, "Firmware info...");
  button(ctl::kRepairUpdate, "Repair...");
  layout->addStretch(1);
  button(ctl::kAbout, "&About...", "Display program information, version number and copyright");
  button(ctl::kExit, "E&xit", "Quit the application");
  return column;
}

void MainWindow::BuildControls() {
  auto* left = new QVBoxLayout;
  left->addWidget(BuildSignalGenerator());
  left->addWidget(BuildPresets());
  left->addWidget(BuildBeacon());

  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left, 1);
  layout->addWidget(BuildColumn());
  // The window takes the size its contents need, for any font and screen, and keeps it.
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void MainWindow::ConnectSignals() {
  // Only signals that the user alone raises: the panel runs the change handling of its own
  // writes itself, exactly once.
  for (int id : {ctl::Freq(0), ctl::Freq(1), ctl::Freq(2), ctl::Freq(3), ctl::Freq(4), ctl::kReference, ctl::kSpeed}) {
    auto* edit = qobject_cast<QLineEdit*>(Control(id));
    connect(edit, &QLineEdit::textEdited, this, [this, id] { dlg_->OnUserChange(id); });
  }
  std::vector<int> lists = {ctl::kPinFunction, ctl::kChipList, ctl::kPortList};
  for (int slot = 0; slot < ctl::kSlotCount; ++slot) {
    lists.push_back(ctl::Power(slot));
    lists.push_back(ctl::BandList(slot));
  }
  for (int id : lists) {
    auto* combo = qobject_cast<QComboBox*>(Control(id));
    connect(combo, &QComboBox::activated, this, [this, id] { dlg_->OnUserChange(id); });
  }
  for (int id : {ctl::kExtReference, ctl::kExactBox, ctl::kBeaconBox, ctl::kScanBox}) {
    auto* box = qobject_cast<QCheckBox*>(Control(id));
    connect(box, &QCheckBox::clicked, this, [this, id] { dlg_->OnUserChange(id); });
  }
  auto* text = qobject_cast<QPlainTextEdit*>(Control(ctl::kBeaconText));
  connect(text, &QPlainTextEdit::textChanged, this, [this] {
    if (!surface_->Writing()) dlg_->OnUserChange(ctl::kBeaconText);
  });
  for (int id : {ctl::kConnect, ctl::kDisconnect, ctl::kSave, ctl::kLoadConfig, ctl::kSaveConfig, ctl::kFirmwareInfo,
                 ctl::kRepairUpdate, ctl::kAbout, ctl::kExit}) {
    auto* button = qobject_cast<QPushButton*>(Control(id));
    connect(button, &QPushButton::clicked, this, [this, id] { dlg_->OnCommand(id); });
  }
  static_cast<PortCombo*>(Control(ctl::kPortList))->onDropDown = [this] { dlg_->OnPortDropDown(); };
}

void MainWindow::CentreOnScreen() {
  adjustSize();
  QScreen* screen = this->screen() != nullptr ? this->screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  QRect frame = frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  move(frame.topLeft());
}

// ---------------------------------------------------------------------------------------------
// Events

bool MainWindow::IsInWindow(QObject* object) const {
  auto* widget = qobject_cast<QWidget*>(object);
  return widget != nullptr && widget->window() == this;
}

bool MainWindow::PreTranslateMessage(QObject* receiver, QKeyEvent* event) {
  // Keys of a modal box, the progress window or a drop-down are theirs alone.
  if (QApplication::activeWindow() != this || !IsInWindow(receiver)) return false;
  return dlg_->PreTranslateMessage(ToKey(event->key()), (event->modifiers() & Qt::ControlModifier) != 0);
}

bool MainWindow::BelongsToWindow(QObject* object) const {
  // A drop-down's list is a window of its own; it belongs to the window of its combo box.
  for (auto* widget = qobject_cast<QWidget*>(object); widget != nullptr; widget = widget->window()->parentWidget()) {
    if (widget->window() == this) return true;
    if (widget->window()->windowType() != Qt::Popup) return false;
  }
  return false;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (!IsUserInput(event->type())) return false;
  // One board exchange at a time: while an operation runs, the window and its open
  // drop-downs only paint; the modal boxes of the operation still take their input.
  if (dlg_->IsBusy()) {
    if (!BelongsToWindow(watched)) return false;
    // Exit, clicked or typed as its mnemonic, is a close request like the close box: kept
    // until the operation ends.
    const bool exitClicked = event->type() == QEvent::MouseButtonRelease && watched == Control(ctl::kExit);
    const bool exitKey = event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->keyCombination() ==
                                                                  QKeyCombination(Qt::AltModifier, Qt::Key_X);
    if (exitClicked || exitKey) dlg_->RequestClose();
    return true;
  }
  if (!IsInWindow(watched) || event->type() != QEvent::Wheel) return false;

  // The wheel steps the frequency field that has the focus, wherever the pointer is; with
  // the focus elsewhere a list under the pointer scrolls as usual.
  if (!IsFrequencyField(surface_->GetFocus())) {
    wheelRemainder_ = 0;
    return false;
  }
  // Fine-grained wheels and touchpads report fractions of a notch; step once per notch.
  wheelRemainder_ += static_cast<QWheelEvent*>(event)->angleDelta().y();
  while (wheelRemainder_ >= kWheelNotch || wheelRemainder_ <= -kWheelNotch) {
    int notch = wheelRemainder_ > 0 ? kWheelNotch : -kWheelNotch;
    wheelRemainder_ -= notch;
    dlg_->OnMouseWheel(notch);
  }
  return true;
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // The close box is the Exit button: the panel closes the link and ends the program, at
  // once or when the running operation is over.
  event->ignore();
  dlg_->RequestClose();
}

}  // namespace korvane::app
