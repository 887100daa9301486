// ColorToIndex: the rule of each palette identity, the candidate tables, the colour
// cache and the memo.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <random>

#include "imaging/core/color_index_kernels.h"
#include "imaging/core/exceptions.h"
#include "imaging/core/fixed_palettes.h"
#include "imaging/core/pixel_graphic.h"

namespace lumora {
namespace {

int Lum(bool weighted, int r, int g, int b) { return weighted ? (897 * r + 1761 * g + 342 * b) / 1000 : r + g + b; }

// Exhaustive nearest entry, first minimum wins.
int Nearest(const std::vector<TColor>& palette, int r, int g, int b) {
  int best = 0, bestD = INT_MAX;
  for (size_t i = 0; i < palette.size(); ++i) {
    const int dr = r - GetRValue(palette[i]), dg = g - GetGValue(palette[i]), db = b - GetBValue(palette[i]);
    const int d = dr * dr + dg * dg + db * db;
    if (d < bestD) bestD = d, best = static_cast<int>(i);
  }
  return best;
}

// The rules of the formula identities, written out directly.
int ExpectedIndex(TPaletteIdent ident, bool weighted, int r, int g, int b) {
  const int lum = Lum(weighted, r, g, b);
  switch (ident) {
    case pBlackWhite: return (lum + 1) / 384;
    case pSysGray4: return lum <= 192 ? 0 : lum <= 480 ? 1 : lum <= 670 ? 2 : 3;
    case pGray4: return (lum + 127) / 255;
    case pGray16: return (lum + 25) / 51;
    case pGray256: return (lum + 1) / 3;
    case pGray236: {
      static const std::vector<int> kByLum = [] {
        const auto& p = FixedPaletteColors(pGray236);
        std::vector<int> byLum(766);
        for (int l = 0; l < 766; ++l) {
          double bestD = 1e9;
          for (int i = 0; i < 236; ++i) {
            const double d = std::abs(GetRValue(p[i]) - l / 3.0);
            if (d < bestD - 1e-9) bestD = d, byLum[l] = i;
          }
        }
        return byLum;
      }();
      return kByLum[lum];
    }
    case pSpecial125: {
      auto l = [](int c) { return ((c == 224 ? 225 : c) + 31) / 64; };
      return l(r) * 25 + l(g) * 5 + l(b);
    }
    case pSpecial216: {
      auto l = [](int c) { return (c + 24) / 51; };
      return l(r) * 36 + l(g) * 6 + l(b);
    }
    default: return -1;
  }
}

struct FormulaCase {
  TPaletteIdent ident;
  int bitCountNum;
};

class FormulaTest : public ::testing::TestWithParam<FormulaCase> {};

TEST_P(FormulaTest, MatchesTheRuleOverAColourGrid) {
  const FormulaCase c = GetParam();
  for (bool weighted : {true, false}) {
    TPixelGraphic image;
    image.Allocate(1, 1, c.bitCountNum);
    image.SetPaletteIdent(c.ident);
    image.SetRGBWeighting(weighted);
    std::vector<int> values;
    for (int v = 0; v < 256; v += 5) values.push_back(v);
    for (int v : {1, 26, 77, 128, 179, 223, 224, 230, 254, 255}) values.push_back(v);
    for (int r : values)
      for (int g : values)
        for (int b : values)
          ASSERT_EQ(image.ColorToIndex(RGBColor(r, g, b)), std::uint32_t(ExpectedIndex(c.ident, weighted, r, g, b)))
              << r << "," << g << "," << b << " weighted " << weighted;
  }
}

INSTANTIATE_TEST_SUITE_P(Identities, FormulaTest,
                         ::testing::Values(FormulaCase{pBlackWhite, 0}, FormulaCase{pSysGray4, 1},
                                           FormulaCase{pGray4, 1}, FormulaCase{pGray16, 1},
                                           FormulaCase{pGray236, 2}, FormulaCase{pGray256, 2},
                                           FormulaCase{pSpecial125, 2}, FormulaCase{pSpecial216, 2}));

struct PointCase {
  TPaletteIdent ident;
  bool weighted;
  TColor color;
  std::uint32_t index;
};

class PointTest : public ::testing::TestWithParam<PointCase> {};

TEST_P(PointTest, MapsToTheGivenIndex) {
  const PointCase c = GetParam();
  TPixelGraphic image;
  image.Allocate(1, 1, 2);
  image.SetPaletteIdent(c.ident);
  image.SetRGBWeighting(c.weighted);
  EXPECT_EQ(image.ColorToIndex(c.color), c.index);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PointTest,
    ::testing::Values(
        // Red has luminance 228 weighted, 255 plain.
        PointCase{pGray16, true, RGBColor(255, 0, 0), 4}, PointCase{pGray16, false, RGBColor(255, 0, 0), 5},
        // 224 counts as 225 and reaches the top level; 223 stays at 192.
        PointCase{pSpecial125, true, RGBColor(224, 223, 0), 4 * 25 + 3 * 5},
        // (c + 24) div 51 keeps 26 at level 0 although 51 is nearer, and 230 at 204.
        PointCase{pSpecial216, true, RGBColor(26, 77, 230), 0 * 36 + 1 * 6 + 4},
        PointCase{pSpecial216, true, RGBColor(27, 128, 231), 1 * 36 + 2 * 6 + 5},
        // Cell 333 weighs silver against white; cell 222 prefers gray (3 x 22^2 < 3 x 42^2).
        PointCase{pSys16, true, RGBColor(200, 200, 200), 7}, PointCase{pSys16, true, RGBColor(150, 150, 150), 8},
        PointCase{pSys16, true, RGBColor(250, 250, 250), 15}, PointCase{pSys16, true, RGBColor(0, 0, 200), 12},
        // Cell 123 (64..127, 128..191, 192..255): silver, gray, cyan.
        PointCase{pSys16, true, RGBColor(100, 150, 220), 8}, PointCase{pSys16, true, RGBColor(64, 191, 255), 14},
        // Flat 50 % gray is white in black and white (lum 384).
        PointCase{pBlackWhite, true, RGBColor(128, 128, 128), 1},
        PointCase{pBlackWhite, true, RGBColor(127, 127, 127), 0},
        PointCase{pSysGray4, false, RGBColor(192, 0, 0), 0}, PointCase{pSysGray4, false, RGBColor(193, 0, 0), 1},
        PointCase{pSysGray4, false, RGBColor(255, 225, 0), 1}, PointCase{pSysGray4, false, RGBColor(255, 226, 0), 2},
        PointCase{pSysGray4, false, RGBColor(255, 255, 160), 2},
        PointCase{pSysGray4, false, RGBColor(255, 255, 161), 3},
        // lum / 3 = 5.67 lies between levels 5 and 7: 5 is nearer.
        PointCase{pGray236, false, RGBColor(17, 0, 0), 5},
        // lum / 3 = 6 is as near to 5 as to 7: the lower index.
        PointCase{pGray236, false, RGBColor(18, 0, 0), 5}, PointCase{pGray236, false, RGBColor(19, 0, 0), 6}));

TEST(ColorToIndexTest, Sys16IsTheTableNotANearestSearch) {
  // Cell 111 names gray only, though dark red is nearer for (64, 0, 0)-like colours of
  // it; check the table against nearest where the table has a single entry that wins.
  TPixelGraphic image;
  image.Allocate(1, 1, 1);
  image.SetPaletteIdent(pSys16);
  EXPECT_EQ(image.ColorToIndex(RGBColor(127, 64, 64)), 8u);
  EXPECT_EQ(Nearest(FixedPaletteColors(pSys16), 127, 64, 64), 1);
}

TEST(ColorToIndexTest, TrueColorReturnsTheColourAndNoneRaises) {
  TPixelGraphic image;
  image.Allocate(2, 2, 3);
  EXPECT_EQ(image.ColorToIndex(0x00123456), 0x00123456u);
  TPixelGraphic indexed;
  indexed.Allocate(2, 2, 2);
  indexed.SetPaletteIdent(pGray16);
  indexed.SetPaletteCount(0);
  ASSERT_EQ(indexed.PaletteIdent(), pNone);
  EXPECT_THROW(indexed.ColorToIndex(0), EPGNoPalette);
}

// The candidate lists must give the exhaustive answer, first minimum winning, for
// every colour; all cell corners and their neighbours plus a million random colours.
TEST(ColorToIndexTest, Special252EqualsExhaustiveSearch) {
  const auto& palette = FixedPaletteColors(pSpecial252);
  TPixelGraphic image;
  image.Allocate(1, 1, 2);
  image.SetPaletteIdent(pSpecial252);
  std::vector<int> edges;
  for (int level = 0; level <= 8; ++level) {
    const int lo = level == 0 ? 0 : 32 * level - 16, hi = level == 8 ? 255 : 32 * level + 15;
    for (int v : {lo, lo + 1, hi - 1, hi, (lo + hi) / 2}) edges.push_back(v);
  }
  for (int r : edges)
    for (int g : edges)
      for (int b : edges)
        ASSERT_EQ(image.ColorToIndex(RGBColor(r, g, b)), std::uint32_t(Nearest(palette, r, g, b)))
            << r << "," << g << "," << b;
  std::mt19937 rng(252);
  for (int i = 0; i < 1000000; ++i) {
    const TColor c = rng() & 0xFFFFFF;
    ASSERT_EQ(image.ColorToIndex(c), std::uint32_t(Nearest(palette, GetRValue(c), GetGValue(c), GetBValue(c))))
        << std::hex << c;
  }
}

// All 2^24 colours; slow, run on demand with --gtest_also_run_disabled_tests.
TEST(ColorToIndexTest, DISABLED_Special252EqualsExhaustiveSearchForEveryColour) {
  const auto& palette = FixedPaletteColors(pSpecial252);
  TPixelGraphic image;
  image.Allocate(1, 1, 2);
  image.SetPaletteIdent(pSpecial252);
  for (TColor c = 0; c < 0x1000000; ++c)
    ASSERT_EQ(image.ColorToIndex(c), std::uint32_t(Nearest(palette, GetRValue(c), GetGValue(c), GetBValue(c))))
        << std::hex << c;
}

TEST(ColorToIndexTest, Special252CandidateListsAreShortAndOrdered) {
  const auto& table = color_detail::Special252Candidates();
  EXPECT_EQ(table.Start[0], 0);
  EXPECT_EQ(table.Start[729], table.List.size());
  for (int cell = 0; cell < 729; ++cell) {
    ASSERT_LT(table.Start[cell], table.Start[cell + 1]) << "cell " << cell << " has no candidate";
    for (int i = table.Start[cell] + 1; i < table.Start[cell + 1]; ++i) ASSERT_LT(table.List[i - 1], table.List[i]);
  }
  // An acceleration only if the lists stay short: about 2.6 entries per cell.
  EXPECT_LE(table.List.size(), 2400u);
  RecordProperty("candidates", static_cast<int>(table.List.size()));
}

std::vector<TColor> RandomPalette(int count, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<TColor> p;
  for (int i = 0; i < count; ++i) p.push_back(rng() & 0xFFFFFF);
  return p;
}

void SetPalette(TPixelGraphic& image, const std::vector<TColor>& palette) {
  image.SetPaletteCount(static_cast<int>(palette.size()));
  for (size_t i = 0; i < palette.size(); ++i) image.SetPaletteColor(static_cast<int>(i), palette[i]);
}

TEST(ColorCacheTest, WithoutCacheTheSearchIsExhaustiveFirstMinimumWins) {
  TPixelGraphic image;
  image.Allocate(1, 1, 2);
  // Entries 1 and 2 are equally near to (10, 10, 10); entry 1 wins.
  SetPalette(image, {RGBColor(200, 0, 0), RGBColor(0, 10, 10), RGBColor(20, 10, 10), RGBColor(10, 10, 10)});
  image.SetUsePaletteCache(false);
  EXPECT_EQ(image.ColorToIndex(RGBColor(10, 10, 10)), 3u);
  EXPECT_EQ(image.ColorToIndex(RGBColor(10, 10, 11)), 3u);
  EXPECT_EQ(image.ColorToIndex(RGBColor(6, 10, 10)), 3u);
  EXPECT_EQ(image.ColorToIndex(RGBColor(5, 10, 10)), 1u);  // 25 from entry 1 and from entry 3
  const auto palette = RandomPalette(256, 5);
  SetPalette(image, palette);
  image.SetUsePaletteCache(false);
  std::mt19937 rng(6);
  for (int i = 0; i < 20000; ++i) {
    const TColor c = rng() & 0xFFFFFF;
    ASSERT_EQ(image.ColorToIndex(c), std::uint32_t(Nearest(palette, GetRValue(c), GetGValue(c), GetBValue(c))));
  }
}

TEST(ColorCacheTest, SeedingGoesByCellDistanceNotColourDistance) {
  // (0, 0, 0) is 2 red cells from entry 1 and 4 green cells from entry 0, although both
  // entries are 16 away: seeding gives the cell to entry 1; the exact search to entry 0.
  TPixelGraphic image;
  image.Allocate(1, 1, 2);
  SetPalette(image, {RGBColor(0, 16, 0), RGBColor(16, 0, 0)});
  EXPECT_EQ(image.ColorToIndex(RGBColor(0, 0, 0)), 1u);
  image.SetUsePaletteCache(false);
  EXPECT_EQ(image.ColorToIndex(RGBColor(0, 0, 0)), 0u);
}

TEST(ColorCacheTest, SeededCellAnswersEvenWhenAnotherEntryIsNearer) {
  TPixelGraphic image;
  image.Allocate(1, 1, 2);
  SetPalette(image, {RGBColor(0, 0, 0), RGBColor(12, 0, 0)});
  // (7, 0, 0) shares entry 0's cell; entry 1 is nearer.
  EXPECT_EQ(image.ColorToIndex(RGBColor(7, 0, 0)), 0u);
  // Equal cell distance: the lower index takes the cell.
  SetPalette(image, {RGBColor(80, 128, 128), RGBColor(112, 128, 128)});  // red cells 10 and 14
  EXPECT_EQ(image.ColorToIndex(RGBColor(103, 128, 128)), 0u);            // cell 12
  SetPalette(image, {RGBColor(112, 128, 128), RGBColor(80, 128, 128)});
  EXPECT_EQ(image.ColorToIndex(RGBColor(103, 128, 128)), 0u);
}

TEST(ColorCacheTest, AnUnseededCellKeepsTheFirstAnswer) {
  // Red cells 10 and 22: cell 16 (128..135) is 6 cells from both, so it is not seeded.
  const std::vector<TColor> palette = {RGBColor(80, 128, 128), RGBColor(176, 128, 128)};
  TPixelGraphic image;
  image.Allocate(1, 1, 2);
  SetPalette(image, palette);
  EXPECT_EQ(image.ColorToIndex(RGBColor(128, 128, 128)), 0u);  // a tie: the first entry
  EXPECT_EQ(image.ColorToIndex(RGBColor(135, 128, 128)), 0u);  // entry 1 is nearer, the cell says 0
  image.ClearColorCache();
  EXPECT_EQ(image.ColorToIndex(RGBColor(135, 129, 128)), 1u);
  EXPECT_EQ(image.ColorToIndex(RGBColor(128, 128, 128)), 1u);
  // A palette change clears the cache and the memo.
  image.SetPaletteColor(1, RGBColor(176, 128, 129));
  EXPECT_EQ(image.ColorToIndex(RGBColor(128, 128, 128)), 0u);
}

TEST(ColorCacheTest, SettingsChangesResetTheMemo) {
  TPixelGraphic image;
  image.Allocate(1, 1, 2);
  image.SetPaletteIdent(pGray16);
  int changes = 0;
  image.OnChange = [&](TPixelGraphic&) { ++changes; };
  EXPECT_EQ(image.ColorToIndex(RGBColor(255, 0, 0)), 4u);
  image.SetRGBWeighting(false);
  EXPECT_EQ(image.ColorToIndex(RGBColor(255, 0, 0)), 5u);
  EXPECT_EQ(changes, 0);
  image.SetUsePaletteCache(false);
  image.SetUsePaletteCache(false);
  EXPECT_EQ(changes, 1);
}

}  // namespace
}  // namespace lumora
