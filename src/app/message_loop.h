// The program's message loop: QApplication::exec with an application event filter that offers
// every key press to the registered message filters before anything else sees it.
#pragma once

#include <QObject>
#include <vector>

class QKeyEvent;

namespace korvane::app {

// A window that wants to see key presses before they are delivered.
class CMessageFilter {
 public:
  virtual ~CMessageFilter() = default;
  // receiver: the widget the key is aimed at. True when the key is consumed.
  virtual bool PreTranslateMessage(QObject* receiver, QKeyEvent* event) = 0;
};

class CMessageLoop : public QObject {
  Q_OBJECT

 public:
  // Needs the application object.
  CMessageLoop();
  ~CMessageLoop() override;
  CMessageLoop(const CMessageLoop&) = delete;
  CMessageLoop& operator=(const CMessageLoop&) = delete;

  void AddMessageFilter(CMessageFilter* filter);
  void RemoveMessageFilter(CMessageFilter* filter);

  // Runs until the application is told to exit; returns the exit code it was given.
  int Run();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::vector<CMessageFilter*> filters_;
};

}  // namespace korvane::app
