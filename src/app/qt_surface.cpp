#include "app/qt_surface.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSettings>

#include "app/about_dialog.h"
#include "app/update_info_dlg.h"

namespace korvane::app {

namespace {

QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
std::string ToUtf8(const QString& text) { return text.toUtf8().toStdString(); }

// The panel counts caret positions in bytes of its UTF-8 text, Qt in UTF-16 units.
int ByteOffset(const QString& text, int position) { return static_cast<int>(text.left(position).toUtf8().size()); }
int CharOffset(const QString& text, int bytePosition) {
  QByteArray bytes = text.toUtf8();
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

}  // namespace

QtSurface::QtSurface(QWidget* mainWindow) : main_(mainWindow) {
  timer_.setSingleShot(true);
  QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
    if (timerHandler_) timerHandler_();
  });
}

QtSurface::~QtSurface() { delete progress_.data(); }

void QtSurface::Register(int id, QWidget* widget) { widgets_[id] = widget; }

QWidget* QtSurface::Widget(int id) const {
  auto it = widgets_.find(id);
  return it == widgets_.end() ? nullptr : it->second.data();
}

int QtSurface::IdOf(const QWidget* widget) const {
  for (; widget != nullptr && widget != main_; widget = widget->parentWidget()) {
    for (const auto& [id, registered] : widgets_) {
      if (registered == widget) return id;
    }
  }
  return 0;
}

std::string QtSurface::GetText(int id) const {
  QWidget* w = Widget(id);
  if (auto* edit = qobject_cast<QLineEdit*>(w)) return ToUtf8(edit->text());
  if (auto* text = qobject_cast<QPlainTextEdit*>(w)) return ToUtf8(text->toPlainText());
  if (auto* combo = qobject_cast<QComboBox*>(w)) return ToUtf8(combo->currentText());
  if (auto* label = qobject_cast<QLabel*>(w)) return ToUtf8(label->text());
  if (auto* button = qobject_cast<QAbstractButton*>(w)) return ToUtf8(button->text());
  return {};
}

void QtSurface::SetText(int id, const std::string& text) {
  QWidget* w = Widget(id);
  QString value = FromUtf8(text);
  ++writing_;
  if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    edit->setText(value);
  } else if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) {
    value.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    plain->setPlainText(value);
  } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
    if (combo->isEditable()) combo->setEditText(value);
  } else if (auto* label = qobject_cast<QLabel*>(w)) {
    label->setText(value);
  } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
    button->setText(value);
  }
  --writing_;
}

void QtSurface::ResetList(int id) {
  if (auto* combo = qobject_cast<QComboBox*>(Widget(id))) combo->clear();
}

void QtSurface::AddItem(int id, const std::string& text) {
  if (auto* combo = qobject_cast<QComboBox*>(Widget(id))) {
    // Adding to an empty editable list would otherwise select the entry and fill the edit
    // field; a list's selection only ever changes when asked.
    int selection = combo->currentIndex();
    QString edit = combo->currentText();
    combo->addItem(FromUtf8(text));
    if (combo->currentIndex() != selection) {
      combo->setCurrentIndex(selection);
      if (combo->isEditable()) combo->setEditText(edit);
    }
  }
}

void QtSurface::DeleteItem(int id, int index) {
  auto* combo = qobject_cast<QComboBox*>(Widget(id));
  if (combo == nullptr || index < 0 || index >= combo->count()) return;
  int selection = combo->currentIndex();
  combo->removeItem(index);
  // Deleting the selected entry leaves nothing selected, as the panel expects.
  if (selection == index) combo->setCurrentIndex(-1);
}

int QtSurface::GetCount(int id) const {
  auto* combo = qobject_cast<QComboBox*>(Widget(id));
  return combo != nullptr ? combo->count() : 0;
}

std::string QtSurface::GetItemText(int id, int index) const {
  auto* combo = qobject_cast<QComboBox*>(Widget(id));
  if (combo == nullptr || index < 0 || index >= combo->count()) return {};
  return ToUtf8(combo->itemText(index));
}

int QtSurface::GetSelection(int id) const {
  auto* combo = qobject_cast<QComboBox*>(Widget(id));
  return combo != nullptr ? combo->currentIndex() : -1;
}

void QtSurface::SetSelection(int id, int index) {
  auto* combo = qobject_cast<QComboBox*>(Widget(id));
  if (combo == nullptr) return;
  combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

void QtSurface::SetItemTooltip(int id, int index, const std::string& tip) {
  auto* combo = qobject_cast<QComboBox*>(Widget(id));
  if (combo == nullptr || index < 0 || index >= combo->count()) return;
  combo->setItemData(index, FromUtf8(tip), Qt::ToolTipRole);
}

bool QtSurface::GetCheck(int id) const {
  auto* box = qobject_cast<QAbstractButton*>(Widget(id));
  return box != nullptr && box->isChecked();
}

void QtSurface::SetCheck(int id, bool checked) {
  if (auto* box = qobject_cast<QAbstractButton*>(Widget(id))) box->setChecked(checked);
}

void QtSurface::Enable(int id, bool enable) {
  if (QWidget* w = Widget(id)) w->setEnabled(enable);
}

bool QtSurface::IsEnabled(int id) const {
  QWidget* w = Widget(id);
  return w != nullptr && w->isEnabled();
}

void QtSurface::SetFocus(int id) {
  if (QWidget* w = Widget(id)) w->setFocus(Qt::OtherFocusReason);
}

int QtSurface::GetFocus() const {
  QWidget* focus = QApplication::focusWidget();
  if (focus == nullptr || focus->window() != main_) focus = main_->focusWidget();
  return IdOf(focus);
}

int QtSurface::GetCaret(int id) const {
  auto* edit = qobject_cast<QLineEdit*>(Widget(id));
  if (edit == nullptr) return 0;
  int position = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
  return ByteOffset(edit->text(), position);
}

void QtSurface::SetCaret(int id, int position) {
  auto* edit = qobject_cast<QLineEdit*>(Widget(id));
  if (edit == nullptr) return;
  edit->deselect();
  edit->setCursorPosition(CharOffset(edit->text(), position));
}

void QtSurface::SetWarning(int id, bool warn) {
  auto* edit = qobject_cast<QLineEdit*>(Widget(id));
  if (edit == nullptr) return;
  QPalette palette = QApplication::palette(edit);
  if (warn) {
    // A disabled field keeps its grey: the warning is for a value the user can change.
    palette.setColor(QPalette::Active, QPalette::Base, kWarningColour);
    palette.setColor(QPalette::Inactive, QPalette::Base, kWarningColour);
  }
  edit->setPalette(palette);
}

QWidget* QtSurface::Owner() const {
  QWidget* active = QApplication::activeWindow();
  // The progress window is only a status display: messages of its operation belong to the
  // main window, over which they are centred.
  if (active == nullptr || active == progress_.data()) return main_;
  return active;
}

void QtSurface::MessageBox(const std::string& text, const std::string& caption, MessageIcon icon) {
  MessageBoxDetails(text, caption, icon, {});
}

void QtSurface::MessageBoxDetails(const std::string& text, const std::string& caption, MessageIcon icon,
                                  const std::string& details) {
  lastDetails = details;
  if (messageHook) {
    messageHook(text, caption, icon);
    return;
  }
  QMessageBox box(ToQtIcon(icon), caption.empty() ? QString::fromUtf8(kDefaultCaption) : FromUtf8(caption),
                  FromUtf8(text), QMessageBox::Ok, Owner());
  box.setTextFormat(Qt::PlainText);
  if (!details.empty()) box.setDetailedText(FromUtf8(details));
  box.exec();
}

void QtSurface::SetToolTip(int id, const std::string& tip) {
  QWidget* w = Widget(id);
  if (w == nullptr) return;
  // The tooltip the window was built with comes back when the panel has nothing to say.
  const char* kBuiltWith = "korvaneToolTip";
  if (!w->property(kBuiltWith).isValid()) w->setProperty(kBuiltWith, w->toolTip());
  w->setToolTip(tip.empty() ? w->property(kBuiltWith).toString() : FromUtf8(tip));
}

std::optional<std::string> QtSurface::Remembered(const std::string& key) const {
  const QSettings settings(QStringLiteral("Korvane"), QStringLiteral("korvane"));
  const QVariant value = settings.value(FromUtf8(key));
  if (!value.isValid()) return std::nullopt;
  return ToUtf8(value.toString());
}

void QtSurface::Remember(const std::string& key, const std::string& value) {
  QSettings settings(QStringLiteral("Korvane"), QStringLiteral("korvane"));
  settings.setValue(FromUtf8(key), FromUtf8(value));
}

void QtSurface::SetBusy(bool busy) {
  if (busy == busy_) return;
  busy_ = busy;
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

std::optional<std::string> QtSurface::ChooseFile(const FileDialogRequest& request) {
  if (fileHook) return fileHook(request);
  QString filter = FromUtf8(request.filterName);
  if (!filter.contains(QLatin1Char('('))) filter += QStringLiteral(" (%1)").arg(FromUtf8(request.pattern));
  QFileDialog dialog(Owner(), QString(), QString(), filter + QStringLiteral(";;All files (*.*)"));
  dialog.setDefaultSuffix(FromUtf8(request.defaultExtension));
  if (request.save) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
  } else {
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return ToUtf8(dialog.selectedFiles().constFirst());
}

void QtSurface::StartTuneTimer(int ms) { timer_.start(ms); }

void QtSurface::StopTuneTimer() { timer_.stop(); }

void QtSurface::ProgressCreate(const std::string& title) {
  ProgressDestroy();
  progress_ = new CUpdateInfoDlg(main_, FromUtf8(title));
  progress_->show();
  progress_->raise();
  // Painted before the operation takes the thread.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void QtSurface::ProgressStatus(const std::string& text) {
  if (progress_) progress_->SetStatus(FromUtf8(text));
}

void QtSurface::ProgressRange(int n) {
  if (progress_) progress_->SetProgressRange(n);
}

void QtSurface::ProgressStep() {
  if (progress_) progress_->StepIt();
}

void QtSurface::ProgressDestroy() {
  delete progress_.data();
  progress_ = nullptr;
}

void QtSurface::ShowAbout() {
  AboutDialog about(Owner());
  about.exec();
}

void QtSurface::Quit(int exitCode) {
  timer_.stop();
  main_->hide();
  if (quitHook) {
    quitHook(exitCode);
    return;
  }
  QCoreApplication::exit(exitCode);
}

}  // namespace korvane::app
