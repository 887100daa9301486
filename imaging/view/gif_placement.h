#pragma once
// Where the animated GIF display draws its picture inside the control: stretched,
// stretched keeping the aspect ratio, tiled, centred or at the origin.
#include <cmath>
#include <vector>

namespace lumora {

struct TGIFRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;  // Right and Bottom exclusive
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool operator==(const TGIFRect&) const = default;
};

struct TGIFPlacementFlags {
  bool Stretch = false;
  bool StretchRatio = false;
  bool StretchBigOnly = false;
  bool Tile = false;
  bool Center = false;
};

// True when the picture (w x h) is stretched over a control of W x H.
inline bool GIFStretched(int W, int H, int w, int h, const TGIFPlacementFlags& f) {
  return (f.Stretch || f.StretchRatio) && (W != w || H != h) && !(f.StretchBigOnly && W >= w && H >= h);
}

// The rectangles the picture is drawn into (several when tiled; none when w or h is 0).
inline std::vector<TGIFRect> GIFPictureRects(int W, int H, int w, int h, const TGIFPlacementFlags& f) {
  std::vector<TGIFRect> rects;
  if (w <= 0 || h <= 0) return rects;
  if (GIFStretched(W, H, w, h, f)) {
    if (f.StretchRatio && !f.Stretch) {
      const float a = float(W) / float(w);
      const float b = float(H) / float(h);
      if (a > b) {
        const float m = (float(W) - float(w) * b) / 2.0f;
        rects.push_back({int(std::nearbyint(m)), 0, int(std::nearbyint(float(W) - m)), H});
      } else {
        const float m = (float(H) - float(h) * a) / 2.0f;
        rects.push_back({0, int(std::nearbyint(m)), W, int(std::nearbyint(float(H) - m))});
      }
      if (!std::isfinite(a) || !std::isfinite(b)) rects.back() = {0, 0, W, H};
    } else {
      rects.push_back({0, 0, W, H});
    }
    return rects;
  }
  if (f.Tile) {
    for (int row = 0; row <= H / h; ++row) {
      for (int col = 0; col <= W / w; ++col) rects.push_back({col * w, row * h, col * w + w, row * h + h});
    }
    return rects;
  }
  if (f.Center) {
    const int x = (W - w) / 2, y = (H - h) / 2;
    rects.push_back({x, y, x + w, y + h});
    return rects;
  }
  rects.push_back({0, 0, w, h});
  return rects;
}

}  // namespace lumora
