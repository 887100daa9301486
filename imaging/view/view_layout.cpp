#include "imaging/view/view_layout.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace lumora {
namespace {

// Trunc(a * b / c) for non-negative sizes, exact in 64 bits.
int MulDivTrunc(std::int64_t a, std::int64_t b, std::int64_t c) {
  if (c == 0) return 0;
  return static_cast<int>(a * b / c);
}

int RoundToInt(double v) {
  if (!(v > -2147483648.0 && v < 2147483647.0)) return v > 0 ? 2147483647 : 0;
  return static_cast<int>(std::nearbyint(v));
}

}  // namespace

TBoxSize FitBox(int iw, int ih, int aw, int ah) {
  TBoxSize r;
  // IR <= AR, compared exactly: iw / ih <= aw / ah.
  if (std::int64_t(iw) * ah <= std::int64_t(aw) * ih) {
    r.Height = ah;
    r.Width = MulDivTrunc(ah, iw, ih);
    r.Scale = double(r.Height) / ih;
  } else {
    r.Width = aw;
    r.Height = MulDivTrunc(aw, ih, iw);
    r.Scale = double(r.Width) / iw;
  }
  return r;
}

TBoxSize CoverBox(int iw, int ih, int aw, int ah, TScrollBarExtent bars) {
  TBoxSize r = FitBox(iw, ih, aw, ah);
  if (r.Width >= aw - bars.VerticalWidth && r.Height >= ah - bars.HorizontalHeight) return r;
  if (std::int64_t(iw) * ah < std::int64_t(aw) * ih) {  // IR < AR
    r.Width = std::max(aw - bars.VerticalWidth, 0);
    r.Height = MulDivTrunc(r.Width, ih, iw);
    r.Scale = double(r.Width) / iw;
  } else {
    r.Height = std::max(ah - bars.HorizontalHeight, 0);
    r.Width = MulDivTrunc(r.Height, iw, ih);
    r.Scale = double(r.Height) / ih;
  }
  return r;
}

TBoxSize ComputeBoxSize(TStretch stretch, int iw, int ih, int aw, int ah, double zoomFactor, TScrollBarExtent bars) {
  TBoxSize own{iw, ih, 1.0};
  if (iw <= 0 || ih <= 0 || aw <= 0 || ah <= 0) return own;
  const bool fitsInside = iw <= aw && ih <= ah;
  const bool smallerBoth = iw < aw && ih < ah;
  auto shrinkLongerEdge = [&]() {
    const bool ownSize = (aw >= iw || ah - bars.HorizontalHeight >= ih) && (aw - bars.VerticalWidth >= iw || ah >= ih);
    return ownSize ? own : CoverBox(iw, ih, aw, ah, bars);
  };
  switch (stretch) {
    case sNeverKAR:
      return own;
    case sAlways:
      return {aw, ah, -1.0};
    case sShrink: {
      TBoxSize r = own;
      if (aw < iw) r.Width = aw;
      if (ah < ih) r.Height = ah;
      if (r.Width != iw || r.Height != ih) r.Scale = -1.0;
      return r;
    }
    case sEnlarge: {
      const int ah2 = aw < iw ? ah - bars.HorizontalHeight : ah;
      const int aw2 = ah < ih ? aw - bars.VerticalWidth : aw;
      TBoxSize r = own;
      if (iw < aw2) r.Width = aw2;
      if (ih < ah2) r.Height = ah2;
      if (r.Width != iw || r.Height != ih) r.Scale = -1.0;
      return r;
    }
    case sAlwaysKAR:
      return FitBox(iw, ih, aw, ah);
    case sShrinkKAR:
      return fitsInside ? own : FitBox(iw, ih, aw, ah);
    case sEnlargeKAR:
      return smallerBoth ? FitBox(iw, ih, aw, ah) : own;
    case sAlwaysLongerEdgeKAR:
      return CoverBox(iw, ih, aw, ah, bars);
    case sShrinkLongerEdgeKAR:
      return shrinkLongerEdge();
    case sEnlargeShrinkLongerEdgeKAR:
      return smallerBoth ? FitBox(iw, ih, aw, ah) : shrinkLongerEdge();
    case sEnlargeLongerEdgeKAR:
      return (iw < aw || ih < ah) ? CoverBox(iw, ih, aw, ah, bars) : own;
    case sZoomKAR: {
      const double z = zoomFactor > 0 ? zoomFactor : 1.0;
      return {RoundToInt(iw * z), RoundToInt(ih * z), z};
    }
  }
  return own;
}

TScrollBars CountScrollBars(int aw, int ah, int cw, int ch, TScrollBarExtent bars) {
  TScrollBars r;
  r.ClientWidth = aw;
  r.ClientHeight = ah;
  for (int pass = 0; pass < 2; ++pass) {
    if (!r.Horizontal && r.ClientWidth < cw) {
      r.Horizontal = true;
      r.ClientHeight -= bars.HorizontalHeight;
    }
    if (!r.Vertical && r.ClientHeight < ch) {
      r.Vertical = true;
      r.ClientWidth -= bars.VerticalWidth;
    }
  }
  return r;
}

TArrangeResult ComputeArrange(TStretch stretch, bool center, int iw, int ih, int aw, int ah, double zoomFactor,
                              TScrollBarExtent bars) {
  TArrangeResult r;
  r.Box = ComputeBoxSize(stretch, iw, ih, aw, ah, zoomFactor, bars);
  r.Bars = CountScrollBars(aw, ah, r.Box.Width, r.Box.Height, bars);
  if (center) {
    if (r.Box.Height < r.Bars.ClientHeight) r.Top = (r.Bars.ClientHeight - r.Box.Height) / 2;
    if (r.Box.Width < r.Bars.ClientWidth) r.Left = (r.Bars.ClientWidth - r.Box.Width) / 2;
    if (r.Bars.Horizontal) r.ScrollX = (r.Box.Width - r.Bars.ClientWidth) / 2;
    if (r.Bars.Vertical) r.ScrollY = (r.Box.Height - r.Bars.ClientHeight) / 2;
  }
  return r;
}

TSize2 ComputeAutoSize(int iw, int ih, int border, const TAutoSizeBounds& b, TScrollBarExtent bars) {
  std::int64_t w = std::int64_t(iw) + 2 * border;
  std::int64_t h = std::int64_t(ih) + 2 * border;
  bool hCounted = false, vCounted = false;
  for (int pass = 0; pass < 2; ++pass) {
    if (b.MaxWidth < w && !hCounted) {
      hCounted = true;
      h += bars.HorizontalHeight;
    }
    if (b.MaxHeight < h && !vCounted) {
      vCounted = true;
      w += bars.VerticalWidth;
    }
  }
  w = std::max<std::int64_t>(std::min<std::int64_t>(w, b.MaxWidth), b.MinWidth);
  h = std::max<std::int64_t>(std::min<std::int64_t>(h, b.MaxHeight), b.MinHeight);
  return {static_cast<int>(w), static_cast<int>(h)};
}

TTileRange ComputeTileRange(TTiling tiling, const TViewRect& box, int clientWidth, int clientHeight) {
  TTileRange r;
  const int bw = box.Width(), bh = box.Height();
  if (tiling == tNone || bw <= 0 || bh <= 0) return r;
  if (box.Top > 0) r.FirstRow = (1 - box.Bottom) / bh;
  if (box.Bottom < clientHeight) r.LastRow = (clientHeight - box.Top - 1) / bh;
  if (box.Left > 0) r.FirstColumn = (1 - box.Right) / bw;
  if (box.Right < clientWidth) r.LastColumn = (clientWidth - box.Left - 1) / bw;
  return r;
}

bool TileMirroredHorizontally(TTiling tiling, bool flipHorizontal, int column) {
  const bool byTiling = (column & 1) != 0 && (tiling == tMirrorHorizontal || tiling == tMirror);
  return flipHorizontal != byTiling;
}

bool TileMirroredVertically(TTiling tiling, bool flipVertical, int row) {
  const bool byTiling = (row & 1) != 0 && (tiling == tMirrorVertical || tiling == tMirror);
  return flipVertical != byTiling;
}

TClockHands ComputeClockHands(int stage, int percent) {
  const double a = percent * 2 * std::numbers::pi / 100;
  const double s = ((stage - 1) * 2 * std::numbers::pi + a) / 12;
  TClockHands h;
  h.LongX = RoundToInt(std::sin(a) * 7);
  h.LongY = -RoundToInt(std::cos(a) * 7);
  h.ShortX = RoundToInt(std::sin(s) * 6);
  h.ShortY = -RoundToInt(std::cos(s) * 6);
  return h;
}

TClockPlaces ComputeClockPlaces(const TViewRect& box, bool fiveClocks) {
  TClockPlaces p;
  const int bw = box.Width(), bh = box.Height();
  if (bw > 20 && bh > 20) {
    p.X[p.Count] = box.Left + (bw - 15) / 2;
    p.Y[p.Count] = box.Top + (bh - 15) / 2;
    ++p.Count;
  }
  if (fiveClocks && bw >= 101 && bh >= 101) {
    const int xs[4] = {box.Left + 5, box.Right - 20, box.Left + 5, box.Right - 20};
    const int ys[4] = {box.Top + 5, box.Top + 5, box.Bottom - 20, box.Bottom - 20};
    for (int i = 0; i < 4; ++i) {
      p.X[p.Count] = xs[i];
      p.Y[p.Count] = ys[i];
      ++p.Count;
    }
  }
  return p;
}

int ProgressPercent(int step, int max) {
  if (max <= 0) return 100;
  return static_cast<int>(std::int64_t(step) * 100 / max);
}

bool TProgressRateLimiter::ShouldReport(int percent, std::int64_t nowMs) {
  const std::int64_t bucket = nowMs / bucketMs_;
  if (percent == lastPercent_ || bucket == lastBucket_) return false;
  lastPercent_ = percent;
  lastBucket_ = bucket;
  return true;
}

TViewRect ComputeCopyRegion(const TViewRect& box, int clientWidth, int clientHeight, bool flipH, bool flipV,
                            bool tilesAcross, bool tilesDown, int margin) {
  const int bw = box.Width(), bh = box.Height();
  TViewRect r{0, 0, bw, bh};
  if (!tilesAcross) {
    int x0 = std::clamp(-box.Left, 0, bw), x1 = std::clamp(clientWidth - box.Left, 0, bw);
    if (flipH) {
      const int m0 = bw - x1, m1 = bw - x0;
      x0 = m0, x1 = m1;
    }
    r.Left = std::max(x0 - margin, 0);
    r.Right = std::min(x1 + margin, bw);
  }
  if (!tilesDown) {
    int y0 = std::clamp(-box.Top, 0, bh), y1 = std::clamp(clientHeight - box.Top, 0, bh);
    if (flipV) {
      const int m0 = bh - y1, m1 = bh - y0;
      y0 = m0, y1 = m1;
    }
    r.Top = std::max(y0 - margin, 0);
    r.Bottom = std::min(y1 + margin, bh);
  }
  return r;
}

}  // namespace lumora
