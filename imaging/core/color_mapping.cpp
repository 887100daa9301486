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
    case 0: {
      int i = 0;
      if ((x0 & 7) == 0) {
        // Whole bytes from a byte boundary on, eight indices at a time.
        std::uint8_t* p = row + (x0 >> 3);
        for (; i + 8 <= count; i += 8, ++p) {
          unsigned byte = 0;
          for (int k = 0; k < 8; ++k) byte = (byte << 1) | unsigned(v[i + k] == 1);
          *p = std::uint8_t(byte);
        }
      }
      // The rest byte by byte: bits outside the segment keep their value.
      while (i < count) {
        const int x = x0 + i;
        std::uint8_t byte = row[x >> 3];
        const int last = std::min(count, i + 8 - (x & 7));
        for (; i < last; ++i) {
          const std::uint8_t mask = std::uint8_t(0x80 >> ((x0 + i) & 7));
          byte = v[i] == 1 ? std::uint8_t(byte | mask) : std::uint8_t(byte & ~mask);
        }
        row[x >> 3] = byte;
      }
      break;
    }
    case 1: {
      int i = 0;
      if ((x0 & 1) == 0) {
        // Whole bytes from a byte boundary on, two indices at a time.
        std::uint8_t* p = row + (x0 >> 1);
        for (; i + 2 <= count; i += 2) *p++ = std::uint8_t(((v[i] & 0x0F) << 4) | (v[i + 1] & 0x0F));
      }
      for (; i < count; ++i) {
        const int x = x0 + i;
        std::uint8_t& b = row[x >> 1];
        if (x & 1) b = std::uint8_t((b & 0xF0) | (v[i] & 0x0F));
        else b = std::uint8_t((b & 0x0F) | ((v[i] & 0x0F) << 4));
      }
      break;
    }
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

// The limited step T[e(v)] of an accumulated error v; beyond +-4095 the step is T[+-255]
// as well, so clamping the index changes nothing.
inline int LimitedStep(const std::int16_t* steps, int v) {
  return steps[(v < -4095 ? -4095 : v > 4095 ? 4095 : v) + 4095];
}

inline int Clamp255(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

// The diffusion along one row segment. The error the next pixel reads (its cell in
// the current row) is carried in registers, so the serial chain from one pixel to the
// next does not pass through memory; the cell is still written for a later segment.
// Kernels without state run without the memo (it cannot change their answers) and only
// leave the last colour in it, as the per-pixel calls would.
template <class K, bool kGray>
void DitherSegment(K kernel, TMemo& memo, const std::int16_t* t, int* current, int* next, bool weighted, int y, int x0,
                   int count, const std::uint8_t* bgr, std::uint32_t* out) {
  const bool forward = (y & 1) == 0;
  const int step = forward ? 3 : -3;
  const int di = forward ? 1 : -1;
  int i = forward ? 0 : count - 1;
  int c = 3 * (x0 + i + 1);
  const std::uint8_t* s = bgr + 3 * i;
  std::uint32_t memoColor = memo.Color, memoIndex = memo.Index;
  bool memoValid = memo.Valid;
  auto lookup = [&](std::uint32_t color, int r, int g, int b) -> std::uint32_t {
    if constexpr (K::kStateless) {
      memoColor = color;
      return memoIndex = kernel.Index(r, g, b);
    } else {
      if (memoValid && color == memoColor) return memoIndex;
      memoIndex = kernel.Index(r, g, b);
      memoColor = color;
      memoValid = true;
      return memoIndex;
    }
  };
  if constexpr (kGray) {
    // Gray levels 0..255 only: stateless kernels answer from a table.
    std::uint32_t levelIndex[256];
    int levelGreen[256];
    const bool table = K::kStateless && count >= 256;
    if (table)
      for (int v = 0; v < 256; ++v) {
        levelIndex[v] = kernel.Index(v, v, v);
        levelGreen[v] = GetGValue(kernel.Entry(levelIndex[v]));
      }
    int carry = current[c + 1];
    for (int j = 0; j < count; ++j) {
      const int v = Clamp255(color_detail::Luminance(weighted, s[2], s[1], s[0]) / 3 + LimitedStep(t, carry));
      std::uint32_t k;
      int green;
      if (table) {
        k = levelIndex[v];
        green = levelGreen[v];
        memoColor = RGBColor(v, v, v);
        memoIndex = k;
      } else {
        k = lookup(RGBColor(v, v, v), v, v, v);
        green = GetGValue(kernel.Entry(k));
      }
      out[i] = k;
      const int delta = v - green;
      const int ahead = c + step;
      carry = current[ahead + 1] + 7 * delta;
      current[ahead + 1] = carry;
      next[ahead + 1] += delta;
      next[c + 1] += 5 * delta;
      next[c - step + 1] += 3 * delta;
      c = ahead;
      s += 3 * di;
      i += di;
    }
  } else {
    int carryR = current[c], carryG = current[c + 1], carryB = current[c + 2];
    for (int j = 0; j < count; ++j) {
      const int r = Clamp255(s[2] + LimitedStep(t, carryR));
      const int g = Clamp255(s[1] + LimitedStep(t, carryG));
      const int b = Clamp255(s[0] + LimitedStep(t, carryB));
      const std::uint32_t k = lookup(RGBColor(r, g, b), r, g, b);
      out[i] = k;
      const TColor p = kernel.Entry(k);
      const int dr = r - GetRValue(p), dg = g - GetGValue(p), db = b - GetBValue(p);
      const int ahead = c + step;
      carryR = current[ahead] + 7 * dr;
      carryG = current[ahead + 1] + 7 * dg;
      carryB = current[ahead + 2] + 7 * db;
      current[ahead] = carryR;
      current[ahead + 1] = carryG;
      current[ahead + 2] = carryB;
      next[ahead] += dr;
      next[ahead + 1] += dg;
      next[ahead + 2] += db;
      next[c] += 5 * dr;
      next[c + 1] += 5 * dg;
      next[c + 2] += 5 * db;
      next[c - step] += 3 * dr;
      next[c - step + 1] += 3 * dg;
      next[c - step + 2] += 3 * db;
      c = ahead;
      s += 3 * di;
      i += di;
    }
  }
  memo.Color = memoColor;
  memo.Index = memoIndex;
  memo.Valid = memoValid || count > 0;
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
  const std::int16_t* t = state.ErrorStepTable.data();
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
