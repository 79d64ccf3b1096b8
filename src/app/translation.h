// The window in the user's language: Korvane's own translation and Qt's for its standard buttons
// and dialogs, chosen from the locale (LANG=de_DE.UTF-8 gives German; C, POSIX and English keep
// the English source texts).
#pragma once

#include <QLocale>
#include <QString>
#include <QTranslator>
#include <memory>
#include <vector>

class QCoreApplication;

namespace korvane::app {

class Translation {
 public:
  // Installs the translations for the locale into the application; none when the language has
  // none (English is the source). Removed again when the object goes.
  explicit Translation(const QLocale& locale = QLocale::system());
  ~Translation();
  Translation(const Translation&) = delete;
  Translation& operator=(const Translation&) = delete;

  // Whether Korvane's own translation for the locale was found and installed.
  bool installed() const { return own_ != nullptr; }

 private:
  std::unique_ptr<QTranslator> own_;
  std::unique_ptr<QTranslator> qt_;
};

}  // namespace korvane::app
