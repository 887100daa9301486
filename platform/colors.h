#pragma once
// Colours as stored in the settings: decimal 0x00BBGGRR values, or negative system
// colours (0xFF0000nn, nn the index of a system colour such as 15 for button faces).
#include <QColor>
#include <optional>

class QPalette;

namespace lumora::platform {

// The colour a stored value stands for; nothing for -1 ("keep the design colour") and
// for values that name no colour.
std::optional<QColor> ColorFromSetting(qint64 value, const QPalette& palette);
// 0x00BBGGRR of an opaque colour.
qint64 ColorToSetting(const QColor& color);

}  // namespace lumora::platform
