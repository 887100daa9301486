// BMP encoding: always an uncompressed bottom-up DIB with a 40-byte header, the
// colour table and the pixel block exactly as stored.
#include <algorithm>

#include "imaging/codecs/bmp_format.h"
#include "imaging/core/pixel_graphic.h"
#include "imaging/core/stream.h"

namespace lumora {

int bmp::WrittenColorTableEntries(const TPixelGraphic& image) {
  if (image.BitCountNum() == 3) return image.PaletteCount();
  // An indexed picture without a palette still needs its table, or every reader would
  // take the first pixel bytes for it.
  const int formatSize = image.FormatPaletteSize();
  return image.PaletteCount() == 0 ? formatSize : std::min(image.PaletteCount(), formatSize);
}

void TPixelGraphic::WriteDIB(TStream& stream) const {
  FlushPendingDrawing();
  const int entries = bmp::WrittenColorTableEntries(*this);
  std::uint8_t h[bmp::kInfoHeaderSize] = {};
  PutLE32(h, bmp::kInfoHeaderSize);
  PutLE32(h + 4, static_cast<std::uint32_t>(width_));
  PutLE32(h + 8, static_cast<std::uint32_t>(height_));
  PutLE16(h + 12, 1);
  PutLE16(h + 14, static_cast<std::uint32_t>(BitCount()));
  PutLE32(h + 16, bmp::kCompressionRGB);
  PutLE32(h + 20, static_cast<std::uint32_t>(imageSize_));
  PutLE32(h + 32, static_cast<std::uint32_t>(entries));
  stream.Write(h, sizeof h);

  std::vector<std::uint8_t> table(static_cast<size_t>(entries) * 4, 0);
  for (int i = 0; i < entries && i < PaletteCount(); ++i) {
    const TColor c = palette_[static_cast<size_t>(i)];
    table[4 * i] = std::uint8_t(GetBValue(c));
    table[4 * i + 1] = std::uint8_t(GetGValue(c));
    table[4 * i + 2] = std::uint8_t(GetRValue(c));
  }
  if (!table.empty()) stream.Write(table.data(), table.size());
  if (pixels_) stream.Write(pixels_.get(), static_cast<size_t>(imageSize_));
}

}  // namespace lumora
