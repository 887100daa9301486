#include "imaging/widgets/pg_cursors.h"

#include <QBitmap>
#include <QPainter>
#include <QPainterPath>
#include <functional>

namespace lumora {
namespace {

// A cursor whose shape is drawn by `draw` (in black on the mask); the outline is white.
QCursor MaskCursor(const std::function<void(QPainter&)>& draw, int hotX, int hotY) {
  QBitmap shape(32, 32), mask(32, 32);
  shape.fill(Qt::color0);
  mask.fill(Qt::color0);
  {
    QPainter p(&mask);
    p.setPen(QPen(Qt::color1, 3));
    p.setBrush(Qt::color1);
    draw(p);
  }
  {
    QPainter p(&shape);
    p.setPen(QPen(Qt::color1, 1));
    p.setBrush(Qt::NoBrush);
    draw(p);
  }
  return QCursor(shape, mask, hotX, hotY);
}

void Hand(QPainter& p, bool closed) {
  QPainterPath path;
  path.addRoundedRect(QRectF(8, closed ? 12 : 14, 16, 12), 4, 4);
  if (closed) {
    for (int i = 0; i < 4; ++i) path.addRoundedRect(QRectF(9 + 4 * i, 9, 3, 5), 1, 1);
  } else {
    for (int i = 0; i < 4; ++i) path.addRoundedRect(QRectF(9 + 4 * i, 4 + (i == 0 || i == 3 ? 2 : 0), 3, 11), 1, 1);
    path.addRoundedRect(QRectF(4, 15, 5, 3), 1, 1);
  }
  p.drawPath(path.simplified());
}

}  // namespace

QCursor ViewerCursor(TViewerCursor which) {
  switch (which) {
    case vcOpenHand:
      return MaskCursor([](QPainter& p) { Hand(p, false); }, 16, 12);
    case vcGrabbingHand:
      return MaskCursor([](QPainter& p) { Hand(p, true); }, 16, 12);
    case vcCrossHair:
      return MaskCursor(
          [](QPainter& p) {
            for (int i = 2; i < 13; i += 4) {
              p.drawLine(i, 15, i + 1, 15);
              p.drawLine(29 - i, 15, 28 - i, 15);
              p.drawLine(15, i, 15, i + 1);
              p.drawLine(15, 29 - i, 15, 28 - i);
            }
          },
          15, 15);
    case vcMoveArrows:
      return MaskCursor(
          [](QPainter& p) {
            p.drawLine(16, 3, 16, 27);
            p.drawLine(4, 15, 28, 15);
            p.drawPolygon(QPolygon({QPoint(16, 1), QPoint(12, 6), QPoint(20, 6)}));
            p.drawPolygon(QPolygon({QPoint(16, 29), QPoint(12, 24), QPoint(20, 24)}));
            p.drawPolygon(QPolygon({QPoint(2, 15), QPoint(7, 11), QPoint(7, 19)}));
            p.drawPolygon(QPolygon({QPoint(30, 15), QPoint(25, 11), QPoint(25, 19)}));
          },
          16, 15);
    case vcSizeNS:
      return QCursor(Qt::SizeVerCursor);
    case vcSizeWE:
      return QCursor(Qt::SizeHorCursor);
    case vcSizeNWSE:
      return QCursor(Qt::SizeFDiagCursor);
    case vcSizeNESW:
      return QCursor(Qt::SizeBDiagCursor);
    case vcDefault:
      break;
  }
  return QCursor(Qt::ArrowCursor);
}

}  // namespace lumora
