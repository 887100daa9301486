#include "platform/colors.h"

#include <QPalette>

namespace lumora::platform {
namespace {

std::optional<QPalette::ColorRole> SystemColorRole(int index) {
  switch (index) {
    case 1: return QPalette::Dark;              // desktop
    case 4: return QPalette::Window;            // menu
    case 5: return QPalette::Base;              // window background
    case 7: return QPalette::WindowText;        // menu text
    case 8: return QPalette::Text;              // window text
    case 13: return QPalette::Highlight;
    case 14: return QPalette::HighlightedText;
    case 15: return QPalette::Button;           // button face
    case 16: return QPalette::Mid;              // button shadow
    case 17: return QPalette::PlaceholderText;  // grey text
    case 18: return QPalette::ButtonText;
    case 20: return QPalette::Light;            // button highlight
    case 21: return QPalette::Shadow;           // dark shadow
    case 23: return QPalette::ToolTipText;
    case 24: return QPalette::ToolTipBase;
    default: return std::nullopt;
  }
}

}  // namespace

std::optional<QColor> ColorFromSetting(qint64 value, const QPalette& palette) {
  if (value == -1) return std::nullopt;
  if (value >= 0 && value <= 0xFFFFFF)
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
  // Negative 32-bit values with the top byte set name a system colour by their low byte.
  if (value < 0 && value >= INT32_MIN && ((quint32(qint32(value)) & 0xFFFFFF00u) == 0xFF000000u)) {
    if (const auto role = SystemColorRole(int(value & 0xFF))) return palette.color(QPalette::Active, *role);
  }
  return std::nullopt;
}

qint64 ColorToSetting(const QColor& color) {
  return qint64(color.red()) | (qint64(color.green()) << 8) | (qint64(color.blue()) << 16);
}

}  // namespace lumora::platform
