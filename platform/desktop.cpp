#include "platform/desktop.h"

#include <QDesktopServices>

namespace lumora::platform {
namespace {
TUrlOpener& Opener() {
  static TUrlOpener opener;
  return opener;
}
}  // namespace

bool OpenUrl(const QUrl& url) {
  if (Opener()) return Opener()(url);
  return QDesktopServices::openUrl(url);
}

void SetUrlOpener(TUrlOpener opener) { Opener() = std::move(opener); }

}  // namespace lumora::platform
