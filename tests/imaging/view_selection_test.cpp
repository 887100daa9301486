#include "imaging/view/view_selection.h"

#include <gtest/gtest.h>

namespace lumora {
namespace {

TEST(CoordinateTest, ConversionsTruncateAndDoNotOverflow) {
  EXPECT_EQ(BoxToImage(50, 400, 200), 100);
  EXPECT_EQ(BoxToImage(3, 10, 4), 7);
  EXPECT_EQ(BoxToImage(50, 400, 0), 0);
  EXPECT_EQ(ImageToBox(7, 10, 4), 2);
  EXPECT_EQ(ImageToBox(7, 0, 4), 0);
  // 47999 * 60000 does not fit in 32 bits.
  EXPECT_EQ(BoxToImage(47999, 60000, 480000), 5999);
  EXPECT_EQ(ImageToBox(5999, 60000, 480000), 47992);
  EXPECT_EQ(BoxToImage(-3, 10, 4), -7);
}

TEST(HandleTest, SquaresAroundTheRectangle) {
  TViewRect h[8];
  HandleRects({10, 20, 50, 60}, h);
  const TViewRect expected[8] = {{2, 12, 7, 17},  {28, 12, 33, 17}, {53, 12, 58, 17}, {2, 38, 7, 43},
                                 {53, 38, 58, 43}, {2, 63, 7, 68},   {28, 63, 33, 68}, {53, 63, 58, 68}};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(h[i], expected[i]) << i;
}

struct HitCase {
  int x, y, handle;
};

class HitHandleTest : public ::testing::TestWithParam<HitCase> {};

TEST_P(HitHandleTest, RightAndBottomEdgesExclusive) {
  const HitCase c = GetParam();
  EXPECT_EQ(HitHandle({10, 20, 50, 60}, c.x, c.y), c.handle);
}

INSTANTIATE_TEST_SUITE_P(Cases, HitHandleTest,
                         ::testing::Values(HitCase{2, 12, 0}, HitCase{6, 16, 0}, HitCase{7, 16, -1},
                                           HitCase{6, 17, -1}, HitCase{30, 14, 1}, HitCase{55, 14, 2},
                                           HitCase{4, 40, 3}, HitCase{57, 42, 4}, HitCase{2, 67, 5},
                                           HitCase{32, 63, 6}, HitCase{57, 67, 7}, HitCase{30, 40, -1},
                                           HitCase{1, 12, -1}));

struct DownCase {
  const char* name;
  TMouseDownInput in;
  TDragState state;
};

class MouseDownTest : public ::testing::TestWithParam<DownCase> {};

TEST_P(MouseDownTest, FirstRuleThatApplies) {
  const DownCase c = GetParam();
  EXPECT_EQ(DecideMouseDown(c.in), c.state) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MouseDownTest,
    ::testing::Values(
        DownCase{"pan", {amMoveImage, false, false, true, -1}, dsPan},
        DownCase{"nothing to pan", {amMoveImage, false, false, false, -1}, dsNone},
        DownCase{"move image ignores the selection", {amMoveImage, true, true, true, -1}, dsPan},
        DownCase{"move inside selection", {amMoveResizeCreateSelection, true, true, true, -1}, dsMove},
        DownCase{"middle-left handle", {amMoveResizeCreateSelection, true, false, true, 3}, dsMiddleLeft},
        DownCase{"bottom-right handle", {amMoveResizeCreateSelection, true, false, false, 7}, dsBottomRight},
        DownCase{"create outside", {amMoveResizeCreateSelection, true, false, true, -1}, dsCreate},
        DownCase{"no handles without selection", {amMoveResizeCreateSelection, false, false, true, 2}, dsCreate},
        DownCase{"move-only inside", {amMoveSelection, true, true, false, -1}, dsMove},
        DownCase{"move-only outside", {amMoveSelection, true, false, true, 0}, dsNone},
        DownCase{"move or pan inside", {amMoveSelectionMoveImage, true, true, true, -1}, dsMove},
        DownCase{"move or pan outside", {amMoveSelectionMoveImage, true, false, true, -1}, dsPan},
        DownCase{"move or pan, nothing to pan", {amMoveSelectionMoveImage, true, false, false, -1}, dsNone},
        DownCase{"create even where panning is possible", {amCreateSelection, true, true, true, -1}, dsCreate},
        DownCase{"none", {amNone, true, true, true, 0}, dsNone}));

TEST(GrabOffsetTest, PerHandle) {
  const TSelectionBounds s{10, 20, 30, 40};
  struct {
    TDragState state;
    int ox, oy;
  } cases[] = {{dsMove, 5, 5},         {dsTopLeft, 5, 5},      {dsTopMiddle, 0, 5},
               {dsTopRight, -15, 5},   {dsMiddleLeft, 5, 0},   {dsMiddleRight, -15, 0},
               {dsBottomLeft, 5, -15}, {dsBottomMiddle, 0, -15}, {dsBottomRight, -15, -15}};
  for (const auto& c : cases) {
    int ox = 99, oy = 99;
    GrabOffset(c.state, 15, 25, s, ox, oy);
    EXPECT_EQ(ox, c.ox) << c.state;
    EXPECT_EQ(oy, c.oy) << c.state;
  }
}

struct DragCase {
  const char* name;
  TDragState state;
  int ix, iy, ox, oy;
  TSelectionBounds result;
};

class DragSelectionTest : public ::testing::TestWithParam<DragCase> {};

TEST_P(DragSelectionTest, NewSelection) {
  const DragCase c = GetParam();
  const TSelectionBounds s{10, 20, 30, 40};  // in a 100 x 80 image
  EXPECT_EQ(DragSelection(c.state, c.ix, c.iy, c.ox, c.oy, 50, 40, s, 100, 80), c.result) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DragSelectionTest,
    ::testing::Values(
        DragCase{"move", dsMove, 20, 30, 5, 5, {15, 25, 30, 40}},
        DragCase{"move far left keeps the last column", dsMove, -100, -100, 5, 5, {-29, -39, 30, 40}},
        DragCase{"move far right keeps the first column", dsMove, 500, 500, 5, 5, {99, 79, 30, 40}},
        DragCase{"create spans both corners", dsCreate, 45, 60, 0, 0, {45, 40, 6, 21}},
        DragCase{"create by click", dsCreate, 50, 40, 0, 0, {50, 40, 1, 1}},
        DragCase{"top-left stops before the opposite corner", dsTopLeft, 100, 100, 5, 5, {39, 59, 1, 1}},
        DragCase{"top-left grows", dsTopLeft, 5, 5, 5, 5, {0, 0, 40, 60}},
        DragCase{"top-middle", dsTopMiddle, 99, 30, 0, 5, {10, 25, 30, 35}},
        DragCase{"top-right narrows to one", dsTopRight, -100, 30, -15, 5, {10, 25, 1, 35}},
        DragCase{"top-right widens", dsTopRight, 50, 30, -15, 5, {10, 25, 65, 35}},
        DragCase{"middle-left", dsMiddleLeft, 0, 99, 5, 0, {-5, 20, 45, 40}},
        DragCase{"middle-right", dsMiddleRight, 30, 99, -15, 0, {10, 20, 45, 40}},
        DragCase{"bottom-left", dsBottomLeft, 20, 20, 5, -15, {15, 20, 25, 35}},
        DragCase{"bottom-middle lowest one", dsBottomMiddle, 0, -50, 0, -15, {10, 20, 30, 1}},
        DragCase{"bottom-right", dsBottomRight, 40, 70, -15, -15, {10, 20, 55, 85}}));

TEST(OutlineTest, StripsAroundTheRectangle) {
  TViewRect s[4];
  OutlineStrips({10, 20, 50, 60}, 8, s);
  EXPECT_EQ(s[0], (TViewRect{2, 12, 10, 68}));
  EXPECT_EQ(s[1], (TViewRect{2, 12, 58, 20}));
  EXPECT_EQ(s[2], (TViewRect{50, 12, 58, 68}));
  EXPECT_EQ(s[3], (TViewRect{2, 60, 58, 68}));
}

TEST(OutlineTest, DiagonalStripesFourPixelsWide) {
  EXPECT_FALSE(OutlinePatternSecondColor(0, 0, 0));
  EXPECT_FALSE(OutlinePatternSecondColor(0, 3, 0));
  EXPECT_TRUE(OutlinePatternSecondColor(0, 4, 0));
  EXPECT_TRUE(OutlinePatternSecondColor(0, 3, 4));
  EXPECT_FALSE(OutlinePatternSecondColor(0, 8, 0));
  EXPECT_TRUE(OutlinePatternSecondColor(1, 0, 0));
  EXPECT_TRUE(OutlinePatternSecondColor(4, 0, 0));
  EXPECT_FALSE(OutlinePatternSecondColor(5, 0, 0));
  // Each pattern is four pixels of each colour along a row.
  for (int i = 0; i < 8; ++i) {
    int second = 0;
    for (int x = 0; x < 8; ++x) second += OutlinePatternSecondColor(i, x, 3);
    EXPECT_EQ(second, 4) << i;
  }
  EXPECT_EQ(OutlinePatternIndex(3, 10, 20), 1);
  EXPECT_EQ(OutlinePatternIndex(0, -3, 0), 5);
}

TEST(AutoScrollTest, FiveStepsClampedToTheRange) {
  EXPECT_EQ(AutoScrollStep(-3, 100, 10, 500), 5);
  EXPECT_EQ(AutoScrollStep(-3, 100, 3, 500), 0);
  EXPECT_EQ(AutoScrollStep(-3, 100, 0, 500), 0);
  EXPECT_EQ(AutoScrollStep(100, 100, 10, 500), 15);
  EXPECT_EQ(AutoScrollStep(140, 100, 398, 500), 400);
  EXPECT_EQ(AutoScrollStep(140, 100, 400, 500), 400);
  EXPECT_EQ(AutoScrollStep(50, 100, 10, 500), 10);
}

struct CursorCase {
  const char* name;
  TCursorInput in;
  TViewerCursor cursor;
};

class CursorTest : public ::testing::TestWithParam<CursorCase> {};

TEST_P(CursorTest, LaterRulesOverride) {
  const CursorCase c = GetParam();
  EXPECT_EQ(ChooseBoxCursor(c.in), c.cursor) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CursorTest,
    ::testing::Values(CursorCase{"open hand", {amMoveImage, true, false, false, -1}, vcOpenHand},
                      CursorCase{"grabbing", {amMoveImage, true, true, false, -1}, vcGrabbingHand},
                      CursorCase{"cannot pan", {amMoveImage, false, false, false, -1}, vcDefault},
                      CursorCase{"move image inside selection", {amMoveImage, true, false, true, -1}, vcOpenHand},
                      CursorCase{"cross", {amCreateSelection, true, false, true, -1}, vcCrossHair},
                      CursorCase{"arrows", {amMoveResizeCreateSelection, false, false, true, -1}, vcMoveArrows},
                      CursorCase{"top-left", {amMoveResizeCreateSelection, false, false, false, 0}, vcSizeNWSE},
                      CursorCase{"top-middle", {amMoveResizeCreateSelection, false, false, false, 1}, vcSizeNS},
                      CursorCase{"top-right", {amMoveResizeCreateSelection, false, false, false, 2}, vcSizeNESW},
                      CursorCase{"middle-left", {amMoveResizeCreateSelection, false, false, false, 3}, vcSizeWE},
                      CursorCase{"middle-right", {amMoveResizeCreateSelection, false, false, false, 4}, vcSizeWE},
                      CursorCase{"bottom-left", {amMoveResizeCreateSelection, false, false, false, 5}, vcSizeNESW},
                      CursorCase{"bottom-middle", {amMoveResizeCreateSelection, false, false, false, 6}, vcSizeNS},
                      CursorCase{"bottom-right", {amMoveResizeCreateSelection, false, false, false, 7}, vcSizeNWSE},
                      CursorCase{"handles only when resizing", {amMoveSelection, false, false, false, 7}, vcDefault},
                      CursorCase{"move or pan inside", {amMoveSelectionMoveImage, true, false, true, -1}, vcMoveArrows},
                      CursorCase{"move or pan outside", {amMoveSelectionMoveImage, true, false, false, -1}, vcOpenHand}));

}  // namespace
}  // namespace lumora
