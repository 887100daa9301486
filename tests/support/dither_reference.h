#pragma once
// The error diffusion written out literally, one pixel at a time: the dither tests prove
// the library's stores equal it, and the colour benchmark measures against it.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "imaging/core/pixel_graphic.h"

namespace lumora::reference {

class ReferenceDither {
 public:
  explicit ReferenceDither(TPixelGraphic& image) : image_(image) {
    int limit = image.DitherErrorLimit;
    bool soft = image.DitherErrorLimitSoft;
    if (image.DitherErrorLimitAuto) {
      soft = true;
      switch (image.PaletteIdent()) {
        case pBlackWhite: limit = 255; break;
        case pSysGray4: case pSys16: case pGray4: limit = 128; break;
        case pGray236: limit = 3; break;
        case pGray256: limit = 2; break;
        case pSpecial125: case pSpecial252: limit = 104; break;
        case pSpecial216: limit = 86; break;
        case pOptimized252Sys16: case pSource: limit = 0; break;
        default: limit = 32;
      }
    }
    for (int i = 0; i <= 255; ++i) {
      int t = i;
      if (limit != 255 && i >= limit) t = limit;
      if (soft && i >= limit / 2 && i <= 3 * limit / 2 && i < 255) t = i / 2 + limit / 4;
      table_[255 + i] = t;
      table_[255 - i] = -t;
    }
    gray_ = image.BitCountNum() != 3;
    for (TColor c : image.PaletteColors())
      if (GetRValue(c) != GetGValue(c) || GetGValue(c) != GetBValue(c)) gray_ = false;
    current_.assign(image.Width() + 2, {0, 0, 0});
    next_ = current_;
  }

  void NextRow() {
    current_ = next_;
    std::fill(next_.begin(), next_.end(), std::array<int, 3>{0, 0, 0});
  }

  void Store(int x, int y, int r, int g, int b) {
    auto e = [&](int v) { return static_cast<int>(v >= 0 ? std::floor(v / 16.0 + 0.5) : -std::floor(-v / 16.0 + 0.5)); };
    auto clamp = [](int v) { return std::clamp(v, 0, 255); };
    auto T = [&](int i) { return table_[255 + i]; };
    const int d = y % 2 == 0 ? 1 : -1;
    const std::array<int, 3>& cell = current_[x + 1];
    auto spread = [&](int ch, int delta) {
      current_[x + 1 + d][ch] += 7 * delta;
      next_[x + 1 + d][ch] += 1 * delta;
      next_[x + 1][ch] += 5 * delta;
      next_[x + 1 - d][ch] += 3 * delta;
    };
    auto entry = [&](std::uint32_t k) {
      if (image_.PaletteIdent() == pTrueColor) return TColor(k);
      return k < std::uint32_t(image_.PaletteCount()) ? image_.PaletteColor(int(k)) : image_.PaletteColor(0);
    };
    if (!gray_) {
      const int r2 = clamp(r + T(e(cell[0]))), g2 = clamp(g + T(e(cell[1]))), b2 = clamp(b + T(e(cell[2])));
      const std::uint32_t k = image_.ColorToIndex(RGBColor(r2, g2, b2));
      image_.SetPixel(x, y, k);
      const TColor p = entry(k);
      spread(0, r2 - GetRValue(p));
      spread(1, g2 - GetGValue(p));
      spread(2, b2 - GetBValue(p));
    } else {
      const int lum = image_.RGBWeighting() ? (897 * r + 1761 * g + 342 * b) / 1000 : r + g + b;
      const int v = clamp(lum / 3 + T(e(cell[1])));
      const std::uint32_t k = image_.ColorToIndex(RGBColor(v, v, v));
      image_.SetPixel(x, y, k);
      spread(1, v - GetGValue(entry(k)));
    }
  }

 private:
  TPixelGraphic& image_;
  std::array<int, 511> table_{};
  bool gray_;
  std::vector<std::array<int, 3>> current_, next_;
};

}  // namespace lumora::reference
