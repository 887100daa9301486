#pragma once
// Whether an image is an 8-bit picture with the 256-gray palette (entry i = (i, i, i)),
// the one indexed format that JPEG and PNG store as plain gray samples.
#include "imaging/core/pixel_graphic.h"

namespace lumora {

inline bool HasGray256Palette(const TPixelGraphic& image) {
  if (image.BitCountNum() != 2) return false;
  if (image.PaletteIdent() == pGray256) return true;
  const auto& palette = image.PaletteColors();
  if (palette.size() != 256) return false;
  for (int i = 0; i < 256; ++i)
    if (palette[i] != RGBColor(i, i, i)) return false;
  return true;
}

}  // namespace lumora
