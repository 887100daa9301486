#pragma once
// The arithmetic and texts of showing a file in the preview pane, as plain functions:
// the type of a path, the status texts, the fit to the pane with its 8-pixel margin,
// the shrinking of oversized videos, and the Next/Previous positions of the list.
#include <QSize>
#include <QString>

#include <optional>

namespace lumora::browser {

// The margin a picture keeps from the pane's right and bottom edges; it is drawn at (4, 4).
inline constexpr int kPaneMargin = 8;
inline constexpr int kPaneInset = 4;
// Width or height of a video that is too large for the pane.
inline constexpr int kShrunkVideoSide = 145;

// The upper-cased first three characters after the last "." of the file name; empty
// when the name has no dot ("photo.jpeg" is "JPE").
QString ShownTypeOf(const QString& path);

// Which control shows a type: the video player, the animated GIF display, the picture
// control (icons, metafiles) or the image viewer for every other type.
enum class TDisplayKind { Video, AnimatedGif, Picture, Viewer };
TDisplayKind DisplayKindFor(const QString& type);

// "2K" for 1500 bytes, "1K" for 0: whole kilobytes plus one.
QString FileSizeText(qint64 bytes);
// " photo.jpg" and " photo.jpg  (640 x 480)".
QString NameLabel(const QString& fileName);
QString NameAndSizeText(const QString& fileName, int width, int height);

// True when the content is shown at its own size: the pane is at least the margin wider
// and higher than the content.
bool FitsPaneWithMargin(QSize content, QSize pane);
// The size that fits `content` into `pane` less the margin with its aspect ratio kept,
// rounding halves to even. Small pictures grow, large ones shrink. Nothing for an empty
// content or pane (the control keeps its size).
std::optional<QSize> FitToPaneSize(QSize content, QSize pane);
// The size of a video frame that is too large for the pane: 145 pixels on its longer side.
QSize ShrinkOversizeAviSize(QSize frame);

// The list positions of Next and Previous: `focused` is the focused row or -1. Both
// wrap around; -1 for an empty list.
int NextRow(int count, int focused);
int PreviousRow(int count, int focused);

}  // namespace lumora::browser
