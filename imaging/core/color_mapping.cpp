// Row-wise colour stores: the palette rule is picked once per row and inlined, indices
// are gathered in a row buffer and packed into the scan line at the end. Neither the
// mapping nor the diffusion reads pixels back, so deferring the stores changes nothing.
#include "imaging/core/color_mapping.h"

#include <algorithm>
#include <cstring>

#include "imaging/core/color_index_kernels.h"

namespace lumora {

using color_detail::TMemo;

namespace {

// Clips the segment to the image; false when nothing of it is inside.
bool ClipSegment(const TPixelGraphic& image, int y, int& x0, int& count, const std::uint8_t*& bgr) {
  if (image.GetEmpty() || y < 0 || y >= image.Height() || count <= 0) return false;
  if (x0 < 0) {
    const int skip = std::min(count, -x0);
    bgr += 3 * static_cast<size_t>(skip);
    count -= skip;
    x0 += skip;
  }
  count = std::min(count, image.Width() - x0);
  return count > 0;
}

// Writes indices (colours for 24 bits) into row y as SetPixel would.
void PackRow(TPixelGraphic& image, int y, int x0, int count, const std::uint32_t* v) {
  std::uint8_t* row = image.ScanLine(y);
  switch (image.BitCountNum()) {
    case 0:
      for (int i = 0; i < count; ++i) {
        const int x = x0 + i;
        const std::uint8_t mask = std::uint8_t(0x80 >> (x & 7));
        if (v[i] == 1) row[x >> 3] |= mask;
        else row[x >> 3] &= std::uint8_t(~mask);
      }
      break;
    case 1:
      for (int i = 0; i < count; ++i) {
        const int x = x0 + i;
        std::uint8_t& b = row[x >> 1];
        if (x & 1) b = std::uint8_t((b & 0xF0) | (v[i] & 0x0F));
        else b = std::uint8_t((b & 0x0F) | ((v[i] & 0x0F) << 4));
      }
      break;
    case 2:
      for (int i = 0; i < count; ++i) row[x0 + i] = std::uint8_t(v[i]);
      break;
    default:
      for (int i = 0; i < count; ++i) {
        std::uint8_t* p = row + 3 * (x0 + i);
        p[0] = std::uint8_t(GetBValue(v[i]));
        p[1] = std::uint8_t(GetGValue(v[i]));
        p[2] = std::uint8_t(GetRValue(v[i]));
      }
  }
}

template <class K>
void MapSegment(K kernel, TMemo& memo, int count, const std::uint8_t* bgr, std::uint32_t* out) {
  for (int i = 0; i < count; ++i, bgr += 3) {
    const int r = bgr[2], g = bgr[1], b = bgr[0];
    out[i] = memo.Lookup(kernel, RGBColor(r, g, b), r, g, b);
  }
}

inline int ErrorStep(int v) {
  const int e = v >= 0 ? (v + 8) >> 4 : -((8 - v) >> 4);
  return e < -255 ? -255 : e > 255 ? 255 : e;
}

inline int Clamp255(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

// Spreads delta of one channel from cell c (an index into the error rows, already
// offset by the channel) along direction step (3 or -3 cells of three channels).
inline void Spread(int* current, int* next, int c, int step, int delta) {
  current[c + step] += 7 * delta;
  next[c + step] += delta;
  next[c] += 5 * delta;
  next[c - step] += 3 * delta;
}

template <class K, bool kGray>
void DitherSegment(K kernel, TMemo& memo, const int* t, int* current, int* next, bool weighted, int y, int x0,
                   int count, const std::uint8_t* bgr, std::uint32_t* out) {
  const bool forward = (y & 1) == 0;
  const int step = forward ? 3 : -3;
  for (int j = 0; j < count; ++j) {
    const int i = forward ? j : count - 1 - j;
    const std::uint8_t* s = bgr + 3 * i;
    const int c = 3 * (x0 + i + 1);
    if constexpr (!kGray) {
      const int r = Clamp255(s[2] + t[ErrorStep(current[c])]);
      const int g = Clamp255(s[1] + t[ErrorStep(current[c + 1])]);
      const int b = Clamp255(s[0] + t[ErrorStep(current[c + 2])]);
      const std::uint32_t k = memo.Lookup(kernel, RGBColor(r, g, b), r, g, b);
      out[i] = k;
      const TColor p = kernel.Entry(k);
      Spread(current, next, c, step, r - GetRValue(p));
      Spread(current, next, c + 1, step, g - GetGValue(p));
      Spread(current, next, c + 2, step, b - GetBValue(p));
    } else {
      const int v = Clamp255(color_detail::Luminance(weighted, s[2], s[1], s[0]) / 3 + t[ErrorStep(current[c + 1])]);
      const std::uint32_t k = memo.Lookup(kernel, RGBColor(v, v, v), v, v, v);
      out[i] = k;
      Spread(current, next, c + 1, step, v - GetGValue(kernel.Entry(k)));
    }
  }
}

// A row buffer per thread, grown as needed.
std::uint32_t* RowBuffer(int count) {
  thread_local std::vector<std::uint32_t> buffer;
  if (buffer.size() < static_cast<size_t>(count)) buffer.resize(static_cast<size_t>(count));
  return buffer.data();
}

}  // namespace

void StoreRGBRow(TPixelGraphic& image, int y, int x0, int count, const std::uint8_t* bgr) {
  if (!ClipSegment(image, y, x0, count, bgr)) return;
  image.FlushPendingDrawing();
  if (image.BitCountNum() == 3) {
    std::memcpy(image.ScanLine(y) + 3 * static_cast<size_t>(x0), bgr, 3 * static_cast<size_t>(count));
    return;
  }
  TColorResolutionState& state = image.ColorResolutionState();
  std::uint32_t* indices = RowBuffer(count);
  TMemo memo(state);
  color_detail::WithColorKernel(image, [&](auto kernel) { MapSegment(kernel, memo, count, bgr, indices); });
  memo.Store(state);
  PackRow(image, y, x0, count, indices);
}

void StoreRGBRowDithered(TPixelGraphic& image, int y, int x0, int count, const std::uint8_t* bgr) {
  if (!ClipSegment(image, y, x0, count, bgr)) return;
  image.FlushPendingDrawing();
  TColorResolutionState& state = image.ColorResolutionState();
  if (!state.DitherActive(image.Width())) image.BeginDither();
  std::uint32_t* indices = RowBuffer(count);
  TMemo memo(state);
  const int* t = state.LimitTable();
  int* current = state.CurrentErrors();
  int* next = state.NextErrors();
  const bool weighted = image.RGBWeighting();
  const bool gray = image.IsGrayPalette();
  color_detail::WithColorKernel(image, [&](auto kernel) {
    if (gray) DitherSegment<decltype(kernel), true>(kernel, memo, t, current, next, weighted, y, x0, count, bgr, indices);
    else DitherSegment<decltype(kernel), false>(kernel, memo, t, current, next, weighted, y, x0, count, bgr, indices);
  });
  memo.Store(state);
  PackRow(image, y, x0, count, indices);
}

void ColorsToIndices(TPixelGraphic& image, const TColor* colors, int count, std::uint32_t* indices) {
  if (count <= 0) return;
  if (image.PaletteIdent() == pTrueColor) {
    // ColorToIndex hands a colour back unchanged; only the memo has to follow.
    std::copy(colors, colors + count, indices);
    TColorResolutionState& state = image.ColorResolutionState();
    state.LastColor = state.LastIndex = colors[count - 1];
    state.MemoInvalid = false;
    return;
  }
  TColorResolutionState& state = image.ColorResolutionState();
  TMemo memo(state);
  color_detail::WithColorKernel(image, [&](auto kernel) {
    for (int i = 0; i < count; ++i) {
      const TColor c = colors[i];
      indices[i] = memo.Lookup(kernel, c, GetRValue(c), GetGValue(c), GetBValue(c));
    }
  });
  memo.Store(state);
}

}  // namespace lumora
