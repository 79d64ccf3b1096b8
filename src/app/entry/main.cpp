// korvane: the desktop program, one window around the control panel.
#include <QApplication>
#include <clocale>

#include "app/app_icon.h"
#include "app/main_window.h"
#include "app/message_loop.h"
#include "app/translation.h"
#include "korvane/version.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // QApplication took the C locale from the environment; every number the program shows or
  // sends is written with a decimal point whatever the desktop's language.
  std::setlocale(LC_NUMERIC, "C");
  QApplication::setApplicationName(QStringLiteral("Korvane"));
  QApplication::setApplicationVersion(QString::fromLatin1(korvane::kShortVersion));
  QApplication::setWindowIcon(korvane::app::AppIcon());
  QGuiApplication::setDesktopFileName(QStringLiteral("korvane"));
  const korvane::app::Translation translation;

  korvane::app::CMessageLoop loop;
  korvane::app::MainWindow window(loop);
  window.show();
  return loop.Run();
}
