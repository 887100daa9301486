#include "platform/screen_info.h"

#include <QGuiApplication>
#include <QScreen>

namespace lumora::platform {
namespace {

class TQtScreenInfo : public TScreenInfo {
 public:
  int Depth() const override {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->depth() : 24;
  }
  QList<QRect> AvailableAreas() const override {
    QList<QRect> areas;
    if (const QScreen* primary = QGuiApplication::primaryScreen()) areas << primary->availableGeometry();
    for (const QScreen* screen : QGuiApplication::screens())
      if (screen != QGuiApplication::primaryScreen()) areas << screen->availableGeometry();
    return areas;
  }
};

std::shared_ptr<TScreenInfo>& Current() {
  static std::shared_ptr<TScreenInfo> info;
  return info;
}

}  // namespace

const TScreenInfo& ScreenInfo() {
  auto& info = Current();
  if (!info) info = std::make_shared<TQtScreenInfo>();
  return *info;
}

void SetScreenInfo(std::shared_ptr<TScreenInfo> info) { Current() = std::move(info); }

}  // namespace lumora::platform
