#pragma once
// Handing addresses to the desktop (web browser, mail program), behind a seam so tests
// never start another program.
#include <QUrl>

#include <functional>

namespace lumora::platform {

using TUrlOpener = std::function<bool(const QUrl&)>;

bool OpenUrl(const QUrl& url);
void SetUrlOpener(TUrlOpener opener);  // empty: QDesktopServices

}  // namespace lumora::platform
