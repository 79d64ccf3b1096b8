#include "app/app_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>
#include <numbers>

namespace korvane::app {

namespace {

// Same geometry as packaging/korvane.svg (a 64-unit canvas), so the desktop entry and the
// running window show one picture.
constexpr double kCanvas = 64.0;

QPainterPath Wave() {
  QPainterPath path;
  constexpr int kSamples = 96;
  for (int i = 0; i <= kSamples; ++i) {
    double x = 10.0 + 44.0 * i / kSamples;
    double y = 32.0 - 14.0 * qSin(2.0 * std::numbers::pi * 2.0 * i / kSamples);
    if (i == 0) {
      path.moveTo(x, y);
    } else {
      path.lineTo(x, y);
    }
  }
  return path;
}

}  // namespace

QPixmap AppIconPixmap(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / kCanvas, size / kCanvas);

  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0x1d, 0x35, 0x57));
  painter.drawRoundedRect(QRectF(2, 2, 60, 60), 10, 10);

  // Axis of the trace.
  painter.setPen(QPen(QColor(0x45, 0x7b, 0x9d), 2.0));
  painter.drawLine(QPointF(10, 32), QPointF(54, 32));

  painter.setPen(QPen(QColor(0x48, 0xca, 0xe4), 5.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.setBrush(Qt::NoBrush);
  painter.drawPath(Wave());

  // The orange of the out-of-band warning, as a marker on the first crest.
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(255, 130, 0));
  painter.drawEllipse(QPointF(15.5, 18.0), 4.0, 4.0);
  return pixmap;
}

QIcon AppIcon() {
  QIcon icon;
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) icon.addPixmap(AppIconPixmap(size));
  return icon;
}

}  // namespace korvane::app
