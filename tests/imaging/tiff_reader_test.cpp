// The TIFF reader on files built field by field: byte orders, photometric forms,
// PackBits, the strip rules, the TIFF 6.0 defaults, inline values, bounds and chains.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/core/codec_settings.h"
#include "imaging/core/exceptions.h"
#include "imaging/core/pixel_graphic.h"
#include "imaging/core/registry.h"
#include "imaging/core/stream.h"
#include "imaging/core/warnings.h"
#include "tests/imaging/tiff_test_builder.h"

namespace lumora {
namespace {

using test::TTiffBuilder;
using Bytes = std::vector<std::uint8_t>;

void Load(const Bytes& bytes, TPixelGraphic& image, int index = 0) {
  TMemoryStream stream(bytes.data(), bytes.size());
  image.LoadFromStreamEx(stream, "tif", index);
}

// The message of the refusal, or "" when the file loads.
std::string Refusal(const Bytes& bytes, TPGWarningAction action = pgwaRaise) {
  TPixelGraphic image;
  image.ReadWarningAction = action;
  try {
    Load(bytes, image);
  } catch (const EPGTIFFileFormatReader& e) {
    return e.what();
  } catch (const EPixelGraphic& e) {
    return std::string("other: ") + e.what();
  }
  return "";
}

TImageInfo Info(const Bytes& bytes, int index = 0) {
  TMemoryStream stream(bytes.data(), bytes.size());
  TFileFormatReader* reader = FindReader(stream, "tif");
  EXPECT_NE(reader, nullptr);
  TImageInfo info;
  if (reader) reader->GetImageInfo(stream, index, info);
  return info;
}

// 4 x 2 gray ramp, one strip.
Bytes Gray8(bool big, std::uint32_t photometric = 1) {
  return TTiffBuilder(big).Basic(4, 2, {8}, photometric).Strip({0, 10, 20, 30, 40, 50, 60, 255}).Build();
}

TEST(TiffReaderTest, BigEndianGrayReadsLikeItsLittleEndianTwin) {
  TPixelGraphic ii, mm;
  Load(Gray8(false), ii);
  Load(Gray8(true), mm);
  ASSERT_EQ(mm.BitCount(), 8);
  EXPECT_EQ(mm.Width(), 4);
  EXPECT_EQ(mm.Height(), 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(mm.GetPixel(x, y), ii.GetPixel(x, y));
  EXPECT_EQ(mm.GetPixel(3, 1), 255u);
  EXPECT_EQ(mm.GetPixel(1, 0), 10u);
  EXPECT_EQ(mm.ColorTableEntry(10), RGBColor(10, 10, 10));
}

TEST(TiffReaderTest, WhiteIsZeroGrayIsInverted) {
  TPixelGraphic image;
  Load(Gray8(false, 0), image);
  EXPECT_EQ(image.GetPixel(0, 0), 255u);
  EXPECT_EQ(image.GetPixel(3, 1), 0u);
}

TEST(TiffReaderTest, WhiteIsZeroBilevelShowsZeroBitsAsWhite) {
  // Row bits 1010 0000: WhiteIsZero makes bit 0 white (index 1).
  TPixelGraphic image;
  Load(TTiffBuilder().Basic(4, 1, {1}, 0).Strip({0xA0}).Build(), image);
  ASSERT_EQ(image.BitCount(), 1);
  EXPECT_EQ(image.PaletteColors(), (std::vector<TColor>{0, 0xFFFFFF}));
  EXPECT_EQ(image.GetPixel(0, 0), 0u);
  EXPECT_EQ(image.GetPixel(1, 0), 1u);
  EXPECT_EQ(image.GetPixel(2, 0), 0u);
  EXPECT_EQ(image.GetPixel(3, 0), 1u);
  TPixelGraphic black;
  Load(TTiffBuilder().Basic(4, 1, {1}, 1).Strip({0xA0}).Build(), black);
  EXPECT_EQ(black.GetPixel(0, 0), 1u);
  EXPECT_EQ(black.GetPixel(1, 0), 0u);
}

TEST(TiffReaderTest, FourBitNibblesHighFirstAndWhiteIsZeroInverts) {
  TPixelGraphic gray, white;
  Load(TTiffBuilder().Basic(3, 1, {4}, 1).Strip({0x1F, 0x70}).Build(), gray);
  Load(TTiffBuilder().Basic(3, 1, {4}, 0).Strip({0x1F, 0x70}).Build(), white);
  EXPECT_EQ(gray.GetPixel(0, 0), 1u);
  EXPECT_EQ(gray.GetPixel(1, 0), 15u);
  EXPECT_EQ(gray.GetPixel(2, 0), 7u);
  EXPECT_EQ(white.GetPixel(0, 0), 14u);
  EXPECT_EQ(white.GetPixel(1, 0), 0u);
  EXPECT_EQ(white.GetPixel(2, 0), 8u);
  EXPECT_EQ(gray.ColorTableEntry(15), RGBColor(255, 255, 255));
}

struct CmykCase {
  std::uint8_t c, m, y, k;
  TColor expected;
};

class TiffCmykTest : public ::testing::TestWithParam<CmykCase> {};

TEST_P(TiffCmykTest, SeparatedPixelBecomesRgb) {
  const CmykCase p = GetParam();
  TPixelGraphic image;
  Load(TTiffBuilder().Basic(1, 1, {8, 8, 8, 8}, 5).Strip({p.c, p.m, p.y, p.k}).Build(), image);
  ASSERT_EQ(image.BitCount(), 24);
  EXPECT_EQ(image.GetPixel(0, 0), p.expected);
}

INSTANTIATE_TEST_SUITE_P(Pixels, TiffCmykTest,
                         ::testing::Values(CmykCase{0, 0, 0, 255, RGBColor(0, 0, 0)},
                                           CmykCase{255, 0, 0, 0, RGBColor(0, 255, 255)},
                                           CmykCase{10, 20, 30, 40, RGBColor(205, 195, 185)},
                                           CmykCase{200, 100, 0, 100, RGBColor(0, 55, 155)}));

TEST(TiffReaderTest, RgbSamplesBecomeBgrAndAFourthSampleIsIgnored) {
  TPixelGraphic rgb, rgba;
  Load(TTiffBuilder().Basic(2, 1, {8, 8, 8}, 2).Strip({1, 2, 3, 4, 5, 6}).Build(), rgb);
  Load(TTiffBuilder().Basic(2, 1, {8, 8, 8, 8}, 2).Strip({1, 2, 3, 99, 4, 5, 6, 0}).Build(), rgba);
  EXPECT_EQ(rgb.GetPixel(0, 0), RGBColor(1, 2, 3));
  EXPECT_EQ(rgb.GetPixel(1, 0), RGBColor(4, 5, 6));
  EXPECT_EQ(rgba.GetPixel(0, 0), RGBColor(1, 2, 3));
  EXPECT_EQ(rgba.GetPixel(1, 0), RGBColor(4, 5, 6));
}

TEST(TiffReaderTest, PaletteTakesTheHighBytesOfTheColorMapThirds) {
  std::vector<std::uint32_t> map(48, 0);
  map[1] = 0x12FF;        // red of entry 1
  map[16 + 1] = 0x3400;   // green
  map[32 + 1] = 0xFF00;   // blue
  TPixelGraphic image;
  Load(TTiffBuilder().Basic(2, 1, {4}, 3).Set(320, 3, map).Strip({0x10}).Build(), image);
  ASSERT_EQ(image.BitCount(), 4);
  ASSERT_EQ(image.PaletteCount(), 16);
  EXPECT_EQ(image.PaletteColors()[1], RGBColor(0x12, 0x34, 0xFF));
  EXPECT_EQ(image.GetPixel(0, 0), 1u);
}

TEST(TiffReaderTest, PaletteWithoutColorMapIsRefused) {
  EXPECT_EQ(Refusal(TTiffBuilder().Basic(2, 1, {8}, 3).Strip({0, 1}).Build()), "TIFF: ColorMap invalid");
}

TEST(TiffReaderTest, OneBitPaletteFileIsBlackAndWhite) {
  TPixelGraphic image;
  Load(TTiffBuilder().Basic(2, 1, {1}, 3).Set(320, 3, std::vector<std::uint32_t>(6, 0x8000)).Strip({0x80}).Build(),
       image);
  EXPECT_EQ(image.PaletteColors(), (std::vector<TColor>{0, 0xFFFFFF}));
  EXPECT_EQ(image.GetPixel(0, 0), 1u);
}

TEST(TiffReaderTest, StripsAreFollowedRowByRow) {
  // 2 x 3, two rows per strip: the second strip holds the last row.
  TPixelGraphic image;
  Load(TTiffBuilder().Basic(2, 3, {8}, 1).Set(278, 3, {2}).Strip({1, 2, 3, 4}).Strip({5, 6}).Build(), image);
  EXPECT_EQ(image.GetPixel(0, 0), 1u);
  EXPECT_EQ(image.GetPixel(1, 1), 4u);
  EXPECT_EQ(image.GetPixel(0, 2), 5u);
  EXPECT_EQ(image.GetPixel(1, 2), 6u);
}

TEST(TiffReaderTest, TwoShortStripOffsetsStandInTheEntry) {
  // Offsets of type SHORT, count 2: four bytes that stand in the entry itself.
  TTiffBuilder b;
  b.Basic(1, 2, {8}, 1).Set(278, 3, {1}).Strip({7}).Strip({9});
  // Rebuild with the offsets as SHORT values; the strips keep their places (8, 10).
  b.Set(273, 3, {8, 10});
  const Bytes bytes = b.Build();
  TPixelGraphic image;
  Load(bytes, image);
  EXPECT_EQ(image.GetPixel(0, 0), 7u);
  EXPECT_EQ(image.GetPixel(0, 1), 9u);
}

TEST(TiffReaderTest, AbsentTagsTakeTheBaselineDefaults) {
  // No Compression, SamplesPerPixel, BitsPerSample or RowsPerStrip: uncompressed
  // 1-bit, one sample, one strip.
  TPixelGraphic image;
  Load(TTiffBuilder().Set(256, 4, {8}).Set(257, 4, {1}).Set(262, 3, {1}).Strip({0x81}).Build(), image);
  ASSERT_EQ(image.BitCount(), 1);
  EXPECT_EQ(image.GetPixel(0, 0), 1u);
  EXPECT_EQ(image.GetPixel(1, 0), 0u);
  EXPECT_EQ(image.GetPixel(7, 0), 1u);
}

TEST(TiffReaderTest, RowsPerStripBeyondTheHeightMeansOneStrip) {
  TPixelGraphic image;
  Load(TTiffBuilder().Basic(1, 2, {8}, 1).Set(278, 4, {0xFFFFFFFFu}).Strip({3, 4}).Build(), image);
  EXPECT_EQ(image.GetPixel(0, 1), 4u);
}

TEST(TiffReaderTest, PackBitsRowsDecode) {
  // Row 0: literal 3 bytes; row 1: a run of 3 (header -2), a no-op -128 first.
  TPixelGraphic image;
  Load(TTiffBuilder().Basic(3, 2, {8}, 1, 32773).Strip({0x02, 1, 2, 3, 0x80, 0xFE, 9}).Build(), image);
  EXPECT_EQ(image.GetPixel(0, 0), 1u);
  EXPECT_EQ(image.GetPixel(2, 0), 3u);
  EXPECT_EQ(image.GetPixel(0, 1), 9u);
  EXPECT_EQ(image.GetPixel(2, 1), 9u);
}

TEST(TiffReaderTest, PackBitsRunPastTheRowEndIsRefusedWithTheRowNumber) {
  // Row 0 fine, row 1 repeats 4 bytes into a 3-byte row.
  EXPECT_EQ(Refusal(TTiffBuilder().Basic(3, 2, {8}, 1, 32773).Strip({0xFE, 1, 0xFD, 2}).Build()),
            "TIFF (PackBits): Invalid count of bytes in row 1");
  EXPECT_EQ(Refusal(TTiffBuilder().Basic(3, 1, {8}, 1, 32773).Strip({0x03, 1, 2, 3, 4}).Build()),
            "TIFF (PackBits): Invalid count of bytes in row 0");
}

TEST(TiffReaderTest, RowsBeforeAFailureStay) {
  TPixelGraphic image;
  image.ReadWarningAction = pgwaRaise;
  const Bytes bytes = TTiffBuilder().Basic(3, 2, {8}, 1, 32773).Strip({0xFE, 7, 0xFD, 2}).Build();
  TMemoryStream stream(bytes.data(), bytes.size());
  TFileFormatReader* reader = FindReader(stream, "tif");
  ASSERT_NE(reader, nullptr);
  EXPECT_THROW(reader->ReadImage(stream, image, 0), EPGTIFFileFormatReader);
  EXPECT_EQ(image.GetPixel(0, 0), 7u);
}

// One strip whose RowsPerStrip is smaller than the height.
Bytes OneShortStrip() { return TTiffBuilder().Basic(1, 4, {8}, 1).Set(278, 3, {2}).Strip({1, 2, 3, 4}).Build(); }

TEST(TiffReaderTest, OneStripMismatchFollowsTheWarningAction) {
  const std::string text = "TIFF: NumStripOffsets<>(ImageLength+RowsPerStrip-1) div RowsPerStrip";
  EXPECT_EQ(Refusal(OneShortStrip(), pgwaIgnore), "");
  EXPECT_EQ(Refusal(OneShortStrip(), pgwaRaise), text);

  std::string caption, shown;
  bool answer = false;
  TScopedWarningPrompt prompt([&](const std::string& c, const std::string& t, bool) {
    caption = c;
    shown = t;
    return answer;
  });
  EXPECT_EQ(Refusal(OneShortStrip(), pgwaOKCancelBox), text);
  EXPECT_EQ(caption, "TIFF-Warning");
  EXPECT_EQ(shown, "NumStripOffsets<>(ImageLength+RowsPerStrip-1) div RowsPerStrip");
  answer = true;
  TPixelGraphic image;
  image.ReadWarningAction = pgwaOKCancelBox;
  Load(OneShortStrip(), image);
  EXPECT_EQ(image.GetPixel(0, 3), 4u);  // the whole image read as one strip
}

TEST(TiffReaderTest, StripCountMismatchWithSeveralStripsIsRefused) {
  EXPECT_EQ(Refusal(TTiffBuilder().Basic(1, 4, {8}, 1).Set(278, 3, {1}).Strip({1, 2}).Strip({3, 4}).Build(),
                    pgwaIgnore),
            "TIFF: NumStripOffsets<>(ImageLength+RowsPerStrip-1) div RowsPerStrip");
}

struct RefusalCase {
  const char* name;
  Bytes bytes;
  const char* message;
};

class TiffRefusalTest : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(TiffRefusalTest, GivesTheMessage) { EXPECT_EQ(Refusal(GetParam().bytes), GetParam().message); }

std::vector<RefusalCase> RefusalCases() {
  const auto compressed = [](std::uint32_t c) { return TTiffBuilder().Basic(1, 1, {8}, 1, c).Strip({0}).Build(); };
  Bytes badOrder = Gray8(false);
  badOrder[0] = 'X';
  Bytes bad42 = Gray8(false);
  bad42[2] = 43;
  return {
      {"ccitt", compressed(2), "TIFF: Unsupported compression CCITT 1D"},
      {"g3", compressed(3), "TIFF: Unsupported compression Group 3 Fax"},
      {"g4", compressed(4), "TIFF: Unsupported compression Group 4 Fax"},
      {"lzw", compressed(5), "TIFF: Unsupported compression LZW"},
      {"jpeg", compressed(6), "TIFF: Unsupported compression JPEG"},
      {"deflate", compressed(32946), "TIFF: Unsupported compression 32946"},
      {"order", badOrder, "other: Unknown file format"},
      {"planar", TTiffBuilder().Basic(1, 1, {8, 8, 8}, 2).Set(284, 3, {2}).Strip({0, 0, 0}).Build(),
       "TIFF: PlanarConfiguration invalid"},
      {"spp2", TTiffBuilder().Basic(1, 1, {8, 8}, 1).Strip({0, 0}).Build(), "TIFF: Invalid SamplesPerPixel"},
      {"bpsCount", TTiffBuilder().Basic(1, 1, {8, 8, 8}, 2).Set(258, 3, {8}).Strip({0, 0, 0}).Build(),
       "TIFF: Invalid count of SamplesPerPixel"},
      {"bits16", TTiffBuilder().Basic(1, 1, {16}, 1).Strip({0, 0}).Build(), "TIFF: Invalid SamplesPerPixel"},
      {"ycbcr", TTiffBuilder().Basic(1, 1, {8, 8, 8}, 6).Strip({0, 0, 0}).Build(), "TIFF: Invalid SamplesPerPixel"},
      {"cmyk3", TTiffBuilder().Basic(1, 1, {8, 8, 8}, 5).Strip({0, 0, 0}).Build(), "TIFF: Invalid SamplesPerPixel"},
      {"noRps2Strips", TTiffBuilder().Basic(1, 2, {8}, 1).Remove(278).Strip({0}).Strip({0}).Build(),
       "TIFF: Invalid RowsPerStrip"},
      {"tiled", TTiffBuilder().Basic(1, 2, {8}, 1).Remove(278).Build(), "TIFF: Invalid RowsPerStrip"},
      {"fieldType", TTiffBuilder().Basic(1, 1, {8}, 1).Set(256, 5, {1, 1}).Strip({0}).Build(),
       "TIFF: Unsupported field Type: 5"},
      {"zeroWidth", TTiffBuilder().Basic(0, 1, {8}, 1).Strip({0}).Build(), "TIFF: Width = 0 or Height = 0"},
      {"stripOutside", TTiffBuilder().Basic(1, 1, {8}, 1).Set(273, 4, {100000}).Build(),
       "TIFF: Unexpected end of file"},
      {"hugeDeclared", TTiffBuilder().Basic(40000, 40000, {8}, 1).Strip({0}).Build(), "TIFF: Unexpected end of file"},
  };
}

INSTANTIATE_TEST_SUITE_P(Files, TiffRefusalTest, ::testing::ValuesIn(RefusalCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TiffReaderTest, ArrayOffsetOutsideTheFileIsRefused) {
  // A ColorMap whose offset points beyond the end.
  Bytes bytes = TTiffBuilder().Basic(2, 1, {4}, 3).Set(320, 3, std::vector<std::uint32_t>(48, 0)).Strip({0}).Build();
  // Find the ColorMap entry and move its offset far out.
  const size_t directory = GetLE32(bytes.data() + 4);
  const int count = GetLE16(bytes.data() + directory);
  for (int i = 0; i < count; ++i) {
    std::uint8_t* e = bytes.data() + directory + 2 + 12 * i;
    if (GetLE16(e) == 320) PutLE32(e + 8, 0x7FFFFFF0u);
  }
  EXPECT_EQ(Refusal(bytes), "TIFF: Unexpected end of file");
}

TEST(TiffReaderTest, EveryTruncationIsRefusedCleanly) {
  const std::vector<Bytes> files = {
      TTiffBuilder(true).Basic(3, 2, {8, 8, 8}, 2).Set(278, 3, {1}).Strip({1, 2, 3, 4, 5, 6, 7, 8, 9}).Strip(
          {1, 2, 3, 4, 5, 6, 7, 8, 9}).Build(),
      TTiffBuilder().Basic(5, 2, {4}, 3, 32773).Set(320, 3, std::vector<std::uint32_t>(48, 0x4000)).Strip(
          {0xFE, 0x12, 0x02, 0x34, 0x56, 0x78}).Build(),
  };
  for (const Bytes& full : files) {
    ASSERT_EQ(Refusal(full), "");
    for (size_t n = 0; n < full.size(); ++n) {
      const Bytes cut(full.begin(), full.begin() + std::ptrdiff_t(n));
      TPixelGraphic image;
      image.ReadWarningAction = pgwaRaise;
      TMemoryStream stream(cut.data(), cut.size());
      try {
        image.LoadFromStreamEx(stream, "tif", 0);
      } catch (const EPixelGraphic&) {
        continue;  // refused with a library message
      }
      // Loading a cut file is allowed only when the cut removed nothing it needs.
      ADD_FAILURE() << "cut at " << n << " of " << full.size() << " loaded";
    }
  }
}

TFileFormatReader& TiffReader() {
  for (const auto& r : FileFormatReaders())
    if (r->Extension == "tif") return *r;
  throw std::runtime_error("no tif reader");
}

TEST(TiffReaderTest, WrongByteOrderOrNumberIsNotATifFile) {
  for (const Bytes& bytes : {Bytes{'I', 'M', 42, 0, 8, 0, 0, 0}, Bytes{'I', 'I', 43, 0, 8, 0, 0, 0}, Bytes{'I', 'I'}}) {
    TMemoryStream stream(bytes.data(), bytes.size());
    TPixelGraphic image;
    try {
      TiffReader().ReadImage(stream, image, 0);
      ADD_FAILURE() << "read";
    } catch (const EPGTIFFileFormatReader& e) {
      EXPECT_STREQ(e.what(), "TIFF: Not a TIF file");
    }
  }
}

TEST(TiffReaderTest, ReadingStartsAtTheStreamPosition) {
  Bytes bytes(5, 0xEE);
  const Bytes tiff = Gray8(true);
  bytes.insert(bytes.end(), tiff.begin(), tiff.end());
  TMemoryStream stream(bytes.data(), bytes.size());
  stream.SetPosition(5);
  TPixelGraphic image;
  TiffReader().ReadImage(stream, image, 0);
  EXPECT_EQ(image.GetPixel(3, 1), 255u);
}

TEST(TiffReaderTest, IndexBeyondTheImageCountIsRefused) {
  TPixelGraphic image;
  const Bytes bytes = Gray8(false);
  EXPECT_THROW(
      {
        try {
          Load(bytes, image, 1);
        } catch (const EPGTIFFileFormatReader& e) {
          EXPECT_STREQ(e.what(), "TIFF: Index invalid");
          throw;
        }
      },
      EPGTIFFileFormatReader);
}

// Two directories: the second is an 8-bit gray 1x1 image with value 77.
Bytes TwoDirectories(bool loopBack) {
  Bytes first = TTiffBuilder().Basic(1, 1, {8}, 1).Strip({11}).Build();
  const std::uint32_t second = std::uint32_t(first.size());
  // Append a second directory by hand: entries in the same byte order (II).
  const std::uint16_t tags[] = {256, 257, 258, 259, 262, 273, 277, 278};
  const std::uint32_t values[] = {1, 1, 8, 1, 1, 0, 1, 1};
  Bytes dir(2 + 12 * 8 + 4);
  PutLE16(dir.data(), 8);
  const std::uint32_t pixelAt = second + std::uint32_t(dir.size());
  for (int i = 0; i < 8; ++i) {
    std::uint8_t* e = dir.data() + 2 + 12 * i;
    PutLE16(e, tags[i]);
    PutLE16(e + 2, tags[i] == 273 ? 4 : 3);
    PutLE32(e + 4, 1);
    if (tags[i] == 273) PutLE32(e + 8, pixelAt);
    else PutLE16(e + 8, values[i]);
  }
  PutLE32(dir.data() + 2 + 12 * 8, loopBack ? GetLE32(first.data() + 4) : 0);
  // Link the first directory to the second.
  const std::uint32_t d1 = GetLE32(first.data() + 4);
  PutLE32(first.data() + d1 + 2 + 12 * GetLE16(first.data() + d1), second);
  first.insert(first.end(), dir.begin(), dir.end());
  first.push_back(77);
  return first;
}

TEST(TiffReaderTest, DirectoriesAreCountedOnlyWhenAsked) {
  EXPECT_EQ(Info(TwoDirectories(false)).ImageCount, 1);
  TCodecSettings s = CodecSettings();
  s.TIFFCountImages = true;
  TScopedCodecSettings scoped(s);
  EXPECT_EQ(Info(TwoDirectories(false)).ImageCount, 2);
  // A chain that loops back to the first directory ends there.
  EXPECT_EQ(Info(TwoDirectories(true)).ImageCount, 2);
  TPixelGraphic image;
  Load(TwoDirectories(true), image, 1);
  EXPECT_EQ(image.GetPixel(0, 0), 77u);
  // At most TIFFMaxImages directories are followed.
  s.TIFFMaxImages = 1;
  TScopedCodecSettings one(s);
  EXPECT_EQ(Info(TwoDirectories(true)).ImageCount, 1);
}

TEST(TiffReaderTest, BrokenChainFallsBackToOneImage) {
  Bytes bytes = TwoDirectories(false);
  const std::uint32_t d1 = GetLE32(bytes.data() + 4);
  PutLE32(bytes.data() + d1 + 2 + 12 * GetLE16(bytes.data() + d1), 0x7FFFFFF0u);
  TCodecSettings s = CodecSettings();
  s.TIFFCountImages = true;
  TScopedCodecSettings scoped(s);
  EXPECT_EQ(Info(bytes).ImageCount, 1);
}

struct InfoCase {
  const char* name;
  Bytes bytes;
  const char* infoText;
  const char* extraText;
  int bitCount;
  const char* colors;
};

class TiffInfoTest : public ::testing::TestWithParam<InfoCase> {};

TEST_P(TiffInfoTest, DescribesTheDirectory) {
  const InfoCase& c = GetParam();
  const TImageInfo info = Info(c.bytes);
  EXPECT_EQ(info.InfoText, c.infoText);
  EXPECT_EQ(info.ExtraText, c.extraText);
  EXPECT_EQ(info.BitCount, c.bitCount);
  EXPECT_EQ(info.ColorsText, c.colors);
  EXPECT_EQ(info.ImageCount, 1);
}

std::vector<InfoCase> InfoCases() {
  return {
      {"lzw", TTiffBuilder().Basic(3, 2, {8}, 1, 5).Strip({0}).Build(), "I, LZW, BlackIsZero",
       "(Unsupported compression)", 8, "256"},
      {"mmRgb", TTiffBuilder(true).Basic(3, 2, {8, 8, 8}, 2).Strip({0}).Build(), "M, Uncompr., RGB", "", 24, "16.7 M"},
      {"packbitsPalette",
       TTiffBuilder().Basic(3, 2, {4}, 3, 32773).Set(320, 3, std::vector<std::uint32_t>(48, 0)).Strip({0}).Build(),
       "I, PackBits, RGB Palette", "", 4, "16"},
      {"g3White", TTiffBuilder().Basic(3, 2, {1}, 0, 3).Strip({0}).Build(), "I, Group 3 F., WhiteIsZero",
       "(Unsupported compression)", 1, "2"},
      {"cmyk", TTiffBuilder().Basic(3, 2, {8, 8, 8, 8}, 5, 32946).Strip({0}).Build(), "I, , CMYK", "", 32, "16.7 M"},
  };
}

INSTANTIATE_TEST_SUITE_P(Files, TiffInfoTest, ::testing::ValuesIn(InfoCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TiffReaderTest, InfoGivesTheSizeOfAnUnsupportedFile) {
  const TImageInfo info = Info(TTiffBuilder().Basic(300, 200, {8}, 1, 5).Strip({0}).Build());
  EXPECT_EQ(info.Width, 300);
  EXPECT_EQ(info.Height, 200);
}

}  // namespace
}  // namespace lumora
