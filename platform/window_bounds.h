#pragma once
// Keeps a restored window usable: inside a screen, no larger than it, not tiny.
#include <QList>
#include <QRect>
#include <QSize>

namespace lumora::platform {

inline constexpr QSize kMinimumWindowSize{200, 150};

// `wanted` moved and shrunk so that it lies wholly inside one of `screens` (their
// available areas): the screen it overlaps most, else the first. With no screens the
// rectangle comes back with only the minimum size applied.
QRect ClampWindowBounds(const QRect& wanted, const QList<QRect>& screens, QSize minimum = kMinimumWindowSize);

}  // namespace lumora::platform
