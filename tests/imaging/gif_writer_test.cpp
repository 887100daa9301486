// The GIF writer: byte-exact output for small pictures, the colour limit, the
// transparent index, interlacing, and decoding by our reader and by giflib.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>

#include "imaging/codecs/gif_writer.h"
#include "imaging/core/stream.h"
#include "tests/support/test_support.h"

namespace lumora {
namespace {

// A 24-bit picture whose pixel (x, y) is colour(x, y).
template <typename F>
void Paint(TPixelGraphic& image, int w, int h, F colour) {
  image.Allocate(w, h, 3);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) image.SetPixel(x, y, colour(x, y));
  }
}

std::vector<std::uint8_t> Encode(const TPixelGraphic& image, bool interlaced = false, TColor transparent = 0,
                                 bool useTransparent = false) {
  std::vector<std::uint8_t> out;
  EXPECT_TRUE(EncodeGIF(image, interlaced, transparent, useTransparent, out));
  EXPECT_EQ(GIFWriteError(), gifwOK);
  return out;
}

std::vector<std::uint8_t> Tail() {
  std::vector<std::uint8_t> t{0x21, 0xFE};
  const std::string text = kGIFWriterComment;
  t.push_back(std::uint8_t(text.size()));
  t.insert(t.end(), text.begin(), text.end());
  t.push_back(0);
  t.push_back(0x3B);
  return t;
}

TEST(GIFWriter, OneColourPictureIsWrittenByteForByte) {
  TPixelGraphic image;
  Paint(image, 2, 2, [](int, int) { return RGBColor(0x12, 0x34, 0x56); });
  std::vector<std::uint8_t> want{'G', 'I', 'F', '8', '9', 'a', 2, 0, 2, 0, 0x80, 0, 0,
                                 0x12, 0x34, 0x56, 0, 0, 0,                       // 2-entry table
                                 0x21, 0xF9, 4, 0, 0, 0, 0, 0,                    // control
                                 0x2C, 0, 0, 0, 0, 2, 0, 2, 0, 0,                 // descriptor
                                 // min size 2: clear(4) 0 6 0 in 3 bits, end(5) in 4 bits
                                 2, 2, 0x84, 0x51, 0};
  const auto tail = Tail();
  want.insert(want.end(), tail.begin(), tail.end());
  EXPECT_EQ(Encode(image), want);
}

TEST(GIFWriter, ThreeColoursInterlacedAndTransparentByteForByte) {
  // Rows: 0 = A A, 1 = B B, 2 = C C; interlaced file order is rows 0, 2, 1.
  const TColor colours[3] = {RGBColor(1, 2, 3), RGBColor(4, 5, 6), RGBColor(7, 8, 9)};
  TPixelGraphic image;
  Paint(image, 2, 3, [&](int, int y) { return colours[y]; });
  const auto out = Encode(image, true, RGBColor(7, 8, 9), true);
  // Table in first-met order: A, C, B, then one unused entry.
  const std::vector<std::uint8_t> head{'G', 'I', 'F', '8', '9', 'a', 2, 0, 3, 0, 0x81, 0, 0,
                                       1, 2, 3, 7, 8, 9, 4, 5, 6, 0, 0, 0,
                                       0x21, 0xF9, 4, 1, 0, 0, 1, 0,
                                       0x2C, 0, 0, 0, 0, 2, 0, 3, 0, 0x40};
  ASSERT_GE(out.size(), head.size());
  EXPECT_EQ(std::vector<std::uint8_t>(out.begin(), out.begin() + std::ptrdiff_t(head.size())), head);
  // Indices 0 0 1 1 2 2 give the codes clear(4) 0 0 1 in 3 bits, then (8 > 7 widens)
  // 1 2 2 end(5) in 4 bits.
  const std::vector<std::uint8_t> data{2, 4, 0x04, 0x12, 0x22, 0x05, 0};
  EXPECT_EQ(std::vector<std::uint8_t>(out.begin() + std::ptrdiff_t(head.size()),
                                      out.begin() + std::ptrdiff_t(head.size() + data.size())),
            data);
}

struct TColourCountCase {
  int colours;
  bool ok;
  int tableBits;
};

class GIFWriterColours : public ::testing::TestWithParam<TColourCountCase> {};

TEST_P(GIFWriterColours, TableSizeFollowsTheColourCountUpTo256) {
  const TColourCountCase c = GetParam();
  TPixelGraphic image;
  Paint(image, 16, (c.colours + 15) / 16, [&](int x, int y) {
    const int i = std::min(y * 16 + x, c.colours - 1);
    return RGBColor(i & 0xFF, i >> 8, 7);
  });
  std::vector<std::uint8_t> out;
  EXPECT_EQ(EncodeGIF(image, false, 0, false, out), c.ok);
  if (!c.ok) {
    EXPECT_EQ(GIFWriteError(), gifwTooManyColors);
    return;
  }
  EXPECT_EQ(out[10], 0x80 + c.tableBits - 1);
  const size_t table = size_t(3) << c.tableBits;
  EXPECT_EQ(out[13 + table + 8 + 10], std::max(2, c.tableBits));  // the minimum code size
  TMemoryStream stream(out.data(), out.size());
  TPixelGraphic back;
  back.LoadFromStreamEx(stream, "gif", 0);
  for (int y = 0; y < image.Height(); ++y) {
    for (int x = 0; x < 16; ++x) ASSERT_EQ(back.GetRGBPixel(x, y), image.GetRGBPixel(x, y));
  }
}

INSTANTIATE_TEST_SUITE_P(Counts, GIFWriterColours,
                         ::testing::Values(TColourCountCase{1, true, 1}, TColourCountCase{2, true, 1},
                                           TColourCountCase{3, true, 2}, TColourCountCase{5, true, 3},
                                           TColourCountCase{17, true, 5}, TColourCountCase{128, true, 7},
                                           TColourCountCase{129, true, 8}, TColourCountCase{256, true, 8},
                                           TColourCountCase{257, false, 0}));

TEST(GIFWriter, AbsentTransparentColourLeavesTheFlagOff) {
  TPixelGraphic image;
  Paint(image, 3, 3, [](int x, int) { return RGBColor(x, 0, 0); });
  const auto out = Encode(image, false, RGBColor(9, 9, 9), true);
  const size_t control = 13 + 3 * 4;
  EXPECT_EQ(out[control + 3], 0);
  EXPECT_EQ(out[control + 6], 0);
  const auto present = Encode(image, false, RGBColor(2, 0, 0), true);
  EXPECT_EQ(present[control + 3], 1);
  EXPECT_EQ(present[control + 6], 2);
}

TEST(GIFWriter, InterlacedColourOrderFollowsTheStoredRows) {
  TPixelGraphic image;
  Paint(image, 1, 10, [](int, int y) { return RGBColor(y, 0, 0); });
  const auto out = Encode(image, true);
  const int order[10] = {0, 8, 4, 2, 6, 1, 3, 5, 7, 9};
  for (int i = 0; i < 10; ++i) EXPECT_EQ(out[13 + 3 * i], order[i]) << i;
  TMemoryStream stream(out.data(), out.size());
  TPixelGraphic back;
  back.LoadFromStreamEx(stream, "gif", 0);
  for (int y = 0; y < 10; ++y) EXPECT_EQ(back.GetRGBPixel(0, y), RGBColor(y, 0, 0));
}

TEST(GIFWriter, RefusesPicturesAGIFCannotHold) {
  std::vector<std::uint8_t> out;
  TPixelGraphic empty;
  EXPECT_FALSE(EncodeGIF(empty, false, 0, false, out));
  EXPECT_EQ(GIFWriteError(), gifwEncoding);
  TPixelGraphic wide;
  wide.Allocate(65536, 1, 0);
  EXPECT_FALSE(EncodeGIF(wide, false, 0, false, out));
  EXPECT_EQ(GIFWriteError(), gifwEncoding);
}

TEST(GIFWriter, TooManyColoursWritesNoFileAndKeepsTheOldOne) {
  test::TTempDir dir;
  TPixelGraphic image;
  Paint(image, 257, 1, [](int x, int) { return RGBColor(x & 0xFF, x >> 8, 0); });
  EXPECT_FALSE(SaveBitmapAsGIF(dir.file("new.gif"), image, false, 0, false));
  EXPECT_EQ(GIFWriteError(), gifwTooManyColors);
  EXPECT_FALSE(std::filesystem::exists(dir.file("new.gif")));
  test::WriteFileBytes(dir.file("old.gif"), {1, 2, 3});
  EXPECT_FALSE(SaveBitmapAsGIF(dir.file("old.gif"), image, false, 0, false));
  EXPECT_EQ(test::ReadFileBytes(dir.file("old.gif")), (std::vector<std::uint8_t>{1, 2, 3}));
  TPixelGraphic small;
  Paint(small, 4, 4, [](int x, int y) { return RGBColor(x, y, 0); });
  EXPECT_TRUE(SaveBitmapAsGIF(dir.file("old.gif"), small, false, 0, false));
  EXPECT_EQ(GIFWriteError(), gifwOK);
  EXPECT_GT(test::ReadFileBytes(dir.file("old.gif")).size(), 40u);
}

TEST(GIFWriter, IndexedSourcesAreWrittenByTheirColours) {
  TPixelGraphic image;
  image.Allocate(9, 5, 1);
  test::SetRandomPalette(image, 16, 5);
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 9; ++x) image.SetPixel(x, y, std::uint32_t((x * y) % 16));
  }
  const auto out = Encode(image);
  TMemoryStream stream(out.data(), out.size());
  TPixelGraphic back;
  back.LoadFromStreamEx(stream, "gif", 0);
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 9; ++x) EXPECT_EQ(back.GetRGBPixel(x, y), image.GetRGBPixel(x, y));
  }
}

// giflib's gif2rgb decodes our files to the same pixels, interlaced or not, with the
// table filled and cleared many times over.
TEST(GIFWriter, GiflibDecodesOurFilesToTheSamePixels) {
  if (std::system("command -v gif2rgb >/dev/null 2>&1") != 0) GTEST_SKIP() << "gif2rgb (giflib-tools) not installed";
  test::TTempDir dir;
  std::mt19937 rng(99);
  for (const bool interlaced : {false, true}) {
    for (const int colours : {2, 16, 256}) {
      TPixelGraphic image;
      const int w = 301, h = 203;
      std::vector<TColor> table(colours);
      for (auto& c : table) c = rng() & 0xFFFFFF;
      Paint(image, w, h, [&](int x, int y) { return table[size_t((x / 3 + y * (rng() % 3)) % colours)]; });
      const std::string gif = dir.file("t.gif"), rgb = dir.file("t.rgb");
      ASSERT_TRUE(SaveBitmapAsGIF(gif, image, interlaced, 0, false));
      ASSERT_EQ(std::system(("gif2rgb -1 -o " + rgb + " " + gif + " >/dev/null 2>&1").c_str()), 0);
      const auto bytes = test::ReadFileBytes(rgb);
      ASSERT_EQ(bytes.size(), size_t(3 * w * h));
      int wrong = 0;
      for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
          const std::uint8_t* p = &bytes[size_t(3 * (y * w + x))];
          if (image.GetRGBPixel(x, y) != RGBColor(p[0], p[1], p[2])) ++wrong;
        }
      }
      EXPECT_EQ(wrong, 0) << "interlaced " << interlaced << " colours " << colours;
    }
  }
}

}  // namespace
}  // namespace lumora
