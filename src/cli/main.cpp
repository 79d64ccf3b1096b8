// korvane-cli: the control panel's logic without a window.
#include <QCoreApplication>

#include "cli/command.h"

int main(int argc, char** argv) {
  // Qt's serial-port enumeration wants an application object; numbers never go through
  // the C locale it installs.
  int qtArgc = 1;
  QCoreApplication app(qtArgc, argv);
  return korvane::cli::Dispatch(argc, argv);
}
