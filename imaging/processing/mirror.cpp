// Mirroring in place by swapping raw pixel values.
#include <algorithm>
#include <vector>

#include "imaging/core/pixel_graphic.h"
#include "imaging/processing/pixel_rows.h"

namespace lumora {
namespace {

template <int kFormat>
void SwapPixels(std::uint8_t* rowA, int xa, std::uint8_t* rowB, int xb) {
  const std::uint32_t a = pixel_rows::GetIndex<kFormat>(rowA, xa);
  pixel_rows::SetIndex<kFormat>(rowA, xa, pixel_rows::GetIndex<kFormat>(rowB, xb));
  pixel_rows::SetIndex<kFormat>(rowB, xb, a);
}

template <int kFormat>
void ReverseRow(std::uint8_t* row, int width) {
  if constexpr (kFormat == 3) {
    for (int i = 0, j = width - 1; i < j; ++i, --j) std::swap_ranges(row + 3 * i, row + 3 * i + 3, row + 3 * j);
  } else if constexpr (kFormat == 2) {
    std::reverse(row, row + width);
  } else {
    for (int i = 0, j = width - 1; i < j; ++i, --j) SwapPixels<kFormat>(row, i, row, j);
  }
}

// Swaps columns x of two rows (for putting back columns after an abort).
void SwapColumn(int bitCountNum, std::uint8_t* rowA, std::uint8_t* rowB, int x) {
  switch (bitCountNum) {
    case 0: SwapPixels<0>(rowA, x, rowB, x); break;
    case 1: SwapPixels<1>(rowA, x, rowB, x); break;
    case 2: std::swap(rowA[x], rowB[x]); break;
    default: std::swap_ranges(rowA + 3 * x, rowA + 3 * x + 3, rowB + 3 * x);
  }
}

}  // namespace

void TPixelGraphic::MirrorHorizontal() {
  if (width_ < 1 || height_ < 1 || GetEmpty()) return;
  FlushPendingDrawing();
  TUpdateScope update(*this);
  TProgressScope progress(*this);
  void (*reverse)(std::uint8_t*, int) = bitCountNum_ == 0   ? ReverseRow<0>
                                        : bitCountNum_ == 1 ? ReverseRow<1>
                                        : bitCountNum_ == 2 ? ReverseRow<2>
                                                            : ReverseRow<3>;
  for (int y = 0; y < height_; ++y) {
    reverse(ScanLine(y), width_);
    if (progress.Step(y, height_ - 1)) return;
  }
}

// Whole rows are swapped at once; the events still come per column, and an abort puts
// the columns after the aborting one back, as a column-by-column loop would leave them.
void TPixelGraphic::MirrorVertical() {
  if (width_ < 1 || height_ < 1 || GetEmpty()) return;
  FlushPendingDrawing();
  TUpdateScope update(*this);
  TProgressScope progress(*this);
  const size_t rowBytes = (size_t(BitCount()) * size_t(width_) + 7) / 8;  // row padding stays
  for (int j = 0, k = height_ - 1; j < k; ++j, --k) std::swap_ranges(ScanLine(j), ScanLine(j) + rowBytes, ScanLine(k));
  for (int x = 0; x < width_; ++x) {
    if (!progress.Step(x, width_ - 1)) continue;
    for (int j = 0, k = height_ - 1; j < k; ++j, --k)
      for (int c = x + 1; c < width_; ++c) SwapColumn(bitCountNum_, ScanLine(j), ScanLine(k), c);
    return;
  }
}

}  // namespace lumora
