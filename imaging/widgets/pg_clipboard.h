#pragma once
// The pixel image on the clipboard: the packed DIB as a BMP file under "image/bmp"
// (read back exactly, palette included) together with a QImage for other programs.
#include <QMimeData>

#include "imaging/core/pixel_graphic.h"

namespace lumora {

inline constexpr const char* kClipboardBmpMime = "image/bmp";

// A new mime-data object holding the image both ways (the caller owns it).
QMimeData* MakeClipboardData(const TPixelGraphic& image);
// CopyToClipboard: puts the image on the system clipboard.
void CopyToClipboard(const TPixelGraphic& image);
// Loads the image from mime data: "image/bmp" exactly, else a QImage as 24 bits.
// False when the data holds no picture; a broken DIB raises the BMP reader's error.
bool PasteFromMimeData(TPixelGraphic& image, const QMimeData& data);
bool PasteFromClipboard(TPixelGraphic& image);

}  // namespace lumora
