// The program's icon: a sine wave on a dark tile, drawn at any size the desktop asks for.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace korvane::app {

// One rendering of the icon, size by size pixels.
QPixmap AppIconPixmap(int size);

// The window and About icon, with renderings for the common icon sizes.
QIcon AppIcon();

}  // namespace korvane::app
