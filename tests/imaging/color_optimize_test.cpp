// OptimizePalette: median cut for true-colour sources, octree for indexed ones, the
// fallback to the system colours.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "imaging/core/color_resolution.h"
#include "imaging/core/fixed_palettes.h"
#include "imaging/core/pixel_graphic.h"

namespace lumora {
namespace {

// A 24-bit picture of the given colours, each repeated `counts[i]` times (row-major).
void MakeTrueColor(TPixelGraphic& image, int width, int height, const std::vector<TColor>& colors,
                   const std::vector<int>& counts) {
  image.Allocate(width, height, 3);
  int p = 0;
  for (size_t i = 0; i < colors.size(); ++i)
    for (int n = 0; n < counts[i]; ++n, ++p) image.SetPixel(p % width, p / width, colors[i]);
}

std::vector<TColor> Palette(const TPixelGraphic& image) { return image.PaletteColors(); }

TColor CellCentre(TColor c) {
  return RGBColor(GetRValue(c) / 8 * 8 + 4, GetGValue(c) / 4 * 4 + 2, GetBValue(c) / 8 * 8 + 4);
}

TEST(MedianCutTest, OnePixelGivesTheCentreOfItsCell) {
  TPixelGraphic source, target;
  MakeTrueColor(source, 1, 1, {RGBColor(255, 0, 0)}, {1});
  target.Allocate(1, 1, 1);
  OptimizePalette(target, source, 16, false);
  EXPECT_EQ(Palette(target), (std::vector<TColor>{RGBColor(252, 2, 4)}));
}

TEST(MedianCutTest, TwoColoursSplitAlongGreenFirst) {
  // The whole cube spans 16 x 31 red, 12 x 63 green, 16 x 31 blue: green is widest.
  TPixelGraphic source, target;
  MakeTrueColor(source, 2, 1, {RGBColor(0, 0, 0), RGBColor(255, 255, 255)}, {1, 1});
  OptimizePalette(target, source, 2, false);
  EXPECT_EQ(Palette(target), (std::vector<TColor>{RGBColor(4, 2, 4), RGBColor(252, 254, 252)}));
}

TEST(MedianCutTest, MeanIsWeightedAndRoundedHalfUp) {
  // Three pixels in red cell 0 and one in red cell 1: (3 x 4 + 12 + 2) div 4 = 6.
  TPixelGraphic source, target;
  MakeTrueColor(source, 4, 1, {RGBColor(0, 0, 0), RGBColor(8, 0, 0)}, {3, 1});
  OptimizePalette(target, source, 1, false);
  EXPECT_EQ(Palette(target), (std::vector<TColor>{RGBColor(6, 2, 4)}));
}

TEST(MedianCutTest, CountersStopAt65535) {
  // 65,792 black pixels count as 65,535; with 256 pixels of red cell 1 the mean red is
  // (65535 x 4 + 256 x 12 + N div 2) div N with N = 65,791, which is 4.
  TPixelGraphic source, target;
  MakeTrueColor(source, 256, 258, {RGBColor(0, 0, 0), RGBColor(8, 0, 0)}, {256 * 257, 256});
  OptimizePalette(target, source, 1, false);
  EXPECT_EQ(Palette(target), (std::vector<TColor>{RGBColor(4, 2, 4)}));
  // 196,609 black pixels against 65,535 of red cell 2: capped, both count 65,535 and
  // red is (65535 x 4 + 65535 x 20 + 65535) div 131070 = 12; uncapped it would be 8.
  MakeTrueColor(source, 512, 512, {RGBColor(0, 0, 0), RGBColor(16, 0, 0)}, {196609, 65535});
  OptimizePalette(target, source, 1, false);
  EXPECT_EQ(GetRValue(Palette(target)[0]), 12);
}

TEST(MedianCutTest, SumsDoNotOverflowOnLargePictures) {
  // 3000 x 3000 pixels in 150 cells of red cell 31: the red sum is 9e6 x 252.
  const int width = 3000, height = 3000;
  TPixelGraphic source, target;
  source.Allocate(width, height, 3);
  std::int64_t sumG = 0, sumB = 0;
  for (int y = 0; y < height; ++y) {
    const int cell = y / 20;  // 150 cells, 60,000 pixels each
    const int g = cell % 64, b = cell / 64;
    std::uint8_t* row = source.ScanLine(y);
    for (int x = 0; x < width; ++x) {
      row[3 * x] = std::uint8_t(8 * b);
      row[3 * x + 1] = std::uint8_t(4 * g);
      row[3 * x + 2] = 255;
    }
    sumG += std::int64_t(width) * (4 * g + 2);
    sumB += std::int64_t(width) * (8 * b + 4);
  }
  OptimizePalette(target, source, 1, false);
  const std::int64_t n = std::int64_t(width) * height;
  ASSERT_EQ(target.PaletteCount(), 1);
  EXPECT_EQ(Palette(target)[0], RGBColor(252, int((sumG + n / 2) / n), int((sumB + n / 2) / n)));
}

TEST(MedianCutTest, TenColoursAndTheSystemColours) {
  std::vector<TColor> colors;
  for (int i = 0; i < 10; ++i) colors.push_back(RGBColor(25 * i, 255 - 20 * i, (i * 97) % 256));
  TPixelGraphic source, target;
  MakeTrueColor(source, 10, 3, colors, std::vector<int>(10, 3));
  target.Allocate(10, 3, 2);
  OptimizePalette(target, source, 252, true);
  const std::vector<TColor> p = Palette(target);
  ASSERT_EQ(p.size(), 26u);
  std::set<TColor> centres;
  for (TColor c : colors) centres.insert(CellCentre(c));
  EXPECT_EQ(std::set<TColor>(p.begin(), p.begin() + 10), centres);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(p[10 + i], kSystemColors[i]);
}

TEST(MedianCutTest, NeverMoreBoxesThanAsked) {
  TPixelGraphic source, target;
  source.Allocate(97, 61, 3);
  std::mt19937 rng(4);
  for (int y = 0; y < 61; ++y)
    for (int x = 0; x < 97; ++x) source.SetPixel(x, y, rng() & 0xFFFFFF);
  for (int count : {1, 2, 3, 16, 100, 236, 256}) {
    OptimizePalette(target, source, count, false);
    EXPECT_EQ(target.PaletteCount(), count);
  }
  OptimizePalette(target, source, 252, true);
  EXPECT_EQ(target.PaletteCount(), 252);
  EXPECT_EQ(Palette(target)[236], kSystemColors[0]);
}

// An 8-bit source with this palette; pixel i shows index indices[i].
void MakeIndexed(TPixelGraphic& image, const std::vector<TColor>& palette, const std::vector<int>& indices) {
  image.Allocate(static_cast<int>(indices.size()), 1, 2);
  image.SetPaletteCount(static_cast<int>(palette.size()));
  for (size_t i = 0; i < palette.size(); ++i) image.SetPaletteColor(static_cast<int>(i), palette[i]);
  for (size_t i = 0; i < indices.size(); ++i) image.SetPixel(static_cast<int>(i), 0, indices[i]);
}

TEST(OctreeTest, TenColoursAreKeptExactlyInTreeOrder) {
  const std::vector<TColor> palette = {RGBColor(200, 10, 10), RGBColor(10, 200, 10), RGBColor(10, 10, 200),
                                       RGBColor(1, 2, 3),     RGBColor(250, 250, 5),  RGBColor(128, 128, 128),
                                       RGBColor(129, 128, 128), RGBColor(0, 255, 255), RGBColor(77, 66, 55),
                                       RGBColor(255, 255, 255), RGBColor(9, 9, 9)};
  TPixelGraphic source, target;
  MakeIndexed(source, palette, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 5});  // entry 10 unused
  OptimizePalette(target, source, 252, true);
  const std::vector<TColor> p = Palette(target);
  ASSERT_EQ(p.size(), 26u);
  // Depth first, children by (R bit, G bit, B bit) from the top bit: the order of the
  // colours' bits interleaved.
  auto morton = [](TColor c) {
    std::uint32_t key = 0;
    for (int bit = 7; bit >= 0; --bit)
      key = key << 3 | ((GetRValue(c) >> bit) & 1) << 2 | ((GetGValue(c) >> bit) & 1) << 1 | ((GetBValue(c) >> bit) & 1);
    return key;
  };
  std::vector<TColor> expected(palette.begin(), palette.begin() + 10);
  std::sort(expected.begin(), expected.end(), [&](TColor a, TColor b) { return morton(a) < morton(b); });
  EXPECT_EQ(std::vector<TColor>(p.begin(), p.begin() + 10), expected);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(p[10 + i], kSystemColors[i]);
}

TEST(OctreeTest, ABranchPassedAgainBecomesReducible) {
  // Black and blue part at the root; black's second entry passes the root again, which
  // lists it; with one colour allowed the root is reduced to the weighted mean.
  TPixelGraphic source, target;
  MakeIndexed(source, {RGBColor(0, 0, 0), RGBColor(0, 0, 255), RGBColor(0, 0, 0)}, {0, 1, 1, 2});
  OptimizePalette(target, source, 1, false);
  EXPECT_EQ(Palette(target), (std::vector<TColor>{RGBColor(0, 0, 510 / 4)}));
}

TEST(OctreeTest, ReductionMayLeaveFewerColoursThanAllowed) {
  // Black, blue and red part at the root, which is only listed when dark blue passes
  // it again; reducing it leaves one colour although two are allowed.
  TPixelGraphic source, target;
  MakeIndexed(source, {RGBColor(0, 0, 0), RGBColor(0, 0, 255), RGBColor(255, 0, 0), RGBColor(0, 0, 254)},
              {0, 1, 2, 3});
  OptimizePalette(target, source, 2, false);
  EXPECT_EQ(Palette(target), (std::vector<TColor>{RGBColor(255 / 4, 0, 509 / 4)}));
}

TEST(OctreeTest, NeverMoreColoursThanAllowed) {
  // Three colours that part at the root and never pass it again would stay three
  // leaves; a two-colour target must still get at most two entries.
  TPixelGraphic source, target;
  MakeIndexed(source, {RGBColor(0, 0, 0), RGBColor(0, 0, 255), RGBColor(255, 0, 0)}, {0, 1, 2});
  target.Allocate(3, 1, 0);
  OptimizePalette(target, source, 2, false);
  EXPECT_GE(target.PaletteCount(), 1);
  EXPECT_LE(target.PaletteCount(), 2);
  // Random palettes of every size stay within the count as well.
  std::mt19937 rng(8);
  for (int count : {1, 2, 5, 16, 60}) {
    std::vector<TColor> palette(256);
    for (TColor& c : palette) c = rng() & 0xFFFFFF;
    std::vector<int> indices(400);
    for (int& i : indices) i = static_cast<int>(rng() % 256);
    MakeIndexed(source, palette, indices);
    OptimizePalette(target, source, count, false);
    EXPECT_GE(target.PaletteCount(), 1) << count;
    EXPECT_LE(target.PaletteCount(), count) << count;
  }
}

TEST(OctreeTest, IndicesBeyondThePaletteCountAsEntryZero) {
  TPixelGraphic source, target;
  MakeIndexed(source, {RGBColor(10, 20, 30), RGBColor(200, 100, 50)}, {0, 1});
  source.SetPixel(1, 0, 7);  // beyond the palette: shows entry 0
  OptimizePalette(target, source, 16, false);
  EXPECT_EQ(Palette(target), (std::vector<TColor>{RGBColor(10, 20, 30)}));
}

struct FallbackCase {
  const char* name;
  int sourceBits;  // -1: an empty source
  int count;
  bool withSystemColors;
  bool abortAtOnce;
  int expectedEntries;
};

class FallbackTest : public ::testing::TestWithParam<FallbackCase> {};

TEST_P(FallbackTest, GivesTheFirstSystemColours) {
  const FallbackCase& c = GetParam();
  TPixelGraphic source, target;
  if (c.sourceBits == 3) MakeTrueColor(source, 2, 2, {RGBColor(1, 2, 3)}, {4});
  if (c.sourceBits == 2) MakeIndexed(source, {RGBColor(1, 2, 3)}, {0, 0});
  if (c.abortAtOnce) target.OnProgress = [](TPixelGraphic&, int, int, bool& abort) { abort = true; };
  OptimizePalette(target, source, c.count, c.withSystemColors);
  const std::vector<TColor> p = Palette(target);
  ASSERT_EQ(static_cast<int>(p.size()), c.expectedEntries);
  for (size_t i = 0; i < p.size(); ++i) EXPECT_EQ(p[i], kSystemColors[i]);
}

INSTANTIATE_TEST_SUITE_P(Cases, FallbackTest,
                         ::testing::Values(FallbackCase{"EmptySource", -1, 252, true, false, 16},
                                           FallbackCase{"EmptySourceFewColours", -1, 8, false, false, 8},
                                           FallbackCase{"NoRoomBesideSystemColours", 3, 16, true, false, 16},
                                           FallbackCase{"AbortedTrueColor", 3, 252, true, true, 16},
                                           FallbackCase{"AbortedIndexed", 2, 2, false, true, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(OptimizePaletteTest, CountsRowsThroughProgress) {
  TPixelGraphic source, target;
  MakeTrueColor(source, 3, 5, {RGBColor(9, 9, 9)}, {15});
  std::vector<int> steps;
  int starts = 0, ends = 0;
  target.OnProgressStart = [&](TPixelGraphic&) { ++starts; };
  target.OnProgressEnd = [&](TPixelGraphic&) { ++ends; };
  target.OnProgress = [&](TPixelGraphic&, int step, int max, bool&) {
    EXPECT_EQ(max, 5);
    steps.push_back(step);
  };
  OptimizePalette(target, source, 4, false);
  EXPECT_EQ(steps, (std::vector<int>{0, 1, 2, 3, 4}));
  EXPECT_EQ(starts, 1);
  EXPECT_EQ(ends, 1);
  // Stopping after two rows builds the palette from the rows counted.
  MakeTrueColor(source, 1, 3, {RGBColor(0, 0, 0), RGBColor(255, 255, 255)}, {2, 1});
  target.OnProgress = [](TPixelGraphic&, int step, int, bool& abort) { abort = step == 2; };
  OptimizePalette(target, source, 4, false);
  EXPECT_EQ(Palette(target), (std::vector<TColor>{RGBColor(4, 2, 4)}));
}

}  // namespace
}  // namespace lumora
