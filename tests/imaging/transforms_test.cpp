// Behaviour of the geometric transforms on small pictures whose results are known.
#include <gtest/gtest.h>

#include <random>

#include "imaging/core/exceptions.h"
#include "imaging/core/pixel_graphic.h"
#include "imaging/core/size_limits.h"
#include "tests/support/transform_reference.h"
#include "tests/support/transform_test_images.h"

namespace lumora {
namespace {

// A 24-bit row of gray levels.
void GrayRow(TPixelGraphic& image, const std::vector<int>& levels) {
  image.Allocate(int(levels.size()), 1, 3);
  for (size_t i = 0; i < levels.size(); ++i) image.SetPixel(int(i), 0, RGBColor(levels[i], levels[i], levels[i]));
}

struct TRowCase {
  const char* name;
  TStretchMode mode;
  std::vector<int> source;
  std::vector<int> expected;
};

class StretchRowTest : public ::testing::TestWithParam<TRowCase> {};

TEST_P(StretchRowTest, OneRowResamplesAsThePlanSays) {
  const TRowCase& c = GetParam();
  TPixelGraphic source, dest;
  GrayRow(source, c.source);
  dest.Allocate(int(c.expected.size()), 1, 3);
  dest.StretchMode = c.mode;
  dest.StretchFrom(source);
  for (size_t i = 0; i < c.expected.size(); ++i) EXPECT_EQ(GetRValue(dest.GetPixel(int(i), 0)), c.expected[i]) << i;
}

constexpr int P0 = 201, P1 = 10;
const TRowCase kRowCases[] = {
    // Doubling interpolates between the two nearest pixel centres, truncating.
    {"PreciseDoubles", smPrecise, {P0, P1}, {P0, (6 * P0 + 2 * P1) / 8, (2 * P0 + 6 * P1) / 8, P1}},
    // Reducing 3 -> 2 averages covered areas: weights 2,1 and 1,2 of 3.
    {"PreciseReducesByArea", smPrecise, {90, 31, 250}, {(2 * 90 + 31) / 3, (31 + 2 * 250) / 3}},
    // Medium pairs the other way: interpolation when reducing, areas when enlarging.
    {"MediumReducesByInterpolation", smMedium, {90, 31, 250}, {(3 * 90 + 31) / 4, (31 + 3 * 250) / 4}},
    {"MediumEnlargesByArea", smMedium, {P0, P1}, {P0, (P0 + P1) / 2, P1}},
    // Fast picks column (SW * u) div DW.
    {"FastReducesByTruncatedPosition", smFast, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, {0, 3, 6}},
    {"FastEnlargesByTruncatedPosition", smFast, {40, 80, 120}, {40, 40, 40, 80, 80, 120, 120}},
};

INSTANTIATE_TEST_SUITE_P(Rows, StretchRowTest, ::testing::ValuesIn(kRowCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(StretchTest, HalvingAveragesEachBlockWithPerRowTruncation) {
  TPixelGraphic source, dest;
  source.Allocate(4, 4, 3);
  test::FillRandom(source, 31);
  dest.Allocate(2, 2, 3);
  dest.StretchFrom(source);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x) {
      const TColor a = source.GetPixel(2 * x, 2 * y), b = source.GetPixel(2 * x + 1, 2 * y);
      const TColor c = source.GetPixel(2 * x, 2 * y + 1), d = source.GetPixel(2 * x + 1, 2 * y + 1);
      auto expect = [&](int (*channel)(TColor)) {
        return ((channel(a) + channel(b)) / 2 + (channel(c) + channel(d)) / 2) / 2;
      };
      const TColor got = dest.GetPixel(x, y);
      EXPECT_EQ(GetRValue(got), expect(GetRValue));
      EXPECT_EQ(GetGValue(got), expect(GetGValue));
      EXPECT_EQ(GetBValue(got), expect(GetBValue));
    }
}

TEST(StretchTest, EmptyRectanglesAndPicturesDoNothing) {
  TPixelGraphic source, dest;
  source.Allocate(3, 3, 3);
  test::FillRandom(source, 1);
  dest.Allocate(4, 4, 3);
  test::FillRandom(dest, 2);
  TPixelGraphic before;
  before.Assign(&dest);
  for (TStretchMode mode : {smFast, smMedium, smPrecise}) {
    dest.StretchMode = mode;
    dest.StretchCopy(0, 0, 4, 4, source, 0, 0, 0, 3);   // no source columns: no divisor either
    dest.StretchCopy(0, 0, 4, 0, source, 0, 0, 3, 3);
    dest.StretchCopy(0, 0, -4, 4, source, 0, 0, 3, 3);
    dest.StretchCopy(0, 0, 4, 4, source, 0, 0, 3, -1);
    TPixelGraphic empty;
    dest.StretchFrom(empty);
    EXPECT_TRUE(test::SameImage(before, dest)) << "mode " << mode;
  }
  TPixelGraphic emptyDest;
  emptyDest.StretchFrom(source);
  EXPECT_TRUE(emptyDest.GetEmpty());
}

TEST(StretchTest, CopyingFromItselfReadsTheOriginalPixels) {
  TPixelGraphic image, clone, expected;
  image.Allocate(9, 7, 3);
  test::FillRandom(image, 8);
  clone.Assign(&image);
  expected.Assign(&image);
  expected.StretchCopy(2, 1, 7, 6, clone, 0, 0, 4, 3);
  image.StretchCopy(2, 1, 7, 6, image, 0, 0, 4, 3);
  EXPECT_TRUE(test::SameImage(expected, image));
  expected.CopyRectFrom(1, 1, clone, 0, 0, 9, 7);
  image.Assign(&clone);
  image.CopyRectFrom(1, 1, image, 0, 0, 9, 7);
  EXPECT_TRUE(test::SameImage(expected, image));
}

TEST(StretchTest, ProgressPerRowAbortAndOneChangeAtTheEnd) {
  TPixelGraphic source, dest;
  source.Allocate(6, 6, 3);
  test::FillRandom(source, 3);
  dest.Allocate(3, 5, 3);
  test::TEventLog log;
  log.Attach(dest);
  dest.StretchFrom(source);
  EXPECT_EQ(log.events, (std::vector<std::string>{"start", "0/4", "1/4", "2/4", "3/4", "4/4", "end", "change"}));

  // Abort after row 1: rows 2.. keep what they held.
  dest.OnChange = nullptr;
  dest.Allocate(3, 5, 3);
  log.Attach(dest);
  log.events.clear();
  log.abortAtStep = 1;
  dest.StretchFrom(source);
  EXPECT_EQ(log.events, (std::vector<std::string>{"start", "0/4", "1/4", "end", "change"}));
  for (int y = 2; y < 5; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(dest.GetPixel(x, y), 0u) << x << "," << y;
  EXPECT_NE(dest.GetPixel(0, 0) | dest.GetPixel(1, 0) | dest.GetPixel(2, 0), 0u);
}

TEST(CopyRectTest, SamePaletteMovesRawIndicesEvenForDuplicateEntries) {
  // Entries 0 and 1 are the same red: a colour round trip would turn index 1 into 0.
  TPixelGraphic source, dest;
  source.Allocate(4, 2, 2);
  source.SetPaletteCount(3);
  source.SetPaletteColor(0, RGBColor(255, 0, 0));
  source.SetPaletteColor(1, RGBColor(255, 0, 0));
  source.SetPaletteColor(2, RGBColor(0, 0, 255));
  for (int x = 0; x < 4; ++x) source.SetPixel(x, 0, std::uint32_t(x % 3)), source.SetPixel(x, 1, 1);
  dest.Allocate(4, 2, 2);
  dest.CopyPalette(source);
  dest.CopyRectFrom(0, 0, source, 0, 0, 4, 2);
  EXPECT_TRUE(test::SameImage(source, dest));
}

TEST(CopyRectTest, ClipsToBothPictures) {
  TPixelGraphic source, dest;
  source.Allocate(3, 3, 3);
  test::FillRandom(source, 4);
  dest.Allocate(4, 4, 3);
  dest.CopyRectFrom(-1, 2, source, 0, 1, 10, 10);
  // Destination (x, y) takes source (x + 1, y - 1) where both exist.
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) {
      const bool copied = y >= 2 && x + 1 < 3;
      EXPECT_EQ(dest.GetPixel(x, y), copied ? source.GetPixel(x + 1, y - 1) : 0u) << x << "," << y;
    }
}

// ---- Rotation ----

struct TQuarterCase {
  const char* name;
  double angle;
  int width, height;
  // Source pixel (as x, y) that lands at destination (x, y) of the 3 x 2 source.
  std::pair<int, int> (*from)(int x, int y);
};

const TQuarterCase kQuarterCases[] = {
    {"Clockwise90", 90, 2, 3, [](int x, int y) { return std::pair{y, 1 - x}; }},
    {"Turn180", 180, 3, 2, [](int x, int y) { return std::pair{2 - x, 1 - y}; }},
    {"Clockwise270", 270, 2, 3, [](int x, int y) { return std::pair{2 - y, x}; }},
    {"CounterClockwise90", -90, 2, 3, [](int x, int y) { return std::pair{2 - y, x}; }},
    {"FullTurn", 360, 3, 2, [](int x, int y) { return std::pair{x, y}; }},
    {"NoTurn", 0, 3, 2, [](int x, int y) { return std::pair{x, y}; }},
    {"FiveQuarters", 450, 2, 3, [](int x, int y) { return std::pair{y, 1 - x}; }},
};

class QuarterTurnTest : public ::testing::TestWithParam<std::tuple<TQuarterCase, int>> {};

TEST_P(QuarterTurnTest, MovesEveryPixelExactlyIntoTheTurnedSize) {
  const auto& [c, bitCountNum] = GetParam();
  TPixelGraphic source, dest;
  const test::TImageKind kind{"k", bitCountNum, bitCountNum == 3 ? test::pkNoPalette : test::pkRandom};
  test::MakeImage(source, 3, 2, kind, 17);
  dest.Allocate(5, 5, bitCountNum);
  if (bitCountNum != 3) dest.CopyPalette(source);
  dest.RotateFrom(source, c.angle, true);
  ASSERT_EQ(dest.Width(), c.width);
  ASSERT_EQ(dest.Height(), c.height);
  for (int y = 0; y < c.height; ++y)
    for (int x = 0; x < c.width; ++x) {
      const auto [sx, sy] = c.from(x, y);
      EXPECT_EQ(dest.GetPixel(x, y), source.GetPixel(sx, sy)) << x << "," << y;
    }
}

INSTANTIATE_TEST_SUITE_P(AllFormats, QuarterTurnTest,
                         ::testing::Combine(::testing::ValuesIn(kQuarterCases), ::testing::Values(0, 1, 2, 3)),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).name) + "_format" +
                                  std::to_string(std::get<1>(info.param));
                         });

TEST(RotateTest, TopRowOfAClockwiseTurnIsTheLeftColumnReadUpwards) {
  TPixelGraphic source, dest;
  source.Allocate(3, 2, 3);
  test::FillRandom(source, 5);
  dest.RotateFrom(source, 90, true);
  EXPECT_EQ(dest.GetPixel(0, 0), source.GetPixel(0, 1));
  EXPECT_EQ(dest.GetPixel(1, 0), source.GetPixel(0, 0));
}

TEST(RotateTest, FortyFiveDegreesFitsABoxWithBlackCorners) {
  TPixelGraphic source, dest;
  source.Allocate(100, 100, 3);
  source.FillColor = RGBColor(255, 255, 255);
  source.Clear();
  dest.RotateFrom(source, 45, true);
  ASSERT_EQ(dest.Width(), 142);
  ASSERT_EQ(dest.Height(), 142);
  for (auto [x, y] : {std::pair{0, 0}, {141, 0}, {0, 141}, {141, 141}}) EXPECT_EQ(dest.GetPixel(x, y), 0u);
  EXPECT_EQ(dest.GetPixel(71, 71), RGBColor(255, 255, 255));
  EXPECT_EQ(dest.GetPixel(71, 2), RGBColor(255, 255, 255));  // the turned top corner
}

TEST(RotateTest, WithoutFitSizeTheDestinationKeepsItsSizeAndUnreachedPixels) {
  TPixelGraphic source, dest;
  source.Allocate(20, 20, 3);
  source.FillColor = RGBColor(9, 9, 9);
  source.Clear();
  dest.Allocate(30, 10, 3);
  dest.FillColor = RGBColor(200, 0, 0);
  dest.Clear();
  dest.InterpolateRotation = false;
  dest.RotateFrom(source, 30, false);
  EXPECT_EQ(dest.Width(), 30);
  EXPECT_EQ(dest.Height(), 10);
  EXPECT_EQ(dest.GetPixel(15, 5), RGBColor(9, 9, 9));
  EXPECT_EQ(dest.GetPixel(0, 0), RGBColor(200, 0, 0));
  EXPECT_FALSE(dest.InterpolateRotation);
}

TEST(RotateTest, FittedSizeBeyondTheLimitsIsRefusedBeforeAnyChange) {
  TPixelGraphic source, dest;
  source.Allocate(1000, 1000, 0);
  dest.Allocate(3, 3, 3);
  TScopedImageLimits limits({1200, std::int64_t(1) << 31});
  EXPECT_THROW(dest.RotateFrom(source, 45, true), EPixelGraphic);
  EXPECT_EQ(dest.Width(), 3);
  EXPECT_NO_THROW(dest.RotateFrom(source, 90, true));
  EXPECT_EQ(dest.Width(), 1000);
}

TEST(RotateTest, NonFiniteAnglesChangeNothing) {
  TPixelGraphic source, dest;
  source.Allocate(4, 4, 3);
  test::FillRandom(source, 1);
  dest.Allocate(2, 2, 3);
  dest.RotateFrom(source, std::nan(""), true);
  dest.RotateFrom(source, INFINITY, true);
  EXPECT_EQ(dest.Width(), 2);
  EXPECT_EQ(dest.GetPixel(0, 0), 0u);
}

TEST(RotateTest, RotatingIntoItselfUsesTheOriginal) {
  TPixelGraphic image, clone;
  image.Allocate(5, 3, 3);
  test::FillRandom(image, 2);
  clone.Assign(&image);
  image.RotateFrom(image, 90, true);
  TPixelGraphic expected;
  expected.RotateFrom(clone, 90, true);
  EXPECT_TRUE(test::SameImage(expected, image));
}

// ---- Mirroring ----

class MirrorTest : public ::testing::TestWithParam<int> {};

TEST_P(MirrorTest, WidthOneIsUnchangedAndTwiceRestores) {
  const int bitCountNum = GetParam();
  const test::TImageKind kind{"k", bitCountNum, bitCountNum == 3 ? test::pkNoPalette : test::pkRandom};
  TPixelGraphic image, original;
  test::MakeImage(image, 1, 6, kind, 3);
  original.Assign(&image);
  image.MirrorHorizontal();
  EXPECT_TRUE(test::SameImage(original, image));

  test::MakeImage(image, 13, 6, kind, 4);
  original.Assign(&image);
  image.MirrorHorizontal();
  EXPECT_EQ(image.GetPixel(0, 2), original.GetPixel(12, 2));
  image.MirrorHorizontal();
  EXPECT_TRUE(test::SameImage(original, image));
  image.MirrorVertical();
  EXPECT_EQ(image.GetPixel(4, 0), original.GetPixel(4, 5));
  image.MirrorVertical();
  EXPECT_TRUE(test::SameImage(original, image));
}

INSTANTIATE_TEST_SUITE_P(AllFormats, MirrorTest, ::testing::Values(0, 1, 2, 3));

TEST(MirrorTest, VerticalReportsPerColumnAndEmptyImagesAreLeftAlone) {
  TPixelGraphic image;
  image.Allocate(3, 4, 2);
  test::TEventLog log;
  log.Attach(image);
  log.events.clear();
  image.MirrorVertical();
  EXPECT_EQ(log.events, (std::vector<std::string>{"start", "0/2", "1/2", "2/2", "end", "change"}));
  TPixelGraphic empty;
  log.Attach(empty);
  log.events.clear();
  empty.MirrorVertical();
  empty.MirrorHorizontal();
  EXPECT_TRUE(log.events.empty());
}

}  // namespace
}  // namespace lumora
