#include "imaging/processing/row_store.h"

#include <cstring>

namespace lumora {

TColorRowStore::TColorRowStore(TPixelGraphic& dest)
    : dest_(dest), indexed_(dest.BitCountNum() != 3), dithered_(indexed_ && dest.Dither) {
  if (dithered_) dest_.BeginDither();
}

TColorRowStore::~TColorRowStore() {
  if (dithered_) dest_.EndDither();
}

void TColorRowStore::StoreRow(int y, int x0, int count, const std::uint8_t* bgr, const std::uint8_t* mask) {
  if (indexed_) {
    StoreIndexedRow(y, x0, count, bgr, mask);
    return;
  }
  std::uint8_t* row = dest_.ScanLine(y) + 3 * std::int64_t(x0);
  if (!mask) {
    std::memcpy(row, bgr, 3 * size_t(count));
    return;
  }
  for (int i = 0; i < count; ++i) {
    if (!mask[i]) continue;
    row[3 * i] = bgr[3 * i];
    row[3 * i + 1] = bgr[3 * i + 1];
    row[3 * i + 2] = bgr[3 * i + 2];
  }
}

// The single place where computed colours meet the palette; the colour mapping may
// later offer a row-wise store with the same order and results.
void TColorRowStore::StoreIndexedRow(int y, int x0, int count, const std::uint8_t* bgr, const std::uint8_t* mask) {
  if (dithered_) dest_.NextDitherRow();
  const bool leftToRight = (y & 1) == 0;
  for (int k = 0; k < count; ++k) {
    const int i = leftToRight ? k : count - 1 - k;
    if (mask && !mask[i]) continue;
    const std::uint8_t* c = bgr + 3 * i;
    if (dithered_) dest_.SetRGBPixelDithered(x0 + i, y, c[2], c[1], c[0]);
    else dest_.SetPixel(x0 + i, y, dest_.ColorToIndex(RGBColor(c[2], c[1], c[0])));
  }
}

}  // namespace lumora
