// The PCX reader: the four plane layouts, palettes, run-length lines, refusals.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/core/exceptions.h"
#include "imaging/core/pixel_graphic.h"
#include "imaging/core/registry.h"
#include "imaging/core/stream.h"

namespace lumora {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A 128-byte header followed by `data`.
Bytes Pcx(int version, int bits, int planes, int width, int height, int bytesPerLine, const Bytes& data,
          int paletteInfo = 1) {
  Bytes b(128, 0);
  b[0] = 0x0A;
  b[1] = std::uint8_t(version);
  b[2] = 1;
  b[3] = std::uint8_t(bits);
  PutLE16(b.data() + 4, 3);  // Xmin, Ymin not zero: only the differences count
  PutLE16(b.data() + 6, 5);
  PutLE16(b.data() + 8, std::uint32_t(3 + width - 1));
  PutLE16(b.data() + 10, std::uint32_t(5 + height - 1));
  for (int i = 0; i < 16; ++i) {
    b[16 + 3 * i] = std::uint8_t(i * 16);
    b[17 + 3 * i] = std::uint8_t(255 - i);
    b[18 + 3 * i] = std::uint8_t(i);
  }
  b[65] = std::uint8_t(planes);
  PutLE16(b.data() + 66, std::uint32_t(bytesPerLine));
  PutLE16(b.data() + 68, std::uint32_t(paletteInfo));
  b.insert(b.end(), data.begin(), data.end());
  return b;
}

void Load(const Bytes& bytes, TPixelGraphic& image) {
  TMemoryStream stream(bytes.data(), bytes.size());
  image.LoadFromStreamEx(stream, "pcx", 0);
}

std::string Refusal(const Bytes& bytes) {
  TPixelGraphic image;
  try {
    Load(bytes, image);
  } catch (const EPGPCXFileFormatReader& e) {
    return e.what();
  } catch (const EPixelGraphic& e) {
    return std::string("other: ") + e.what();
  }
  return "";
}

TEST(PcxReaderTest, OneBitLinesAreCopiedWithPaddingCleared) {
  // 10 pixels wide, 2 bytes per line; the run C2 FF gives the first line's two bytes.
  TPixelGraphic image;
  Load(Pcx(5, 1, 1, 10, 2, 2, {0xC2, 0xFF, 0x81, 0x40}), image);
  ASSERT_EQ(image.BitCount(), 1);
  EXPECT_EQ(image.PaletteColors(), (std::vector<TColor>{0, 0xFFFFFF}));
  EXPECT_EQ(image.ScanLine(0)[1], 0xC0);  // bits after pixel 9 cleared
  EXPECT_EQ(image.GetPixel(9, 0), 1u);
  EXPECT_EQ(image.GetPixel(0, 1), 1u);
  EXPECT_EQ(image.GetPixel(1, 1), 0u);
  EXPECT_EQ(image.GetPixel(9, 1), 1u);
}

TEST(PcxReaderTest, FourPlanesGiveFourBitIndicesWithTheHeaderPalette) {
  // 3 pixels, 1 byte per plane: pixel 0 has bits in planes 0 and 3 (index 9), pixel 1
  // in plane 1 (2), pixel 2 in all (15).
  TPixelGraphic image;
  Load(Pcx(5, 1, 4, 3, 1, 1, {0xA0, 0x60, 0x20, 0xA0}), image);
  ASSERT_EQ(image.BitCount(), 4);
  EXPECT_EQ(image.GetPixel(0, 0), 9u);
  EXPECT_EQ(image.GetPixel(1, 0), 2u);
  EXPECT_EQ(image.GetPixel(2, 0), 15u);
  ASSERT_EQ(image.PaletteCount(), 16);
  EXPECT_EQ(image.PaletteColors()[9], RGBColor(144, 246, 9));
}

TEST(PcxReaderTest, VersionThreeUsesTheSystemColours) {
  TPixelGraphic image, sys16;
  Load(Pcx(3, 1, 4, 3, 1, 1, {0xA0, 0x60, 0x20, 0xA0}), image);
  sys16.Allocate(1, 1, 1);
  sys16.SetPaletteIdent(pSys16);
  EXPECT_EQ(image.PaletteColors(), sys16.PaletteColors());
  EXPECT_EQ(image.GetPixel(0, 0), 9u);
}

Bytes TrailingPalette(std::uint8_t marker) {
  Bytes tail(769);
  tail[0] = marker;
  for (int i = 0; i < 256; ++i) {
    tail[size_t(1 + 3 * i)] = std::uint8_t(i);
    tail[size_t(2 + 3 * i)] = std::uint8_t(255 - i);
    tail[size_t(3 + 3 * i)] = 7;
  }
  return tail;
}

TEST(PcxReaderTest, EightBitsTakeTheTrailingPalette) {
  Bytes data = {0xC3, 0x05, 0xC1, 0xC7, 0x01, 0x02};  // line 1: 5 5 5 ; line 2: C7 1 2 (odd length 3)
  const Bytes tail = TrailingPalette(12);
  data.insert(data.end(), tail.begin(), tail.end());
  TPixelGraphic image;
  Load(Pcx(5, 8, 1, 3, 2, 3, data), image);
  ASSERT_EQ(image.BitCount(), 8);
  EXPECT_EQ(image.GetPixel(2, 0), 5u);
  EXPECT_EQ(image.GetPixel(0, 1), 0xC7u);
  EXPECT_EQ(image.GetPixel(2, 1), 2u);
  EXPECT_EQ(image.PaletteColors()[0xC7], RGBColor(0xC7, 255 - 0xC7, 7));
}

TEST(PcxReaderTest, EightBitsWithoutThePaletteMarkerAreRefused) {
  Bytes data = {1, 2, 3};
  const Bytes tail = TrailingPalette(11);
  data.insert(data.end(), tail.begin(), tail.end());
  EXPECT_EQ(Refusal(Pcx(5, 8, 1, 3, 1, 3, data)), "PCX: Unknown subformat");
  EXPECT_EQ(Refusal(Pcx(5, 8, 1, 3, 1, 3, {1, 2, 3})), "PCX: Unknown subformat");  // too short for a palette
}

TEST(PcxReaderTest, ThreePlanesAreRedGreenBlue) {
  // bytes per line 3 for width 2 (one padding byte per plane).
  TPixelGraphic image;
  Load(Pcx(5, 8, 3, 2, 1, 3, {10, 11, 0, 20, 21, 0, 30, 31, 0}), image);
  ASSERT_EQ(image.BitCount(), 24);
  EXPECT_EQ(image.GetPixel(0, 0), RGBColor(10, 20, 30));
  EXPECT_EQ(image.GetPixel(1, 0), RGBColor(11, 21, 31));
}

TEST(PcxReaderTest, RunsNeverContinueIntoTheNextLine) {
  // A run of 5 into a 2-byte line: the rest is dropped; the next line starts fresh.
  TPixelGraphic image;
  Load(Pcx(5, 8, 3, 2, 2, 2, {9, 8, 7, 6, 0xC5, 5, 1, 2, 3, 4, 5, 6, 0x0C}), image);
  EXPECT_EQ(image.GetPixel(0, 0), RGBColor(9, 7, 5));
  EXPECT_EQ(image.GetPixel(1, 0), RGBColor(8, 6, 5));
  EXPECT_EQ(image.GetPixel(0, 1), RGBColor(1, 3, 5));
  EXPECT_EQ(image.GetPixel(1, 1), RGBColor(2, 4, 6));
}

struct RefusalCase {
  const char* name;
  Bytes bytes;
  const char* message;
};

class PcxRefusalTest : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(PcxRefusalTest, GivesTheMessage) { EXPECT_EQ(Refusal(GetParam().bytes), GetParam().message); }

INSTANTIATE_TEST_SUITE_P(
    Files, PcxRefusalTest,
    ::testing::Values(RefusalCase{"paletteInfo0", Pcx(5, 1, 1, 8, 1, 1, {0}, 0), "PCX: Unknown subformat"},
                      RefusalCase{"packed4", Pcx(5, 4, 1, 2, 1, 1, {0}), "PCX: Unknown subformat"},
                      RefusalCase{"twoPlanes", Pcx(5, 1, 2, 8, 1, 1, {0, 0}), "PCX: Unknown subformat"},
                      RefusalCase{"lineTooShort", Pcx(5, 8, 3, 10, 1, 4, Bytes(12, 0)), "PCX: Unknown subformat"},
                      RefusalCase{"emptyWidth", Pcx(5, 1, 1, 0, 1, 1, {0}), "PCX: Unknown subformat"},
                      RefusalCase{"truncated", Pcx(5, 8, 3, 2, 2, 2, {1, 2, 3, 4, 5, 6, 7}), "PCX: Unexpected end of file"},
                      RefusalCase{"implausible", Pcx(5, 8, 3, 60000, 60000, 60000, {0xFF, 0}),
                                  "PCX: Unexpected end of file"},
                      RefusalCase{"headerOnly", Bytes{0x0A, 5, 1, 8}, "PCX: Unexpected end of file"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PcxReaderTest, EveryTruncationIsRefusedCleanly) {
  Bytes data = {0xC3, 0x05, 0xC1, 0xC7, 0x01, 0x02};
  const Bytes tail = TrailingPalette(12);
  data.insert(data.end(), tail.begin(), tail.end());
  const Bytes full = Pcx(5, 8, 1, 3, 2, 3, data);
  for (size_t n = 0; n < full.size(); ++n) {
    EXPECT_NE(Refusal(Bytes(full.begin(), full.begin() + std::ptrdiff_t(n))), "") << "cut at " << n;
  }
}

TEST(PcxReaderTest, AbortStopsAfterTheCurrentRow) {
  TPixelGraphic image;
  int rows = 0;
  image.OnProgress = [&](TPixelGraphic&, int, int, bool& abort) { abort = ++rows == 1; };
  Load(Pcx(5, 8, 3, 2, 2, 2, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}), image);
  EXPECT_EQ(rows, 1);
  EXPECT_EQ(image.GetPixel(0, 0), RGBColor(1, 3, 5));
  EXPECT_EQ(image.GetPixel(0, 1), 0u);
}

struct InfoCase {
  int version, bits, planes;
  const char* infoText;
  int bitCount;
  const char* colors;
};

class PcxInfoTest : public ::testing::TestWithParam<InfoCase> {};

TEST_P(PcxInfoTest, DescribesTheHeader) {
  const InfoCase c = GetParam();
  const Bytes bytes = Pcx(c.version, c.bits, c.planes, 30, 20, 30, {});
  TMemoryStream stream(bytes.data(), bytes.size());
  TFileFormatReader* reader = FindReader(stream, "");
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(reader->Description, "Paintbrush");
  TImageInfo info;
  reader->GetImageInfo(stream, 0, info);
  EXPECT_EQ(info.InfoText, c.infoText);
  EXPECT_EQ(info.BitCount, c.bitCount);
  EXPECT_EQ(info.ColorsText, c.colors);
  EXPECT_EQ(info.Width, 30);
  EXPECT_EQ(info.Height, 20);
  EXPECT_THROW(reader->GetImageInfo(stream, 1, info), EPGPCXFileFormatReader);
}

INSTANTIATE_TEST_SUITE_P(Versions, PcxInfoTest,
                         ::testing::Values(InfoCase{0, 1, 1, "Version 2.5 (0)", 1, "2"},
                                           InfoCase{2, 1, 4, "Version 2.8 (2) with Palette", 4, "16"},
                                           InfoCase{3, 1, 4, "Version 2.8 (3) without Palette", 4, "16"},
                                           InfoCase{5, 8, 1, "Version 3.0 (5)", 8, "256"},
                                           InfoCase{4, 8, 3, "", 24, "16.7M"}));

}  // namespace
}  // namespace lumora
