#include "platform/color_dialog.h"

#include <QColorDialog>

namespace lumora::platform {
namespace {

TColorAsker& Asker() {
  static TColorAsker asker;
  return asker;
}

}  // namespace

std::optional<QColor> AskColor(const QColor& initial, QWidget* parent) {
  if (Asker()) return Asker()(initial, parent);
  const QColor chosen = QColorDialog::getColor(initial, parent);
  if (!chosen.isValid()) return std::nullopt;
  return chosen;
}

void SetColorAsker(TColorAsker asker) { Asker() = std::move(asker); }

}  // namespace lumora::platform
