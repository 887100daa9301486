#pragma once
// Row-level pixel access shared by the geometric transforms: packed index reads and
// writes per pixel format, colour tables as BGR bytes, and row expansion to BGR.
#include <cstdint>
#include <cstring>

#include "imaging/core/pixel_graphic.h"

namespace lumora::pixel_rows {

// Raw value of pixel x in a stored row of format kFormat (BitCountNum 0..2).
template <int kFormat>
inline std::uint32_t GetIndex(const std::uint8_t* row, int x) {
  if constexpr (kFormat == 0) return (row[x >> 3] >> (7 - (x & 7))) & 1u;
  else if constexpr (kFormat == 1) return (x & 1) ? (row[x >> 1] & 0x0Fu) : (row[x >> 1] >> 4);
  else return row[x];
}

// Stores a raw value as SetPixel does: in 1-bit rows only 1 sets the bit, in 4-bit rows
// the low nibble is kept.
template <int kFormat>
inline void SetIndex(std::uint8_t* row, int x, std::uint32_t value) {
  if constexpr (kFormat == 0) {
    const std::uint8_t mask = std::uint8_t(0x80 >> (x & 7));
    if (value == 1) row[x >> 3] |= mask;
    else row[x >> 3] &= std::uint8_t(~mask);
  } else if constexpr (kFormat == 1) {
    std::uint8_t& b = row[x >> 1];
    if (x & 1) b = std::uint8_t((b & 0xF0) | (value & 0x0F));
    else b = std::uint8_t((b & 0x0F) | ((value & 0x0F) << 4));
  } else {
    row[x] = std::uint8_t(value);
  }
}

// The image's colour table (every possible index of its format) as blue, green, red bytes,
// so indexed pixels read as the display shows them.
struct TColorTableBGR {
  std::uint8_t bgr[256][3] = {};
  explicit TColorTableBGR(const TPixelGraphic& image) {
    for (int i = 0; i < 256; ++i) {
      const TColor c = image.ColorTableEntry(i);
      bgr[i][0] = std::uint8_t(GetBValue(c));
      bgr[i][1] = std::uint8_t(GetGValue(c));
      bgr[i][2] = std::uint8_t(GetRValue(c));
    }
  }
};

// Writes `count` pixels of a stored row, starting at column x0, as BGR triplets.
using TRowToBGR = void (*)(const std::uint8_t* row, int x0, int count, const TColorTableBGR& table,
                           std::uint8_t* out);

template <int kFormat>
void RowToBGR(const std::uint8_t* row, int x0, int count, const TColorTableBGR& table, std::uint8_t* out) {
  if constexpr (kFormat == 3) {
    (void)table;
    std::memcpy(out, row + 3 * std::int64_t(x0), 3 * size_t(count));
  } else {
    for (int i = 0; i < count; ++i) {
      const std::uint8_t* c = table.bgr[GetIndex<kFormat>(row, x0 + i)];
      out[3 * i] = c[0];
      out[3 * i + 1] = c[1];
      out[3 * i + 2] = c[2];
    }
  }
}

inline TRowToBGR RowToBGRFor(int bitCountNum) {
  switch (bitCountNum) {
    case 0: return RowToBGR<0>;
    case 1: return RowToBGR<1>;
    case 2: return RowToBGR<2>;
    default: return RowToBGR<3>;
  }
}

// True when raw pixel values of `source` mean the same colours in `dest`: both 24-bit, or
// the same indexed format with the same palette entries.
inline bool SameColorResolution(const TPixelGraphic& dest, const TPixelGraphic& source) {
  if (dest.BitCountNum() != source.BitCountNum()) return false;
  return dest.BitCountNum() == 3 || dest.PaletteColors() == source.PaletteColors();
}

}  // namespace lumora::pixel_rows
