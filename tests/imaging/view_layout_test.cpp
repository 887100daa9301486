#include "imaging/view/view_layout.h"

#include <gtest/gtest.h>

namespace lumora {
namespace {

// Unequal bar extents catch a swapped width and height.
constexpr TScrollBarExtent kBars{15, 17};

struct BoxCase {
  const char* name;
  TStretch stretch;
  int iw, ih, aw, ah;
  double zoom;
  int bw, bh;
  double scale;
};

class BoxSizeTest : public ::testing::TestWithParam<BoxCase> {};

TEST_P(BoxSizeTest, MatchesTheSizingRule) {
  const BoxCase c = GetParam();
  const TBoxSize box = ComputeBoxSize(c.stretch, c.iw, c.ih, c.aw, c.ah, c.zoom, kBars);
  EXPECT_EQ(box.Width, c.bw) << c.name;
  EXPECT_EQ(box.Height, c.bh) << c.name;
  EXPECT_DOUBLE_EQ(box.Scale, c.scale) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    AllRules, BoxSizeTest,
    ::testing::Values(
        BoxCase{"never keeps own size", sNeverKAR, 400, 300, 200, 200, 1, 400, 300, 1.0},
        BoxCase{"always fills the area", sAlways, 400, 300, 200, 100, 1, 200, 100, -1.0},
        BoxCase{"fit landscape", sAlwaysKAR, 400, 300, 200, 200, 1, 200, 150, 0.5},
        BoxCase{"fit portrait", sAlwaysKAR, 300, 400, 200, 200, 1, 150, 200, 0.5},
        BoxCase{"fit truncates the product", sAlwaysKAR, 100, 30, 333, 200, 1, 333, 99, 3.33},
        BoxCase{"fit equal ratios uses the height", sAlwaysKAR, 400, 300, 200, 150, 1, 200, 150, 0.5},
        BoxCase{"shrink only the wide side", sShrink, 400, 300, 200, 500, 1, 200, 300, -1.0},
        BoxCase{"shrink not needed", sShrink, 100, 100, 200, 200, 1, 100, 100, 1.0},
        BoxCase{"enlarge both", sEnlarge, 100, 50, 200, 200, 1, 200, 200, -1.0},
        BoxCase{"enlarge leaves room for the horizontal bar", sEnlarge, 300, 50, 200, 200, 1, 300, 185, -1.0},
        BoxCase{"enlarge leaves room for the vertical bar", sEnlarge, 50, 300, 200, 200, 1, 183, 300, -1.0},
        BoxCase{"enlarge not needed", sEnlarge, 300, 300, 200, 200, 1, 300, 300, 1.0},
        BoxCase{"shrink KAR fits", sShrinkKAR, 100, 50, 200, 200, 1, 100, 50, 1.0},
        BoxCase{"shrink KAR reduces", sShrinkKAR, 400, 300, 200, 200, 1, 200, 150, 0.5},
        BoxCase{"shrink KAR exact fit stays", sShrinkKAR, 200, 200, 200, 200, 1, 200, 200, 1.0},
        BoxCase{"enlarge KAR grows", sEnlargeKAR, 100, 50, 200, 200, 1, 200, 100, 2.0},
        BoxCase{"enlarge KAR touching one side stays", sEnlargeKAR, 200, 50, 200, 200, 1, 200, 50, 1.0},
        BoxCase{"cover wide image scrolls across", sAlwaysLongerEdgeKAR, 400, 200, 200, 200, 1, 370, 185, 0.925},
        BoxCase{"cover tall image scrolls down", sAlwaysLongerEdgeKAR, 200, 400, 200, 200, 1, 183, 366, 0.915},
        BoxCase{"cover square keeps fit", sAlwaysLongerEdgeKAR, 300, 300, 200, 200, 1, 200, 200, 2.0 / 3.0},
        BoxCase{"shrink longer edge keeps own size", sShrinkLongerEdgeKAR, 190, 195, 200, 200, 1, 190, 195, 1.0},
        BoxCase{"shrink longer edge covers wide", sShrinkLongerEdgeKAR, 400, 190, 200, 200, 1, 389, 185,
                185.0 / 190.0},
        BoxCase{"shrink longer edge second clause", sShrinkLongerEdgeKAR, 190, 210, 200, 200, 1, 183, 202,
                183.0 / 190.0},
        BoxCase{"enlarge-shrink grows small", sEnlargeShrinkLongerEdgeKAR, 100, 50, 200, 200, 1, 200, 100, 2.0},
        BoxCase{"enlarge-shrink covers large", sEnlargeShrinkLongerEdgeKAR, 400, 190, 200, 200, 1, 389, 185,
                185.0 / 190.0},
        BoxCase{"enlarge longer edge covers", sEnlargeLongerEdgeKAR, 100, 50, 200, 200, 1, 370, 185, 3.7},
        BoxCase{"enlarge longer edge keeps large", sEnlargeLongerEdgeKAR, 300, 300, 200, 200, 1, 300, 300, 1.0},
        BoxCase{"zoom rounds ties to even", sZoomKAR, 101, 51, 200, 200, 1.5, 152, 76, 1.5},
        BoxCase{"zoom half", sZoomKAR, 5, 3, 200, 200, 0.5, 2, 2, 0.5},
        BoxCase{"zoom zero is own size", sZoomKAR, 640, 480, 200, 200, 0.0, 640, 480, 1.0},
        BoxCase{"zoom negative is own size", sZoomKAR, 640, 480, 200, 200, -2.0, 640, 480, 1.0},
        BoxCase{"zoom large picture", sZoomKAR, 6000, 4000, 1600, 1000, 8.0, 48000, 32000, 8.0},
        BoxCase{"empty area keeps own size", sAlwaysKAR, 400, 300, 0, 200, 1, 400, 300, 1.0},
        BoxCase{"empty image", sAlways, 0, 0, 200, 200, 1, 0, 0, 1.0}));

struct ArrangeCase {
  int iw, ih, aw, ah;
  int left, top;
  bool hbar, vbar;
  int scrollX, scrollY;
};

class CenterTest : public ::testing::TestWithParam<ArrangeCase> {};

TEST_P(CenterTest, CentresBoxOrScrollPositions) {
  const ArrangeCase c = GetParam();
  const TArrangeResult r = ComputeArrange(sNeverKAR, true, c.iw, c.ih, c.aw, c.ah, 1.0, kBars);
  EXPECT_EQ(r.Left, c.left);
  EXPECT_EQ(r.Top, c.top);
  EXPECT_EQ(r.Bars.Horizontal, c.hbar);
  EXPECT_EQ(r.Bars.Vertical, c.vbar);
  EXPECT_EQ(r.ScrollX, c.scrollX);
  EXPECT_EQ(r.ScrollY, c.scrollY);
}

INSTANTIATE_TEST_SUITE_P(Cases, CenterTest,
                         ::testing::Values(ArrangeCase{100, 50, 300, 200, 100, 75, false, false, 0, 0},
                                           ArrangeCase{1000, 800, 300, 200, 0, 0, true, true, 358, 307},
                                           // The horizontal bar makes the vertical one necessary.
                                           ArrangeCase{1000, 190, 300, 200, 0, 0, true, true, 358, 2},
                                           ArrangeCase{1000, 180, 300, 200, 0, 2, true, false, 350, 0},
                                           // The vertical bar makes the horizontal one necessary.
                                           ArrangeCase{290, 1000, 300, 200, 0, 0, true, true, 3, 407}));

TEST(ArrangeTest, WithoutCenterNothingMoves) {
  const TArrangeResult r = ComputeArrange(sNeverKAR, false, 1000, 800, 300, 200, 1.0, kBars);
  EXPECT_EQ(r.Left, 0);
  EXPECT_EQ(r.Top, 0);
  EXPECT_EQ(r.ScrollX, 0);
  EXPECT_EQ(r.ScrollY, 0);
  EXPECT_EQ(r.Bars.ClientWidth, 283);
  EXPECT_EQ(r.Bars.ClientHeight, 185);
}

struct AutoSizeCase {
  int iw, ih, border;
  TAutoSizeBounds bounds;
  int w, h;
};

class AutoSizeTest : public ::testing::TestWithParam<AutoSizeCase> {};

TEST_P(AutoSizeTest, CountsBarsThenClamps) {
  const AutoSizeCase c = GetParam();
  EXPECT_EQ(ComputeAutoSize(c.iw, c.ih, c.border, c.bounds, kBars), (TSize2{c.w, c.h}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AutoSizeTest,
    ::testing::Values(AutoSizeCase{100, 50, 2, {}, 104, 54},
                      AutoSizeCase{100, 50, 2, {0, 0, 80, 2147483647}, 80, 69},
                      AutoSizeCase{100, 50, 2, {0, 0, 80, 60}, 80, 60},
                      // Only the vertical bar: the width grows by its width.
                      AutoSizeCase{70, 58, 2, {0, 0, 2147483647, 60}, 91, 60},
                      AutoSizeCase{10, 10, 0, {50, 40, 2147483647, 2147483647}, 50, 40},
                      AutoSizeCase{0, 0, 1, {}, 2, 2}));

struct TileCase {
  TTiling tiling;
  TViewRect box;
  int cw, ch;
  TTileRange range;
};

class TileRangeTest : public ::testing::TestWithParam<TileCase> {};

TEST_P(TileRangeTest, CoversTheClientArea) {
  const TileCase c = GetParam();
  EXPECT_EQ(ComputeTileRange(c.tiling, c.box, c.cw, c.ch), c.range);
}

INSTANTIATE_TEST_SUITE_P(Cases, TileRangeTest,
                         ::testing::Values(TileCase{tNone, {50, 50, 150, 150}, 400, 300, {0, 0, 0, 0}},
                                           TileCase{tRepeat, {50, 50, 150, 150}, 400, 300, {-1, 3, -1, 2}},
                                           TileCase{tMirror, {250, 0, 350, 100}, 400, 300, {-3, 1, 0, 2}},
                                           TileCase{tRepeat, {-30, 0, 970, 100}, 400, 300, {0, 0, 0, 2}},
                                           TileCase{tRepeat, {0, 0, 400, 300}, 400, 300, {0, 0, 0, 0}}));

TEST(TileRangeTest, EveryClientPixelIsInSomeTile) {
  const TViewRect box{37, 91, 37 + 23, 91 + 17};
  const TTileRange r = ComputeTileRange(tRepeat, box, 211, 157);
  EXPECT_LE(box.Left + r.FirstColumn * 23, 0);
  EXPECT_GE(box.Right + r.LastColumn * 23, 211);
  EXPECT_LE(box.Top + r.FirstRow * 17, 0);
  EXPECT_GE(box.Bottom + r.LastRow * 17, 157);
  // And no tile lies wholly outside.
  EXPECT_GT(box.Right + r.FirstColumn * 23, 0);
  EXPECT_LT(box.Left + r.LastColumn * 23, 211);
}

struct MirrorCase {
  TTiling tiling;
  bool flip;
  int index;
  bool horizontal, vertical;
};

class TileMirrorTest : public ::testing::TestWithParam<MirrorCase> {};

TEST_P(TileMirrorTest, ExactlyOneReasonMirrors) {
  const MirrorCase c = GetParam();
  EXPECT_EQ(TileMirroredHorizontally(c.tiling, c.flip, c.index), c.horizontal);
  EXPECT_EQ(TileMirroredVertically(c.tiling, c.flip, c.index), c.vertical);
}

INSTANTIATE_TEST_SUITE_P(Cases, TileMirrorTest,
                         ::testing::Values(MirrorCase{tMirror, false, 1, true, true},
                                           MirrorCase{tMirror, false, -1, true, true},
                                           MirrorCase{tMirror, true, 1, false, false},
                                           MirrorCase{tMirror, true, 2, true, true},
                                           MirrorCase{tRepeat, true, 1, true, true},
                                           MirrorCase{tMirrorHorizontal, false, 1, true, false},
                                           MirrorCase{tMirrorVertical, false, 3, false, true},
                                           MirrorCase{tNone, false, 0, false, false}));

struct ClockCase {
  int stage, percent;
  TClockHands hands;
};

class ClockHandsTest : public ::testing::TestWithParam<ClockCase> {};

TEST_P(ClockHandsTest, AnglesClockwiseFromTwelve) {
  const ClockCase c = GetParam();
  EXPECT_EQ(ComputeClockHands(c.stage, c.percent), c.hands);
}

INSTANTIATE_TEST_SUITE_P(Cases, ClockHandsTest,
                         ::testing::Values(ClockCase{1, 0, {0, -7, 0, -6}}, ClockCase{1, 25, {7, 0, 1, -6}},
                                           ClockCase{1, 50, {0, 7, 2, -6}}, ClockCase{1, 12, {5, -5, 0, -6}},
                                           ClockCase{4, 0, {0, -7, 6, 0}}, ClockCase{7, 0, {0, -7, 0, 6}},
                                           ClockCase{2, 100, {0, -7, 5, -3}}));

TEST(ClockPlacesTest, CentreAndCornerClocks) {
  TClockPlaces p = ComputeClockPlaces({0, 0, 21, 21}, true);
  ASSERT_EQ(p.Count, 1);
  EXPECT_EQ(p.X[0], 3);
  EXPECT_EQ(p.Y[0], 3);
  EXPECT_EQ(ComputeClockPlaces({0, 0, 20, 30}, true).Count, 0);
  EXPECT_EQ(ComputeClockPlaces({0, 0, 100, 100}, true).Count, 1);
  EXPECT_EQ(ComputeClockPlaces({10, 10, 111, 111}, false).Count, 1);
  p = ComputeClockPlaces({10, 10, 111, 111}, true);
  ASSERT_EQ(p.Count, 5);
  const int xs[5] = {53, 15, 91, 15, 91}, ys[5] = {53, 15, 15, 91, 91};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(p.X[i], xs[i]) << i;
    EXPECT_EQ(p.Y[i], ys[i]) << i;
  }
}

TEST(ProgressTest, PercentGuardsAZeroMaximum) {
  EXPECT_EQ(ProgressPercent(5, 10), 50);
  EXPECT_EQ(ProgressPercent(1, 3), 33);
  EXPECT_EQ(ProgressPercent(1, 0), 100);
  EXPECT_EQ(ProgressPercent(3, -1), 100);
  EXPECT_EQ(ProgressPercent(30000000, 30000000), 100);
}

TEST(ProgressTest, RateLimiterNeedsNewPercentAndNewBucket) {
  TProgressRateLimiter limiter;
  EXPECT_TRUE(limiter.ShouldReport(10, 0));
  EXPECT_FALSE(limiter.ShouldReport(10, 60));
  EXPECT_FALSE(limiter.ShouldReport(11, 20));
  EXPECT_TRUE(limiter.ShouldReport(11, 60));
  EXPECT_FALSE(limiter.ShouldReport(12, 70));
  EXPECT_TRUE(limiter.ShouldReport(12, 100));
}

TEST(CopyRegionTest, ZoomedPictureKeepsOnlyTheVisiblePart) {
  const TViewRect box{-1000, -500, 47000, 31500};  // 48000 x 32000 box scrolled
  EXPECT_EQ(ComputeCopyRegion(box, 1600, 1000, false, false, false, false, 200), (TViewRect{800, 300, 2800, 1700}));
  EXPECT_EQ(ComputeCopyRegion(box, 1600, 1000, true, false, false, false, 200),
            (TViewRect{45200, 300, 47200, 1700}));
  EXPECT_EQ(ComputeCopyRegion(box, 1600, 1000, false, true, false, false, 0), (TViewRect{1000, 30500, 2600, 31500}));
  EXPECT_EQ(ComputeCopyRegion(box, 1600, 1000, false, false, true, false, 0), (TViewRect{0, 500, 48000, 1500}));
  // A box inside the client area is held whole.
  EXPECT_EQ(ComputeCopyRegion({10, 10, 110, 60}, 400, 300, false, false, false, false, 0),
            (TViewRect{0, 0, 100, 50}));
}

}  // namespace
}  // namespace lumora
