// CUpdateInfoDlg: the small modeless progress window of the firmware operations.
#pragma once

#include <QDialog>
#include <QElapsedTimer>

class QLabel;
class QProgressBar;

namespace korvane::app {

// Shown under the bar once the user has asked to close the window during the operation.
inline constexpr const char* kCloseNote =
    QT_TRANSLATE_NOOP("korvane::app::CUpdateInfoDlg", "Korvane will close when the update has finished");

class CUpdateInfoDlg : public QDialog {
  Q_OBJECT

 public:
  // Created over the main window and centred on it when shown.
  CUpdateInfoDlg(QWidget* parent, const QString& title);

  void SetStatus(const QString& text);
  void SetProgressRange(int n);  // 0..n, step 1
  void StepIt();
  void SetCloseNote(bool shown);

  QLabel* status() const { return status_; }
  QProgressBar* bar() const { return bar_; }
  // Under the status: "42% · 5160 of 12288 halfwords · 2m 31s left" (units only while
  // flashing, the time once it can be estimated).
  QLabel* details() const { return details_; }
  QLabel* closeNote() const { return closeNote_; }

 public slots:
  // The window only goes away with the operation that opened it: Escape and the close box
  // do nothing.
  void reject() override {}

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void Repaint(bool force);

  void UpdateDetails();

  QLabel* status_;
  QLabel* details_;
  QProgressBar* bar_;
  QLabel* closeNote_;
  QElapsedTimer sincePaint_;
  QElapsedTimer sincePhase_;
};

}  // namespace korvane::app
