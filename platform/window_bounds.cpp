#include "platform/window_bounds.h"

#include <algorithm>

namespace lumora::platform {

QRect ClampWindowBounds(const QRect& wanted, const QList<QRect>& screens, QSize minimum) {
  int width = std::max(wanted.width(), minimum.width());
  int height = std::max(wanted.height(), minimum.height());
  if (screens.isEmpty()) return QRect(wanted.topLeft(), QSize(width, height));

  const QRect* best = &screens.front();
  qint64 bestArea = 0;
  for (const QRect& screen : screens) {
    const QRect overlap = screen.intersected(QRect(wanted.topLeft(), QSize(width, height)));
    const qint64 area = overlap.isEmpty() ? 0 : qint64(overlap.width()) * overlap.height();
    if (area > bestArea) {
      bestArea = area;
      best = &screen;
    }
  }
  const QRect& screen = *best;
  width = std::min(width, screen.width());
  height = std::min(height, screen.height());
  const int left = std::clamp(wanted.left(), screen.left(), screen.left() + screen.width() - width);
  const int top = std::clamp(wanted.top(), screen.top(), screen.top() + screen.height() - height);
  return QRect(left, top, width, height);
}

}  // namespace lumora::platform
