#include "app/lumora/splash.h"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>
#include <QSplashScreen>
#include <QTimer>

namespace lumora::app {

QPixmap SplashPicture() {
  QPixmap pixmap(kSplashWidth, kSplashHeight);
  QPainter p(&pixmap);
  QLinearGradient sky(0, 0, kSplashWidth, kSplashHeight);
  sky.setColorAt(0, QColor(18, 42, 86));
  sky.setColorAt(1, QColor(236, 146, 54));
  p.fillRect(pixmap.rect(), sky);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 236, 170));
  p.drawEllipse(QPointF(500, 74), 38, 38);
  p.setPen(Qt::white);
  QFont title(QStringLiteral("Liberation Sans"), 40, QFont::Bold);
  p.setFont(title);
  p.drawText(QRect(32, 18, 420, 70), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Lumora 7.8"));
  QFont maker(QStringLiteral("Liberation Sans"), 13);
  p.setFont(maker);
  p.drawText(QRect(36, 88, 420, 30), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("by Halvane Software"));
  return pixmap;
}

QSplashScreen* ShowSplash() {
  auto* splash = new QSplashScreen(SplashPicture(), Qt::WindowStaysOnTopHint | Qt::FramelessWindowHint);
  splash->setAttribute(Qt::WA_DeleteOnClose);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->geometry();
    splash->move(area.center() - QPoint(kSplashWidth / 2, kSplashHeight / 2));
  }
  splash->show();
  splash->repaint();
  // The timer starts now, but its tick arrives only through the event loop.
  QTimer::singleShot(kSplashMilliseconds, splash, &QWidget::close);
  return splash;
}

}  // namespace lumora::app
