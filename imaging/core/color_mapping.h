#pragma once
// Row-wise colour stores for the hot loops (copies, resampling, filters into indexed
// images). Each routine gives exactly the bytes, palette-cache contents and memo that the
// per-pixel calls it names would give, in the order stated, so a fast path may use them
// in place of the per-pixel loop.
//
// Colours come as `bgr`: three bytes per pixel, blue, green, red, leftmost pixel first
// (the layout of a 24-bit scan line, so a 24-bit source row can be passed directly).
// Columns outside the image are skipped, as the per-pixel calls ignore them; a row
// outside the image stores nothing.
#include <cstdint>
#include <vector>

#include "imaging/core/pixel_graphic.h"

namespace lumora {

// Stores pixels x0 .. x0 + count - 1 of row y: the same as SetRGBPixel(x, y, colour)
// for x = x0, x0 + 1, ... in that order (nearest palette entry, no dithering; 24-bit
// images take the colours as they are). Raises EPGNoPalette for an indexed image
// without a palette, before anything is stored.
void StoreRGBRow(TPixelGraphic& image, int y, int x0, int count, const std::uint8_t* bgr);

// Dithered store of pixels x0 .. x0 + count - 1 of row y: the same as
// SetRGBPixelDithered(x, y, R, G, B) for each of them in the row's scan order, left to
// right on even rows and right to left on odd rows. Protocol as for the per-pixel store:
//   image.BeginDither();
//   for each destination row y, top to bottom: image.NextDitherRow(); StoreRGBRowDithered(image, y, ...);
//   image.EndDither();
// Several calls for one row are allowed when each covers the columns the scan meets
// next (left part first on even rows, right part first on odd rows).
void StoreRGBRowDithered(TPixelGraphic& image, int y, int x0, int count, const std::uint8_t* bgr);

// indices[i] := image.ColorToIndex(colors[i]) for i = 0, 1, ... in that order.
void ColorsToIndices(TPixelGraphic& image, const TColor* colors, int count, std::uint32_t* indices);

// The error limit of the diffusion chosen from the palette identity (with
// DitherErrorLimitAuto, the knee is then always soft).
int DitherAutoErrorLimit(TPaletteIdent ident);
// The error limit table T for errors -255..255 (entry i + 255 holds T[i]): the identity
// up to the limit L, L beyond (unless L = 255), with a soft knee from L div 2 to
// 3L div 2 when `soft`. L = 0 switches the diffusion off.
std::vector<int> DitherErrorLimitTable(int limit, bool soft);

}  // namespace lumora
