// Error diffusion: the limit table, the per-pixel store against a literal reference,
// and the row stores against per-pixel calls, for every palette kind.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "imaging/core/color_mapping.h"
#include "imaging/core/color_resolution.h"
#include "imaging/core/exceptions.h"
#include "imaging/core/fixed_palettes.h"
#include "imaging/core/pixel_graphic.h"
#include "tests/support/dither_reference.h"
#include "tests/support/test_support.h"

namespace lumora {
namespace {

struct TableCase {
  int limit;
  bool soft;
  std::vector<std::pair<int, int>> values;  // (i, T[i])
};

class ErrorTableTest : public ::testing::TestWithParam<TableCase> {};

TEST_P(ErrorTableTest, HasTheKneeOfItsLimit) {
  const TableCase& c = GetParam();
  const std::vector<int> table = DitherErrorLimitTable(c.limit, c.soft);
  ASSERT_EQ(table.size(), 511u);
  for (auto [i, t] : c.values) {
    EXPECT_EQ(table[i + 255], t) << "T[" << i << "]";
    EXPECT_EQ(table[255 - i], -t) << "T[" << -i << "]";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Limits, ErrorTableTest,
    ::testing::Values(
        // The default: identity to 15, i div 2 + 8 from 16 to 48, then 32.
        TableCase{32, true, {{0, 0}, {15, 15}, {16, 16}, {17, 16}, {31, 23}, {48, 32}, {49, 32}, {255, 32}}},
        TableCase{32, false, {{15, 15}, {31, 31}, {32, 32}, {100, 32}, {255, 32}}},
        TableCase{128, true, {{63, 63}, {64, 64}, {100, 82}, {191, 127}, {192, 128}, {193, 128}, {255, 128}}},
        // 255 keeps the identity beyond the knee, which stops short of 255.
        TableCase{255, true, {{126, 126}, {127, 126}, {128, 127}, {254, 190}, {255, 255}}},
        TableCase{255, false, {{1, 1}, {254, 254}, {255, 255}}},
        TableCase{2, true, {{1, 0}, {2, 1}, {3, 1}, {4, 2}, {255, 2}}},
        TableCase{3, true, {{1, 0}, {2, 1}, {3, 1}, {4, 2}, {5, 3}, {255, 3}}},
        TableCase{104, true, {{51, 51}, {52, 52}, {100, 76}, {156, 104}, {157, 104}}},
        TableCase{0, true, {{0, 0}, {1, 0}, {128, 0}, {255, 0}}}));

TEST(DitherLimitTest, AutomaticLimitFollowsTheIdentity) {
  const std::pair<TPaletteIdent, int> cases[] = {
      {pNone, 32},       {pTrueColor, 32},  {pUnknown, 32},      {pBlackWhite, 255}, {pSysGray4, 128},
      {pSys16, 128},     {pGray4, 128},     {pGray16, 32},       {pGray236, 3},      {pGray256, 2},
      {pSpecial125, 104}, {pSpecial216, 86}, {pSpecial252, 104}, {pOptimized252Sys16, 0}, {pSource, 0}};
  for (auto [ident, limit] : cases) EXPECT_EQ(DitherAutoErrorLimit(ident), limit) << int(ident);
}

TEST(DitherLimitTest, BeginDitherUsesAutoOrTheImageSettings) {
  TPixelGraphic image;
  image.Allocate(5, 3, 2);
  image.SetPaletteIdent(pSpecial216);
  image.DitherErrorLimitSoft = false;
  image.BeginDither();
  EXPECT_EQ(image.ColorResolutionState().ErrorLimitTable, DitherErrorLimitTable(86, true));
  EXPECT_EQ(image.ColorResolutionState().ErrorRows[0].size(), 3u * 7);
  image.DitherErrorLimitAuto = false;
  image.DitherErrorLimit = 50;
  image.BeginDither();
  EXPECT_EQ(image.ColorResolutionState().ErrorLimitTable, DitherErrorLimitTable(50, false));
  image.EndDither();
  EXPECT_TRUE(image.ColorResolutionState().ErrorRows[0].empty());
}

// ---- Destinations of every palette kind ----

struct Destination {
  const char* name;
  int bitCountNum;
  TPaletteIdent ident;  // pUnknown: a random palette of `entries`
  int entries;
  bool cache;
  bool weighted;
  bool grayPalette;  // random palette of grays
  int manualLimit;   // > 0: DitherErrorLimitAuto off
};

void Prepare(TPixelGraphic& image, const Destination& d, int width, int height) {
  image.Allocate(width, height, d.bitCountNum);
  if (d.ident == pUnknown) {
    std::mt19937 rng(d.entries * 7 + 1);
    image.SetPaletteCount(d.entries);
    for (int i = 0; i < d.entries; ++i) {
      const TColor c = rng() & 0xFFFFFF;
      image.SetPaletteColor(i, d.grayPalette ? RGBColor(c & 0xFF, c & 0xFF, c & 0xFF) : c);
    }
  } else if (d.ident != pTrueColor) {
    image.SetPaletteIdent(d.ident);
  }
  image.SetUsePaletteCache(d.cache);
  image.SetRGBWeighting(d.weighted);
  if (d.manualLimit > 0) {
    image.DitherErrorLimitAuto = false;
    image.DitherErrorLimit = static_cast<std::uint8_t>(d.manualLimit);
    image.DitherErrorLimitSoft = d.manualLimit % 2 == 0;
  }
}

// A 24-bit source: smooth gradients with noise, or plain noise.
void MakeSource(TPixelGraphic& source, int width, int height, bool noise, std::uint32_t seed) {
  source.Allocate(width, height, 3);
  std::mt19937 rng(seed);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      if (noise) {
        source.SetPixel(x, y, rng() & 0xFFFFFF);
      } else {
        const int n = int(rng() % 21) - 10;
        source.SetPixel(x, y, RGBColor(std::clamp(x * 255 / width + n, 0, 255), std::clamp(y * 255 / height - n, 0, 255),
                                       std::clamp((x + y) * 127 / (width + height) + 64 + n, 0, 255)));
      }
    }
}

class DitherEquivalenceTest : public ::testing::TestWithParam<Destination> {};

TEST_P(DitherEquivalenceTest, PerPixelAndRowStoresEqualTheReference) {
  const Destination& d = GetParam();
  // Narrow and wide rows: wide gray rows take the level table of stateless kernels.
  for (auto [noise, width] : {std::pair{false, 53}, std::pair{true, 53}, std::pair{false, 300}, std::pair{true, 300}}) {
    const int height = 31;
    TPixelGraphic source;
    MakeSource(source, width, height, noise, 99);

    TPixelGraphic reference, perPixel, rows, splitRows;
    Prepare(reference, d, width, height);
    Prepare(perPixel, d, width, height);
    Prepare(rows, d, width, height);
    Prepare(splitRows, d, width, height);

    reference::ReferenceDither literal(reference);
    perPixel.BeginDither();
    rows.BeginDither();
    splitRows.BeginDither();
    for (int y = 0; y < height; ++y) {
      literal.NextRow();
      perPixel.NextDitherRow();
      rows.NextDitherRow();
      splitRows.NextDitherRow();
      for (int i = 0; i < width; ++i) {
        const int x = y % 2 == 0 ? i : width - 1 - i;
        const TColor c = source.GetPixel(x, y);
        literal.Store(x, y, GetRValue(c), GetGValue(c), GetBValue(c));
        perPixel.SetRGBPixelDithered(x, y, GetRValue(c), GetGValue(c), GetBValue(c));
      }
      StoreRGBRowDithered(rows, y, 0, width, source.ScanLine(y));
      // Two segments in scan order: the left part first on even rows.
      const int cut = 1 + y % (width - 1);
      const std::uint8_t* row = source.ScanLine(y);
      if (y % 2 == 0) {
        StoreRGBRowDithered(splitRows, y, 0, cut, row);
        StoreRGBRowDithered(splitRows, y, cut, width - cut, row + 3 * cut);
      } else {
        StoreRGBRowDithered(splitRows, y, cut, width - cut, row + 3 * cut);
        StoreRGBRowDithered(splitRows, y, 0, cut, row);
      }
    }
    ASSERT_TRUE(test::SamePixels(reference, perPixel)) << "per-pixel store, noise " << noise;
    ASSERT_TRUE(test::SamePixels(reference, rows)) << "row store, noise " << noise;
    ASSERT_TRUE(test::SamePixels(reference, splitRows)) << "split row store, noise " << noise;
  }
}

TEST_P(DitherEquivalenceTest, PlainRowStoreEqualsSetRGBPixel) {
  const Destination& d = GetParam();
  const int width = 61, height = 17;
  TPixelGraphic source;
  MakeSource(source, width, height, true, 7);
  TPixelGraphic perPixel, rows;
  Prepare(perPixel, d, width + 10, height);
  Prepare(rows, d, width + 10, height);
  for (int y = 0; y < height; ++y) {
    // Offsets that reach past both edges: the columns outside are skipped.
    const int x0 = y % 3 == 0 ? -4 : y % 3 == 1 ? 3 : 14;
    for (int i = 0; i < width; ++i) {
      const TColor c = source.GetPixel(i, y);
      perPixel.SetRGBPixel(x0 + i, y, c);
    }
    StoreRGBRow(rows, y, x0, width, source.ScanLine(y));
  }
  EXPECT_TRUE(test::SamePixels(perPixel, rows));
  // The cache learnt the same cells, so later lookups agree too.
  std::mt19937 rng(3);
  for (int i = 0; i < 2000 && perPixel.PaletteIdent() != pTrueColor; ++i) {
    const TColor c = rng() & 0xFFFFFF;
    ASSERT_EQ(perPixel.ColorToIndex(c), rows.ColorToIndex(c));
  }
  // The same through ColorsToIndices.
  std::vector<TColor> colors(500);
  for (TColor& c : colors) c = rng() & 0xFFFFFF;
  std::vector<std::uint32_t> indices(colors.size());
  ColorsToIndices(rows, colors.data(), static_cast<int>(colors.size()), indices.data());
  for (size_t i = 0; i < colors.size(); ++i) ASSERT_EQ(indices[i], perPixel.ColorToIndex(colors[i]));
}

INSTANTIATE_TEST_SUITE_P(
    Palettes, DitherEquivalenceTest,
    ::testing::Values(Destination{"BlackWhite", 0, pBlackWhite, 0, true, true, false, 0},
                      Destination{"TwoRandom", 0, pUnknown, 2, true, true, false, 0},
                      Destination{"SysGray4", 1, pSysGray4, 0, true, true, false, 0},
                      Destination{"Sys16", 1, pSys16, 0, true, true, false, 0},
                      Destination{"Gray4", 1, pGray4, 0, true, false, false, 0},
                      Destination{"Gray16", 1, pGray16, 0, true, true, false, 0},
                      Destination{"Random16", 1, pUnknown, 16, true, true, false, 0},
                      Destination{"Gray236", 2, pGray236, 0, true, true, false, 0},
                      Destination{"Gray256", 2, pGray256, 0, true, false, false, 0},
                      Destination{"Special125", 2, pSpecial125, 0, true, true, false, 0},
                      Destination{"Special216", 2, pSpecial216, 0, true, true, false, 0},
                      Destination{"Special252", 2, pSpecial252, 0, true, true, false, 0},
                      Destination{"Random256Cached", 2, pUnknown, 256, true, true, false, 0},
                      Destination{"Random200Exhaustive", 2, pUnknown, 200, false, true, false, 0},
                      Destination{"RandomGrays40", 2, pUnknown, 40, true, true, true, 0},
                      Destination{"Random100Limit60Soft", 2, pUnknown, 100, true, true, false, 60},
                      Destination{"Sys16Limit201Hard", 1, pSys16, 0, true, false, false, 201},
                      Destination{"TrueColorDestination", 3, pTrueColor, 0, true, true, false, 0},
                      Destination{"IndexedWithoutPalette", 2, pTrueColor, 0, true, true, false, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DitherTest, HandComputedFirstRowIntoBlackAndWhite) {
  // Black and white is a gray palette: the error runs in the green channel. Gray 100
  // (lum 300) is black; its error 100 x 7/16 = 43.75 rounds to 44, so the next pixel is
  // 144 (white, error -111); -111 x 7/16 = -48.56 rounds to -49, giving 51 (black).
  TPixelGraphic image;
  image.Allocate(3, 2, 0);
  image.SetPaletteIdent(pBlackWhite);
  image.BeginDither();
  image.NextDitherRow();
  for (int x = 0; x < 3; ++x) image.SetRGBPixelDithered(x, 0, 100, 100, 100);
  EXPECT_EQ(image.GetPixel(0, 0), 0u);
  EXPECT_EQ(image.GetPixel(1, 0), 1u);
  EXPECT_EQ(image.GetPixel(2, 0), 0u);
  const int* next = image.ColorResolutionState().NextErrors();
  const int green = 1;
  EXPECT_EQ(next[3 * 0 + green], 3 * 100);                         // cell -1
  EXPECT_EQ(next[3 * 1 + green], 5 * 100 + 3 * -111);              // cell 0
  EXPECT_EQ(next[3 * 2 + green], 1 * 100 + 5 * -111 + 3 * 51);     // cell 1
  EXPECT_EQ(next[3 * 3 + green], 1 * -111 + 5 * 51);               // cell 2
  EXPECT_EQ(next[3 * 4 + green], 1 * 51);                          // cell 3, the spare one
  EXPECT_EQ(next[3 * 2 + 0], 0);
}

TEST(DitherTest, FlatHalfGrayIntoBlackAndWhiteIsHalfBlack) {
  const int width = 64, height = 64;
  for (bool dither : {true, false}) {
    TPixelGraphic source, target;
    source.Allocate(width, height, 3);
    source.FillColor = RGBColor(128, 128, 128);
    source.Clear();
    target.Allocate(width, height, 0);
    target.SetPaletteIdent(pBlackWhite);
    target.Dither = dither;
    target.StretchFrom(source);
    int black = 0;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) black += target.GetPixel(x, y) == 0;
    if (dither) {
      EXPECT_GT(black, width * height * 2 / 5);
      EXPECT_LT(black, width * height * 3 / 5);
    } else {
      EXPECT_EQ(black, 0);  // lum 384 is white
    }
  }
}

TEST(DitherTest, Gray256AddsAtMostTwoSteps) {
  const int width = 40, height = 40;
  TPixelGraphic source, target;
  MakeSource(source, width, height, true, 11);
  target.Allocate(width, height, 2);
  target.SetPaletteIdent(pGray256);
  target.BeginDither();
  int largest = 0;
  for (int y = 0; y < height; ++y) {
    target.NextDitherRow();
    StoreRGBRowDithered(target, y, 0, width, source.ScanLine(y));
    for (int x = 0; x < width; ++x) {
      const TColor c = source.GetPixel(x, y);
      const int level = (897 * GetRValue(c) + 1761 * GetGValue(c) + 342 * GetBValue(c)) / 1000 / 3;
      largest = std::max(largest, std::abs(int(target.GetPixel(x, y)) - level));
    }
  }
  // 256 grays hold every level of the gray variant exactly, so no error arises at all;
  // the automatic limit would cap it at 2.
  EXPECT_LE(largest, 2);
  EXPECT_EQ(target.ColorResolutionState().ErrorLimitTable[255 + 100], 2);
}

TEST(DitherTest, StoresOutsideTheImageAreIgnoredOrRaise) {
  TPixelGraphic image;
  image.Allocate(4, 2, 2);
  image.SetPaletteIdent(pGray256);
  image.BeginDither();
  image.NextDitherRow();
  image.SetRGBPixelDithered(-1, 0, 200, 200, 200);
  image.SetRGBPixelDithered(4, 0, 200, 200, 200);
  image.SetRGBPixelDithered(0, 2, 200, 200, 200);
  for (int v : image.ColorResolutionState().ErrorRows[0]) EXPECT_EQ(v, 0);
  for (int v : image.ColorResolutionState().ErrorRows[1]) EXPECT_EQ(v, 0);
  const std::uint8_t bgr[3] = {1, 2, 3};
  StoreRGBRowDithered(image, 5, 0, 1, bgr);
  StoreRGBRowDithered(image, 0, 4, 1, bgr);
  StoreRGBRow(image, -1, 0, 1, bgr);
  image.RangeCheck = true;
  EXPECT_THROW(image.SetRGBPixelDithered(4, 0, 1, 1, 1), EPGXYIndexOutOfRange);
}

TEST(DitherTest, RowStoreWithoutPaletteRaisesBeforeStoring) {
  TPixelGraphic image;
  image.Allocate(3, 1, 2);
  image.SetPaletteIdent(pGray16);
  image.SetPaletteCount(0);
  image.FillColor = 9;
  image.Clear();
  const std::uint8_t bgr[9] = {};
  EXPECT_THROW(StoreRGBRow(image, 0, 0, 3, bgr), EPGNoPalette);
  EXPECT_THROW(StoreRGBRowDithered(image, 0, 0, 3, bgr), EPGNoPalette);
  for (int x = 0; x < 3; ++x) EXPECT_EQ(image.GetPixel(x, 0), 9u);
}

}  // namespace
}  // namespace lumora
