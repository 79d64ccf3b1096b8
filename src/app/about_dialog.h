// The About box: program name, version and icon, closed with OK.
#pragma once

#include <QDialog>

#include "korvane/version.h"

namespace korvane::app {

inline constexpr const char* kAboutTitle = QT_TRANSLATE_NOOP("korvane::app::AboutDialog", "About Korvane");
// %1: the version.
inline constexpr const char* kAboutText =
    QT_TRANSLATE_NOOP("korvane::app::AboutDialog",
                      "MAX2871/ADF4350/ADF4351 synthesizer board programming and control utility.\n"
                      "Version %1"
                      "\n\n"
                      "Korvane is free software: you can redistribute it and/or modify it under the terms of the GNU "
                      "General Public License as published by the Free Software Foundation, either version 3 of the "
                      "License, or (at your option) any later version. It comes with ABSOLUTELY NO WARRANTY.");

class AboutDialog : public QDialog {
  Q_OBJECT

 public:
  // owner: the window the box is centred over and blocks while it is open.
  explicit AboutDialog(QWidget* owner);

 public slots:
  // Escape and the close box end the box as Cancel does.
  void reject() override { done(2); }
};

}  // namespace korvane::app
