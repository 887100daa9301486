#include "imaging/view/display_copy_policy.h"

#include <gtest/gtest.h>

namespace lumora {
namespace {

TDisplayCopyInput TrueColor24(int boxW, int boxH) {
  TDisplayCopyInput in;
  in.BoxWidth = boxW;
  in.BoxHeight = boxH;
  in.ImageWidth = 400;
  in.ImageHeight = 300;
  in.ImageBitCount = 24;
  in.ImagePalette = pTrueColor;
  in.ScreenDepth = 24;
  return in;
}

TDisplayCopyInput Indexed8(TPaletteIdent palette, int depth) {
  TDisplayCopyInput in = TrueColor24(400, 300);
  in.ImageBitCount = 8;
  in.ImagePalette = palette;
  in.ScreenDepth = depth;
  return in;
}

TEST(DisplayCopyPolicyTest, TrueColourFastDrawsTheImage) {
  TDisplayCopyInput in = TrueColor24(200, 150);
  const TDisplayCopyDecision d = DecideDisplayCopy(in);
  EXPECT_FALSE(d.Needed);
  EXPECT_FALSE(d.StartBuild);
  EXPECT_TRUE(d.DropCopy);
}

TEST(DisplayCopyPolicyTest, ResamplingBuildsA24BitCopyAtTheBoxSize) {
  TDisplayCopyInput in = TrueColor24(200, 150);
  in.StretchMode = smPrecise;
  const TDisplayCopyDecision d = DecideDisplayCopy(in);
  EXPECT_TRUE(d.Needed);
  ASSERT_TRUE(d.StartBuild);
  EXPECT_TRUE(d.Resample);
  EXPECT_EQ(d.CopyBitCountNum, 3);
  EXPECT_EQ(d.Stages, 1);
  EXPECT_FALSE(d.UseIntermediate);
  EXPECT_FALSE(d.Invalid);
}

TEST(DisplayCopyPolicyTest, OwnSizeNeedsNoResampling) {
  TDisplayCopyInput in = TrueColor24(400, 300);
  in.StretchMode = smPrecise;
  EXPECT_FALSE(DecideDisplayCopy(in).Needed);
}

TEST(DisplayCopyPolicyTest, ValidCopyIsReused) {
  TDisplayCopyInput in = TrueColor24(200, 150);
  in.StretchMode = smPrecise;
  in.CopyInvalid = false;
  in.CopyExists = true;
  in.LastCopyWidth = 200;
  in.LastCopyHeight = 150;
  const TDisplayCopyDecision d = DecideDisplayCopy(in);
  EXPECT_TRUE(d.Needed);
  EXPECT_FALSE(d.StartBuild);
  EXPECT_FALSE(d.DropCopy);
}

TEST(DisplayCopyPolicyTest, RunningWorkerIsNotRestarted) {
  TDisplayCopyInput in = TrueColor24(200, 150);
  in.StretchMode = smPrecise;
  in.CopyInvalid = false;
  in.WorkerRunning = true;
  in.LastCopyWidth = 200;
  in.LastCopyHeight = 150;
  const TDisplayCopyDecision d = DecideDisplayCopy(in);
  EXPECT_TRUE(d.Needed);
  EXPECT_FALSE(d.StartBuild);
  EXPECT_FALSE(d.DropCopy);
}

struct KeepCase {
  bool keepOld, useThread, drop;
};

class KeepOldCopyTest : public ::testing::TestWithParam<KeepCase> {};

TEST_P(KeepOldCopyTest, NewBoxSizeRebuildsAndMayKeepTheOldCopy) {
  const KeepCase c = GetParam();
  TDisplayCopyInput in = TrueColor24(250, 180);
  in.StretchMode = smMedium;
  in.CopyInvalid = false;
  in.CopyExists = true;
  in.LastCopyWidth = 200;
  in.LastCopyHeight = 150;
  in.KeepOldPaintPixelGraphic = c.keepOld;
  in.UseThread = c.useThread;
  const TDisplayCopyDecision d = DecideDisplayCopy(in);
  EXPECT_TRUE(d.StartBuild);
  EXPECT_EQ(d.DropCopy, c.drop);
}

INSTANTIATE_TEST_SUITE_P(Cases, KeepOldCopyTest,
                         ::testing::Values(KeepCase{false, true, true}, KeepCase{true, true, false},
                                           KeepCase{true, false, true}, KeepCase{false, false, true}));

TEST(DisplayCopyPolicyTest, EightBitScreenReducesTrueColourWithOptimisedPalette) {
  TDisplayCopyInput in = TrueColor24(400, 300);
  in.ScreenDepth = 8;
  const TDisplayCopyDecision d = DecideDisplayCopy(in);
  ASSERT_TRUE(d.StartBuild);
  EXPECT_EQ(d.CopyBitCountNum, 2);
  EXPECT_EQ(d.CopyPalette, pOptimized252Sys16);
  EXPECT_EQ(d.Stages, 2);
  EXPECT_FALSE(d.Resample);
}

TEST(DisplayCopyPolicyTest, EightBitScreenFixedPaletteNeedsNoExtraStage) {
  TDisplayCopyInput in = TrueColor24(400, 300);
  in.ScreenDepth = 8;
  in.Palette8BitSys24BitGraphic = pSpecial216;
  const TDisplayCopyDecision d = DecideDisplayCopy(in);
  EXPECT_EQ(d.CopyPalette, pSpecial216);
  EXPECT_EQ(d.Stages, 1);
}

struct IndexedCase {
  const char* name;
  TPaletteIdent image;
  TPaletteIdent wanted;
  int depth;
  bool needed;
};

class IndexedScreenTest : public ::testing::TestWithParam<IndexedCase> {};

TEST_P(IndexedScreenTest, PaletteDecidesWhetherACopyIsNeeded) {
  const IndexedCase c = GetParam();
  TDisplayCopyInput in = Indexed8(c.image, c.depth);
  in.Palette8BitSys8BitGraphic = c.wanted;
  EXPECT_EQ(DecideDisplayCopy(in).Needed, c.needed) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IndexedScreenTest,
    ::testing::Values(IndexedCase{"own palette wanted", pUnknown, pSource, 8, false},
                      IndexedCase{"same identity", pGray256, pGray256, 8, false},
                      IndexedCase{"other identity", pGray256, pSpecial252, 8, true},
                      IndexedCase{"optimised wanted", pUnknown, pOptimized252Sys16, 8, true},
                      IndexedCase{"deeper image on 4 bits", pGray256, pSource, 4, true},
                      IndexedCase{"true colour screen", pUnknown, pOptimized252Sys16, 24, false}));

TEST(DisplayCopyPolicyTest, FourBitScreenKeepsSystemPaletteImages) {
  TDisplayCopyInput in = Indexed8(pSys16, 4);
  in.ImageBitCount = 4;
  EXPECT_FALSE(DecideDisplayCopy(in).Needed);
  in.ImagePalette = pGray16;
  const TDisplayCopyDecision d = DecideDisplayCopy(in);
  EXPECT_TRUE(d.Needed);
  EXPECT_EQ(d.CopyBitCountNum, 1);
  EXPECT_EQ(d.CopyPalette, pSys16);
}

TEST(DisplayCopyPolicyTest, IntermediateForStretchedTrueColourOnEightBits) {
  TDisplayCopyInput in = TrueColor24(200, 150);
  in.ScreenDepth = 8;
  in.StretchMode = smPrecise;
  in.Allow24BitStretch = true;
  TDisplayCopyDecision d = DecideDisplayCopy(in);
  EXPECT_TRUE(d.UseIntermediate);
  EXPECT_EQ(d.Stages, 3);
  in.Palette8BitSys24BitGraphic = pSpecial252;
  d = DecideDisplayCopy(in);
  EXPECT_FALSE(d.UseIntermediate);
  EXPECT_EQ(d.Stages, 1);
}

TEST(DisplayCopyPolicyTest, ReduceOnLoadDoesNotRebuildOnResize) {
  // After the reduced copy became the image, a new frame size only stretches it.
  TDisplayCopyInput in = TrueColor24(300, 200);
  in.ImageWidth = 200;
  in.ImageHeight = 150;
  in.StretchMode = smPrecise;
  in.ReduceOnLoad = true;
  in.CopyInvalid = false;
  in.LastCopyWidth = 200;
  in.LastCopyHeight = 150;
  EXPECT_FALSE(DecideDisplayCopy(in).Needed);
  // A new image marks the copy invalid: the first build resamples.
  in.CopyInvalid = true;
  const TDisplayCopyDecision d = DecideDisplayCopy(in);
  EXPECT_TRUE(d.StartBuild);
  EXPECT_TRUE(d.Resample);
}

TEST(DisplayCopyPolicyTest, ReduceOnLoadPaintKeepsTheRunningBuild) {
  // The build was started (the copy is marked valid) and has not delivered yet.
  for (int depth : {24, 8, 4}) {
    TDisplayCopyInput in = TrueColor24(200, 150);
    in.ImageBitCount = depth == 24 ? 24 : 8;
    in.ImagePalette = depth == 24 ? pTrueColor : pUnknown;
    in.ScreenDepth = depth;
    in.StretchMode = smPrecise;
    in.ReduceOnLoad = true;
    in.CopyInvalid = false;
    in.WorkerRunning = true;
    in.LastCopyWidth = 200;
    in.LastCopyHeight = 150;
    const TDisplayCopyDecision d = DecideDisplayCopy(in);
    EXPECT_TRUE(d.Needed) << depth;
    EXPECT_FALSE(d.DropCopy) << depth;
    EXPECT_FALSE(d.StartBuild) << depth;
  }
}

}  // namespace
}  // namespace lumora
