#pragma once
// Asking the user for a colour, behind a seam so tests answer instead of a dialog.
#include <QColor>

#include <functional>
#include <optional>

class QWidget;

namespace lumora::platform {

// The chosen colour, or nothing when the user cancelled.
using TColorAsker = std::function<std::optional<QColor>(const QColor& initial, QWidget* parent)>;

std::optional<QColor> AskColor(const QColor& initial, QWidget* parent);
void SetColorAsker(TColorAsker asker);  // empty: the colour dialog

}  // namespace lumora::platform
