// The TGA reader and writer: types, depths, colour maps, origins, run-length packets
// that cross rows, refusals, and round trips.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/core/exceptions.h"
#include "imaging/core/pixel_graphic.h"
#include "imaging/core/registry.h"
#include "imaging/core/stream.h"
#include "tests/support/test_support.h"

namespace lumora {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct TgaHeader {
  int imageType = 2, colorMapType = 0, firstEntry = 0, mapLength = 0, entryBits = 0;
  int width = 1, height = 1, depth = 24, descriptor = 0;
  Bytes id;
};

Bytes Tga(const TgaHeader& h, const Bytes& mapAndPixels) {
  Bytes b(18, 0);
  b[0] = std::uint8_t(h.id.size());
  b[1] = std::uint8_t(h.colorMapType);
  b[2] = std::uint8_t(h.imageType);
  PutLE16(b.data() + 3, std::uint32_t(h.firstEntry));
  PutLE16(b.data() + 5, std::uint32_t(h.mapLength));
  b[7] = std::uint8_t(h.entryBits);
  PutLE16(b.data() + 12, std::uint32_t(h.width));
  PutLE16(b.data() + 14, std::uint32_t(h.height));
  b[16] = std::uint8_t(h.depth);
  b[17] = std::uint8_t(h.descriptor);
  b.insert(b.end(), h.id.begin(), h.id.end());
  b.insert(b.end(), mapAndPixels.begin(), mapAndPixels.end());
  return b;
}

void Load(const Bytes& bytes, TPixelGraphic& image, const std::string& ext = "tga") {
  TMemoryStream stream(bytes.data(), bytes.size());
  image.LoadFromStreamEx(stream, ext, 0);
}

std::string Refusal(const Bytes& bytes) {
  TPixelGraphic image;
  try {
    Load(bytes, image);
  } catch (const EPGTGAFileFormatReader& e) {
    return e.what();
  } catch (const EPixelGraphic& e) {
    return std::string("other: ") + e.what();
  }
  return "";
}

TFileFormatWriter& Writer() {
  for (const auto& w : FileFormatWriters())
    if (w->Extension == "tga") return *w;
  throw std::runtime_error("no writer");
}

TEST(TgaReaderTest, ChosenByTheExtensionOnly) {
  const Bytes bytes = Tga({}, {1, 2, 3});
  TPixelGraphic image;
  Load(bytes, image, "TGA");
  EXPECT_EQ(image.GetPixel(0, 0), RGBColor(3, 2, 1));
  EXPECT_THROW(Load(bytes, image, "dat"), EPGUnknownFileFormat);
}

TEST(TgaReaderTest, SixteenBitPixelsAreFiveFiveFive) {
  TgaHeader h;
  h.width = 3;
  h.depth = 16;
  TPixelGraphic image;
  Load(Tga(h, {0xFF, 0x7F, 0x1F, 0x00, 0x00, 0xFC}), image);
  ASSERT_EQ(image.BitCount(), 24);
  EXPECT_EQ(image.GetPixel(0, 0), RGBColor(248, 248, 248));
  EXPECT_EQ(image.GetPixel(1, 0), RGBColor(0, 0, 248));
  EXPECT_EQ(image.GetPixel(2, 0), RGBColor(248, 0, 0));  // the attribute bit is ignored
}

TEST(TgaReaderTest, ThirtyTwoBitPixelsIgnoreAlpha) {
  TgaHeader h;
  h.width = 2;
  h.depth = 32;
  TPixelGraphic image;
  Load(Tga(h, {1, 2, 3, 4, 5, 6, 7, 8}), image);
  EXPECT_EQ(image.GetPixel(0, 0), RGBColor(3, 2, 1));
  EXPECT_EQ(image.GetPixel(1, 0), RGBColor(7, 6, 5));
}

// 2 x 2 picture with pixel values 1 2 / 3 4 (top row first) in the given order.
struct OriginCase {
  int descriptor;
  Bytes fileOrder;  // the four 8-bit pixels as stored
};

class TgaOriginTest : public ::testing::TestWithParam<OriginCase> {};

TEST_P(TgaOriginTest, EveryOriginShowsTheSamePicture) {
  for (bool rle : {false, true}) {
    TgaHeader h;
    h.imageType = rle ? 11 : 3;
    h.width = 2;
    h.height = 2;
    h.depth = 8;
    h.descriptor = GetParam().descriptor;
    Bytes data;
    if (rle) {
      // One literal packet of four pixels crossing the row end.
      data = {0x03};
      data.insert(data.end(), GetParam().fileOrder.begin(), GetParam().fileOrder.end());
    } else {
      data = GetParam().fileOrder;
    }
    TPixelGraphic image;
    Load(Tga(h, data), image);
    EXPECT_EQ(image.GetPixel(0, 0), 1u) << rle;
    EXPECT_EQ(image.GetPixel(1, 0), 2u) << rle;
    EXPECT_EQ(image.GetPixel(0, 1), 3u) << rle;
    EXPECT_EQ(image.GetPixel(1, 1), 4u) << rle;
    EXPECT_EQ(image.ColorTableEntry(4), RGBColor(4, 4, 4));
  }
}

INSTANTIATE_TEST_SUITE_P(Descriptors, TgaOriginTest,
                         ::testing::Values(OriginCase{0x00, {3, 4, 1, 2}}, OriginCase{0x20, {1, 2, 3, 4}},
                                           OriginCase{0x10, {4, 3, 2, 1}}, OriginCase{0x30, {2, 1, 4, 3}}));

TEST(TgaReaderTest, RunPacketsContinueOnTheNextRowAndNeverWriteOutside) {
  // 3 x 2 true colour, top-down; one run of 4 then a literal of 2.
  TgaHeader h;
  h.imageType = 10;
  h.width = 3;
  h.height = 2;
  h.descriptor = 0x20;
  TPixelGraphic image;
  Load(Tga(h, {0x83, 10, 20, 30, 0x01, 1, 2, 3, 4, 5, 6}), image);
  EXPECT_EQ(image.GetPixel(2, 0), RGBColor(30, 20, 10));
  EXPECT_EQ(image.GetPixel(0, 1), RGBColor(30, 20, 10));
  EXPECT_EQ(image.GetPixel(1, 1), RGBColor(3, 2, 1));
  EXPECT_EQ(image.GetPixel(2, 1), RGBColor(6, 5, 4));
  // A run reaching past the last row is cut there.
  TPixelGraphic last;
  Load(Tga(h, {0xFF, 7, 8, 9}), last);
  EXPECT_EQ(last.GetPixel(2, 1), RGBColor(9, 8, 7));
}

TEST(TgaReaderTest, ColourMapEntriesOfEverySize) {
  struct Case {
    int bits;
    Bytes entry;  // the colour (200, 100, 8) or its 5-5-5 form
    TColor expected;
  };
  const Case cases[] = {
      {15, {0x88, 0x65}, RGBColor(200, 96, 64)},  // 0 11001 00100 01000
      {16, {0x88, 0x65}, RGBColor(200, 96, 64)},
      {24, {8, 100, 200}, RGBColor(200, 100, 8)},
      {32, {8, 100, 200, 0}, RGBColor(200, 100, 8)},
  };
  for (const Case& c : cases) {
    TgaHeader h;
    h.imageType = 1;
    h.colorMapType = 1;
    h.mapLength = 2;
    h.entryBits = c.bits;
    h.width = 2;
    h.depth = 8;
    h.id = {'x', 'y', 'z'};
    Bytes data(c.entry.size(), 0);  // entry 0 black
    data.insert(data.end(), c.entry.begin(), c.entry.end());
    data.insert(data.end(), {1, 0});
    TPixelGraphic image;
    Load(Tga(h, data), image);
    ASSERT_EQ(image.PaletteCount(), 2) << c.bits;
    EXPECT_EQ(image.PaletteColors()[1], c.expected) << c.bits;
    EXPECT_EQ(image.GetPixel(0, 0), 1u);
  }
}

TEST(TgaReaderTest, ColourMapStartingLaterFillsItsOwnIndices) {
  TgaHeader h;
  h.imageType = 1;
  h.colorMapType = 1;
  h.firstEntry = 3;
  h.mapLength = 2;
  h.entryBits = 24;
  h.width = 2;
  h.depth = 8;
  TPixelGraphic image;
  Load(Tga(h, {1, 2, 3, 4, 5, 6, 3, 4}), image);
  ASSERT_EQ(image.PaletteCount(), 5);
  EXPECT_EQ(image.PaletteColors()[3], RGBColor(3, 2, 1));
  EXPECT_EQ(image.PaletteColors()[4], RGBColor(6, 5, 4));
  EXPECT_EQ(image.PaletteColors()[0], 0u);
  EXPECT_EQ(image.GetPixel(1, 0), 4u);
}

struct RefusalCase {
  const char* name;
  Bytes bytes;
  const char* message;
};

class TgaRefusalTest : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(TgaRefusalTest, GivesTheMessage) { EXPECT_EQ(Refusal(GetParam().bytes), GetParam().message); }

std::vector<RefusalCase> RefusalCases() {
  TgaHeader depth15;
  depth15.depth = 15;
  TgaHeader mapBits8;
  mapBits8.imageType = 1;
  mapBits8.colorMapType = 1;
  mapBits8.mapLength = 1;
  mapBits8.entryBits = 8;
  mapBits8.depth = 8;
  TgaHeader big;
  big.width = 60000;
  big.height = 30000;
  TgaHeader bigRle = big;
  bigRle.imageType = 10;
  TgaHeader twoRows;
  twoRows.height = 2;
  TgaHeader rle;
  rle.imageType = 10;
  rle.width = 4;
  return {
      {"depth15", Tga(depth15, {0, 0}), "TGA: Not supported subformat"},
      {"mapEntryBits8", Tga(mapBits8, {0, 0}), "TGA: Not supported subformat"},
      {"implausible", Tga(big, {0, 0, 0}), "TGA: Unexpected end of file"},
      {"implausibleRle", Tga(bigRle, {0xFF, 0, 0, 0}), "TGA: Unexpected end of file"},
      {"shortRows", Tga(twoRows, {1, 2, 3, 4}), "TGA: Unexpected end of file"},
      {"shortPacket", Tga(rle, {0x82, 1, 2, 3}), "TGA: Unexpected end of file"},
      {"header", Bytes(10, 0), "TGA: Unexpected end of file"},
  };
}

INSTANTIATE_TEST_SUITE_P(Files, TgaRefusalTest, ::testing::ValuesIn(RefusalCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TgaReaderTest, EveryTruncationIsRefusedCleanly) {
  TgaHeader h;
  h.imageType = 9;
  h.colorMapType = 1;
  h.mapLength = 3;
  h.entryBits = 16;
  h.width = 5;
  h.height = 2;
  h.depth = 8;
  h.id = {'i', 'd'};
  const Bytes full = Tga(h, {1, 2, 3, 4, 5, 6, 0x82, 1, 0x01, 2, 0, 0x84, 2});
  ASSERT_EQ(Refusal(full), "");
  for (size_t n = 0; n < full.size(); ++n)
    EXPECT_NE(Refusal(Bytes(full.begin(), full.begin() + std::ptrdiff_t(n))), "") << "cut at " << n;
}

// A side of 0 gives an empty picture for every pixel path: raw rows read in place,
// rows through the buffer (run-length, gray, right-to-left).
TEST(TgaReaderTest, ZeroSideGivesAnEmptyPicture) {
  for (const int imageType : {2, 3, 10, 11}) {
    for (const int descriptor : {0, 0x10}) {
      for (const bool zeroWidth : {true, false}) {
        TgaHeader h;
        h.imageType = imageType;
        h.depth = imageType == 3 || imageType == 11 ? 8 : 24;
        h.descriptor = descriptor;
        (zeroWidth ? h.width : h.height) = 0;
        (zeroWidth ? h.height : h.width) = 5;
        TPixelGraphic image;
        ASSERT_NO_THROW(Load(Tga(h, Bytes(12, 0)), image)) << imageType;
        EXPECT_TRUE(image.GetEmpty()) << imageType;
      }
    }
  }
}

struct InfoCase {
  int imageType, depth;
  const char* infoText;
  const char* extraText;
  const char* colors;
};

class TgaInfoTest : public ::testing::TestWithParam<InfoCase> {};

TEST_P(TgaInfoTest, DescribesTheHeader) {
  const InfoCase& c = GetParam();
  TgaHeader h;
  h.imageType = c.imageType;
  h.depth = c.depth;
  h.width = 640;
  h.height = 480;
  const Bytes bytes = Tga(h, {});
  TMemoryStream stream(bytes.data(), bytes.size());
  TFileFormatReader* reader = FindReader(stream, "tga");
  ASSERT_NE(reader, nullptr);
  TImageInfo info;
  reader->GetImageInfo(stream, 0, info);
  EXPECT_EQ(info.InfoText, c.infoText);
  EXPECT_EQ(info.ExtraText, c.extraText);
  EXPECT_EQ(info.ColorsText, c.colors);
  EXPECT_EQ(info.BitCount, c.depth);
  EXPECT_EQ(info.Width, 640);
  EXPECT_EQ(info.ImageCount, 1);
}

INSTANTIATE_TEST_SUITE_P(Types, TgaInfoTest,
                         ::testing::Values(InfoCase{1, 8, "Uncompressed", "Color-mapped", "256"},
                                           InfoCase{2, 16, "Uncompressed", "True-color", "65536"},
                                           InfoCase{3, 8, "Uncompressed", "\"Black-and-white\"", "256"},
                                           InfoCase{9, 8, "Run-length encoded", "Color-mapped", "256"},
                                           InfoCase{10, 24, "Run-length encoded", "True-color", "16.7M"},
                                           InfoCase{11, 32, "Run-length encoded", "\"Black-and-white\"", "16.7M ?"}));

TEST(TgaReaderTest, UnknownImageTypeIsRefusedByInfo) {
  TgaHeader h;
  h.imageType = 4;
  const Bytes bytes = Tga(h, {});
  TMemoryStream stream(bytes.data(), bytes.size());
  TImageInfo info;
  try {
    FindReader(stream, "tga")->GetImageInfo(stream, 0, info);
    FAIL();
  } catch (const EPGTGAFileFormatReader& e) {
    EXPECT_STREQ(e.what(), "TGA: Invalid value for ImageType");
  }
}

// ---- Writer ----

TEST(TgaWriterTest, TrueColourIsTypeTwoBottomRowFirst) {
  TPixelGraphic image;
  image.Allocate(2, 2, 3);
  image.SetPixel(0, 0, RGBColor(1, 2, 3));
  image.SetPixel(1, 1, RGBColor(4, 5, 6));
  TMemoryStream out;
  Writer().WriteImage(out, image);
  const Bytes& b = out.bytes();
  ASSERT_EQ(b.size(), 18u + 12u);
  EXPECT_EQ(b[1], 0);
  EXPECT_EQ(b[2], 2);
  EXPECT_EQ(b[16], 24);
  EXPECT_EQ(b[17], 0);
  EXPECT_EQ(GetLE16(b.data() + 12), 2);
  EXPECT_EQ(Bytes(b.begin() + 18, b.end()), (Bytes{0, 0, 0, 6, 5, 4, 3, 2, 1, 0, 0, 0}));
}

TEST(TgaWriterTest, IndexedIsTypeOneWithTheMap) {
  TPixelGraphic image;
  image.Allocate(3, 1, 2);
  test::SetRandomPalette(image, 5, 1);
  image.SetPixel(2, 0, 4);
  TMemoryStream out;
  Writer().WriteImage(out, image);
  const Bytes& b = out.bytes();
  ASSERT_EQ(b.size(), 18u + 15u + 3u);
  EXPECT_EQ(b[1], 1);
  EXPECT_EQ(b[2], 1);
  EXPECT_EQ(GetLE16(b.data() + 5), 5);
  EXPECT_EQ(b[7], 24);
  EXPECT_EQ(b[16], 8);
  const TColor c4 = image.PaletteColors()[4];
  EXPECT_EQ(b[18 + 12], GetBValue(c4));
  EXPECT_EQ(b[18 + 14], GetRValue(c4));
  EXPECT_EQ(b.back(), 4);
}

struct RoundTripCase {
  int bitCountNum, width, height, paletteCount;
};

class TgaRoundTripTest : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(TgaRoundTripTest, ReadsBackUnchangedAndRewritesTheSameBytes) {
  const RoundTripCase c = GetParam();
  TPixelGraphic image;
  image.Allocate(c.width, c.height, c.bitCountNum);
  if (c.paletteCount) test::SetRandomPalette(image, c.paletteCount, 3);
  test::FillRandom(image, 8);
  TMemoryStream out;
  Writer().WriteImage(out, image);
  TPixelGraphic back;
  Load(out.bytes(), back);
  ASSERT_TRUE(test::SamePixels(image, back));
  EXPECT_EQ(back.PaletteColors(), image.PaletteColors());
  TMemoryStream again;
  Writer().WriteImage(again, back);
  EXPECT_EQ(again.bytes(), out.bytes());
}

INSTANTIATE_TEST_SUITE_P(Formats, TgaRoundTripTest,
                         ::testing::Values(RoundTripCase{3, 37, 11, 0}, RoundTripCase{3, 1, 1, 0},
                                           RoundTripCase{2, 37, 11, 256}, RoundTripCase{2, 5, 3, 17}));

TEST(TgaWriterTest, RegisteredForIndexedAndTrueColour) {
  EXPECT_EQ(Writer().CanWriteResolutions, 0xC0);
  EXPECT_EQ(Writer().Description, "Truevision Targa");
}

}  // namespace
}  // namespace lumora
