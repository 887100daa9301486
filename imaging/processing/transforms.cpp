// Geometric transforms, first cut: same-size copies only. The resampling modes,
// rotation and mirroring arrive with their own work.
#include "imaging/core/pixel_graphic.h"

namespace lumora {

void TPixelGraphic::StretchFrom(const TPixelGraphic& source) {
  StretchCopy(0, 0, width_, height_, source, 0, 0, source.Width(), source.Height());
}

void TPixelGraphic::StretchCopy(int dx, int dy, int dw, int dh, const TPixelGraphic& source, int sx, int sy, int sw,
                                int sh) {
  if (dw == sw && dh == sh) CopyRectFrom(dx, dy, source, sx, sy, sw, sh);
}

void TPixelGraphic::CopyRectFrom(int dx, int dy, const TPixelGraphic& source, int sx, int sy, int w, int h) {
  const bool dithered = Dither && bitCountNum_ != 3;
  if (dithered) BeginDither();
  for (int y = 0; y < h; ++y) {
    if (dithered) NextDitherRow();
    for (int x = 0; x < w; ++x) {
      if (!source.InImage(sx + x, sy + y) || !InImage(dx + x, dy + y)) continue;
      const TColor c = source.GetRGBPixel(sx + x, sy + y);
      if (dithered) SetRGBPixelDithered(dx + x, dy + y, GetRValue(c), GetGValue(c), GetBValue(c));
      else SetRGBPixel(dx + x, dy + y, c);
    }
  }
  if (dithered) EndDither();
  Changed();
}

void TPixelGraphic::RotateFrom(const TPixelGraphic&, double, bool) {}
void TPixelGraphic::MirrorHorizontal() {}
void TPixelGraphic::MirrorVertical() {}

}  // namespace lumora
