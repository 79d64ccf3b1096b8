#include "app/message_loop.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>
#include <algorithm>

namespace korvane::app {

namespace {
// Qt hands an ignored key on to the parents of its receiver, through the application filters
// each time. A key counts once: at the widget that has the focus (or wherever it was sent
// first), not again on its way up.
bool IsPropagatedKey(QObject* receiver) {
  auto* widget = qobject_cast<QWidget*>(receiver);
  if (widget == nullptr) return false;
  QWidget* focus = QApplication::focusWidget();
  if (focus == nullptr) focus = widget->window()->focusWidget();
  return focus != nullptr && focus != widget && widget->isAncestorOf(focus);
}
}  // namespace

CMessageLoop::CMessageLoop() { QCoreApplication::instance()->installEventFilter(this); }

CMessageLoop::~CMessageLoop() {
  if (QCoreApplication::instance() != nullptr) QCoreApplication::instance()->removeEventFilter(this);
}

void CMessageLoop::AddMessageFilter(CMessageFilter* filter) {
  if (std::find(filters_.begin(), filters_.end(), filter) == filters_.end()) filters_.push_back(filter);
}

void CMessageLoop::RemoveMessageFilter(CMessageFilter* filter) {
  filters_.erase(std::remove(filters_.begin(), filters_.end(), filter), filters_.end());
}

int CMessageLoop::Run() { return QApplication::exec(); }

bool CMessageLoop::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress || IsPropagatedKey(watched)) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  // A filter may remove itself while it runs (the window closing); walk a copy.
  const std::vector<CMessageFilter*> filters = filters_;
  for (CMessageFilter* filter : filters) {
    if (filter->PreTranslateMessage(watched, key)) return true;
  }
  return false;
}

}  // namespace korvane::app
