// Fixed palettes, SetPaletteIdent and palette recognition.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "imaging/core/fixed_palettes.h"
#include "imaging/core/pixel_graphic.h"
#include "tests/support/test_support.h"

namespace lumora {
namespace {

TColor Gray(int v) { return RGBColor(v, v, v); }

TEST(FixedPaletteTest, GrayPalettesHaveTheirLevels) {
  const auto& gray4 = FixedPaletteColors(pGray4);
  EXPECT_EQ(gray4, (std::vector<TColor>{Gray(0), Gray(85), Gray(170), Gray(255)}));
  const auto& sysGray4 = FixedPaletteColors(pSysGray4);
  EXPECT_EQ(sysGray4, (std::vector<TColor>{Gray(0), Gray(128), Gray(192), Gray(255)}));
  const auto& gray16 = FixedPaletteColors(pGray16);
  ASSERT_EQ(gray16.size(), 16u);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(gray16[i], Gray(i * 17));
  const auto& gray236 = FixedPaletteColors(pGray236);
  ASSERT_EQ(gray236.size(), 236u);
  const int firstLevels[] = {0, 1, 2, 3, 4, 5, 7, 8};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(gray236[i], Gray(firstLevels[i])) << i;
  EXPECT_EQ(gray236[235], Gray(255));
  EXPECT_EQ(gray236[118], Gray(128));  // 118 * 255 / 235 = 128.04
  const auto& gray256 = FixedPaletteColors(pGray256);
  ASSERT_EQ(gray256.size(), 256u);
  EXPECT_EQ(gray256[77], Gray(77));
}

TEST(FixedPaletteTest, CubePalettesUseTheirLevels) {
  const auto& p125 = FixedPaletteColors(pSpecial125);
  ASSERT_EQ(p125.size(), 125u);
  EXPECT_EQ(p125[1 * 25 + 2 * 5 + 3], RGBColor(64, 128, 192));
  EXPECT_EQ(p125[124], RGBColor(255, 255, 255));
  const auto& p216 = FixedPaletteColors(pSpecial216);
  ASSERT_EQ(p216.size(), 216u);
  EXPECT_EQ(p216[1 * 36 + 2 * 6 + 3], RGBColor(51, 102, 153));
  EXPECT_EQ(p216[5 * 36 + 4 * 6 + 0], RGBColor(255, 204, 0));
}

TEST(FixedPaletteTest, Special252IsSystemColoursCubeAndTints) {
  const auto& p = FixedPaletteColors(pSpecial252);
  ASSERT_EQ(p.size(), 252u);
  EXPECT_EQ(std::set<TColor>(p.begin(), p.end()).size(), 252u);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(p[i], kSystemColors[i]);
  // Entries 16..124: the 5-level cube minus the system colours, ascending (R, G, B).
  auto key = [](TColor c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); };
  const int levels[] = {0, 64, 128, 192, 255};
  for (int i = 16; i < 125; ++i) {
    for (int axis : {GetRValue(p[i]), GetGValue(p[i]), GetBValue(p[i])})
      EXPECT_NE(std::find(std::begin(levels), std::end(levels), axis), std::end(levels)) << i;
    if (i > 16) {
      EXPECT_LT(key(p[i - 1]), key(p[i])) << i;
    }
  }
  EXPECT_EQ(p[16], RGBColor(0, 0, 64));
  EXPECT_EQ(p[125], Gray(32));
  EXPECT_EQ(p[129], RGBColor(255, 224, 255));
  EXPECT_EQ(p[251], RGBColor(224, 96, 192));
}

TEST(SetPaletteIdentTest, BuildsTheFixedPaletteAndResetsTheMemo) {
  TPixelGraphic image;
  image.Allocate(4, 4, 2);
  image.SetPaletteIdent(pGray16);
  EXPECT_EQ(image.PaletteIdent(), pGray16);
  EXPECT_EQ(image.PaletteColors(), FixedPaletteColors(pGray16));
  EXPECT_EQ(image.ColorToIndex(Gray(100)), 6u);  // (300 + 25) div 51
  image.SetPaletteIdent(pGray256);
  EXPECT_EQ(image.ColorToIndex(Gray(100)), 100u);
  image.SetPaletteIdent(pUnknown);  // only the identity changes
  EXPECT_EQ(image.PaletteCount(), 256);
  EXPECT_EQ(image.PaletteIdent(), pUnknown);
  image.SetPaletteIdent(pNone);
  EXPECT_EQ(image.PaletteCount(), 0);
  EXPECT_EQ(image.PaletteIdent(), pNone);
}

TEST(SetPaletteIdentTest, RequestIdentitiesAreNeverStored) {
  TPixelGraphic image;
  image.Allocate(2, 2, 2);
  image.SetPaletteIdent(pSys16);
  image.SetPaletteIdent(pOptimized252Sys16);
  image.SetPaletteIdent(pSource);
  EXPECT_EQ(image.PaletteIdent(), pSys16);
  EXPECT_EQ(image.PaletteCount(), 16);
}

struct RecognitionCase {
  const char* name;
  int bitCountNum;
  std::vector<TColor> palette;
  TPaletteIdent expected;
  bool gray;
};

class RecognitionTest : public ::testing::TestWithParam<RecognitionCase> {};

TEST_P(RecognitionTest, FirstMatchingRuleWins) {
  const RecognitionCase& c = GetParam();
  TPixelGraphic image;
  image.Allocate(3, 3, c.bitCountNum);
  image.SetPaletteCount(static_cast<int>(c.palette.size()));
  for (size_t i = 0; i < c.palette.size(); ++i) image.SetPaletteColor(static_cast<int>(i), c.palette[i]);
  image.DeterminePaletteIdent();
  EXPECT_EQ(image.PaletteIdent(), c.expected);
  EXPECT_EQ(image.IsGrayPalette(), c.gray);
}

std::vector<TColor> Grays16() {
  std::vector<TColor> p;
  for (int i = 0; i < 16; ++i) p.push_back(Gray(i * 17));
  return p;
}

std::vector<TColor> WithChange(std::vector<TColor> p, size_t i, TColor c) {
  p[i] = c;
  return p;
}

INSTANTIATE_TEST_SUITE_P(
    Palettes, RecognitionTest,
    ::testing::Values(
        RecognitionCase{"BlackWhite", 0, {Gray(0), Gray(255)}, pBlackWhite, true},
        RecognitionCase{"WhiteBlack", 0, {Gray(255), Gray(0)}, pUnknown, true},
        RecognitionCase{"Gray4", 1, FixedPaletteColors(pGray4), pGray4, true},
        RecognitionCase{"SysGray4", 1, {Gray(0), Gray(128), Gray(192), Gray(255)}, pSysGray4, true},
        RecognitionCase{"SixteenGraysAreGray16NotSys16", 1, Grays16(), pGray16, true},
        RecognitionCase{"Sys16", 1, FixedPaletteColors(pSys16), pSys16, false},
        RecognitionCase{"Sys16OneOff", 1, WithChange(FixedPaletteColors(pSys16), 7, RGBColor(192, 192, 193)),
                        pUnknown, false},
        RecognitionCase{"Gray236", 2, FixedPaletteColors(pGray236), pGray236, true},
        RecognitionCase{"Gray256", 2, FixedPaletteColors(pGray256), pGray256, true},
        RecognitionCase{"Special125", 2, FixedPaletteColors(pSpecial125), pSpecial125, false},
        RecognitionCase{"Special216", 2, FixedPaletteColors(pSpecial216), pSpecial216, false},
        RecognitionCase{"Special252", 2, FixedPaletteColors(pSpecial252), pSpecial252, false},
        RecognitionCase{"Special252Truncated", 2,
                        std::vector<TColor>(FixedPaletteColors(pSpecial252).begin(),
                                            FixedPaletteColors(pSpecial252).begin() + 251),
                        pUnknown, false},
        RecognitionCase{"OtherGrays", 2, {Gray(3), Gray(9), Gray(200)}, pUnknown, true},
        RecognitionCase{"EmptyIndexed", 2, {}, pNone, true},
        RecognitionCase{"EmptyTrueColor", 3, {}, pTrueColor, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RecognitionTest, RecognisedIdentityUsesItsFormula) {
  // An arbitrary-palette lookup (nearest) and the pGray16 formula differ for red.
  TPixelGraphic image;
  image.Allocate(1, 1, 1);
  const std::vector<TColor> grays = Grays16();
  image.SetPaletteCount(16);
  for (int i = 0; i < 16; ++i) image.SetPaletteColor(i, grays[i]);
  ASSERT_EQ(image.PaletteIdent(), pUnknown);
  const std::uint32_t nearest = image.ColorToIndex(RGBColor(255, 0, 0));
  image.DeterminePaletteIdent();
  EXPECT_EQ(image.ColorToIndex(RGBColor(255, 0, 0)), 4u);
  EXPECT_NE(nearest, 4u);
}

}  // namespace
}  // namespace lumora
