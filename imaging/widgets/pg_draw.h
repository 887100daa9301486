#pragma once
// Drawing a pixel image with QPainter from a QImage view of its own memory, and
// printing it. 1-, 8- and 24-bit images are drawn without converting their pixels
// (Format_Mono, Format_Indexed8 with the colour table, Format_BGR888); the block is
// bottom-up, so the view is drawn with a vertical flip. 4-bit images go through an
// 8-bit copy of the same layout.
#include <QImage>
#include <QRectF>
#include <QString>

#include "imaging/core/pixel_graphic.h"

class QPainter;
class QPrinter;
class QWidget;

namespace lumora {

// The image's rows as a QImage, stored row 0 = bottom row (as the block). Shares the
// block for 1, 8 and 24 bits (valid while the image keeps its size and pixels); an
// owning 8-bit copy for 4 bits. Null for an empty image.
QImage PixelBlockView(const TPixelGraphic& image);

// The image's colour table as Qt colours (entries beyond the palette repeat entry 0).
QList<QRgb> QtColorTable(const TPixelGraphic& image);

// A top-down RGB32 copy (for the clipboard and tests).
QImage ToQImage(const TPixelGraphic& image);

// Draws the part `source` (image pixels, top-down) of a bottom-up view into `target`,
// mirrored as asked. Nearest-pixel stretching, like the platform's colour-on-colour mode.
void DrawBlockView(QPainter& painter, const QRectF& target, const QImage& view, const QRectF& source,
                   bool mirrorHorizontal = false, bool mirrorVertical = false);

// Draw(Canvas, Rect): the whole image stretched into `rect`. Nothing for an empty image.
// Pending canvas drawing is flushed first.
void DrawPixelGraphic(QPainter& painter, const QRectF& rect, const TPixelGraphic& image);

// Prints the image centred on the page with its proportions (optionally asking with the
// print dialog first and turning the page to the picture's orientation); the printer's
// orientation is restored afterwards. False when nothing was printed.
bool PrintPixelGraphic(const TPixelGraphic& image, QPrinter& printer, bool showDialog, bool autoOrient,
                       QWidget* owner, const QString& applicationTitle);

}  // namespace lumora
