#pragma once
// Layout arithmetic of the viewer control: the twelve sizing rules, zoom, scroll bars,
// centring, tiling ranges with mirroring and the progress clocks. Plain functions, no
// Qt, so the rules are tested without a display.
#include <cstdint>

namespace lumora {

enum TStretch : std::uint8_t {
  sNeverKAR,
  sAlways,
  sAlwaysKAR,
  sShrink,
  sShrinkKAR,
  sEnlarge,
  sEnlargeKAR,
  sAlwaysLongerEdgeKAR,
  sShrinkLongerEdgeKAR,
  sEnlargeShrinkLongerEdgeKAR,
  sEnlargeLongerEdgeKAR,
  sZoomKAR,
};

enum TTiling : std::uint8_t { tNone, tRepeat, tMirrorHorizontal, tMirrorVertical, tMirror };

struct TViewRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;  // right and bottom exclusive
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool Empty() const { return Right <= Left || Bottom <= Top; }
  bool Contains(int x, int y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
  bool Intersects(const TViewRect& o) const {
    return Left < o.Right && o.Left < Right && Top < o.Bottom && o.Top < Bottom;
  }
  bool operator==(const TViewRect&) const = default;
};

// The platform's scroll-bar extents.
struct TScrollBarExtent {
  int HorizontalHeight = 0;  // height of a horizontal bar
  int VerticalWidth = 0;     // width of a vertical bar
};

struct TBoxSize {
  int Width = 0;
  int Height = 0;
  double Scale = 1.0;  // -1.0 for the rules that do not keep the aspect ratio
  bool operator==(const TBoxSize&) const = default;
};

// The picture-box size for an image in an available area (the viewer less its border).
TBoxSize ComputeBoxSize(TStretch stretch, int imageWidth, int imageHeight, int availWidth, int availHeight,
                        double zoomFactor, TScrollBarExtent bars);

// Fit (largest picture inside the area) and Cover (fills one direction, scrolls in the
// other); exact integer truncation of the products.
TBoxSize FitBox(int imageWidth, int imageHeight, int availWidth, int availHeight);
TBoxSize CoverBox(int imageWidth, int imageHeight, int availWidth, int availHeight, TScrollBarExtent bars);

// The scroll bars a content of (contentWidth, contentHeight) needs in an area, counted
// twice because one bar can make the other necessary; the client size is what remains.
struct TScrollBars {
  bool Horizontal = false;
  bool Vertical = false;
  int ClientWidth = 0;
  int ClientHeight = 0;
  bool operator==(const TScrollBars&) const = default;
};
TScrollBars CountScrollBars(int availWidth, int availHeight, int contentWidth, int contentHeight,
                            TScrollBarExtent bars);

// The full result of a layout: box size and scale, box position within the scrolled
// content, scroll bars and the scroll positions a rearrangement sets.
struct TArrangeResult {
  TBoxSize Box;
  int Left = 0, Top = 0;
  TScrollBars Bars;
  int ScrollX = 0, ScrollY = 0;
};
TArrangeResult ComputeArrange(TStretch stretch, bool center, int imageWidth, int imageHeight, int availWidth,
                              int availHeight, double zoomFactor, TScrollBarExtent bars);

// The automatic size of the viewer for an image (border width B), clamped to the bounds.
struct TAutoSizeBounds {
  int MinWidth = 0, MinHeight = 0;
  int MaxWidth = 2147483647, MaxHeight = 2147483647;
};
struct TSize2 {
  int Width = 0, Height = 0;
  bool operator==(const TSize2&) const = default;
};
TSize2 ComputeAutoSize(int imageWidth, int imageHeight, int border, const TAutoSizeBounds& bounds,
                       TScrollBarExtent bars);

// Tiling: rows and columns of tiles (inclusive) around the picture box (tile 0, 0) in a
// client area of (clientWidth, clientHeight); the box rectangle is in client pixels.
struct TTileRange {
  int FirstColumn = 0, LastColumn = 0, FirstRow = 0, LastRow = 0;
  bool operator==(const TTileRange&) const = default;
};
TTileRange ComputeTileRange(TTiling tiling, const TViewRect& box, int clientWidth, int clientHeight);
// Whether the tile at (column, row) is mirrored left-right / top-bottom.
bool TileMirroredHorizontally(TTiling tiling, bool flipHorizontal, int column);
bool TileMirroredVertically(TTiling tiling, bool flipVertical, int row);

// Progress clocks. A clock is 15 pixels across; its hands start at its top-left + 7.
struct TClockHands {
  int LongX, LongY;    // end of the long hand (length 7), relative to the centre
  int ShortX, ShortY;  // end of the short hand (length 6)
  bool operator==(const TClockHands&) const = default;
};
TClockHands ComputeClockHands(int stage, int percent);
// Top-left corners of the clocks drawn in a box; up to five.
struct TClockPlaces {
  int Count = 0;
  int X[5] = {}, Y[5] = {};
};
TClockPlaces ComputeClockPlaces(const TViewRect& box, bool fiveClocks);

// Progress in percent: Step * 100 / Max, 100 when Max is not above 0.
int ProgressPercent(int step, int max);

// Rate limit of the paint worker's progress: one report per change of percent and per
// 50-ms tick bucket.
class TProgressRateLimiter {
 public:
  explicit TProgressRateLimiter(int bucketMs = 50) : bucketMs_(bucketMs) {}
  // True when a report is due for `percent` at time `nowMs`.
  bool ShouldReport(int percent, std::int64_t nowMs);

 private:
  int bucketMs_;
  int lastPercent_ = -1;
  std::int64_t lastBucket_ = -1;
};

// The region of the picture box to hold in a display copy: the part of box that the
// client area shows (box in client pixels, mirrored when the picture is flipped), grown
// by `margin` on every side and clamped to the box; the whole box in a direction in
// which tiles repeat. Relative to the box's top-left corner.
TViewRect ComputeCopyRegion(const TViewRect& box, int clientWidth, int clientHeight, bool flipH, bool flipV,
                            bool tilesAcross, bool tilesDown, int margin);

}  // namespace lumora
