#include "ui/led.h"

#include <QPainter>

namespace lumora::ui {

TLed::TLed(QWidget* parent) : QWidget(parent) { setFixedSize(sizeHint()); }

void TLed::SetOn(bool on) {
  if (on_ == on) return;
  on_ = on;
  update();
}

QColor TLed::Color() const { return QColor::fromRgb(on_ ? kOnColor : kOffColor); }

void TLed::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF r = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
  p.setPen(QPen(palette().color(QPalette::Shadow), 1));
  p.setBrush(Color());
  p.drawEllipse(r);
  // A small highlight so the light reads as a lamp, not a dot.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255, on_ ? 140 : 60));
  p.drawEllipse(QRectF(r.left() + r.width() * 0.25, r.top() + r.height() * 0.2, r.width() * 0.3, r.height() * 0.25));
}

}  // namespace lumora::ui
