#include "imaging/widgets/screen_info.h"

#include <QGuiApplication>
#include <QScreen>
#include <atomic>

namespace lumora {
namespace {
std::atomic<int> g_testDepth{0};
}

int ScreenDepth() {
  if (const int d = g_testDepth.load()) return d;
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->depth() : 24;
}

void SetScreenDepthForTest(int depth) { g_testDepth = depth; }

}  // namespace lumora
