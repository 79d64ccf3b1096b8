#include "app/translation.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>

namespace korvane::app {

namespace {

// The installed files (share/korvane/translations beside bin/) come first, so a package can
// carry newer ones; the program's own resources always hold the ones it was built with.
std::unique_ptr<QTranslator> Load(const QLocale& locale) {
  const QString installed =
      QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../share/korvane/translations"));
  for (const QString& dir : {installed, QStringLiteral(":/i18n")}) {
    auto translator = std::make_unique<QTranslator>();
    if (translator->load(locale, QStringLiteral("korvane"), QStringLiteral("_"), dir)) return translator;
  }
  return nullptr;
}

}  // namespace

Translation::Translation(const QLocale& locale) {
  // English is the source language: an English locale must not pick up another language from
  // the locale's list of UI languages.
  if (locale.language() == QLocale::English || locale.language() == QLocale::C) return;
  own_ = Load(locale);
  if (!own_) return;
  QCoreApplication::installTranslator(own_.get());
  // Qt's own texts (the buttons of message boxes, the file dialogs) where the system has them.
  auto qt = std::make_unique<QTranslator>();
  if (qt->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
               QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    qt_ = std::move(qt);
    QCoreApplication::installTranslator(qt_.get());
  }
}

Translation::~Translation() {
  if (qt_) QCoreApplication::removeTranslator(qt_.get());
  if (own_) QCoreApplication::removeTranslator(own_.get());
}

}  // namespace korvane::app
