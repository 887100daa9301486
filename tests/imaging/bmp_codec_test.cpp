// The BMP reader and writer: decoding of every accepted header and pixel layout,
// refusals with their messages, hostile and truncated input, file information,
// progress and abort, byte-exact round trips and safe saving.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>

#include "imaging/core/codec_settings.h"
#include "imaging/core/exceptions.h"
#include "imaging/core/pixel_graphic.h"
#include "imaging/core/registry.h"
#include "imaging/core/stream.h"
#include "tests/imaging/bmp_test_files.h"
#include "tests/support/test_support.h"

// The test files name only the fields they set; the rest keep their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace lumora {
namespace {

using test::LE16s;
using test::LE32s;
using test::RampPalette;
using test::TBmpFile;
using Bytes = std::vector<std::uint8_t>;

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

void LoadBytes(TPixelGraphic& image, const Bytes& bytes) {
  TMemoryStream stream(bytes.data(), bytes.size());
  image.LoadFromStream(stream);
}

// The message of a refused load, "" when the data loaded; other exception types are
// reported with a marker so a test sees that the wrong family was raised.
std::string Refusal(const Bytes& bytes) {
  TPixelGraphic image;
  try {
    LoadBytes(image, bytes);
  } catch (const EPGBMPFileFormatReader& e) {
    return e.what();
  } catch (const std::exception& e) {
    return std::string("<not a BMP refusal> ") + e.what();
  }
  return "";
}

Bytes SaveBytes(TPixelGraphic& image) {
  TMemoryStream stream;
  image.SaveToStream(stream);
  return stream.TakeBytes();
}

// ---------------------------------------------------------------------------------
// Decoding

struct PixelAt {
  int x, y;
  std::uint32_t value;  // raw pixel: palette index, or colour 0x00BBGGRR
};

struct DecodeCase {
  const char* name;
  TBmpFile file;
  int width, height, bitCountNum, paletteCount;
  std::vector<PixelAt> pixels;
};

void PrintTo(const DecodeCase& c, std::ostream* os) { *os << c.name; }

class BmpDecodeTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(BmpDecodeTest, DecodesTheStoredPixels) {
  const DecodeCase& c = GetParam();
  TPixelGraphic image;
  ASSERT_NO_THROW(LoadBytes(image, c.file.Build()));
  EXPECT_EQ(image.Width(), c.width);
  EXPECT_EQ(image.Height(), c.height);
  EXPECT_EQ(image.BitCountNum(), c.bitCountNum);
  EXPECT_EQ(image.PaletteCount(), c.paletteCount);
  for (const PixelAt& p : c.pixels) {
    EXPECT_EQ(image.GetPixel(p.x, p.y), p.value) << "pixel (" << p.x << ", " << p.y << ")";
  }
}

constexpr std::uint32_t kWhite = 0xFFFFFF;

// Designated initialisers keep each file readable field by field.
const DecodeCase kDecodeCases[] = {
    {"Rgb16DefaultFieldsRoundUp",
     {.Width = 3, .Bits = 16, .Pixels = LE16s({0x7FFF, 0x0000, 0x0421, 0})},
     3, 1, 3, 0, {{0, 0, kWhite}, {1, 0, 0}, {2, 0, RGBColor(16, 16, 16)}}},
    {"Rgb16BitFields565",
     {.Width = 2, .Bits = 16, .Compression = 3, .Masks = {0xF800, 0x07E0, 0x1F}, .Pixels = LE16s({0xFFFF, 0x0821})},
     2, 1, 3, 0, {{0, 0, kWhite}, {1, 0, RGBColor(16, 8, 16)}}},
    {"Rgb16ZeroMaskReadsZero",
     {.Bits = 16, .Compression = 3, .Masks = {0x7C00, 0, 0x1F}, .Pixels = LE16s({0x7FFF, 0})},
     1, 1, 3, 0, {{0, 0, RGBColor(255, 0, 255)}}},
    {"Rgb32BitFieldsPlainMasks",
     {.Bits = 32, .Compression = 3, .Masks = {0xFF0000, 0xFF00, 0xFF}, .Pixels = {0x30, 0x20, 0x10, 0x00}},
     1, 1, 3, 0, {{0, 0, RGBColor(0x10, 0x20, 0x30)}}},
    {"Rgb32BitFieldsSwappedMasks",
     {.Bits = 32, .Compression = 3, .Masks = {0xFF, 0xFF00, 0xFF0000}, .Pixels = {0x30, 0x20, 0x10, 0x00}},
     1, 1, 3, 0, {{0, 0, RGBColor(0x30, 0x20, 0x10)}}},
    {"Rgb32TenBitFieldsKeepTheirTopBits",
     {.Width = 2, .Bits = 32, .Compression = 3, .Masks = {0x3FF00000, 0xFFC00, 0x3FF},
      .Pixels = LE32s({(1023u << 20) | (512u << 10) | 1u, (256u << 20) | (4u << 10) | 1000u})},
     2, 1, 3, 0, {{0, 0, RGBColor(255, 128, 0)}, {1, 0, RGBColor(64, 1, 250)}}},
    {"Rgb32DefaultIgnoresAlphaByte",
     {.Bits = 32, .Pixels = {0x30, 0x20, 0x10, 0xFF}},
     1, 1, 3, 0, {{0, 0, RGBColor(0x10, 0x20, 0x30)}}},
    {"Pal8ColorsUsedGivesThatManyEntries",
     {.Width = 2, .Bits = 8, .ColorsUsed = 20, .Palette = RampPalette(20), .Pixels = {19, 5, 0, 0}},
     2, 1, 2, 20, {{0, 0, 19}, {1, 0, 5}}},
    {"Rgb24SkipsTheColorsUsedEntries",
     {.Bits = 24, .ColorsUsed = 5, .Palette = Bytes(20, 0xEE), .Pixels = {1, 2, 3, 0}},
     1, 1, 3, 0, {{0, 0, RGBColor(3, 2, 1)}}},
    {"Rgb24SkipsEntriesWithoutDataOffset",
     {.Bits = 24, .ColorsUsed = 5, .Palette = Bytes(20, 0xEE), .Pixels = {1, 2, 3, 0}, .DataOffset = 0},
     1, 1, 3, 0, {{0, 0, RGBColor(3, 2, 1)}}},
    {"TopDownShowsFirstRowAtTop",
     {.Height = -2, .Bits = 24, .Pixels = {0x0A, 0x0B, 0x0C, 0, 1, 2, 3, 0}},
     1, 2, 3, 0, {{0, 0, RGBColor(0x0C, 0x0B, 0x0A)}, {0, 1, RGBColor(3, 2, 1)}}},
    {"TopDown16BitRows",
     {.Height = -2, .Bits = 16, .Pixels = LE16s({0x7C00, 0, 0x001F, 0})},
     1, 2, 3, 0, {{0, 0, RGBColor(255, 0, 0)}, {0, 1, RGBColor(0, 0, 255)}}},
    {"TopDownOneBitRows",
     {.Width = 9, .Height = -2, .Bits = 1, .Palette = RampPalette(2), .Pixels = {0x80, 0x80, 0, 0, 0x40, 0, 0, 0}},
     9, 2, 0, 2, {{0, 0, 1}, {8, 0, 1}, {1, 0, 0}, {1, 1, 1}, {0, 1, 0}}},
    {"Rle4RunAlternatesNibbles",
     {.Width = 4, .Bits = 4, .Compression = 2, .Palette = RampPalette(16), .Pixels = {0x03, 0x5A, 0x00, 0x01}},
     4, 1, 1, 16, {{0, 0, 5}, {1, 0, 0xA}, {2, 0, 5}, {3, 0, 0}}},
    {"Rle4AbsoluteRunOddLength",
     {.Width = 5, .Bits = 4, .Compression = 2, .Palette = RampPalette(16),
      .Pixels = {0x00, 0x05, 0x12, 0x34, 0x50, 0x00, 0x00, 0x01}},
     5, 1, 1, 16, {{0, 0, 1}, {1, 0, 2}, {2, 0, 3}, {3, 0, 4}, {4, 0, 5}}},
    {"Rle8RunsLinesDeltaAndEnd",
     {.Width = 4, .Height = 3, .Bits = 8, .Compression = 1, .Palette = RampPalette(16),
      .Pixels = {0x02, 0x07,                          // 7 7 on the bottom row
                 0x00, 0x03, 0x01, 0x02, 0x03, 0x00,  // absolute 1 2 3, the 3 falls off the row
                 0x00, 0x00,                          // next line up
                 0x00, 0x02, 0x01, 0x01,              // delta: one right, one up
                 0x01, 0x09,                          // 9 at (1, 0)
                 0x00, 0x01}},
     4, 3, 2, 16, {{0, 2, 7}, {1, 2, 7}, {2, 2, 1}, {3, 2, 2}, {0, 1, 0}, {1, 0, 9}, {0, 0, 0}}},
    {"Rle8RunPastTheRowIsClipped",
     {.Width = 2, .Bits = 8, .Compression = 1, .Palette = RampPalette(8), .Pixels = {0xFF, 0x05, 0x00, 0x01}},
     2, 1, 2, 8, {{0, 0, 5}, {1, 0, 5}}},
    {"Rle8AbsoluteRunCutOffKeepsWhatItHas",
     {.Width = 4, .Bits = 8, .Compression = 1, .Palette = RampPalette(8), .Pixels = {0x00, 0x04, 0x01, 0x02}},
     4, 1, 2, 8, {{0, 0, 1}, {1, 0, 2}, {2, 0, 0}, {3, 0, 0}}},
    {"Rle8DeltaOutOfTheImageWritesNothing",
     {.Width = 2, .Height = 2, .Bits = 8, .Compression = 1, .Palette = RampPalette(8),
      .Pixels = {0x00, 0x02, 0xFF, 0xFF, 0x03, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x06}},
     2, 2, 2, 8, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}},
    {"Rle8ImageSizeLimitsTheStream",
     {.Width = 3, .Bits = 8, .Compression = 1, .ImageSize = 2, .Palette = RampPalette(8),
      .Pixels = {0x01, 0x04, 0x01, 0x05, 0x00, 0x01}},
     3, 1, 2, 8, {{0, 0, 4}, {1, 0, 0}}},
    {"CoreHeaderOneBit",
     {.HeaderSize = 12, .Width = 9, .Height = 2, .Bits = 1, .Palette = {0, 0, 0, 0xFF, 0x80, 0x40},
      .Pixels = {0x80, 0x80, 0, 0, 0x40, 0, 0, 0}},
     9, 2, 0, 2, {{0, 1, 1}, {8, 1, 1}, {1, 1, 0}, {1, 0, 1}, {0, 0, 0}}},
    {"CoreHeaderTableShortenedByDataOffset",
     {.HeaderSize = 12, .Width = 2, .Bits = 8, .Palette = {0, 0, 0, 3, 2, 1}, .Pixels = {1, 0, 0, 0}},
     2, 1, 2, 2, {{0, 0, 1}, {1, 0, 0}}},
    {"OverlongTableEndsAtTheDataOffset",
     {.Width = 2, .Bits = 8, .ColorsUsed = 0x10000000, .Palette = RampPalette(3), .Pixels = {2, 1, 0, 0}},
     2, 1, 2, 3, {{0, 0, 2}, {1, 0, 1}}},
    {"CoreHeaderTrueColor",
     {.HeaderSize = 12, .Bits = 24, .Pixels = {1, 2, 3, 0}},
     1, 1, 3, 0, {{0, 0, RGBColor(3, 2, 1)}}},
    {"DataOffsetAfterAGapIsHonoured",
     {.Width = 2, .Bits = 8, .Palette = RampPalette(2), .Pixels = Bytes(8, 0xEE) + Bytes{1, 0, 0, 0},
      .DataOffset = 14 + 40 + 8 + 8},
     2, 1, 2, 2, {{0, 0, 1}, {1, 0, 0}}},
    {"DataOffsetInsideTheTableIsIgnored",
     {.Width = 2, .Bits = 8, .Palette = RampPalette(2), .Pixels = {1, 0, 0, 0}, .DataOffset = 14 + 40 + 4},
     2, 1, 2, 2, {{0, 0, 1}, {1, 0, 0}}},
    {"DataOffsetBeyondTheFileIsIgnored",
     {.Width = 2, .Bits = 8, .Palette = RampPalette(2), .Pixels = {1, 0, 0, 0}, .DataOffset = 100000},
     2, 1, 2, 2, {{0, 0, 1}, {1, 0, 0}}},
    {"V4HeaderHoldsTheMasks",
     {.HeaderSize = 108, .Width = 2, .Bits = 16, .Compression = 3, .Masks = {0xF800, 0x07E0, 0x1F},
      .Pixels = LE16s({0xFFFF, 0x0821})},
     2, 1, 3, 0, {{0, 0, kWhite}, {1, 0, RGBColor(16, 8, 16)}}},
    {"V4HeaderRgbUsesDefaultMasks",
     {.HeaderSize = 108, .Bits = 16, .Masks = {0xF800, 0x07E0, 0x1F}, .Pixels = LE16s({0x7C00, 0})},
     1, 1, 3, 0, {{0, 0, RGBColor(255, 0, 0)}}},
    {"V5HeaderPaletteFollowsTheHeader",
     {.HeaderSize = 124, .Width = 2, .Bits = 8, .Palette = RampPalette(3), .Pixels = {2, 1, 0, 0}},
     2, 1, 2, 3, {{0, 0, 2}, {1, 0, 1}}},
    {"OversizePaletteIsClippedToTheFormat",
     {.Bits = 8, .ColorsUsed = 300, .Palette = RampPalette(300), .Pixels = {255, 0, 0, 0}},
     1, 1, 2, 256, {{0, 0, 255}}},
    {"OversizePaletteOneBit",
     {.Width = 8, .Bits = 1, .ColorsUsed = 5, .Palette = RampPalette(5), .Pixels = {0x81, 0, 0, 0}},
     8, 1, 0, 2, {{0, 0, 1}, {7, 0, 1}, {1, 0, 0}}},
    {"ColorsUsedMaxWithDataOffsetDecodes",
     {.Width = 2, .Bits = 8, .ColorsUsed = 0xFFFFFFFF, .Palette = RampPalette(256), .Pixels = {7, 9, 0, 0},
      .DataOffset = 14 + 40 + 1024},
     2, 1, 2, 256, {{0, 0, 7}, {1, 0, 9}}},
    {"ColorsUsedMaxTrueColorWithDataOffsetDecodes",
     {.Bits = 24, .ColorsUsed = 0xFFFFFFFF, .Pixels = {1, 2, 3, 0}, .DataOffset = 54},
     1, 1, 3, 0, {{0, 0, RGBColor(3, 2, 1)}}},
    {"ShortPixelDataLeavesTheRestZero",
     {.Width = 2, .Height = 2, .Bits = 24, .Pixels = {1, 2, 3, 4, 5, 6, 0, 0}},
     2, 2, 3, 0, {{0, 1, RGBColor(3, 2, 1)}, {1, 1, RGBColor(6, 5, 4)}, {0, 0, 0}, {1, 0, 0}}},
    {"ShortBitFieldDataLeavesTheRestZero",
     {.Width = 2, .Height = 2, .Bits = 16, .Pixels = LE16s({0x7FFF})},
     2, 2, 3, 0, {{0, 1, kWhite}, {1, 1, 0}, {0, 0, 0}}},
    {"ZeroWidthGivesAnEmptyImage",
     {.Width = 0, .Height = 5, .Bits = 8, .Palette = RampPalette(2)},
     0, 5, 2, 2, {}},
};

INSTANTIATE_TEST_SUITE_P(Files, BmpDecodeTest, ::testing::ValuesIn(kDecodeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BmpDecode, SixteenBitRoundingCanBeSwitchedOff) {
  TCodecSettings settings = CodecSettings();
  settings.BMP16BitRounding = false;
  TScopedCodecSettings scoped(settings);
  TPixelGraphic image;
  LoadBytes(image, TBmpFile{.Width = 2, .Bits = 16, .Pixels = LE16s({0x7FFF, 0x0421})}.Build());
  EXPECT_EQ(image.GetPixel(0, 0), RGBColor(248, 248, 248));
  EXPECT_EQ(image.GetPixel(1, 0), RGBColor(8, 8, 8));
}

TEST(BmpDecode, PaletteComesFromTheFile) {
  TPixelGraphic image;
  LoadBytes(image, TBmpFile{.Bits = 4, .ColorsUsed = 3, .Palette = RampPalette(3), .Pixels = {0x20, 0, 0, 0}}.Build());
  ASSERT_EQ(image.PaletteCount(), 3);
  EXPECT_EQ(image.PaletteColor(2), RGBColor(2, 4, 6));
  EXPECT_EQ(image.GetRGBPixel(0, 0), RGBColor(2, 4, 6));
}

TEST(BmpDecode, CoreHeaderPaletteHasThreeByteEntries) {
  Bytes palette;
  for (int i = 0; i < 16; ++i) palette = palette + Bytes{std::uint8_t(i), std::uint8_t(16 + i), std::uint8_t(32 + i)};
  TPixelGraphic image;
  LoadBytes(image, TBmpFile{.HeaderSize = 12, .Bits = 4, .Palette = palette, .Pixels = {0xF0, 0, 0, 0}}.Build());
  ASSERT_EQ(image.PaletteCount(), 16);
  EXPECT_EQ(image.PaletteColor(15), RGBColor(47, 31, 15));
  EXPECT_EQ(image.GetPixel(0, 0), 15u);
}

TEST(BmpDecode, OneEntryPaletteStaysOneEntry) {
  TPixelGraphic image;
  LoadBytes(image, TBmpFile{.Width = 8, .Bits = 1, .ColorsUsed = 1, .Palette = RampPalette(1), .Pixels = {0xFF, 0, 0, 0}}
                       .Build());
  EXPECT_EQ(image.PaletteCount(), 1);
  EXPECT_EQ(image.PaletteIdent(), pUnknown);
  EXPECT_EQ(image.GetPixel(0, 0), 1u);
}

TEST(BmpDecode, IndexedFileAfterTrueColorHasAPaletteIdentity) {
  TPixelGraphic image;
  LoadBytes(image, TBmpFile{.Bits = 24, .Pixels = {1, 2, 3, 0}}.Build());
  ASSERT_EQ(image.PaletteIdent(), pTrueColor);
  LoadBytes(image, TBmpFile{.Bits = 8, .Palette = RampPalette(2), .Pixels = {1, 0, 0, 0}}.Build());
  EXPECT_NE(image.PaletteIdent(), pTrueColor);
  EXPECT_EQ(image.GetRGBPixel(0, 0), RGBColor(1, 2, 3));
}

// ---------------------------------------------------------------------------------
// The row decoders against literal per-pixel versions of the rules

// The component rule written out literally: move the mask until its top bit is bit 7,
// shift the field by the same count, add the rounding term to non-zero 16-bit fields.
std::uint8_t LiteralComponent(std::uint32_t pixel, std::uint32_t mask, bool rounding) {
  if (mask == 0) return 0;
  std::uint32_t m = mask;
  int n = 0;
  while (m > 0xFF) m >>= 1, --n;
  while (!(m & 0x80)) m <<= 1, ++n;
  const std::uint32_t field = pixel & mask;
  std::uint32_t v = n < 0 ? field >> -n : field << n;
  if (rounding && field != 0) v += m & (~m + 1);
  return std::uint8_t(std::min<std::uint32_t>(v, 255));
}

// For fields no wider than 8 bits, the count must equal the plain rule: shift right
// until the lowest bit is 1, then left until bit 7 is 1.
int PlainShiftCount(std::uint32_t mask) {
  int n = 0;
  while (!(mask & 1)) mask >>= 1, --n;
  while (!(mask & 0x80)) mask <<= 1, ++n;
  return n;
}

std::uint32_t RandomMask(std::mt19937& rng, int bits) {
  switch (rng() % 4) {
    case 0: return 0;
    case 1: return rng() & (bits == 16 ? 0xFFFFu : 0xFFFFFFFFu);  // anything, also non-contiguous
    default: {
      const int width = 1 + int(rng() % (bits == 16 ? 8 : 12));
      const int low = int(rng() % std::uint32_t(bits - width + 1));
      return std::uint32_t(((std::uint64_t(1) << width) - 1) << low);
    }
  }
}

TEST(BmpDecode, BitFieldRowsMatchTheLiteralRule) {
  std::mt19937 rng(20261210);
  for (int round = 0; round < 300; ++round) {
    const int bits = round % 2 ? 32 : 16;
    const bool rounding = round % 3 != 0;
    const std::uint32_t masks[3] = {RandomMask(rng, bits), RandomMask(rng, bits), RandomMask(rng, bits)};
    for (std::uint32_t m : masks) {
      if (m != 0 && 31 - __builtin_clz(m) - __builtin_ctz(m) < 8) {
        std::uint32_t t = m;
        int n = 0;
        while (t > 0xFF) t >>= 1, --n;
        while (!(t & 0x80)) t <<= 1, ++n;
        ASSERT_EQ(n, PlainShiftCount(m)) << std::hex << m;
      }
    }
    const int width = 1 + int(rng() % 9), height = 1 + int(rng() % 4);
    const int rowBytes = ((bits * width + 31) / 32) * 4;
    Bytes pixels(size_t(rowBytes * height));
    for (auto& b : pixels) b = std::uint8_t(rng());
    TCodecSettings settings = CodecSettings();
    settings.BMP16BitRounding = rounding;
    TScopedCodecSettings scoped(settings);
    TPixelGraphic image;
    LoadBytes(image, TBmpFile{.Width = width, .Height = height, .Bits = std::uint16_t(bits), .Compression = 3,
                              .Masks = {masks[0], masks[1], masks[2]}, .Pixels = pixels}
                         .Build());

    TPixelGraphic expected;
    expected.Allocate(width, height, 3);
    for (int r = 0; r < height; ++r) {
      for (int x = 0; x < width; ++x) {
        const std::uint8_t* p = pixels.data() + r * rowBytes + x * (bits / 8);
        const std::uint32_t v = bits == 16 ? GetLE16(p) : GetLE32(p);
        const bool round16 = bits == 16 && rounding;
        expected.SetPixel(x, height - 1 - r,
                          RGBColor(LiteralComponent(v, masks[0], round16), LiteralComponent(v, masks[1], round16),
                                   LiteralComponent(v, masks[2], round16)));
      }
    }
    ASSERT_EQ(image.ImageByteSize(), expected.ImageByteSize());
    ASSERT_EQ(std::memcmp(image.PixelBlock(), expected.PixelBlock(), size_t(image.ImageByteSize())), 0)
        << "round " << round << " bits " << bits << std::hex << " masks " << masks[0] << " " << masks[1] << " "
        << masks[2];
  }
}

// The run-length rules written out with SetPixel, which ignores positions outside the
// image; a run that needs bytes beyond the data ends the decoding.
void LiteralRLE(TPixelGraphic& image, const Bytes& data, bool fourBits) {
  const std::int64_t size = std::int64_t(data.size());
  std::int64_t p = 0, x = 0, y = image.Height() - 1;
  auto set = [&](std::int64_t px, std::uint32_t v) {
    if (px >= 0 && px < INT_MAX && y >= 0 && y < INT_MAX) image.SetPixel(int(px), int(y), v);
  };
  while (p < size - 1) {
    const int n = data[size_t(p)], c = data[size_t(p + 1)];
    if (n != 0) {
      for (int i = 0; i < n; ++i) set(x + i, fourBits ? ((i % 2) ? (c & 15) : (c >> 4)) : std::uint32_t(c));
      x += n;
      p += 2;
    } else if (c == 0) {
      x = 0, --y, p += 2;
    } else if (c == 1) {
      return;
    } else if (c == 2) {
      if (p >= size - 3) return;
      x += data[size_t(p + 2)];
      y -= data[size_t(p + 3)];
      p += 4;
    } else {
      for (int i = 0; i < c; ++i) {
        const std::int64_t at = p + 2 + (fourBits ? i / 2 : i);
        if (at >= size) return;
        const int b = data[size_t(at)];
        set(x + i, fourBits ? ((i % 2) ? (b & 15) : (b >> 4)) : std::uint32_t(b));
      }
      x += c;
      p += 2 + (fourBits ? (c + 1) / 2 : c);
      if (p % 2) ++p;
    }
  }
}

Bytes RandomRLEStream(std::mt19937& rng) {
  Bytes s;
  const int ops = int(rng() % 40);
  for (int i = 0; i < ops; ++i) {
    switch (rng() % 6) {
      case 0: s = s + Bytes{std::uint8_t(1 + rng() % 20), std::uint8_t(rng())}; break;
      case 1: s = s + Bytes{0, 0}; break;
      case 2: s = s + Bytes{0, 2, std::uint8_t(rng() % 6), std::uint8_t(rng() % 3)}; break;
      case 3: {
        const int c = 3 + int(rng() % 12);
        s = s + Bytes{0, std::uint8_t(c)};
        for (int k = 0; k < c; ++k) s.push_back(std::uint8_t(rng()));
        if (s.size() % 2) s.push_back(0);
        break;
      }
      case 4: s.push_back(std::uint8_t(rng())); break;  // noise, shifts the op alignment
      default: s = s + Bytes{std::uint8_t(rng()), std::uint8_t(rng())}; break;
    }
  }
  if (rng() % 2) s = s + Bytes{0, 1};
  return s;
}

TEST(BmpDecode, RunLengthDecodingMatchesTheLiteralRules) {
  std::mt19937 rng(7);
  for (int round = 0; round < 400; ++round) {
    const bool fourBits = round % 2 == 1;
    const int width = 1 + int(rng() % 13), height = 1 + int(rng() % 6);
    const Bytes stream = RandomRLEStream(rng);
    TPixelGraphic image;
    LoadBytes(image, TBmpFile{.Width = width, .Height = height, .Bits = std::uint16_t(fourBits ? 4 : 8),
                              .Compression = std::uint32_t(fourBits ? 2 : 1), .Palette = RampPalette(16),
                              .Pixels = stream}
                         .Build());
    TPixelGraphic expected;
    expected.Allocate(width, height, fourBits ? 1 : 2);
    LiteralRLE(expected, stream, fourBits);
    ASSERT_EQ(std::memcmp(image.PixelBlock(), expected.PixelBlock(), size_t(image.ImageByteSize())), 0)
        << "round " << round;
  }
}

// ---------------------------------------------------------------------------------
// Refusals

struct RefuseCase {
  const char* name;
  Bytes bytes;
  const char* message;
};

void PrintTo(const RefuseCase& c, std::ostream* os) { *os << c.name; }

class BmpRefuseTest : public ::testing::TestWithParam<RefuseCase> {};

TEST_P(BmpRefuseTest, RefusesWithTheBmpMessage) {
  EXPECT_EQ(Refusal(GetParam().bytes), GetParam().message);
}

constexpr const char* kBadHeaderSize = "BMP: Invalid size of BitmapInfoHeader/BitmapCoreHeader";
constexpr const char* kBadCompression = "BMP: BitmapInfoHeader.biCompression invalid";
constexpr const char* kEndOfFile = "BMP: Unexpected end of file";
constexpr const char* kSizeOutOfRange = "BMP: Image size out of range";

const RefuseCase kRefuseCases[] = {
    {"HeaderSize64", TBmpFile{.HeaderSize = 64, .Pixels = Bytes(40)}.Build(), kBadHeaderSize},
    {"HeaderSize56", TBmpFile{.HeaderSize = 56, .Pixels = Bytes(40)}.Build(), kBadHeaderSize},
    {"HeaderSize0", TBmpFile{.HeaderSize = 0, .Pixels = Bytes(40)}.Build(), kBadHeaderSize},
    {"Rle8OnFourBits", TBmpFile{.Bits = 4, .Compression = 1, .Palette = RampPalette(16), .Pixels = {0, 1}}.Build(),
     kBadCompression},
    {"Rle4OnEightBits", TBmpFile{.Bits = 8, .Compression = 2, .Palette = RampPalette(16), .Pixels = {0, 1}}.Build(),
     kBadCompression},
    {"RleTopDown",
     TBmpFile{.Height = -2, .Bits = 8, .Compression = 1, .Palette = RampPalette(4), .Pixels = {0, 1}}.Build(),
     kBadCompression},
    {"BitFieldsOn24Bits", TBmpFile{.Bits = 24, .Compression = 3, .Masks = {1, 2, 4}, .Pixels = Bytes(4)}.Build(),
     kBadCompression},
    {"JpegCompression", TBmpFile{.Bits = 24, .Compression = 4, .Pixels = Bytes(4)}.Build(), kBadCompression},
    {"AlphaBitFields", TBmpFile{.Bits = 32, .Compression = 6, .Pixels = Bytes(4)}.Build(), kBadCompression},
    {"PlanesZero", TBmpFile{.Planes = 0, .Pixels = Bytes(4)}.Build(), "BMP: BitmapInfoHeader.biPlanes invalid"},
    {"TwoBitPixels", TBmpFile{.Bits = 2, .Pixels = Bytes(4)}.Build(), "BMP: BitmapInfoHeader.biBitCount invalid"},
    {"SixtyFourBitPixels", TBmpFile{.Bits = 64, .Pixels = Bytes(8)}.Build(),
     "BMP: BitmapInfoHeader.biBitCount invalid"},
    {"CorePlanesTwo", TBmpFile{.HeaderSize = 12, .Planes = 2, .Pixels = Bytes(4)}.Build(),
     "BMP: BitmapCoreHeader.bcPlanes invalid"},
    {"CoreSixteenBits", TBmpFile{.HeaderSize = 12, .Bits = 16, .Pixels = Bytes(4)}.Build(),
     "BMP: BitmapCoreHeader.bcBitCount invalid"},
    {"NegativeWidth", TBmpFile{.Width = -5, .Pixels = Bytes(16)}.Build(), "BMP: BitmapInfoHeader.biWidth invalid"},
    {"HugeDimensions", TBmpFile{.Width = 3000000, .Height = 2000000, .Pixels = Bytes(16)}.Build(), kSizeOutOfRange},
    {"MostNegativeHeight", TBmpFile{.Width = 4, .Height = INT32_MIN, .Pixels = Bytes(16)}.Build(), kSizeOutOfRange},
    {"BlockBeyondTheBudget", TBmpFile{.Width = 200000, .Height = 200000, .Bits = 1, .Pixels = Bytes(16)}.Build(),
     kSizeOutOfRange},
    {"LargeImageInATinyFile", TBmpFile{.Width = 20000, .Height = 20000, .Bits = 8, .Pixels = Bytes(16)}.Build(),
     kEndOfFile},
    {"LargeRunLengthImageInATinyFile",
     TBmpFile{.Width = 30000, .Height = 30000, .Bits = 8, .Compression = 1, .Palette = RampPalette(256), .Pixels = {0, 1}}
         .Build(),
     kEndOfFile},
    {"ColorsUsedMaxWithoutDataOffset",
     TBmpFile{.Width = 64, .Height = 64, .Bits = 8, .ColorsUsed = 0xFFFFFFFF, .Palette = RampPalette(256),
              .Pixels = Bytes(4096, 1), .DataOffset = 0}
         .Build(),
     kEndOfFile},
    {"ColorsUsedMaxTrueColorWithoutDataOffset",
     TBmpFile{.Width = 64, .Height = 64, .Bits = 24, .ColorsUsed = 0xFFFFFFFF, .Pixels = Bytes(12288, 1),
              .DataOffset = 0}
         .Build(),
     kEndOfFile},
    {"ShortPalette", TBmpFile{.Bits = 8, .ColorsUsed = 16, .Palette = RampPalette(3)}.Build(), kEndOfFile},
    {"OnlyTheFileHeader", Bytes{'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, kEndOfFile},
};

INSTANTIATE_TEST_SUITE_P(Files, BmpRefuseTest, ::testing::ValuesIn(kRefuseCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BmpRefuse, ImageIndexOtherThanZero) {
  const Bytes bytes = TBmpFile{.Pixels = Bytes(4)}.Build();
  TMemoryStream stream(bytes.data(), bytes.size());
  TPixelGraphic image;
  try {
    StandaloneBMPReader().ReadImage(stream, image, 1);
    FAIL() << "index 1 was read";
  } catch (const EPGBMPFileFormatReader& e) {
    EXPECT_STREQ(e.what(), "BMP: Index invalid");
  }
  TImageInfo info;
  try {
    StandaloneBMPReader().GetImageInfo(stream, 1, info);
    FAIL() << "index 1 was described";
  } catch (const EPGBMPFileFormatReader& e) {
    EXPECT_STREQ(e.what(), "BMP: Invalid value for Index");
  }
}

TEST(BmpRefuse, WrongSignatureIsNotRead) {
  Bytes bytes = TBmpFile{.Pixels = Bytes(4)}.Build();
  bytes[1] = 'A';
  TPixelGraphic image;
  EXPECT_THROW(LoadBytes(image, bytes), EPGUnknownFileFormat);
}

// Every prefix that ends inside the headers, masks or colour table is refused with the
// end-of-file message; the prefix that ends exactly there decodes to zero pixels.
struct TruncationCase {
  const char* name;
  TBmpFile file;
};

void PrintTo(const TruncationCase& c, std::ostream* os) { *os << c.name; }

class BmpTruncationTest : public ::testing::TestWithParam<TruncationCase> {};

TEST_P(BmpTruncationTest, EveryCutInsideTheHeadersIsRefused) {
  const Bytes full = GetParam().file.Build();
  const size_t pixelStart = full.size() - GetParam().file.Pixels.size();
  for (size_t length = 0; length < pixelStart; ++length) {
    TMemoryStream stream(full.data(), length);
    TPixelGraphic image;
    try {
      StandaloneBMPReader().ReadImage(stream, image, 0);
      ADD_FAILURE() << "prefix of " << length << " bytes was read";
    } catch (const EPGBMPFileFormatReader& e) {
      EXPECT_STREQ(e.what(), kEndOfFile) << "prefix of " << length << " bytes";
    }
    if (length < pixelStart - GetParam().file.Palette.size()) {
      TMemoryStream infoStream(full.data(), length);
      TImageInfo info;
      EXPECT_THROW(StandaloneBMPReader().GetImageInfo(infoStream, 0, info), EPGBMPFileFormatReader)
          << "prefix of " << length << " bytes";
    }
  }
  TMemoryStream stream(full.data(), pixelStart);
  TPixelGraphic image;
  ASSERT_NO_THROW(StandaloneBMPReader().ReadImage(stream, image, 0));
  EXPECT_EQ(image.Width(), GetParam().file.Width);
  for (std::int64_t i = 0; i < image.ImageByteSize(); ++i) ASSERT_EQ(image.PixelBlock()[i], 0);
}

const TruncationCase kTruncationCases[] = {
    {"Info8Bit", {.Width = 3, .Height = 2, .Bits = 8, .Palette = RampPalette(4), .Pixels = Bytes(8, 1)}},
    {"InfoBitFields", {.Width = 2, .Bits = 16, .Compression = 3, .Masks = {0xF800, 0x7E0, 0x1F}, .Pixels = Bytes(4, 9)}},
    {"InfoRle8", {.Width = 2, .Bits = 8, .Compression = 1, .Palette = RampPalette(2), .Pixels = {2, 1, 0, 1}}},
    {"Core4Bit", {.HeaderSize = 12, .Width = 2, .Bits = 4, .Palette = Bytes(48, 7), .Pixels = Bytes(4, 0x11)}},
    {"V4BitFields", {.HeaderSize = 108, .Bits = 32, .Compression = 3, .Masks = {0xFF, 0xFF00, 0xFF0000}, .Pixels = Bytes(4, 3)}},
    {"V5Palette", {.HeaderSize = 124, .Bits = 1, .Palette = RampPalette(2), .Pixels = Bytes(4, 0xFF)}},
};

INSTANTIATE_TEST_SUITE_P(Files, BmpTruncationTest, ::testing::ValuesIn(kTruncationCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Random damage to a valid file never escapes as anything but a BMP refusal.
TEST(BmpRefuse, RandomDamageIsRefusedOrDecodedCleanly) {
  const Bytes base = TBmpFile{.Width = 5, .Height = 3, .Bits = 8, .Compression = 1, .Palette = RampPalette(16),
                              .Pixels = {3, 1, 0, 3, 1, 2, 3, 0, 0, 0, 0, 2, 1, 1, 2, 2, 0, 1}}
                         .Build();
  std::mt19937 rng(99);
  for (int round = 0; round < 2000; ++round) {
    Bytes bytes = base;
    for (int k = 0; k < 3; ++k) bytes[2 + rng() % (bytes.size() - 2)] = std::uint8_t(rng());
    const std::string refusal = Refusal(bytes);
    if (!refusal.empty()) {
      ASSERT_EQ(refusal.rfind("BMP: ", 0), 0u) << refusal;
    }
  }
}

// ---------------------------------------------------------------------------------
// Image information

struct InfoCase {
  const char* name;
  TBmpFile file;
  const char* infoText;
  const char* colorsText;
  int width, height, bitCount;
};

void PrintTo(const InfoCase& c, std::ostream* os) { *os << c.name; }

class BmpInfoTest : public ::testing::TestWithParam<InfoCase> {};

TEST_P(BmpInfoTest, DescribesTheHeader) {
  const InfoCase& c = GetParam();
  const Bytes bytes = c.file.Build();
  TMemoryStream stream(bytes.data(), bytes.size());
  TImageInfo info;
  StandaloneBMPReader().GetImageInfo(stream, 0, info);
  EXPECT_EQ(info.InfoText, c.infoText);
  EXPECT_EQ(info.ColorsText, c.colorsText);
  EXPECT_EQ(info.Width, c.width);
  EXPECT_EQ(info.Height, c.height);
  EXPECT_EQ(info.BitCount, c.bitCount);
  EXPECT_EQ(info.ImageCount, 1);
  EXPECT_EQ(info.ExtraText, "");
}

const InfoCase kInfoCases[] = {
    {"Core", {.HeaderSize = 12, .Width = 300, .Height = 200, .Bits = 8}, "OS/2", "256", 300, 200, 8},
    {"OneBit", {.Width = 7, .Height = 5, .Bits = 1}, "Windows, RGB", "2", 7, 5, 1},
    {"Rle8", {.Width = 7, .Height = 5, .Bits = 8, .Compression = 1}, "Windows, RLE8", "256", 7, 5, 8},
    {"Rle4", {.Width = 7, .Height = 5, .Bits = 4, .Compression = 2}, "Windows, RLE4", "16", 7, 5, 4},
    {"BitFields16", {.Width = 7, .Height = 5, .Bits = 16, .Compression = 3, .Masks = {1, 2, 4}}, "Windows", "64K",
     7, 5, 16},
    {"TopDown24", {.Width = 7, .Height = -5, .Bits = 24}, "Windows, RGB, Top-Down", "16.7M", 7, -5, 24},
    {"Rgb32", {.Width = 7, .Height = 5, .Bits = 32}, "Windows, RGB", "16.7M", 7, 5, 32},
    {"V5TopDownBitFields", {.HeaderSize = 124, .Width = 2, .Height = -3, .Bits = 32, .Compression = 3},
     "Windows, Top-Down", "16.7M", 2, -3, 32},
};

INSTANTIATE_TEST_SUITE_P(Files, BmpInfoTest, ::testing::ValuesIn(kInfoCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BmpInfo, RefusesWhatTheReaderRefuses) {
  for (const Bytes& bytes : {TBmpFile{.HeaderSize = 64}.Build(), TBmpFile{.Bits = 4, .Compression = 1}.Build(),
                             TBmpFile{.HeaderSize = 12, .Planes = 3}.Build()}) {
    TMemoryStream stream(bytes.data(), bytes.size());
    TImageInfo info;
    EXPECT_THROW(StandaloneBMPReader().GetImageInfo(stream, 0, info), EPGBMPFileFormatReader);
  }
}

TEST(BmpInfo, FileInfoThroughTheRegistry) {
  test::TTempDir dir;
  const std::string path = dir.file("picture.rle");
  test::WriteFileBytes(path, TBmpFile{.Width = 127, .Height = 64, .Bits = 8, .Compression = 1, .Pixels = {0, 1}}.Build());
  TFileInfo out;
  ASSERT_TRUE(GetFileInfo(path, 0, out));
  EXPECT_EQ(out.Description, "Bitmap");
  EXPECT_EQ(out.Info.InfoText, "Windows, RLE8");
  EXPECT_EQ(FileInfoSizeLine(out.Info), "127x64x256 8 bit");
}

// ---------------------------------------------------------------------------------
// Progress and abort

struct ProgressLog {
  int starts = 0, ends = 0;
  std::vector<std::pair<int, int>> steps;
  int abortAt = -1;  // index into steps at which the handler asks to stop

  void Attach(TPixelGraphic& image) {
    image.OnProgressStart = [this](TPixelGraphic&) { ++starts; };
    image.OnProgressEnd = [this](TPixelGraphic&) { ++ends; };
    image.OnProgress = [this](TPixelGraphic&, int step, int max, bool& abort) {
      steps.emplace_back(step, max);
      if (int(steps.size()) - 1 == abortAt) abort = true;
    };
  }
};

TEST(BmpProgress, RawBlockIsReadInTenths) {
  ProgressLog log;
  TPixelGraphic image;
  log.Attach(image);
  LoadBytes(image, TBmpFile{.Width = 20, .Height = 10, .Bits = 8, .Palette = RampPalette(2), .Pixels = Bytes(200, 1)}
                       .Build());
  EXPECT_EQ(log.starts, 1);
  EXPECT_EQ(log.ends, 1);
  std::vector<std::pair<int, int>> tenths;
  for (int k = 1; k <= 10; ++k) tenths.emplace_back(k, 10);
  EXPECT_EQ(log.steps, tenths);
}

TEST(BmpProgress, ShortBlockIsReadInOnePiece) {
  ProgressLog log;
  TPixelGraphic image;
  log.Attach(image);
  LoadBytes(image, TBmpFile{.Width = 100, .Bits = 8, .Palette = RampPalette(2), .Pixels = Bytes(100, 1)}.Build());
  EXPECT_TRUE(log.steps.empty());
  EXPECT_EQ(image.GetPixel(99, 0), 1u);
}

TEST(BmpProgress, AbortKeepsTheTenthsAlreadyRead) {
  ProgressLog log;
  log.abortAt = 2;  // after the third tenth
  TPixelGraphic image;
  log.Attach(image);
  LoadBytes(image, TBmpFile{.Width = 20, .Height = 10, .Bits = 8, .Palette = RampPalette(2), .Pixels = Bytes(200, 1)}
                       .Build());
  EXPECT_EQ(log.steps.size(), 3u);
  EXPECT_EQ(log.ends, 1);
  // Stored rows are bottom-up: the bottom three rows arrived, the rest stays 0.
  for (int y = 0; y < 10; ++y) EXPECT_EQ(image.GetPixel(5, y), y >= 7 ? 1u : 0u) << "row " << y;
}

TEST(BmpProgress, BitFieldRowsReportEachRowAndStopOnAbort) {
  ProgressLog log;
  log.abortAt = 0;
  TPixelGraphic image;
  log.Attach(image);
  LoadBytes(image, TBmpFile{.Width = 2, .Height = 3, .Bits = 16, .Pixels = LE16s({0x7FFF, 0x7FFF, 0x7FFF, 0x7FFF,
                                                                                   0x7FFF, 0x7FFF})}
                       .Build());
  ASSERT_EQ(log.steps.size(), 1u);
  EXPECT_EQ(log.steps[0], std::make_pair(0, 3));
  EXPECT_EQ(image.GetPixel(0, 2), kWhite);
  EXPECT_EQ(image.GetPixel(0, 1), 0u);

  ProgressLog all;
  TPixelGraphic full;
  all.Attach(full);
  LoadBytes(full, TBmpFile{.Width = 2, .Height = 3, .Bits = 16, .Pixels = Bytes(12, 0xFF)}.Build());
  EXPECT_EQ(all.steps, (std::vector<std::pair<int, int>>{{0, 3}, {1, 3}, {2, 3}}));
}

TEST(BmpProgress, StartAndEndArePairedOnRefusal) {
  ProgressLog log;
  TPixelGraphic image;
  log.Attach(image);
  const Bytes file = TBmpFile{.Bits = 4, .Compression = 1, .Pixels = {0, 1}}.Build();
  const std::vector<std::uint8_t> dib(file.begin() + 14, file.end());
  EXPECT_THROW(image.LoadFromClipboardFormat(CF_DIB_FORMAT, dib), EPGBMPFileFormatReader);
  EXPECT_EQ(log.starts, 1);
  EXPECT_EQ(log.ends, 1);
}

// ---------------------------------------------------------------------------------
// Writing and round trips

struct RoundTripCase {
  int bitCountNum, width, height, paletteCount;
};

class BmpRoundTripTest : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(BmpRoundTripTest, FileAndPixelsSurviveByteExact) {
  const RoundTripCase c = GetParam();
  TPixelGraphic image;
  image.Allocate(c.width, c.height, c.bitCountNum);
  if (c.paletteCount > 0) test::SetRandomPalette(image, c.paletteCount, 11);
  test::FillRandom(image, 17 + c.width);  // padding bytes too: the block is written as stored

  const Bytes written = SaveBytes(image);
  const int entries = c.bitCountNum == 3 ? 0 : c.paletteCount;
  const std::uint32_t offset = 54 + 4 * entries;
  ASSERT_EQ(written.size(), offset + image.ImageByteSize());
  EXPECT_EQ(written[0], 'B');
  EXPECT_EQ(written[1], 'M');
  EXPECT_EQ(GetLE32(&written[2]), written.size());
  EXPECT_EQ(GetLE32(&written[10]), offset);
  EXPECT_EQ(GetLE32(&written[14]), 40u);
  EXPECT_EQ(std::int32_t(GetLE32(&written[18])), c.width);
  EXPECT_EQ(std::int32_t(GetLE32(&written[22])), c.height);
  EXPECT_EQ(GetLE16(&written[26]), 1);
  EXPECT_EQ(GetLE16(&written[28]), image.BitCount());
  EXPECT_EQ(GetLE32(&written[30]), 0u);
  EXPECT_EQ(GetLE32(&written[34]), image.ImageByteSize());
  EXPECT_EQ(GetLE32(&written[46]), std::uint32_t(entries));
  EXPECT_EQ(std::memcmp(&written[offset], image.PixelBlock(), size_t(image.ImageByteSize())), 0);

  TPixelGraphic back;
  LoadBytes(back, written);
  ASSERT_EQ(back.Width(), c.width);
  ASSERT_EQ(back.Height(), c.height);
  ASSERT_EQ(back.BitCountNum(), c.bitCountNum);
  EXPECT_EQ(back.PaletteColors(), image.PaletteColors());
  EXPECT_EQ(std::memcmp(back.PixelBlock(), image.PixelBlock(), size_t(image.ImageByteSize())), 0);
  EXPECT_EQ(SaveBytes(back), written);

  test::TTempDir dir;
  const std::string path = dir.file("round.bmp");
  image.SaveToFile(path);
  EXPECT_EQ(test::ReadFileBytes(path), written);
  TPixelGraphic fromFile;
  fromFile.LoadFromFile(path);
  EXPECT_TRUE(test::SamePixels(fromFile, image));
}

INSTANTIATE_TEST_SUITE_P(Formats, BmpRoundTripTest,
                         ::testing::Values(RoundTripCase{0, 1, 1, 2}, RoundTripCase{0, 33, 5, 2},
                                           RoundTripCase{1, 3, 4, 16}, RoundTripCase{1, 13, 2, 9},
                                           RoundTripCase{2, 5, 3, 256}, RoundTripCase{2, 17, 4, 20},
                                           RoundTripCase{3, 1, 2, 0}, RoundTripCase{3, 31, 7, 0}));

TEST(BmpWrite, OneBitThreeByTwoIsSeventyBytes) {
  TPixelGraphic image;
  image.Allocate(3, 2, 0);
  image.SetPaletteIdent(pBlackWhite);
  const Bytes written = SaveBytes(image);
  EXPECT_EQ(written.size(), 70u);
  EXPECT_EQ(GetLE32(&written[2]), 70u);
  EXPECT_EQ(GetLE32(&written[10]), 62u);
  EXPECT_EQ(GetLE32(&written[46]), 2u);
}

TEST(BmpWrite, IndexedImageWithoutPaletteWritesBlackEntries) {
  for (int num : {0, 1, 2}) {
    TPixelGraphic image;
    image.Allocate(5, 2, num);
    ASSERT_EQ(image.PaletteCount(), 0);
    image.SetPixel(1, 0, 1);
    const Bytes written = SaveBytes(image);
    const int entries = 1 << TPixelGraphic::BitCountOfNum(num);
    ASSERT_EQ(written.size(), 54u + 4 * entries + image.ImageByteSize());
    EXPECT_EQ(GetLE32(&written[10]), 54u + 4 * entries);
    EXPECT_EQ(GetLE32(&written[46]), std::uint32_t(entries));
    for (int i = 0; i < 4 * entries; ++i) ASSERT_EQ(written[54 + i], 0) << "table byte " << i;
    TPixelGraphic back;
    LoadBytes(back, written);
    EXPECT_EQ(back.PaletteCount(), entries);
    EXPECT_EQ(back.GetPixel(1, 0), 1u);
  }
}

TEST(BmpWrite, PaletteLongerThanTheFormatIsClipped) {
  TPixelGraphic image;
  image.Allocate(2, 2, 0);
  image.SetPaletteCount(5);
  const Bytes written = SaveBytes(image);
  EXPECT_EQ(GetLE32(&written[46]), 2u);
  EXPECT_EQ(written.size(), 54u + 8 + image.ImageByteSize());
}

TEST(BmpWrite, ReadingAHandMadeFileAndWritingItGivesTheSameBytes) {
  const Bytes file =
      TBmpFile{.Width = 3, .Height = 2, .Bits = 4, .Palette = RampPalette(5), .Pixels = {0x12, 0x30, 0, 0, 0x44, 0x10, 0, 0}}
          .Build();
  TPixelGraphic image;
  LoadBytes(image, file);
  EXPECT_EQ(SaveBytes(image), file);
}

TEST(BmpWrite, DibWriterIsNotListedButWrites) {
  EXPECT_NE(BuildSaveFilter().find("BMP - Bitmap|*.bmp|"), std::string::npos);
  EXPECT_EQ(BuildSaveFilter().find("DIB"), std::string::npos);
  test::TTempDir dir;
  TPixelGraphic image;
  image.Allocate(4, 4, 3);
  image.SetPixel(2, 1, RGBColor(9, 8, 7));
  image.SaveToFile(dir.file("x.DIB"));
  TPixelGraphic back;
  back.LoadFromFile(dir.file("x.DIB"));
  EXPECT_EQ(back.GetPixel(2, 1), RGBColor(9, 8, 7));
}

TEST(BmpWrite, PackedDibRoundTripsThroughTheClipboardFormat) {
  TPixelGraphic image;
  image.Allocate(7, 3, 2);
  test::SetRandomPalette(image, 40, 5);
  test::FillRandom(image, 6);
  int format = 0;
  std::vector<std::uint8_t> data;
  image.SaveToClipboardFormat(format, data);
  EXPECT_EQ(format, CF_DIB_FORMAT);
  EXPECT_EQ(data.size(), size_t(40 + 4 * 40 + image.ImageByteSize()));
  TPixelGraphic back;
  back.LoadFromClipboardFormat(format, data);
  EXPECT_TRUE(test::SamePixels(back, image));
  EXPECT_EQ(back.PaletteColors(), image.PaletteColors());
}

TEST(BmpWrite, PackedDibWithACoreHeaderIsRefused) {
  const Bytes file = TBmpFile{.HeaderSize = 12, .Bits = 24, .Pixels = {1, 2, 3, 0}}.Build();
  TPixelGraphic image;
  try {
    image.LoadFromClipboardFormat(CF_DIB_FORMAT, std::vector<std::uint8_t>(file.begin() + 14, file.end()));
    FAIL() << "core header read as a packed DIB";
  } catch (const EPGBMPFileFormatReader& e) {
    EXPECT_STREQ(e.what(), kBadHeaderSize);
  }
}

// A writer that fails half-way through, as a full disk would.
class TFailingWriter : public TFileFormatWriter {
 public:
  TFailingWriter() : TFileFormatWriter("bmp", "Bitmap", true, kAllColorRes, "TFailingWriter") {}
  void WriteImage(TStream& stream, TPixelGraphic&) override {
    const Bytes partial(100, 0xAB);
    stream.Write(partial.data(), partial.size());
    throw EStreamError("Stream write error");
  }
};

class TRegistryOverride {
 public:
  explicit TRegistryOverride(TWriterList* writers) { SetFileFormatRegistryForTest(nullptr, writers); }
  ~TRegistryOverride() { SetFileFormatRegistryForTest(nullptr, nullptr); }
};

TEST(BmpWrite, FailingWriterLeavesTheOldFileAndNoTemporary) {
  test::TTempDir dir;
  const std::string path = dir.file("keep.bmp");
  TPixelGraphic original;
  original.Allocate(9, 4, 3);
  test::FillRandom(original, 3);
  original.SaveToFile(path);
  const Bytes before = test::ReadFileBytes(path);

  TWriterList writers;
  writers.push_back(std::make_unique<TFailingWriter>());
  {
    TRegistryOverride registry(&writers);
    TPixelGraphic image;
    image.Allocate(2, 2, 3);
    EXPECT_THROW(image.SaveToFile(path), EStreamError);
    EXPECT_THROW(image.SaveToFile(dir.file("new.bmp")), EStreamError);
  }
  EXPECT_EQ(test::ReadFileBytes(path), before);
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) names.push_back(entry.path().filename().string());
  EXPECT_EQ(names, std::vector<std::string>{"keep.bmp"});
}

}  // namespace
}  // namespace lumora
