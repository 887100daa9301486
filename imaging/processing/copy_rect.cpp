// Unscaled rectangle copy, clipped to both images. Raw values move when they mean the
// same colours on both sides (24-bit to 24-bit as byte spans, or the same indexed
// format with the same palette); otherwise colours are read and stored row by row.
#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/core/pixel_graphic.h"
#include "imaging/processing/pixel_rows.h"
#include "imaging/processing/row_store.h"

namespace lumora {
namespace {

template <int kFormat>
void CopyIndices(const std::uint8_t* from, int fromX, std::uint8_t* to, int toX, int count) {
  for (int i = 0; i < count; ++i)
    pixel_rows::SetIndex<kFormat>(to, toX + i, pixel_rows::GetIndex<kFormat>(from, fromX + i));
}

using TIndexCopy = void (*)(const std::uint8_t*, int, std::uint8_t*, int, int);

TIndexCopy IndexCopyFor(int bitCountNum) {
  switch (bitCountNum) {
    case 0: return CopyIndices<0>;
    case 1: return CopyIndices<1>;
    default: return CopyIndices<2>;
  }
}

}  // namespace

void TPixelGraphic::CopyRectFrom(int dx, int dy, const TPixelGraphic& source, int sx, int sy, int w, int h) {
  if (GetEmpty() || source.GetEmpty()) return;
  if (&source == this) {
    TPixelGraphic copy;
    copy.Assign(this);
    CopyRectFrom(dx, dy, copy, sx, sy, w, h);
    return;
  }
  FlushPendingDrawing();
  source.FlushPendingDrawing();
  // Destination span that is inside this image and whose source pixels are inside the source.
  const std::int64_t x0 = std::max<std::int64_t>({dx, 0, std::int64_t(dx) - sx});
  const std::int64_t x1 = std::min<std::int64_t>(
      {std::int64_t(dx) + w - 1, width_ - 1, std::int64_t(dx) + (source.Width() - 1) - sx});
  const std::int64_t y0 = std::max<std::int64_t>({dy, 0, std::int64_t(dy) - sy});
  const std::int64_t y1 = std::min<std::int64_t>(
      {std::int64_t(dy) + h - 1, height_ - 1, std::int64_t(dy) + (source.Height() - 1) - sy});

  TUpdateScope update(*this);
  TProgressScope progress(*this);
  if (x1 < x0 || y1 < y0) return;
  const int firstRow = int(y0), lastRow = int(y1), count = int(x1 - x0 + 1);
  const int fromX = int(x0 - dx + sx);
  auto sourceRow = [&](int y) { return source.ScanLine(int(y - dy + sy)); };

  if (pixel_rows::SameColorResolution(*this, source)) {
    const TIndexCopy copyIndices = bitCountNum_ == 3 ? nullptr : IndexCopyFor(bitCountNum_);
    for (int y = firstRow; y <= lastRow; ++y) {
      if (copyIndices) copyIndices(sourceRow(y), fromX, ScanLine(y), int(x0), count);
      else std::memcpy(ScanLine(y) + 3 * x0, sourceRow(y) + 3 * std::int64_t(fromX), 3 * size_t(count));
      if (progress.Step(y - firstRow, lastRow - firstRow)) return;
    }
    return;
  }

  const pixel_rows::TColorTableBGR table(source);
  const pixel_rows::TRowToBGR toBGR = pixel_rows::RowToBGRFor(source.BitCountNum());
  std::vector<std::uint8_t> colors(3 * size_t(count));
  TColorRowStore store(*this);
  for (int y = firstRow; y <= lastRow; ++y) {
    toBGR(sourceRow(y), fromX, count, table, colors.data());
    store.StoreRow(y, int(x0), count, colors.data(), nullptr);
    if (progress.Step(y - firstRow, lastRow - firstRow)) return;
  }
}

}  // namespace lumora
