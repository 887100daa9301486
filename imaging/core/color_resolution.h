#pragma once
// Palette generation for colour reduction.
#include "imaging/core/pixel_graphic.h"

namespace lumora {

// Gives `target` an optimised palette of at most `count` colours for the colours of
// `source` (median cut for 24-bit sources, octree for indexed ones), followed by the 16
// system colours when `withSystemColors`. Only the palette is set; pixels are converted
// afterwards by a copy.
void OptimizePalette(TPixelGraphic& target, const TPixelGraphic& source, int count, bool withSystemColors);

}  // namespace lumora
