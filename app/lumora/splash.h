#pragma once
// The start-up picture: borderless, above the other windows, centred, 596 x 147. It
// closes at the first tick of its timer, which can only run once the event loop does.
#include <QPixmap>

class QSplashScreen;

namespace lumora::app {

inline constexpr int kSplashWidth = 596;
inline constexpr int kSplashHeight = 147;
inline constexpr int kSplashMilliseconds = 2000;

QPixmap SplashPicture();
// Shows the splash at once (painted before anything else is created) and arms its
// timer; the splash deletes itself when it closes.
QSplashScreen* ShowSplash();

}  // namespace lumora::app
