#include "app/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSignalBlocker>
#include <QSystemTrayIcon>
#include <QTextCursor>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <array>
#include <span>

#include "app/about_dialog.h"
#include "app/app_icon.h"
#include "app/calibrate_dialog.h"
#include "app/port_combo.h"
#include "app/register_dialog.h"
#include "app/sweep_dialog.h"
#include "firmware/bootloader.h"
#include "link/demo_transport.h"
#include "panel/register_text.h"
#include "synth/number_text.h"
#include "texts/texts.h"

namespace korvane::app {

using panel::FocusTarget;
using panel::MessageIcon;
using panel::Operation;

namespace {

constexpr std::array<const char*, 4> kOrdinals = {
    QT_TRANSLATE_NOOP("korvane::app::MainWindow", "First"), QT_TRANSLATE_NOOP("korvane::app::MainWindow", "Second"),
    QT_TRANSLATE_NOOP("korvane::app::MainWindow", "Third"), QT_TRANSLATE_NOOP("korvane::app::MainWindow", "Fourth")};
constexpr std::array<const char*, 4> kOrdinalsLower = {
    QT_TRANSLATE_NOOP("korvane::app::MainWindow", "first"), QT_TRANSLATE_NOOP("korvane::app::MainWindow", "second"),
    QT_TRANSLATE_NOOP("korvane::app::MainWindow", "third"), QT_TRANSLATE_NOOP("korvane::app::MainWindow", "fourth")};
// Which jumpers select which preset.
constexpr std::array<const char*, 4> kJumperCaptions = {"S2  S1", "S2   --", "--   S1", " --    --"};
constexpr int kWheelNotch = 120;

QLabel* Caption(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setTextFormat(Qt::PlainText);
  return label;
}

// A field's caption with its Alt key ("&Frequency (MHz):"); the field takes the caption,
// without the colon, as the name a screen reader says.
QLabel* CaptionFor(const char* text, QWidget* field, QWidget* parent) {
  auto* label = new QLabel(MainWindow::tr(text), parent);
  label->setTextFormat(Qt::PlainText);
  label->setBuddy(field);
  QString name = MainWindow::tr(text).replace(QLatin1String("&&"), QLatin1String("\x01"));
  name.remove(QLatin1Char('&')).replace(QLatin1Char('\x01'), QLatin1Char('&'));
  if (name.endsWith(QLatin1Char(':'))) name.chop(1);
  if (field->accessibleName().isEmpty()) field->setAccessibleName(name.simplified());
  return label;
}

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

QString LocalTime(std::chrono::system_clock::time_point at) {
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(at.time_since_epoch()).count();
  return QDateTime::fromSecsSinceEpoch(seconds).toString(QStringLiteral("HH:mm:ss"));
}

QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
std::string ToUtf8(const QString& text) { return text.toUtf8().toStdString(); }

// The panel counts caret positions in bytes of its UTF-8 text, Qt in UTF-16 units.
int ByteOffset(const QString& text, int position) { return static_cast<int>(text.left(position).toUtf8().size()); }
int CharOffset(const QString& text, int bytePosition) {
  const QByteArray bytes = text.toUtf8();
  if (bytePosition < 0) return 0;
  if (bytePosition >= bytes.size()) return static_cast<int>(text.size());
  return static_cast<int>(QString::fromUtf8(bytes.left(bytePosition)).size());
}

QMessageBox::Icon ToQtIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Warning:
      return QMessageBox::Warning;
    case MessageIcon::Stop:
      return QMessageBox::Critical;
    case MessageIcon::Information:
      break;
  }
  return QMessageBox::Information;
}

constexpr const char* kPinFunctions[] = {QT_TRANSLATE_NOOP("korvane::app::MainWindow", "Freq. code"),
                                         QT_TRANSLATE_NOOP("korvane::app::MainWindow", "CW keying")};
constexpr char kBuiltToolTip[] = "korvaneToolTip";

// Selects the entry whose data is the value; none when the list lacks it.
void SelectData(QComboBox* combo, int value) { combo->setCurrentIndex(combo->findData(value)); }

}  // namespace

MainWindow::MainWindow(CMessageLoop& loop, WindowEnvironment environment)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      loop_(loop),
      clock_(environment.clock ? *environment.clock : ownClock_),
      runner_(std::make_unique<panel::ThreadedRunner>(std::make_unique<session::BoardSession>(
          clock_, environment.demo ? *environment.demo : ownDemo_,
          environment.transports ? environment.transports : link::TransportFactory(link::MakeTransport)))) {
  dlg_ = std::make_unique<panel::CMainDlg>(model_, *this, *runner_, std::move(environment.ports));
  setWindowTitle(tr("MAX2871/ADF435x board utility v%1").arg(QString::fromLatin1(KORVANE_SHORT_VERSION)));
  setWindowIcon(AppIcon());
  BuildControls();
  ConnectUserSignals();
  BindModel();
  tuneTimer_.setSingleShot(true);
  connect(&tuneTimer_, &QTimer::timeout, this, [this] { dlg_->OnTimer(); });
  connect(&lockTimer_, &QTimer::timeout, this, [this] { dlg_->OnLockTimer(); });
  lockTimer_.start(panel::kLockPollMs);
  loop_.AddMessageFilter(this);

  dlg_->OnInitDialog();
  for (Slot slot : kAllSlots) ShowSlot(slot);
  ShowReference();
  ShowBeacon();
  ShowChip();
  ShowEnabled();
  ShowStatus();
  CentreOnScreen();
}

MainWindow::~MainWindow() {
  loop_.RemoveMessageFilter(this);
  tuneTimer_.stop();
  lockTimer_.stop();
  delete progress_.data();
  // A request still running gives up its waits; the port is closed on the session's thread.
  runner_->Interrupt();
  runner_.reset();
  dlg_.reset();
}

// ---------------------------------------------------------------------------------------------
// Controls

template <class W>
W* MainWindow::Make(W*& member, W* widget, const char* tooltip) {
  if (tooltip != nullptr) widget->setToolTip(tr(tooltip));
  member = widget;
  return widget;
}

namespace {

QLineEdit* SizedForFrequency(QLineEdit* edit, const QString& tooltip) {
  edit->setToolTip(tooltip);
  edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("00000.0000000")) + 12);
  return edit;
}

QLabel* SizedForReal(QLabel* label, const QString& tooltip) {
  label->setTextFormat(Qt::PlainText);
  label->setToolTip(tooltip);
  // Room for the widest real frequency, so the columns do not jump while the user types.
  label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("/ 00000.000000")) + 4);
  return label;
}

QComboBox* SizedList(QComboBox* combo) {
  combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  return combo;
}

}  // namespace

QWidget* MainWindow::BuildSignalGenerator() {
  auto* group = new QGroupBox(tr("Signal Generator"), this);
  auto* grid = new QGridLayout(group);
  SlotControls& sg = ui_.Of(Slot::SigGen);
  auto* frequency = SizedForFrequency(Make(sg.frequency, new QLineEdit(group)),
                                      tr("Current frequency of the synthesizer (can be changed on the fly)"));
  grid->addWidget(CaptionFor(QT_TR_NOOP("&Frequency (MHz):"), frequency, group), 0, 0);
  grid->addWidget(frequency, 0, 1);
  grid->addWidget(SizedForReal(Make(sg.real, new QLabel(QStringLiteral("/ ----.------"), group)),
                               tr("Real current synthesizer frequency")),
                  0, 2, 1, 2);
  auto* power = SizedList(Make(sg.power, new QComboBox(group),
                               QT_TR_NOOP("Current output power of the synthesizer (can be changed on the fly)")));
  grid->addWidget(CaptionFor(QT_TR_NOOP("&Power (dBm):"), power, group), 1, 0);
  grid->addWidget(power, 1, 1, Qt::AlignLeft);
  auto* band = SizedList(Make(sg.band, new QComboBox(group)));
  grid->addWidget(CaptionFor(QT_TR_NOOP("&Band:"), band, group), 1, 2, Qt::AlignRight);
  grid->addWidget(band, 1, 3, Qt::AlignLeft);
  grid->setColumnStretch(4, 1);
  return group;
}

QWidget* MainWindow::BuildPresets() {
  auto* group = new QGroupBox(tr("LO/Beacon frequencies"), this);
  auto* grid = new QGridLayout(group);

  auto* reference = Make(ui_.reference, new QLineEdit(group), QT_TR_NOOP("Select reference frequency"));
  grid->addWidget(CaptionFor(QT_TR_NOOP("Reference frequenc&y (MHz):"), reference, group), 0, 0, 1, 2);
  reference->setMinimumWidth(reference->fontMetrics().horizontalAdvance(QStringLiteral("000.0000000")) + 12);
  grid->addWidget(reference, 0, 2);
  // The field's own menu, with "Calibrate..." after it; shown without a nested event loop.
  reference->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(reference, &QWidget::customContextMenuRequested, this, [this, reference](const QPoint& at) {
    QMenu* menu = reference->createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addSeparator();
    QAction* calibrate = menu->addAction(tr("&Calibrate..."), this, &MainWindow::OpenCalibrate);
    calibrate->setEnabled(reference->isEnabled() && !reference->isReadOnly());
    menu->popup(reference->mapToGlobal(at));
  });
  auto* referenceBoxes = new QHBoxLayout;
  referenceBoxes->addWidget(
      Make(ui_.extReference, new QCheckBox(tr("External reference"), group),
           QT_TR_NOOP("Disable internal reference oscillator (check it if you use external reference)")));
  referenceBoxes->addWidget(
      Make(ui_.exact, new QCheckBox(tr("Exact fre&quencies"), group),
           QT_TR_NOOP("Choose the fraction nearest to each typed frequency (the real frequency's tooltip "
                      "shows the remaining error)")));
  referenceBoxes->addStretch(1);
  grid->addLayout(referenceBoxes, 0, 3, 1, 3);

  for (Slot slot : kPresetSlots) {
    const int n = SlotNumber(slot);
    const int row = n + 1;
    grid->addWidget(JumperCaption(kJumperCaptions[static_cast<size_t>(n)], group), row, 0);
    const QString ordinal = tr(kOrdinals[static_cast<size_t>(n)]);
    const QString ordinalLower = tr(kOrdinalsLower[static_cast<size_t>(n)]);
    auto* frequency = SizedForFrequency(Make(ui_.Of(slot).frequency, new QLineEdit(group)),
                                        tr("%1 configuration frequency").arg(ordinal));
    // "F1:" says little to a screen reader among four alike rows.
    frequency->setAccessibleName(tr("F%1 frequency (MHz)").arg(row));
    QLabel* caption = Caption(QStringLiteral("F&%1:").arg(row), group);
    caption->setBuddy(frequency);
    grid->addWidget(caption, row, 1, Qt::AlignRight);
    grid->addWidget(frequency, row, 2);
    grid->addWidget(SizedForReal(Make(ui_.Of(slot).real, new QLabel(QStringLiteral("/ ----.------"), group)),
                                 tr("Real synthesizer frequency for the %1 configuration").arg(ordinalLower)),
                    row, 3);
    auto* power = SizedList(Make(ui_.Of(slot).power, new QComboBox(group)));
    power->setToolTip(tr("%1 configuration output power").arg(ordinal));
    power->setAccessibleName(tr("F%1 power (dBm)").arg(row));
    power->setAccessibleDescription(power->accessibleName());
    grid->addWidget(power, row, 4);
    auto* band = SizedList(Make(ui_.Of(slot).band, new QComboBox(group)));
    band->setAccessibleName(tr("F%1 band").arg(row));
    band->setAccessibleDescription(band->accessibleName());
    grid->addWidget(band, row, 5);
  }
  grid->setColumnStretch(6, 1);
  return group;
}

QWidget* MainWindow::BuildBeacon() {
  auto* group = new QGroupBox(tr("Beacon mode"), this);
  auto* grid = new QGridLayout(group);

  grid->addWidget(Make(ui_.beacon, new QCheckBox(tr("Enable beacon"), group), QT_TR_NOOP("Enable beacon mode")), 0, 0);
  grid->addWidget(Make(ui_.scan, new QCheckBox(tr("Enable scannin&g"), group),
                       QT_TR_NOOP("Scan configured frequencies in beacon mode")),
                  0, 1, 1, 2);

  auto* speed = Make(ui_.speed, new QLineEdit(group), QT_TR_NOOP("Beacon keying speed (wpm)"));
  grid->addWidget(CaptionFor(QT_TR_NOOP("Trans&mission speed (wpm):"), speed, group), 1, 0);
  speed->setMaximumWidth(speed->fontMetrics().horizontalAdvance(QStringLiteral("0000000000")) + 12);
  grid->addWidget(speed, 1, 1, Qt::AlignLeft);

  auto* text = Make(ui_.beaconText, new QPlainTextEdit(group));
  // The number the board keeps, which the field holds to.
  text->setToolTip(tr("Up to %1 characters, use #xxxx for xxxxms tone generation and &xxxx for pause.")
                       .arg(session::kBeaconTextMax));
  grid->addWidget(CaptionFor(QT_TR_NOOP("Beaco&n text:"), text, group), 2, 0, 1, 3);
  text->setLineWrapMode(QPlainTextEdit::NoWrap);
  text->setTabChangesFocus(true);
  text->setFixedHeight(text->fontMetrics().lineSpacing() * 3 + 2 * text->frameWidth() + 8);
  grid->addWidget(text, 3, 0, 1, 3);

  // "&&" is the one ampersand on screen.
  auto* function = SizedList(Make(ui_.pinFunction, new QComboBox(group)));
  grid->addWidget(CaptionFor(QT_TR_NOOP("Ou&tput  1 && 2 function:"), function, group), 4, 0);
  grid->addWidget(function, 4, 1, 1, 2, Qt::AlignLeft);
  grid->setColumnStretch(2, 1);
  return group;
}

QWidget* MainWindow::BuildColumn() {
  auto* column = new QWidget(this);
  auto* layout = new QVBoxLayout(column);
  layout->setContentsMargins(0, 0, 0, 0);

  auto* chips = SizedList(Make(ui_.chipList, new QComboBox(column)));
  auto* chipCaption = Make(ui_.chipCaption, CaptionFor(QT_TR_NOOP("C&hip:"), chips, column));
  layout->addWidget(chipCaption);
  layout->addWidget(chips);

  layout->addSpacing(6);
  auto* port = Make(ui_.portList, new PortCombo(column), QT_TR_NOOP("Select COM port to communicate with board"));
  layout->addWidget(CaptionFor(QT_TR_NOOP("C&OM port:"), port, column));
  port->lineEdit()->setAccessibleName(port->accessibleName());
  port->setMinimumContentsLength(10);
  port->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  layout->addWidget(port);

  auto button = [&](QPushButton*& member, const char* text, const char* tooltip = nullptr) {
    auto* b = Make(member, new QPushButton(tr(text), column), tooltip);
    // Enter on a button that has the focus presses it, as Space does.
    b->setAutoDefault(true);
    layout->addWidget(b);
    return b;
  };
  layout->addSpacing(6);
  button(ui_.connect, QT_TR_NOOP("&Connect"), QT_TR_NOOP("Establish connection to the synthesizer board"));
  button(ui_.cancel, QT_TR_NOOP("&Cancel"), QT_TR_NOOP("Stop looking for the board (Esc)"))->hide();
  button(ui_.disconnect, QT_TR_NOOP("&Disconnect"), QT_TR_NOOP("Close connection to the board"));
  layout->addSpacing(6);
  button(ui_.save, QT_TR_NOOP("&Save"), QT_TR_NOOP("Write board configuration to flash memory"));
  button(ui_.loadConfig, QT_TR_NOOP("&Load config..."),
         QT_TR_NOOP("Load the panel's settings from a configuration file"));
  button(ui_.saveConfig, QT_TR_NOOP("Sa&ve config..."),
         QT_TR_NOOP("Save the panel's settings to a configuration file"));
  layout->addSpacing(6);
  button(ui_.sweep, QT_TR_NOOP("S&weep..."), QT_TR_NOOP("Step the signal generator through frequencies"));
  button(ui_.registers, QT_TR_NOOP("R&egisters..."),
         QT_TR_NOOP("The register words of each slot and what their fields mean"));
  layout->addSpacing(6);
  button(
      ui_.firmwareInfo, QT_TR_NOOP("Firmware &info..."),
      QT_TR_NOOP("Show the board's firmware version and serial number (Ctrl+B switches the board to its bootloader)"));
  button(
      ui_.repairUpdate, QT_TR_NOOP("&Repair..."),
      QT_TR_NOOP("Write new firmware to the board, or finish an update (Ctrl+B switches the board to its bootloader)"));
  layout->addStretch(1);
  button(ui_.about, QT_TR_NOOP("&About..."), QT_TR_NOOP("Display program information, version number and copyright"));
  button(ui_.exit, QT_TR_NOOP("E&xit"), QT_TR_NOOP("Quit the application"));
  return column;
}

QWidget* MainWindow::BuildStatusStrip() {
  auto* strip = new QFrame(this);
  strip->setFrameShape(QFrame::StyledPanel);
  strip->setAccessibleName(tr("Status"));
  auto* row = new QHBoxLayout(strip);
  row->setContentsMargins(6, 2, 6, 2);
  auto label = [&](QLabel*& member, const char* name) {
    auto* l = Make(member, new QLabel(strip));
    l->setTextFormat(Qt::PlainText);
    l->setAccessibleName(tr(name));
    return l;
  };
  row->addWidget(label(ui_.statusPort, QT_TR_NOOP("Port")));
  row->addWidget(label(ui_.statusBoard, QT_TR_NOOP("Board")));
  row->addStretch(1);
  // What became of the last retune: a refusal (in red) or board values that gave way.
  auto* notice = label(ui_.statusNotice, QT_TR_NOOP("Notice"));
  notice->setVisible(false);
  row->addWidget(notice);
  auto* light = label(ui_.lockLight, QT_TR_NOOP("Lock"));
  row->addWidget(light);
  auto* real = label(ui_.statusReal, QT_TR_NOOP("Real frequency"));
  // The real frequency is text to take elsewhere: select it, or "Copy" from its menu.
  real->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  real->setFocusPolicy(Qt::ClickFocus);
  real->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(real, &QLabel::customContextMenuRequested, this, [this, real](const QPoint& at) {
    QMenu menu(real);
    QAction* copy = menu.addAction(tr("Copy"));
    copy->setEnabled(!real->text().isEmpty());
    if (menu.exec(real->mapToGlobal(at)) == copy) CopyRealFrequency();
  });
  row->addWidget(real);
  return strip;
}

void MainWindow::CopyRealFrequency() {
  const QString text = ui_.statusReal->text();
  if (!text.isEmpty()) QGuiApplication::clipboard()->setText(text);
}

void MainWindow::BuildControls() {
  auto* left = new QVBoxLayout;
  left->addWidget(BuildSignalGenerator());
  left->addWidget(BuildPresets());
  left->addWidget(BuildBeacon());

  auto* panel = new QHBoxLayout;
  panel->addLayout(left, 1);
  panel->addWidget(BuildColumn());
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(panel);
  layout->addWidget(BuildStatusStrip());
  // The window takes the size its contents need, for any font and screen, and keeps it.
  layout->setSizeConstraint(QLayout::SetFixedSize);

  // Fixed entries; a list's positions are the view's business alone.
  for (session::ChipChoice choice : session::kChipChoices) {
    const std::string_view label = session::ChipChoiceLabel(choice);
    ui_.chipList->addItem(QString::fromUtf8(label.data(), static_cast<qsizetype>(label.size())));
  }
  for (int f = 0; f < 2; ++f) ui_.pinFunction->addItem(tr(kPinFunctions[f]), f);
  for (Slot slot : kAllSlots) {
    for (Band band : {Band::Out1, Band::Out2}) {
      ui_.Of(slot).band->addItem(QString::fromUtf8(BandLabel(band).data()), static_cast<int>(band));
    }
  }
  // The wheel over any control steps the focused frequency field.
  for (QWidget* widget : findChildren<QWidget*>()) widget->installEventFilter(this);
}

// ---------------------------------------------------------------------------------------------
// What the user does goes to the presenter: only signals that the user alone raises, so that
// the program's own writes to a widget never count as an edit.

void MainWindow::ConnectUserSignals() {
  for (Slot slot : kAllSlots) {
    connect(ui_.Of(slot).frequency, &QLineEdit::textEdited, this,
            [this, slot](const QString& text) { dlg_->OnFrequencyEdited(slot, ToUtf8(text)); });
    // The field's own menu, with "Plan..." after it; shown without a nested event loop.
    QLineEdit* field = ui_.Of(slot).frequency;
    field->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(field, &QWidget::customContextMenuRequested, this, [this, slot, field](const QPoint& at) {
      QMenu* menu = field->createStandardContextMenu();
      menu->setAttribute(Qt::WA_DeleteOnClose);
      menu->addSeparator();
      QAction* plan = menu->addAction(tr("&Plan..."), this, [this, slot] { OpenPlan(slot); });
      plan->setEnabled(field->isEnabled() && !field->isReadOnly());
      menu->popup(field->mapToGlobal(at));
    });
    connect(ui_.Of(slot).band, &QComboBox::activated, this, [this, slot](int index) {
      dlg_->OnBandChosen(slot, static_cast<Band>(ui_.Of(slot).band->itemData(index).toInt()));
    });
    connect(ui_.Of(slot).power, &QComboBox::activated, this, [this, slot](int index) {
      dlg_->OnPowerChosen(slot, static_cast<PowerLevel>(ui_.Of(slot).power->itemData(index).toInt()));
    });
  }
  connect(ui_.reference, &QLineEdit::textEdited, this,
          [this](const QString& text) { dlg_->OnReferenceEdited(ToUtf8(text)); });
  connect(ui_.speed, &QLineEdit::textEdited, this, [this](const QString& text) { dlg_->OnSpeedEdited(ToUtf8(text)); });
  auto* text = ui_.beaconText;
  connect(text, &QPlainTextEdit::textChanged, this, [this, text] {
    if (showing_) return;
    // The field takes no more than the board keeps.
    const QString typed = text->toPlainText();
    if (typed.size() > static_cast<qsizetype>(session::kBeaconTextMax)) {
      const int caret = text->textCursor().position();
      const QSignalBlocker blocker(text);
      text->setPlainText(typed.left(static_cast<qsizetype>(session::kBeaconTextMax)));
      QTextCursor cursor = text->textCursor();
      cursor.setPosition(std::min(caret, static_cast<int>(session::kBeaconTextMax)));
      text->setTextCursor(cursor);
    }
    dlg_->OnTextEdited(ToUtf8(text->toPlainText()));
  });
  connect(ui_.pinFunction, &QComboBox::activated, this, [this](int index) {
    dlg_->OnPinFunctionChosen(static_cast<PinFunction>(ui_.pinFunction->itemData(index).toInt()));
  });
  connect(ui_.chipList, &QComboBox::activated, this,
          [this](int index) { dlg_->OnChipChosen(static_cast<session::ChipChoice>(index)); });
  auto* port = ui_.portList;
  connect(port, &QComboBox::activated, this,
          [this, port](int index) { dlg_->OnPortChosen(ToUtf8(port->itemText(index))); });
  connect(port->lineEdit(), &QLineEdit::textEdited, this,
          [this](const QString& name) { dlg_->OnPortChosen(ToUtf8(name)); });
  // Enter in the port field connects to what it names.
  connect(port->lineEdit(), &QLineEdit::returnPressed, this, [this] {
    if (ui_.connect->isEnabled() && ui_.connect->isVisible()) dlg_->OnConnect();
  });
  port->onDropDown = [this] { dlg_->OnPortDropDown(); };

  auto box = [this](QCheckBox* box, void (panel::CMainDlg::*handler)(bool)) {
    connect(box, &QCheckBox::clicked, this, [this, handler](bool on) { (dlg_.get()->*handler)(on); });
  };
  box(ui_.extReference, &panel::CMainDlg::OnExtReferenceClicked);
  box(ui_.exact, &panel::CMainDlg::OnExactChanged);
  box(ui_.beacon, &panel::CMainDlg::EnableBeaconControls);
  box(ui_.scan, &panel::CMainDlg::OnScanClicked);

  auto button = [this](QPushButton* button, void (panel::CMainDlg::*handler)()) {
    connect(button, &QPushButton::clicked, this, [this, handler] { (dlg_.get()->*handler)(); });
  };
  button(ui_.connect, &panel::CMainDlg::OnConnect);
  button(ui_.cancel, &panel::CMainDlg::OnCancel);
  button(ui_.disconnect, &panel::CMainDlg::OnDisconnect);
  button(ui_.save, &panel::CMainDlg::OnSaveToFlash);
  button(ui_.loadConfig, &panel::CMainDlg::OnLoadConfig);
  button(ui_.saveConfig, &panel::CMainDlg::OnSaveConfig);
  button(ui_.firmwareInfo, &panel::CMainDlg::OnFirmwareInfo);
  button(ui_.repairUpdate, &panel::CMainDlg::OnFirmwareUpdate);
  button(ui_.about, &panel::CMainDlg::OnAbout);
  button(ui_.exit, &panel::CMainDlg::RequestClose);
  connect(ui_.sweep, &QPushButton::clicked, this, [this] {
    if (!sweep_) sweep_ = new SweepDialog(*dlg_, this);
    sweep_->show();
    sweep_->raise();
    sweep_->activateWindow();
  });
  connect(ui_.registers, &QPushButton::clicked, this, [this] {
    if (!registers_) registers_ = new RegisterDialog(*dlg_, this);
    registers_->show();
    registers_->raise();
    registers_->activateWindow();
  });
}

// ---------------------------------------------------------------------------------------------
// What the model says is shown

void MainWindow::BindModel() {
  connect(&model_, &panel::PanelModel::slotChanged, this, &MainWindow::ShowSlot);
  connect(&model_, &panel::PanelModel::referenceChanged, this, &MainWindow::ShowReference);
  connect(&model_, &panel::PanelModel::exactChanged, this, &MainWindow::ShowReference);
  connect(&model_, &panel::PanelModel::beaconChanged, this, &MainWindow::ShowBeacon);
  connect(&model_, &panel::PanelModel::beaconChanged, this, &MainWindow::ShowEnabled);
  connect(&model_, &panel::PanelModel::portsChanged, this, &MainWindow::ShowPorts);
  connect(&model_, &panel::PanelModel::portChanged, this, &MainWindow::ShowPort);
  connect(&model_, &panel::PanelModel::chipChanged, this, &MainWindow::ShowChip);
  connect(&model_, &panel::PanelModel::connectionChanged, this, &MainWindow::ShowEnabled);
  connect(&model_, &panel::PanelModel::operationChanged, this, &MainWindow::ShowEnabled);
  connect(&model_, &panel::PanelModel::operationChanged, this, &MainWindow::ShowStatus);
  connect(&model_, &panel::PanelModel::progressChanged, this, &MainWindow::ShowProgress);
  connect(&model_, &panel::PanelModel::lockChanged, this, &MainWindow::ShowStatus);
  connect(&model_, &panel::PanelModel::lockChanged, this, &MainWindow::NotifyLockLost);
  connect(&model_, &panel::PanelModel::connectionChanged, this, &MainWindow::ShowStatus);
  connect(&model_, &panel::PanelModel::portChanged, this, &MainWindow::ShowStatus);
  connect(&model_, &panel::PanelModel::chipChanged, this, &MainWindow::ShowStatus);
  connect(&model_, &panel::PanelModel::slotChanged, this, [this](Slot slot) {
    if (slot == Slot::SigGen) ShowStatus();
  });
}

void MainWindow::ShowSlot(Slot slot) {
  const panel::SlotState& state = model_.slot(slot);
  showing_ = true;
  QLineEdit* field = ui_.Of(slot).frequency;
  // With a plan the field holds the RF; the board gets the output.
  const QString frequency = FromUtf8(state.rf);
  // Rewriting the same text would move the caret of a user who is typing.
  if (field->text() != frequency) field->setText(frequency);
  SetWarning(field, !state.inBand);
  if (!field->property(kBuiltToolTip).isValid()) field->setProperty(kBuiltToolTip, field->toolTip());
  const QString planNote = state.plan.IsSet() ? tr("RF with the plan %1; the board makes %2 MHz")
                                                    .arg(FromUtf8(PlanText(state.plan)), FromUtf8(state.frequency))
                                              : QString();
  field->setToolTip(planNote.isEmpty() ? field->property(kBuiltToolTip).toString()
                                       : field->property(kBuiltToolTip).toString() + QLatin1Char('\n') + planNote);
  field->setAccessibleDescription(planNote);

  SelectData(ui_.Of(slot).band, static_cast<int>(state.band));
  QComboBox* power = ui_.Of(slot).power;
  const std::span<const PowerLevel> levels = PowerLevels(model_.chip(), state.band);
  bool same = power->count() == static_cast<int>(levels.size());
  for (size_t i = 0; same && i < levels.size(); ++i) {
    same = power->itemData(static_cast<int>(i)).toInt() == static_cast<int>(levels[i]);
  }
  if (!same) {
    power->clear();
    for (PowerLevel level : levels) {
      power->addItem(level == PowerLevel::Off ? tr("Off")
                                              : QString::fromUtf8(PowerLabel(level).data(),
                                                                  static_cast<qsizetype>(PowerLabel(level).size())),
                     static_cast<int>(level));
    }
  }
  SelectData(power, static_cast<int>(state.power));

  auto* real = ui_.Of(slot).real;
  // A slot with expert settings is marked beside its frequency.
  const SlotPlan plan = session::PlanSlotWords(model_.Settings(), slot);
  // After a refused retune the signal generator's label keeps what the board was given.
  const bool refused = slot == Slot::SigGen && model_.connected() && model_.tuneRefused();
  const std::string label = !refused            ? state.realLabel
                            : model_.givenMhz() ? panel::RealLabel(state.plan, *model_.givenMhz())
                                                : std::string(session::kNoFrequencyLabel);
  real->setText(FromUtf8(label) + (plan.sources.empty() ? QString() : QStringLiteral(" *")));
  // The tooltip the window was built with comes back when there is no error to tell.
  if (!real->property(kBuiltToolTip).isValid()) real->setProperty(kBuiltToolTip, real->toolTip());
  QString tip = state.errorText.empty() ? real->property(kBuiltToolTip).toString() : FromUtf8(state.errorText);
  if (!state.bandNote.empty()) tip += QLatin1Char('\n') + FromUtf8(state.bandNote);
  const std::string note = panel::OverridesNote(model_.chip(), plan.sources);
  if (!note.empty()) tip += QLatin1Char('\n') + FromUtf8(note);
  for (const FieldNote& n : plan.notes) tip += QLatin1Char('\n') + FromUtf8(texts::FieldNoteText(n));
  if (refused) tip += QLatin1Char('\n') + FromUtf8(model_.tuneNotice());
  real->setToolTip(tip);
  showing_ = false;
}

void MainWindow::SetWarning(QLineEdit* edit, bool warn) {
  QPalette palette = QApplication::palette(edit);
  if (warn) {
    // A disabled field keeps its grey: the warning is for a value the user can change.
    palette.setColor(QPalette::Active, QPalette::Base, kWarningColour);
    palette.setColor(QPalette::Inactive, QPalette::Base, kWarningColour);
  }
  edit->setPalette(palette);
}

void MainWindow::ShowReference() {
  showing_ = true;
  const QString reference = FromUtf8(model_.reference());
  if (ui_.reference->text() != reference) ui_.reference->setText(reference);
  // Text that is no number as typed is marked, as in the frequency fields.
  SetWarning(ui_.reference, !model_.referenceIsNumber());
  ui_.extReference->setChecked(model_.extReference());
  ui_.exact->setChecked(model_.exact());
  showing_ = false;
}

void MainWindow::ShowBeacon() {
  showing_ = true;
  ui_.beacon->setChecked(model_.beacon());
  ui_.scan->setChecked(model_.scan());
  SelectData(ui_.pinFunction, static_cast<int>(model_.pinFunction()));
  const QString speed = FromUtf8(model_.speed());
  if (ui_.speed->text() != speed) ui_.speed->setText(speed);
  SetWarning(ui_.speed, !model_.speedIsNumber());
  auto* text = ui_.beaconText;
  QString beaconText = FromUtf8(model_.text());
  beaconText.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  if (text->toPlainText() != beaconText) text->setPlainText(beaconText);
  showing_ = false;
}

void MainWindow::ShowPorts() {
  showing_ = true;
  QComboBox* list = ui_.portList;
  list->clear();
  for (const link::PortInfo& port : model_.ports()) {
    list->addItem(FromUtf8(port.name));
    if (!port.description.empty()) list->setItemData(list->count() - 1, FromUtf8(port.description), Qt::ToolTipRole);
  }
  showing_ = false;
  ShowPort();
}

void MainWindow::ShowPort() {
  showing_ = true;
  QComboBox* list = ui_.portList;
  const QString name = FromUtf8(model_.port());
  list->setCurrentIndex(list->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive));
  if (list->currentText() != name) list->setEditText(name);
  showing_ = false;
}

void MainWindow::ShowChip() {
  // The caption keeps its Alt key, whatever chip it names.
  QString caption = FromUtf8(model_.chipCaption());
  const QString chip = tr("Chip"), shortcut = tr("C&hip");
  if (caption.startsWith(chip)) caption.replace(0, chip.size(), shortcut);
  ui_.chipCaption->setText(caption);
  ui_.chipList->setCurrentIndex(static_cast<int>(model_.chipChoice()));
}

void MainWindow::ShowEnabled() {
  // Read before a control is disabled: Qt moves the focus of a disabled control to the next one.
  const bool connectFocused = ui_.connect->hasFocus() || ui_.cancel->hasFocus();
  const panel::PanelControls c = model_.controls();
  ui_.reference->setEnabled(c.reference);
  ui_.extReference->setEnabled(c.extReference);
  ui_.exact->setEnabled(c.exact);
  for (Slot slot : kAllSlots) {
    ui_.Of(slot).frequency->setEnabled(c.frequency);
    ui_.Of(slot).power->setEnabled(c.frequency);
    ui_.Of(slot).band->setEnabled(c.band);
  }
  ui_.save->setEnabled(c.save);
  ui_.saveConfig->setEnabled(c.saveConfig);
  ui_.loadConfig->setEnabled(c.loadConfig);
  ui_.beacon->setEnabled(c.beacon);
  for (QWidget* w : std::initializer_list<QWidget*>{ui_.scan, ui_.speed, ui_.beaconText, ui_.pinFunction}) {
    w->setEnabled(c.beaconSettings);
  }
  ui_.firmwareInfo->setEnabled(c.firmwareInfo);
  ui_.disconnect->setEnabled(c.disconnect);
  ui_.connect->setEnabled(c.connect);
  ui_.portList->setEnabled(c.connect);
  ui_.chipList->setEnabled(c.chipList);
  ui_.about->setEnabled(c.about);
  ui_.repairUpdate->setText(QLatin1Char('&') + FromUtf8(c.updateText));
  ui_.repairUpdate->setEnabled(c.update);
  // Cancel stands where Connect stood while a connect looks for the board.
  // The focus goes with the button in that place, so that it never falls to the next control.
  QWidget* shown = c.cancelShown ? ui_.cancel : ui_.connect;
  QWidget* hidden = c.cancelShown ? ui_.connect : ui_.cancel;
  shown->setVisible(true);
  if (connectFocused && shown->isEnabled()) shown->setFocus(Qt::OtherFocusReason);
  hidden->setVisible(false);
  if (pendingFocus_ && pendingFocus_->isEnabled()) {
    pendingFocus_->setFocus(Qt::OtherFocusReason);
    pendingFocus_ = nullptr;
  }
  // A busy cursor while the board is worked on; the window still paints and takes Exit.
  if (!model_.busy()) {
    unsetCursor();
  } else {
    setCursor(Qt::BusyCursor);
  }
}

void MainWindow::NotifyLockLost() {
  const panel::LockReading& lock = model_.lock();
  if (!lock.lostAt || lock.lostAt != lock.readAt) return;
  // Without a tray the status strip's light says it ("Not locked since ...").
  if (!QSystemTrayIcon::isSystemTrayAvailable()) return;
  if (!tray_) {
    tray_ = new QSystemTrayIcon(windowIcon(), this);
    tray_->setToolTip(QStringLiteral("Korvane"));
  }
  tray_->show();
  tray_->showMessage(
      tr("Lock lost"),
      tr("The board on %1 reports no lock since %2.").arg(FromUtf8(model_.port()), LocalTime(*lock.lostAt)),
      QSystemTrayIcon::Warning);
}

void MainWindow::ShowStatus() {
  auto* port = ui_.statusPort;
  const bool demo = model_.port() == link::kDemoPortName;
  if (!model_.connected() && model_.operation() == panel::Operation::Connecting) {
    port->setText(tr("Connecting to %1...").arg(FromUtf8(model_.port())));
    port->setStyleSheet(QString());
  } else if (!model_.connected()) {
    port->setText(tr("Not connected"));
    port->setStyleSheet(QString());
  } else if (demo) {
    // Nothing may pass the demo off as a board.
    port->setText(tr("DEMO board: no hardware attached"));
    port->setStyleSheet(
        QStringLiteral("QLabel { background: #ffd24d; color: black; font-weight: bold; padding: 0 4px; }"));
  } else {
    port->setText(tr("Port: %1").arg(FromUtf8(model_.port())));
    port->setStyleSheet(QString());
  }

  // A screen reader reads each item with its value, as the lock light's.
  port->setAccessibleName(
      port->text() == tr("Port: %1").arg(FromUtf8(model_.port())) ? port->text() : tr("Port: %1").arg(port->text()));
  auto* board = ui_.statusBoard;
  board->setText(model_.connected() ? tr("%1, firmware %2")
                                          .arg(FromUtf8(std::string(ChipName(model_.chip()))),
                                               FromUtf8(firmware::StatedVersion(model_.identity())))
                                    : QString());
  board->setAccessibleName(tr("Board: %1").arg(board->text().isEmpty() ? tr("none") : board->text()));

  auto* notice = ui_.statusNotice;
  // A retune's refusal or notes first; else what the readout left aside.
  const std::string& shown = model_.tuneNotice().empty() ? model_.readNotes() : model_.tuneNotice();
  const QString noticeText = model_.connected() ? FromUtf8(shown) : QString();
  notice->setText(noticeText.section(QLatin1Char('\n'), 0, 0) +
                  (noticeText.contains(QLatin1Char('\n')) ? QStringLiteral(" ...") : QString()));
  notice->setToolTip(noticeText);
  notice->setStyleSheet(model_.tuneRefused() ? QStringLiteral("QLabel { color: #d32f2f; font-weight: bold; }")
                                             : QString());
  notice->setAccessibleName((model_.tuneRefused() ? tr("Refused: %1") : tr("Note: %1")).arg(noticeText));
  notice->setVisible(!noticeText.isEmpty());

  auto* light = ui_.lockLight;
  const panel::LockReading& lock = model_.lock();
  QString colour = QStringLiteral("#9e9e9e");
  QString text = tr("Lock unknown");
  if (lock.state == session::LockState::Locked) {
    colour = QStringLiteral("#2e9e3e");
    text = tr("Locked");
  } else if (lock.state == session::LockState::NotLocked) {
    colour = QStringLiteral("#d32f2f");
    text = tr("Not locked");
    if (lock.lostAt) text = tr("Not locked since %1").arg(LocalTime(*lock.lostAt));
  }
  light->setVisible(model_.connected());
  // The word says what the colour says, for those who cannot tell the colours apart.
  light->setText(QStringLiteral("\u25CF ") + text);
  light->setStyleSheet(QStringLiteral("QLabel { color: %1; }").arg(colour));
  light->setAccessibleName(tr("Lock: %1").arg(text));
  if (lock.readAt) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(lock.readAt->time_since_epoch()).count();
    light->setToolTip(
        tr("Lock detect read at %1").arg(QDateTime::fromSecsSinceEpoch(seconds).toString(QStringLiteral("HH:mm:ss"))));
  } else {
    light->setToolTip(tr("Lock detect not read yet"));
  }

  auto* real = ui_.statusReal;
  const QString realText = FromUtf8(model_.givenText());
  real->setText(realText);
  real->setAccessibleName(tr("Real frequency: %1").arg(realText.isEmpty() ? tr("none") : realText));
  real->setToolTip(realText.isEmpty() ? QString()
                                      : tr("The frequency the board makes, and its error from the typed "
                                           "one; select it or right-click to copy"));
}

void MainWindow::ShowProgress() {
  const panel::ProgressState& state = model_.progress();
  if (!state.open) {
    delete progress_.data();
    progress_ = nullptr;
    return;
  }
  if (!progress_ || progress_->windowTitle() != FromUtf8(state.title)) {
    delete progress_.data();
    progress_ = new CUpdateInfoDlg(this, FromUtf8(state.title));
    progress_->show();
    progress_->raise();
    // The keyboard stays with the main window (Esc, Alt+X), where platforms hand it over.
    activateWindow();
    progressShownValue_ = 0;
  }
  if (progress_->status()->text() != FromUtf8(state.status) || progress_->bar()->maximum() != (state.range & 0xFFFF)) {
    progress_->SetStatus(FromUtf8(state.status));
    progress_->SetProgressRange(state.range);
    progressShownValue_ = 0;
  }
  for (; progressShownValue_ < state.value; ++progressShownValue_) progress_->StepIt();
  progress_->SetCloseNote(state.closeRequested);
}

// ---------------------------------------------------------------------------------------------
// panel::PanelView

void MainWindow::OpenCalibrate() {
  if (calibrate_) {
    calibrate_->raise();
    return;
  }
  // The counter reads what the board makes: the signal generator's real frequency.
  const panel::SlotState& sg = model_.slot(Slot::SigGen);
  const QString output = sg.realMhz ? FromUtf8(FormatFixed(*sg.realMhz, 6)) : QString();
  calibrate_ = new CalibrateDialog(FromUtf8(model_.reference()), output, Owner());
  calibrate_->setAttribute(Qt::WA_DeleteOnClose);
  connect(calibrate_, &QDialog::accepted, this, [this, dialog = calibrate_] {
    const QString corrected = dialog->CorrectedReference();
    if (corrected.isEmpty() || !ui_.reference->isEnabled()) return;
    // As if typed: the presenter takes it as any edit of the field, and a connected board retunes.
    ui_.reference->setText(corrected);
    dlg_->OnReferenceEdited(ToUtf8(corrected));
  });
  calibrate_->open();
}

void MainWindow::OpenPlan(Slot slot) {
  if (plan_) {
    plan_->raise();
    return;
  }
  const panel::SlotState& state = model_.slot(slot);
  const QString name = slot == Slot::SigGen ? tr("Signal generator") : QStringLiteral("F%1").arg(SlotNumber(slot) + 1);
  plan_ = new PlanDialog(name, QString::number(state.plan.multiplier), FromUtf8(FormatFixed(state.plan.offsetMhz, 6)),
                         state.plan.IsSet(), Owner());
  plan_->setAttribute(Qt::WA_DeleteOnClose);
  connect(plan_, &PlanDialog::planChosen, this, [this, slot, dialog = plan_](const QString& n, const QString& offset) {
    const std::optional<std::string> problem = dlg_->OnPlanChosen(slot, ToUtf8(n), ToUtf8(offset));
    if (problem) {
      dialog->ShowProblem(FromUtf8(*problem));
      return;
    }
    dialog->accept();
  });
  connect(plan_, &PlanDialog::planRemoved, this, [this, slot] { dlg_->OnPlanRemoved(slot); });
  plan_->open();
}

QWidget* MainWindow::Owner() {
  QWidget* active = QApplication::activeWindow();
  // The progress window is only a status display: messages of its operation belong to the
  // main window, over which they are centred.
  if (active == nullptr || active == progress_.data()) return this;
  return active;
}

void MainWindow::ShowMessage(const panel::Message& message, std::function<void()> closed) {
  if (hooks_.message) {
    hooks_.message(message);
    if (closed) closed();
    return;
  }
  auto* box = new QMessageBox(ToQtIcon(message.icon),
                              message.caption.empty() ? QString::fromUtf8(kDefaultCaption) : FromUtf8(message.caption),
                              FromUtf8(message.text), QMessageBox::Ok, Owner());
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setTextFormat(Qt::PlainText);
  if (!message.details.empty()) box->setDetailedText(FromUtf8(message.details));
  connect(box, &QMessageBox::finished, this, [closed = std::move(closed)] {
    if (closed) closed();
  });
  box->open();
}

void MainWindow::ChooseFile(const panel::FileDialogRequest& request,
                            std::function<void(std::optional<std::string>)> chosen) {
  if (hooks_.file) {
    chosen(hooks_.file(request));
    return;
  }
  QString filter = FromUtf8(request.filterName);
  if (!filter.contains(QLatin1Char('('))) filter += QStringLiteral(" (%1)").arg(FromUtf8(request.pattern));
  auto* dialog = new QFileDialog(Owner(), QString(), QString(), filter + tr(";;All files (*.*)"));
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setDefaultSuffix(FromUtf8(request.defaultExtension));
  dialog->setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog->setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  connect(dialog, &QFileDialog::finished, this, [dialog, chosen = std::move(chosen)](int result) {
    const QStringList files = dialog->selectedFiles();
    if (result != QDialog::Accepted || files.isEmpty()) {
      chosen(std::nullopt);
    } else {
      chosen(ToUtf8(files.constFirst()));
    }
  });
  dialog->open();
}

void MainWindow::StartTuneTimer(int ms) { tuneTimer_.start(ms); }
void MainWindow::StopTuneTimer() { tuneTimer_.stop(); }

void MainWindow::SetFocus(FocusTarget target) {
  QWidget* widget = ui_.Of(Slot::SigGen).frequency;
  if (target == FocusTarget::PortList) widget = ui_.portList;
  // A control the running operation keeps disabled takes the focus when it is enabled again.
  pendingFocus_ = widget;
  ShowEnabled();
}

// Kept with QSettings as organisation "Korvane", application "korvane"
// (~/.config/Korvane/korvane.conf on Linux).
std::optional<std::string> MainWindow::Remembered(const std::string& key) const {
  const QSettings settings(QStringLiteral("Korvane"), QStringLiteral("korvane"));
  const QVariant value = settings.value(FromUtf8(key));
  if (!value.isValid()) return std::nullopt;
  return ToUtf8(value.toString());
}

void MainWindow::Remember(const std::string& key, const std::string& value) {
  QSettings settings(QStringLiteral("Korvane"), QStringLiteral("korvane"));
  settings.setValue(FromUtf8(key), FromUtf8(value));
}

void MainWindow::ShowAbout() {
  auto* about = new AboutDialog(Owner());
  about->setAttribute(Qt::WA_DeleteOnClose);
  about->open();
}

void MainWindow::Quit(int exitCode) {
  tuneTimer_.stop();
  hide();
  if (hooks_.quit) {
    hooks_.quit(exitCode);
    return;
  }
  QCoreApplication::exit(exitCode);
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
// Keys and the wheel

std::optional<Slot> MainWindow::FocusedSlot() const {
  QWidget* focus = QApplication::focusWidget();
  if (focus == nullptr || focus->window() != this) focus = focusWidget();
  for (Slot slot : kAllSlots) {
    if (focus != nullptr && focus == ui_.slot[static_cast<size_t>(SlotNumber(slot))].frequency) return slot;
  }
  return std::nullopt;
}

void MainWindow::Step(Slot slot, int direction) {
  if (model_.busy()) return;
  QLineEdit* edit = ui_.Of(slot).frequency;
  const int position = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
  const std::optional<int> caret = dlg_->StepFrequency(slot, ByteOffset(edit->text(), position), direction);
  if (!caret) return;
  edit->deselect();
  edit->setCursorPosition(CharOffset(edit->text(), *caret));
}

bool MainWindow::PreTranslateMessage(QObject* receiver, QKeyEvent* event) {
  // Keys of a message box, the progress window or a drop-down are theirs alone.
  auto* widget = qobject_cast<QWidget*>(receiver);
  if (QApplication::activeWindow() != this || widget == nullptr || widget->window() != this) return false;
  switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down: {
      const std::optional<Slot> slot = FocusedSlot();
      if (!slot) return false;
      Step(*slot, event->key() == Qt::Key_Up ? 1 : -1);
      return true;
    }
    case Qt::Key_B:
      if ((event->modifiers() & Qt::ControlModifier) == 0) return false;
      dlg_->OnEnterBootloader();
      return true;
    case Qt::Key_Escape:
      if (model_.operation() != Operation::Connecting && !model_.sweep().running) return false;
      dlg_->OnCancel();
      return true;
    default:
      return false;
  }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::Wheel) return false;
  // The wheel steps the frequency field that has the focus, wherever the pointer is; with
  // the focus elsewhere a list under the pointer scrolls as usual.
  const std::optional<Slot> slot = FocusedSlot();
  if (!slot) {
    wheelRemainder_ = 0;
    return false;
  }
  (void)watched;
  // Fine-grained wheels and touchpads report fractions of a notch; step once per notch.
  wheelRemainder_ += static_cast<QWheelEvent*>(event)->angleDelta().y();
  while (wheelRemainder_ >= kWheelNotch || wheelRemainder_ <= -kWheelNotch) {
    const int notch = wheelRemainder_ > 0 ? kWheelNotch : -kWheelNotch;
    wheelRemainder_ -= notch;
    Step(*slot, notch > 0 ? 1 : -1);
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
