#pragma once
// Literal per-pixel versions of the geometric transforms, for proving the row-wise
// library code exact: pixel reads through GetRGBPixel/GetPixel, writes through
// SetRGBPixel or the dithered store, the resampling plan recomputed for every pixel.
// Deliberately slow and plain; shared by the tests and the benchmarks.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "imaging/core/pixel_graphic.h"

namespace lumora::reference {

inline bool SameColorResolution(const TPixelGraphic& d, const TPixelGraphic& s) {
  if (d.BitCountNum() != s.BitCountNum()) return false;
  return d.BitCountNum() == 3 || d.PaletteColors() == s.PaletteColors();
}

// Writes a computed colour as every transform does.
inline void StoreColor(TPixelGraphic& d, int x, int y, TColor c) {
  if (d.BitCountNum() != 3 && d.Dither) d.SetRGBPixelDithered(x, y, GetRValue(c), GetGValue(c), GetBValue(c));
  else d.SetRGBPixel(x, y, c);
}

struct TDitherRows {
  TPixelGraphic& d;
  bool on;
  explicit TDitherRows(TPixelGraphic& image) : d(image), on(image.BitCountNum() != 3 && image.Dither) {
    if (on) d.BeginDither();
  }
  void NextRow() {
    if (on) d.NextDitherRow();
  }
  ~TDitherRows() {
    if (on) d.EndDither();
  }
};

// Column x of a serpentine walk over first..last in row y.
inline int Serpentine(int y, int k, int first, int last) { return (y % 2 == 0) ? first + k : last - k; }

struct TPlan {
  bool usable = false;
  std::int64_t first = 0, last = 0, wFirst = 0, wLast = 0, wMiddle = 0, divisor = 1;
  bool single = true;
  std::int64_t Weight(std::int64_t i) const { return i == first ? wFirst : i == last ? wLast : wMiddle; }
};

// The plan of destination coordinate u (relative to the destination span).
inline TPlan PlanOf(TStretchMode mode, std::int64_t u, std::int64_t dw, std::int64_t sx, std::int64_t sw,
                    std::int64_t extent) {
  TPlan p;
  auto inside = [&](std::int64_t v) { return v >= 0 && v <= extent - 1; };
  if (mode == smFast || sw == dw) {
    p.first = p.last = mode == smFast ? sx + (sw * u) / dw : sx + u;
    p.wFirst = 1;
    p.divisor = 1;
    p.usable = inside(p.first);
    return p;
  }
  const bool linear = (mode == smMedium && dw < sw) || (mode == smPrecise && dw > sw);
  if (linear) {
    p.divisor = 2 * dw;
    const std::int64_t P = sw * (2 * u + 1);
    p.first = sx + (P - dw) / (2 * dw);
    p.last = sx + (P + dw) / (2 * dw);
    p.usable = inside(p.first) && inside(p.last);
    if (!p.usable && dw > sw &&
        ((p.first < 0 && p.last >= 0) || (p.first <= extent - 1 && p.last > extent - 1))) {
      p.first = std::clamp<std::int64_t>(p.first, 0, extent - 1);
      p.last = std::clamp<std::int64_t>(p.last, 0, extent - 1);
      p.usable = true;
    }
    if (dw * (2 * (p.first - sx) + 1) == P || p.first == p.last) {
      p.single = true;
      p.last = p.first;
      p.wFirst = 2 * dw;
    } else {
      p.single = false;
      p.wFirst = 2 * dw - (P - dw * (2 * (p.first - sx) + 1));
      p.wLast = 2 * dw - (dw * (2 * (p.last - sx) + 1) - P);
    }
    return p;
  }
  p.divisor = sw;
  p.first = sx + (sw * u) / dw;
  p.last = sx + (sw * (u + 1)) / dw;
  if ((sw * (u + 1)) % dw == 0) p.last -= 1;
  p.usable = inside(p.first) && inside(p.last);
  p.wMiddle = dw;
  if (p.first == p.last) {
    p.single = true;
    p.wFirst = sw;
  } else {
    p.single = false;
    p.wFirst = dw * (p.first - sx + 1) - sw * u;
    p.wLast = sw * (u + 1) - dw * (p.last - sx);
  }
  return p;
}

inline void CopyRectFrom(TPixelGraphic& d, int dx, int dy, const TPixelGraphic& s, int sx, int sy, int w, int h) {
  if (d.GetEmpty() || s.GetEmpty()) return;
  auto rowUsed = [&](int y) { return y >= 0 && y < d.Height() && y - dy + sy >= 0 && y - dy + sy < s.Height(); };
  auto colUsed = [&](int x) { return x >= 0 && x < d.Width() && x - dx + sx >= 0 && x - dx + sx < s.Width(); };
  int firstRow = -1, lastRow = -2, firstCol = -1, lastCol = -2;
  for (int y = dy; y < dy + h; ++y)
    if (rowUsed(y)) (firstRow < 0 ? firstRow : lastRow) = y, lastRow = y;
  for (int x = dx; x < dx + w; ++x)
    if (colUsed(x)) (firstCol < 0 ? firstCol : lastCol) = x, lastCol = x;
  d.BeginUpdate();
  d.ProgressStart();
  const bool raw = SameColorResolution(d, s);
  {
    TDitherRows dither(d);
    for (int y = firstRow; firstRow >= 0 && firstCol >= 0 && y <= lastRow; ++y) {
      {
        if (!raw) dither.NextRow();
        for (int k = 0; k <= lastCol - firstCol; ++k) {
          const int x = Serpentine(y, k, firstCol, lastCol);
          if (raw) d.SetPixel(x, y, s.GetPixel(x - dx + sx, y - dy + sy));
          else StoreColor(d, x, y, s.GetRGBPixel(x - dx + sx, y - dy + sy));
        }
      }
      if (d.Progress(y - firstRow, lastRow - firstRow)) break;
    }
  }
  d.ProgressEnd();
  d.EndUpdate();
}

inline void StretchCopy(TPixelGraphic& d, int dx, int dy, int dw, int dh, const TPixelGraphic& s, int sx, int sy,
                        int sw, int sh) {
  if (dw == sw && dh == sh) return CopyRectFrom(d, dx, dy, s, sx, sy, sw, sh);
  if (d.Width() < 1 || d.Height() < 1 || s.Width() < 1 || s.Height() < 1) return;
  if (dw < 1 || dh < 1 || sw < 1 || sh < 1) return;
  const int firstRow = std::max(dy, 0), lastRow = int(std::min<std::int64_t>(std::int64_t(dy) + dh - 1, d.Height() - 1));
  const int firstCol = std::max(dx, 0), lastCol = int(std::min<std::int64_t>(std::int64_t(dx) + dw - 1, d.Width() - 1));
  d.BeginUpdate();
  d.ProgressStart();
  {
    TDitherRows dither(d);
    for (int y = firstRow; y <= lastRow; ++y) {
      const TPlan v = PlanOf(d.StretchMode, y - dy, dh, sy, sh, s.Height());
      if (v.usable) {
        dither.NextRow();
        for (int k = 0; k <= lastCol - firstCol; ++k) {
          const int x = Serpentine(y, k, firstCol, lastCol);
          const TPlan hp = PlanOf(d.StretchMode, x - dx, dw, sx, sw, s.Width());
          if (!hp.usable) continue;
          std::int64_t total[3] = {0, 0, 0};
          for (std::int64_t r = v.first; r <= v.last; ++r) {
            std::int64_t rowSum[3] = {0, 0, 0};
            for (std::int64_t c = hp.first; c <= hp.last; ++c) {
              const TColor color = s.GetRGBPixel(int(c), int(r));
              rowSum[0] += hp.Weight(c) * GetRValue(color);
              rowSum[1] += hp.Weight(c) * GetGValue(color);
              rowSum[2] += hp.Weight(c) * GetBValue(color);
            }
            for (int ch = 0; ch < 3; ++ch) total[ch] += (rowSum[ch] / hp.divisor) * v.Weight(r);
          }
          StoreColor(d, x, y,
                     RGBColor(int(total[0] / v.divisor), int(total[1] / v.divisor), int(total[2] / v.divisor)));
        }
      }
      if (d.Progress(y - firstRow, lastRow - firstRow)) break;
    }
  }
  d.ProgressEnd();
  d.EndUpdate();
}

// Whole multiples of 90 degrees: the turned source centred in the destination, each
// pixel moved from its exact place.
inline void QuarterTurn(TPixelGraphic& d, const TPixelGraphic& s, int k) {
  const int w = s.Width(), h = s.Height();
  const int tw = k % 2 ? h : w, th = k % 2 ? w : h;
  const int ox = (d.Width() - tw) / 2, oy = (d.Height() - th) / 2;
  const int firstRow = std::max(0, oy), lastRow = std::min(d.Height() - 1, oy + th - 1);
  const int firstCol = std::max(0, ox), lastCol = std::min(d.Width() - 1, ox + tw - 1);
  const bool raw = SameColorResolution(d, s);
  TDitherRows dither(d);
  for (int y = firstRow; y <= lastRow && firstCol <= lastCol; ++y) {
    if (!raw) dither.NextRow();
    for (int i = 0; i <= lastCol - firstCol; ++i) {
      const int x = Serpentine(y, i, firstCol, lastCol);
      const int tx = x - ox, ty = y - oy;
      int px = tx, py = ty;
      if (k == 1) px = ty, py = h - 1 - tx;
      if (k == 2) px = w - 1 - tx, py = h - 1 - ty;
      if (k == 3) px = w - 1 - ty, py = tx;
      if (raw) d.SetPixel(x, y, s.GetPixel(px, py));
      else StoreColor(d, x, y, s.GetRGBPixel(px, py));
    }
    if (d.Progress(y - firstRow, lastRow - firstRow)) break;
  }
}

inline void RotateFrom(TPixelGraphic& d, const TPixelGraphic& s, double angle, bool fitSize) {
  const int w = s.Width(), h = s.Height();
  const double theta = angle * std::numbers::pi / 180.0;
  const double c = std::cos(theta), sn = std::sin(theta);
  const double turn = std::fmod(angle, 360.0);
  const bool quarter = std::fmod(turn, 90.0) == 0;
  const int k = quarter ? (int(turn / 90.0) % 4 + 4) % 4 : 0;
  d.BeginUpdate();
  if (fitSize) {
    if (quarter) {
      d.Allocate(k % 2 ? h : w, k % 2 ? w : h, d.BitCountNum());
    } else {
      double xs[4], ys[4];
      const int cx[4] = {0, w, 0, w}, cy[4] = {0, 0, h, h};
      for (int i = 0; i < 4; ++i) xs[i] = cx[i] * c - cy[i] * sn, ys[i] = cx[i] * sn + cy[i] * c;
      double maxX = -1e300, minX = 1e300, maxY = -1e300, minY = 1e300;
      for (int i = 0; i < 4; ++i) {
        maxX = std::max(maxX, std::ceil(xs[i])), minX = std::min(minX, std::floor(xs[i]));
        maxY = std::max(maxY, std::ceil(ys[i])), minY = std::min(minY, std::floor(ys[i]));
      }
      d.Allocate(int(maxX - minX), int(maxY - minY), d.BitCountNum());
    }
  }
  if (d.GetEmpty() || s.GetEmpty()) return d.EndUpdate();
  d.ProgressStart();
  if (quarter) {
    QuarterTurn(d, s, k);
  } else {
    const int cxD = d.Width() / 2, cyD = d.Height() / 2, cxS = w / 2, cyS = h / 2;
    double minX = 1e300, maxX = -1e300, minY = 1e300, maxY = -1e300;
    const int px[4] = {0, w, 0, w}, py[4] = {0, 0, h, h};
    for (int i = 0; i < 4; ++i) {
      const double ox = double(px[i] - cxS), oy = double(py[i] - cyS);
      const double X = ox * c - oy * sn + cxD, Y = ox * sn + oy * c + cyD;
      minX = std::min(minX, X), maxX = std::max(maxX, X), minY = std::min(minY, Y), maxY = std::max(maxY, Y);
    }
    const int firstCol = int(std::max(0.0, std::floor(minX))), lastCol = int(std::min(d.Width() - 1.0, std::ceil(maxX)));
    const int firstRow = int(std::max(0.0, std::floor(minY))), lastRow = int(std::min(d.Height() - 1.0, std::ceil(maxY)));
    auto inside = [&](double x, double y) { return x >= 0 && x < w && y >= 0 && y < h; };
    TDitherRows dither(d);
    for (int y = firstRow; y <= lastRow && firstCol <= lastCol; ++y) {
      dither.NextRow();
      for (int i = 0; i <= lastCol - firstCol; ++i) {
        const int x = Serpentine(y, i, firstCol, lastCol);
        const int dx = x - cxD, dy = y - cyD;
        const double sx = dx * c + dy * sn + cxS;
        const double sy = -dx * sn + dy * c + cyS;
        if (!d.InterpolateRotation) {
          const double rx = std::nearbyint(sx), ry = std::nearbyint(sy);
          if (inside(rx, ry)) StoreColor(d, x, y, s.GetRGBPixel(int(rx), int(ry)));
          continue;
        }
        const double x0 = std::floor(sx), x1 = std::ceil(sx), y0 = std::floor(sy), y1 = std::ceil(sy);
        const double fx = sx - x0, fy = sy - y0;
        const double a0 = x0 == x1 ? 0.5 : 1 - fx, a1 = x0 == x1 ? 0.5 : fx;
        const double b0 = y0 == y1 ? 0.5 : 1 - fy, b1 = y0 == y1 ? 0.5 : fy;
        const double weights[4] = {a0 * b0, a0 * b1, a1 * b0, a1 * b1};
        const double nx[4] = {x0, x0, x1, x1}, ny[4] = {y0, y1, y0, y1};
        const TColor current = d.GetRGBPixel(x, y);
        bool any = false;
        double sum[3] = {0, 0, 0};
        for (int n = 0; n < 4; ++n) {
          const bool in = inside(nx[n], ny[n]);
          any = any || in;
          const TColor col = in ? s.GetRGBPixel(int(nx[n]), int(ny[n])) : current;
          sum[0] += weights[n] * GetRValue(col);
          sum[1] += weights[n] * GetGValue(col);
          sum[2] += weights[n] * GetBValue(col);
        }
        if (!any) continue;
        StoreColor(d, x, y, RGBColor(int(std::nearbyint(sum[0])), int(std::nearbyint(sum[1])),
                                     int(std::nearbyint(sum[2]))));
      }
      if (d.Progress(y - firstRow, lastRow - firstRow)) break;
    }
  }
  d.ProgressEnd();
  d.EndUpdate();
}

inline void MirrorHorizontal(TPixelGraphic& d) {
  if (d.Width() < 1 || d.Height() < 1) return;
  d.BeginUpdate();
  d.ProgressStart();
  for (int y = 0; y < d.Height(); ++y) {
    for (int j = 0; j <= (d.Width() - 2) / 2; ++j) {
      const std::uint32_t a = d.GetPixel(j, y);
      d.SetPixel(j, y, d.GetPixel(d.Width() - 1 - j, y));
      d.SetPixel(d.Width() - 1 - j, y, a);
    }
    if (d.Progress(y, d.Height() - 1)) break;
  }
  d.ProgressEnd();
  d.EndUpdate();
}

inline void MirrorVertical(TPixelGraphic& d) {
  if (d.Width() < 1 || d.Height() < 1) return;
  d.BeginUpdate();
  d.ProgressStart();
  for (int x = 0; x < d.Width(); ++x) {
    for (int j = 0; j <= (d.Height() - 2) / 2; ++j) {
      const std::uint32_t a = d.GetPixel(x, j);
      d.SetPixel(x, j, d.GetPixel(x, d.Height() - 1 - j));
      d.SetPixel(x, d.Height() - 1 - j, a);
    }
    if (d.Progress(x, d.Width() - 1)) break;
  }
  d.ProgressEnd();
  d.EndUpdate();
}

}  // namespace lumora::reference
