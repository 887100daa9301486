// The PBM/PGM/PPM reader and writer: header rules, scaling, plain bilevel digits,
// the maximum value, writer variants, round trips, and netpbm reading our files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "imaging/core/codec_settings.h"
#include "imaging/core/exceptions.h"
#include "imaging/core/pixel_graphic.h"
#include "imaging/core/registry.h"
#include "imaging/core/stream.h"
#include "tests/support/test_support.h"

namespace lumora {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

void Load(const Bytes& bytes, TPixelGraphic& image) {
  TMemoryStream stream(bytes.data(), bytes.size());
  image.LoadFromStreamEx(stream, "pnm", 0);
}

std::string Refusal(const Bytes& bytes) {
  TPixelGraphic image;
  try {
    Load(bytes, image);
  } catch (const EPGPxMFileFormatReader& e) {
    return e.what();
  } catch (const EPixelGraphic& e) {
    return std::string("other: ") + e.what();
  }
  return "";
}

TFileFormatReader& Reader(const std::string& ext) {
  for (const auto& r : FileFormatReaders())
    if (r->Extension == ext) return *r;
  throw std::runtime_error("no reader");
}

TFileFormatWriter& Writer(const std::string& ext) {
  for (const auto& w : FileFormatWriters())
    if (w->Extension == ext) return *w;
  throw std::runtime_error("no writer");
}

std::string Write(const std::string& ext, TPixelGraphic& image, bool binary) {
  TCodecSettings s = CodecSettings();
  s.PXMWriteBinary = binary;
  TScopedCodecSettings scoped(s);
  TMemoryStream out;
  Writer(ext).WriteImage(out, image);
  return std::string(out.bytes().begin(), out.bytes().end());
}

TEST(PnmReaderTest, PlainGrayIsScaledAndCommentsAreSkipped) {
  TPixelGraphic image;
  Load(Text("P2\n# a comment 99 77\n2 # width\n1\n15\n0 15\n"), image);
  ASSERT_EQ(image.BitCount(), 8);
  EXPECT_EQ(image.Width(), 2);
  EXPECT_EQ(image.Height(), 1);
  EXPECT_EQ(image.GetPixel(0, 0), 0u);
  EXPECT_EQ(image.GetPixel(1, 0), 255u);
  EXPECT_EQ(image.PaletteColors()[128], RGBColor(128, 128, 128));
}

TEST(PnmReaderTest, SixteenBitMaximumIsReadInPlainFilesOnly) {
  TPixelGraphic image;
  Load(Text("P2 3 1 65535 0 65535 32768"), image);
  EXPECT_EQ(image.GetPixel(0, 0), 0u);
  EXPECT_EQ(image.GetPixel(1, 0), 255u);
  EXPECT_EQ(image.GetPixel(2, 0), 32768u * 255 / 65535);
  Bytes binary = Text("P5 1 1 65535\n");
  binary.insert(binary.end(), {0x80, 0x00});
  EXPECT_EQ(Refusal(binary), "PBM, PGM, PPM: Not supported subformat");
}

TEST(PnmReaderTest, PlainBilevelDigitsNeedNoSeparators) {
  // Rows of digits as netpbm writes them; 1 is black (index 0).
  TPixelGraphic image;
  Load(Text("P1\n5 2\n10110\n0 1 0 0 1\n"), image);
  ASSERT_EQ(image.BitCount(), 1);
  const int expected[2][5] = {{0, 1, 0, 0, 1}, {1, 0, 1, 1, 0}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(image.GetPixel(x, y), std::uint32_t(expected[y][x])) << x << "," << y;
  EXPECT_EQ(image.PaletteColors(), (std::vector<TColor>{0, 0xFFFFFF}));
}

TEST(PnmReaderTest, BinaryVariantsTakeOneCharacterAfterTheHeader) {
  TPixelGraphic bits, gray, color;
  Bytes p4 = Text("P4\n# c\n10 1\n");
  p4.insert(p4.end(), {0xA5, 0xC0});
  Load(p4, bits);
  EXPECT_EQ(bits.GetPixel(0, 0), 0u);  // bit 1 = black = index 0
  EXPECT_EQ(bits.GetPixel(1, 0), 1u);
  EXPECT_EQ(bits.GetPixel(9, 0), 0u);
  EXPECT_EQ(bits.ScanLine(0)[1], 0x00);  // padding bits cleared
  Bytes p5 = Text("P5 3 1 100 ");
  p5.insert(p5.end(), {' ', 100, 200});  // the first data byte is a space (32)
  Load(p5, gray);
  EXPECT_EQ(gray.GetPixel(0, 0), 32u * 255 / 100);
  EXPECT_EQ(gray.GetPixel(1, 0), 255u);
  EXPECT_EQ(gray.GetPixel(2, 0), 255u);  // above the maximum: clamped
  Bytes p6 = Text("P6\n2 1\n255\n");
  p6.insert(p6.end(), {1, 2, 3, 4, 5, 6});
  Load(p6, color);
  EXPECT_EQ(color.GetPixel(0, 0), RGBColor(1, 2, 3));
  EXPECT_EQ(color.GetPixel(1, 0), RGBColor(4, 5, 6));
}

TEST(PnmReaderTest, PlainColourValuesAreScaled) {
  TPixelGraphic image;
  Load(Text("P3 1 2 7 7 0 1\n 3 3 3"), image);
  EXPECT_EQ(image.GetPixel(0, 0), RGBColor(255, 0, 36));
  EXPECT_EQ(image.GetPixel(0, 1), RGBColor(109, 109, 109));
}

struct RefusalCase {
  const char* name;
  std::string text;
  const char* message;
};

class PnmRefusalTest : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(PnmRefusalTest, GivesTheMessage) {
  const Bytes bytes = Text(GetParam().text);
  // Read through the reader itself, so also files without a signature reach it.
  TPixelGraphic image;
  TMemoryStream stream(bytes.data(), bytes.size());
  try {
    Reader("ppm").ReadImage(stream, image, 0);
    ADD_FAILURE() << "read";
  } catch (const EPGPxMFileFormatReader& e) {
    EXPECT_STREQ(e.what(), GetParam().message);
  } catch (const EPixelGraphic& e) {
    EXPECT_EQ(std::string("other: ") + e.what(), GetParam().message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, PnmRefusalTest,
    ::testing::Values(RefusalCase{"notP", "Q3 1 1 255 0 0 0", "PBM, PGM, PPM: Not a PBM, PGM, PPM file"},
                      RefusalCase{"digit7", "P7 1 1 255", "PBM, PGM, PPM: Unknown subformat"},
                      RefusalCase{"maxZeroPlain", "P2 1 1 0 0", "PBM, PGM, PPM: Not supported subformat"},
                      RefusalCase{"maxZeroBinary", "P6 1 1 0 abc", "PBM, PGM, PPM: Not supported subformat"},
                      RefusalCase{"maxAbove65535", "P3 1 1 65536 1 1 1", "PBM, PGM, PPM: Not supported subformat"},
                      RefusalCase{"binary256", "P5 1 1 256 ab", "PBM, PGM, PPM: Not supported subformat"},
                      RefusalCase{"emptyImage", "P2 0 5 255", "PBM, PGM, PPM: Not supported subformat"},
                      RefusalCase{"headerCut", "P6 32 358888888632!", "PBM, PGM, PPM: Unexpected end of file"},
                      RefusalCase{"dataCut", "P2 2 2 255 1 2 3", "PBM, PGM, PPM: Unexpected end of file"},
                      RefusalCase{"binaryCut", "P6 2 1 255 abcde", "PBM, PGM, PPM: Unexpected end of file"},
                      RefusalCase{"implausible", "P5 40000 40000 255 x", "PBM, PGM, PPM: Unexpected end of file"},
                      RefusalCase{"hugeNumber", "P5 99999999999999999999 1 255 x", "other: CreateDIBSection failed"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PnmReaderTest, IndexOtherThanZeroIsRefusedWithThePxMPrefix) {
  const Bytes bytes = Text("P2 1 1 255 0");
  TMemoryStream stream(bytes.data(), bytes.size());
  TPixelGraphic image;
  try {
    Reader("pgm").ReadImage(stream, image, 1);
    FAIL();
  } catch (const EPGPxMFileFormatReader& e) {
    EXPECT_STREQ(e.what(), "PxM: Index invalid");
  }
  TImageInfo info;
  try {
    Reader("pgm").GetImageInfo(stream, 1, info);
    FAIL();
  } catch (const EPGPxMFileFormatReader& e) {
    EXPECT_STREQ(e.what(), "PxM: Invalid value for Index");
  }
}

TEST(PnmReaderTest, EveryTruncationIsRefusedCleanly) {
  for (const std::string full : {"P2\n3 2\n255\n1 2 3\n4 5 6", "P3 2 1 255 1 2 3 4 5 6", "P1 3 2 101 010"}) {
    ASSERT_EQ(Refusal(Text(full)), "");
    for (size_t n = 0; n < full.size(); ++n) {
      const std::string cut = full.substr(0, n);
      EXPECT_NE(Refusal(Text(cut)), "") << "cut at " << n << ": " << cut;
    }
  }
}

struct InfoCase {
  std::string text;
  const char* ext;
  const char* infoText;
  int bitCount;
  const char* colors;
};

class PnmInfoTest : public ::testing::TestWithParam<InfoCase> {};

TEST_P(PnmInfoTest, DescribesTheHeader) {
  const InfoCase& c = GetParam();
  const Bytes bytes = Text(c.text);
  TMemoryStream stream(bytes.data(), bytes.size());
  TFileFormatReader* reader = FindReader(stream, "");
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(reader->Extension, c.ext);
  TImageInfo info;
  reader->GetImageInfo(stream, 0, info);
  EXPECT_EQ(info.InfoText, c.infoText);
  EXPECT_EQ(info.BitCount, c.bitCount);
  EXPECT_EQ(info.ColorsText, c.colors);
  EXPECT_EQ(info.Width, 7);
  EXPECT_EQ(info.Height, 3);
}

INSTANTIATE_TEST_SUITE_P(Variants, PnmInfoTest,
                         ::testing::Values(InfoCase{"P1 7 3", "pbm", "ASCII", 1, "2"},
                                           InfoCase{"P5 7 3 255", "pgm", "Binary", 8, "256"},
                                           InfoCase{"P3 #x\n7 3 9", "ppm", "ASCII", 24, "16.7M"},
                                           InfoCase{"P6 7 3 255", "ppm", "Binary", 24, "16.7M"}));

// ---- Writer ----

TEST(PnmWriterTest, PlainBitmapWritesOneForBlack) {
  TPixelGraphic image;
  image.Allocate(3, 2, 0);
  image.SetPaletteIdent(pBlackWhite);
  image.SetPixel(1, 0, 1);
  image.SetPixel(0, 1, 1);
  EXPECT_EQ(Write("pbm", image, false), "P1\n3 2\n1 0 1\n0 1 1\n");
  EXPECT_EQ(Write("pbm", image, true), std::string("P4\n3 2\n") + char(0xA0) + char(0x60));
}

TEST(PnmWriterTest, GrayAndColourInBothVariants) {
  TPixelGraphic gray;
  gray.Allocate(2, 1, 2);
  gray.SetPaletteIdent(pGray256);
  gray.SetPixel(0, 0, 7);
  gray.SetPixel(1, 0, 255);
  EXPECT_EQ(Write("pgm", gray, false), "P2\n2 1\n255\n7 255\n");
  EXPECT_EQ(Write("pgm", gray, true), std::string("P5\n2 1\n255\n") + char(7) + char(255));
  TPixelGraphic color;
  color.Allocate(2, 1, 3);
  color.SetPixel(0, 0, RGBColor(1, 2, 3));
  color.SetPixel(1, 0, RGBColor(40, 50, 60));
  EXPECT_EQ(Write("ppm", color, false), "P3\n2 1\n255\n1 2 3 40 50 60\n");
  EXPECT_EQ(Write("ppm", color, true), std::string("P6\n2 1\n255\n") + "\x01\x02\x03(2<");
}

struct WrongCase {
  const char* ext;
  int bitCountNum;
  const char* message;
};

class PnmWriterRefusalTest : public ::testing::TestWithParam<WrongCase> {};

TEST_P(PnmWriterRefusalTest, NeedsItsColourResolution) {
  TPixelGraphic image;
  image.Allocate(2, 2, GetParam().bitCountNum);
  TMemoryStream out;
  try {
    Writer(GetParam().ext).WriteImage(out, image);
    FAIL();
  } catch (const EPGPxMFileFormatWriter& e) {
    EXPECT_STREQ(e.what(), GetParam().message);
  }
  EXPECT_EQ(out.size(), 0u) << "nothing written for a refused image";
}

INSTANTIATE_TEST_SUITE_P(Writers, PnmWriterRefusalTest,
                         ::testing::Values(WrongCase{"pbm", 3, "PBM: Invalid color resolution"},
                                           WrongCase{"pgm", 1, "PGM: Invalid color resolution"},
                                           WrongCase{"ppm", 2, "PPM: Invalid color resolution"}));

TEST(PnmWriterTest, EmptyImageIsRefused) {
  TPixelGraphic image;
  TMemoryStream out;
  try {
    Writer("ppm").WriteImage(out, image);
    FAIL();
  } catch (const EPGPxMFileFormatWriter& e) {
    EXPECT_STREQ(e.what(), "PBM, PGM, PPM: Width = 0 or Height = 0");
  }
}

TEST(PnmWriterTest, WritersAreRegisteredAsTheTableSays) {
  EXPECT_EQ(Writer("pbm").CanWriteResolutions, 0x01);
  EXPECT_EQ(Writer("pgm").CanWriteResolutions, 0x20);
  EXPECT_EQ(Writer("ppm").CanWriteResolutions, 0x80);
  EXPECT_EQ(Writer("pgm").Description, "Portable Graymap");
}

struct RoundTripCase {
  const char* ext;
  int bitCountNum;
  int width, height;
  bool binary;
};

class PnmRoundTripTest : public ::testing::TestWithParam<RoundTripCase> {};

void MakeImage(const RoundTripCase& c, TPixelGraphic& image) {
  image.Allocate(c.width, c.height, c.bitCountNum);
  if (c.bitCountNum == 0) image.SetPaletteIdent(pBlackWhite);
  if (c.bitCountNum == 2) image.SetPaletteIdent(pGray256);
  test::FillRandom(image, 5);
}

TEST_P(PnmRoundTripTest, ReadsBackAndRewritesTheSameBytes) {
  const RoundTripCase c = GetParam();
  TPixelGraphic image;
  MakeImage(c, image);
  const std::string bytes = Write(c.ext, image, c.binary);
  TPixelGraphic back;
  Load(Text(bytes), back);
  ASSERT_TRUE(test::SamePixels(image, back));
  back.SetPaletteIdent(c.bitCountNum == 0 ? pBlackWhite : c.bitCountNum == 2 ? pGray256 : pTrueColor);
  EXPECT_EQ(Write(c.ext, back, c.binary), bytes);
  // The other variant holds the same picture.
  TPixelGraphic other;
  Load(Text(Write(c.ext, image, !c.binary)), other);
  EXPECT_TRUE(test::SamePixels(image, other));
}

bool HaveTool(const char* name) {
  return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

TEST_P(PnmRoundTripTest, NetpbmReadsOurFileAsTheSamePicture) {
  if (!HaveTool("pnmtopnm") && !HaveTool("pamtopnm")) GTEST_SKIP() << "netpbm (pamtopnm) not installed";
  const RoundTripCase c = GetParam();
  TPixelGraphic image;
  MakeImage(c, image);
  test::TTempDir dir;
  const std::string ours = dir.file(std::string("ours.") + c.ext), theirs = dir.file("theirs.pnm");
  const std::string written = Write(c.ext, image, c.binary);
  test::WriteFileBytes(ours, Text(written));
  // netpbm re-encodes our file in its binary form, which must equal ours.
  ASSERT_EQ(std::system(("pamtopnm '" + ours + "' >'" + theirs + "' 2>/dev/null").c_str()), 0);
  EXPECT_EQ(test::ReadFileBytes(theirs), Text(Write(c.ext, image, true)));
  // And netpbm's plain form reads back with our reader as the same picture.
  ASSERT_EQ(std::system(("pnmtoplainpnm '" + ours + "' >'" + theirs + "' 2>/dev/null").c_str()), 0);
  TPixelGraphic back;
  Load(test::ReadFileBytes(theirs), back);
  EXPECT_TRUE(test::SamePixels(image, back));
}

INSTANTIATE_TEST_SUITE_P(Formats, PnmRoundTripTest,
                         ::testing::Values(RoundTripCase{"pbm", 0, 37, 9, false}, RoundTripCase{"pbm", 0, 37, 9, true},
                                           RoundTripCase{"pbm", 0, 200, 3, false},
                                           RoundTripCase{"pgm", 2, 37, 9, false}, RoundTripCase{"pgm", 2, 37, 9, true},
                                           RoundTripCase{"ppm", 3, 37, 9, false}, RoundTripCase{"ppm", 3, 37, 9, true}),
                         [](const auto& info) {
                           return std::string(info.param.ext) + "_" + std::to_string(info.param.width) +
                                  (info.param.binary ? "_binary" : "_plain");
                         });

}  // namespace
}  // namespace lumora
