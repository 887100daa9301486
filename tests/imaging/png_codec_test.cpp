// PNG reader and writer: pixel formats, transparency, background, gamma, interlacing,
// progress, warnings, information texts.
#include <gtest/gtest.h>

#include <cmath>

#include "imaging/core/codec_settings.h"
#include "imaging/core/exceptions.h"
#include "imaging/core/warnings.h"
#include "tests/imaging/jpeg_png_test_util.h"

namespace lumora {
namespace {

using test::Bytes;
using test::PngSpec;

constexpr TColor kFill = RGBColor(200, 100, 50);

// Sample `k` of pixel x in a packed file row.
int RawSample(const PngSpec& s, int x, int y, int k, int channels) {
  const std::uint8_t* row = s.rows.data() + test::PngRowBytes(s) * y;
  const int index = x * channels + k;
  if (s.bitDepth == 16) return (row[2 * index] << 8) | row[2 * index + 1];
  if (s.bitDepth == 8) return row[index];
  const int perByte = 8 / s.bitDepth;
  return (row[index / perByte] >> (8 - s.bitDepth * (index % perByte + 1))) & ((1 << s.bitDepth) - 1);
}

struct FormatCase {
  const char* name;
  int colorType;
  int bitDepth;
  int bitCountNum;
};

class PngFormatTest : public ::testing::TestWithParam<std::tuple<FormatCase, bool>> {};

// Every colour type at every bit depth, plain and interlaced: the pixel format, the
// palette and every pixel, alpha flattened against the fill colour.
TEST_P(PngFormatTest, DecodesEveryPixel) {
  const auto [c, interlaced] = GetParam();
  PngSpec s;
  s.width = 13;
  s.height = 9;
  s.colorType = c.colorType;
  s.bitDepth = c.bitDepth;
  s.interlaced = interlaced;
  if (c.colorType == PNG_COLOR_TYPE_PALETTE) {
    const int n = std::min(1 << c.bitDepth, 200) - (c.bitDepth > 1 ? 1 : 0);
    for (int i = 0; i < n; ++i) s.palette.push_back(png_color{png_byte(i * 7), png_byte(255 - i), png_byte(i * 3 + 1)});
  }
  test::FillPngRows(s);
  TPixelGraphic image;
  image.FillColor = kFill;
  test::LoadPng(image, test::EncodePng(s));

  ASSERT_EQ(image.Width(), 13);
  ASSERT_EQ(image.Height(), 9);
  ASSERT_EQ(image.BitCountNum(), c.bitCountNum);
  EXPECT_DOUBLE_EQ(image.Gamma, 1.8);

  const bool color = c.colorType & PNG_COLOR_MASK_COLOR;
  const bool alpha = c.colorType & PNG_COLOR_MASK_ALPHA;
  if (c.colorType == PNG_COLOR_TYPE_PALETTE) {
    ASSERT_EQ(image.PaletteCount(), int(s.palette.size()));
    for (int i = 0; i < image.PaletteCount(); ++i)
      EXPECT_EQ(image.PaletteColor(i), RGBColor(s.palette[i].red, s.palette[i].green, s.palette[i].blue));
  } else if (!color) {
    const int levels = c.bitDepth >= 8 ? 256 : 1 << c.bitDepth;
    ASSERT_EQ(image.PaletteCount(), levels);
    for (int i = 0; i < levels; ++i) {
      const int v = i * 255 / (levels - 1);
      EXPECT_EQ(image.PaletteColor(i), RGBColor(v, v, v)) << i;
    }
  }

  const int channels = (color && c.colorType != PNG_COLOR_TYPE_PALETTE ? 3 : 1) + (alpha ? 1 : 0);
  const auto scale = [&](int v) { return c.bitDepth == 16 ? v * 257 : v; };
  const int fill[3] = {GetRValue(kFill), GetGValue(kFill), GetBValue(kFill)};
  for (int y = 0; y < s.height; ++y)
    for (int x = 0; x < s.width; ++x) {
      if (c.colorType == PNG_COLOR_TYPE_PALETTE || (!color && c.bitDepth < 8)) {
        ASSERT_EQ(image.GetPixel(x, y), std::uint32_t(RawSample(s, x, y, 0, 1))) << x << "," << y;
        continue;
      }
      int out[3];
      const int colorChannels = color ? 3 : 1;
      for (int k = 0; k < colorChannels; ++k) {
        int v = RawSample(s, x, y, k, channels);
        if (alpha) {
          const int bg = color ? scale(fill[k]) : scale((fill[0] + fill[1] + fill[2]) / 3);
          v = test::CompositeSample(v, RawSample(s, x, y, colorChannels, channels), bg, c.bitDepth);
        }
        out[k] = c.bitDepth == 16 ? v >> 8 : v;
      }
      const std::uint32_t expected = color ? RGBColor(out[0], out[1], out[2]) : std::uint32_t(out[0]);
      ASSERT_EQ(image.GetPixel(x, y), expected) << x << "," << y;
    }
}

INSTANTIATE_TEST_SUITE_P(
    AllTypes, PngFormatTest,
    ::testing::Combine(::testing::Values(FormatCase{"Gray1", PNG_COLOR_TYPE_GRAY, 1, 0},
                                         FormatCase{"Gray2", PNG_COLOR_TYPE_GRAY, 2, 1},
                                         FormatCase{"Gray4", PNG_COLOR_TYPE_GRAY, 4, 1},
                                         FormatCase{"Gray8", PNG_COLOR_TYPE_GRAY, 8, 2},
                                         FormatCase{"Gray16", PNG_COLOR_TYPE_GRAY, 16, 2},
                                         FormatCase{"Rgb8", PNG_COLOR_TYPE_RGB, 8, 3},
                                         FormatCase{"Rgb16", PNG_COLOR_TYPE_RGB, 16, 3},
                                         FormatCase{"Palette1", PNG_COLOR_TYPE_PALETTE, 1, 0},
                                         FormatCase{"Palette2", PNG_COLOR_TYPE_PALETTE, 2, 1},
                                         FormatCase{"Palette4", PNG_COLOR_TYPE_PALETTE, 4, 1},
                                         FormatCase{"Palette8", PNG_COLOR_TYPE_PALETTE, 8, 2},
                                         FormatCase{"GrayAlpha8", PNG_COLOR_TYPE_GRAY_ALPHA, 8, 2},
                                         FormatCase{"GrayAlpha16", PNG_COLOR_TYPE_GRAY_ALPHA, 16, 2},
                                         FormatCase{"Rgba8", PNG_COLOR_TYPE_RGBA, 8, 3},
                                         FormatCase{"Rgba16", PNG_COLOR_TYPE_RGBA, 16, 3}),
                       ::testing::Bool()),
    [](const auto& info) {
      return std::string(std::get<0>(info.param).name) + (std::get<1>(info.param) ? "Interlaced" : "");
    });

// ---- Transparency and background ----

struct TransparencyCase {
  const char* name;
  int colorType, bitDepth;
  bool fileBackground;      // the file has a bKGD chunk
  bool useFileBackground;   // PNGUseFileBackground
  TColor expectedTransparent;  // colour of the transparent pixel (0,0)
  TColor expectedFill;         // the image's fill colour afterwards (as a colour)
  static constexpr TColor kAny = 0xFFFFFFFF;
};

class PngTransparencyTest : public ::testing::TestWithParam<TransparencyCase> {};

// Pixel (0,0) is fully transparent, pixel (1,0) opaque: the transparent one takes the
// background, the opaque one keeps its colour.
TEST_P(PngTransparencyTest, FlattensAgainstTheRightBackground) {
  const TransparencyCase c = GetParam();
  TCodecSettings settings = CodecSettings();
  settings.PNGUseFileBackground = c.useFileBackground;
  TScopedCodecSettings scoped(settings);

  PngSpec s;
  s.width = 2;
  s.height = 1;
  s.colorType = c.colorType;
  s.bitDepth = c.bitDepth;
  const bool gray = !(c.colorType & PNG_COLOR_MASK_COLOR);
  if (c.colorType == PNG_COLOR_TYPE_RGBA) {
    s.rows = {10, 20, 30, 0, 40, 50, 60, 255};
  } else if (c.colorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
    s.rows = {10, 0, 40, 255};
  } else if (c.colorType == PNG_COLOR_TYPE_RGB && c.bitDepth == 16) {
    s.rows = {0, 10, 0, 20, 0, 30, 0, 40, 0, 50, 0, 60};
    s.hasTransparentColor = true;
    s.transparentColor.red = 10, s.transparentColor.green = 20, s.transparentColor.blue = 30;
  } else if (c.colorType == PNG_COLOR_TYPE_RGB) {
    s.rows = {10, 20, 30, 40, 50, 60};
    s.hasTransparentColor = true;
    s.transparentColor.red = 10, s.transparentColor.green = 20, s.transparentColor.blue = 30;
  } else if (gray && c.bitDepth == 16) {
    s.rows = {0x12, 0x34, 0x80, 0x00};
    s.hasTransparentColor = true;
    s.transparentColor.gray = 0x1234;
  } else {  // 4-bit gray: pixels 3 (transparent) and 9
    s.rows = {0x39};
    s.hasTransparentColor = true;
    s.transparentColor.gray = 3;
  }
  if (c.fileBackground) {
    s.hasBackground = true;
    if (gray) s.background.gray = static_cast<png_uint_16>(c.bitDepth == 16 ? 0xA0FF : c.bitDepth == 4 ? 12 : 160);
    else s.background.red = 1, s.background.green = 2, s.background.blue = 250;
  }
  TPixelGraphic image;
  image.FillColor = kFill;
  test::LoadPng(image, test::EncodePng(s));
  EXPECT_EQ(image.GetRGBPixel(0, 0), c.expectedTransparent);
  if (c.expectedFill != TransparencyCase::kAny) {
    EXPECT_EQ(image.FillColorAsColor(), c.expectedFill);
  }
}

constexpr TColor kFillGray = RGBColor(116, 116, 116);  // (200 + 100 + 50) / 3
INSTANTIATE_TEST_SUITE_P(
    Cases, PngTransparencyTest,
    ::testing::Values(
        TransparencyCase{"RgbaFill", PNG_COLOR_TYPE_RGBA, 8, false, true, kFill, kFill},
        TransparencyCase{"RgbaFileBackground", PNG_COLOR_TYPE_RGBA, 8, true, true, RGBColor(1, 2, 250), RGBColor(1, 2, 250)},
        TransparencyCase{"RgbaFileBackgroundOff", PNG_COLOR_TYPE_RGBA, 8, true, false, kFill, kFill},
        TransparencyCase{"GrayAlphaFill", PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, true, kFillGray, TransparencyCase::kAny},
        TransparencyCase{"GrayAlphaFileBackground", PNG_COLOR_TYPE_GRAY_ALPHA, 8, true, true, RGBColor(160, 160, 160),
                         RGBColor(160, 160, 160)},
        TransparencyCase{"RgbTrnsFill", PNG_COLOR_TYPE_RGB, 8, false, true, kFill, kFill},
        TransparencyCase{"RgbTrnsFileBackground", PNG_COLOR_TYPE_RGB, 8, true, true, RGBColor(1, 2, 250),
                         RGBColor(1, 2, 250)},
        TransparencyCase{"Rgb16TrnsFill", PNG_COLOR_TYPE_RGB, 16, false, true, kFill, kFill},
        TransparencyCase{"Rgb16TrnsFileBackground", PNG_COLOR_TYPE_RGB, 16, true, true, RGBColor(0, 0, 0),
                         RGBColor(0, 0, 0)},
        TransparencyCase{"Gray16TrnsFileBackground", PNG_COLOR_TYPE_GRAY, 16, true, true, RGBColor(0xA0, 0xA0, 0xA0),
                         RGBColor(0xA0, 0xA0, 0xA0)},
        TransparencyCase{"Gray4TrnsFill", PNG_COLOR_TYPE_GRAY, 4, false, true, RGBColor(119, 119, 119),
                         TransparencyCase::kAny},
        TransparencyCase{"Gray4TrnsFileBackground", PNG_COLOR_TYPE_GRAY, 4, true, true, RGBColor(204, 204, 204),
                         RGBColor(204, 204, 204)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PngReaderTest, OpaquePixelsKeepTheirColourWhenFlattening) {
  PngSpec s;
  s.width = 2;
  s.height = 1;
  s.colorType = PNG_COLOR_TYPE_RGBA;
  s.rows = {10, 20, 30, 0, 40, 50, 60, 255};
  TPixelGraphic image;
  image.FillColor = kFill;
  test::LoadPng(image, test::EncodePng(s));
  EXPECT_EQ(image.GetPixel(1, 0), RGBColor(40, 50, 60));
}

TEST(PngReaderTest, PaletteTransparencyKeepsTheFileColours) {
  PngSpec s;
  s.width = 3;
  s.height = 1;
  s.colorType = PNG_COLOR_TYPE_PALETTE;
  s.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
  s.paletteAlpha = {0, 128};
  s.hasBackground = true;
  s.background.index = 2;
  s.rows = {0, 1, 2};
  TPixelGraphic image;
  test::LoadPng(image, test::EncodePng(s));
  ASSERT_EQ(image.BitCountNum(), 2);
  EXPECT_EQ(image.PaletteColor(0), RGBColor(255, 0, 0));
  EXPECT_EQ(image.PaletteColor(1), RGBColor(0, 255, 0));
  EXPECT_EQ(image.GetPixel(0, 0), 0u);
  EXPECT_EQ(image.GetPixel(2, 0), 2u);
  EXPECT_EQ(image.FillColorAsColor(), RGBColor(0, 0, 255));  // the file's background
}

// ---- Gamma ----

Bytes GammaFile(double gamma) {
  PngSpec s;
  s.width = 3;
  s.height = 1;
  s.colorType = PNG_COLOR_TYPE_RGB;
  s.rows = {0, 64, 128, 160, 200, 255, 10, 20, 30};
  s.gamma = gamma;
  return test::EncodePng(s);
}

int Corrected(int v, double exponent) { return int(std::nearbyint(255.0 * std::pow(v / 255.0, exponent))); }

TEST(PngGammaTest, FileGammaLoadsDarkerByTheExponent) {
  TPixelGraphic plain, gamma;
  test::LoadPng(plain, GammaFile(0));
  test::LoadPng(gamma, GammaFile(0.45455));
  EXPECT_EQ(plain.GetPixel(0, 0), RGBColor(0, 64, 128));
  const double exponent = (1 / 0.45455) / 1.8;
  EXPECT_EQ(gamma.GetPixel(0, 0), RGBColor(0, Corrected(64, exponent), Corrected(128, exponent)));
  EXPECT_EQ(gamma.GetPixel(1, 0), RGBColor(Corrected(160, exponent), Corrected(200, exponent), 255));
  EXPECT_LT(GetGValue(gamma.GetPixel(0, 0)), 64);
  EXPECT_DOUBLE_EQ(gamma.Gamma, 1.8);
}

TEST(PngGammaTest, WithoutCorrectionThePixelsStayAsStored) {
  TCodecSettings settings = CodecSettings();
  settings.GammaCorrectionOnRead = false;
  TScopedCodecSettings scoped(settings);
  TPixelGraphic image;
  test::LoadPng(image, GammaFile(0.45455));
  EXPECT_EQ(image.GetPixel(0, 0), RGBColor(0, 64, 128));
  EXPECT_NEAR(image.Gamma, 2.2, 1e-4);
}

double WrittenGamma(const Bytes& file) {
  for (const auto& c : test::PngChunks(file))
    if (c.type == "gAMA") return GetBE32(file.data() + c.offset + 8) / 100000.0;
  return 0;
}

TEST(PngGammaTest, SavedBackWithTheGammaOfThePicture) {
  for (const bool correct : {true, false}) {
    TCodecSettings settings = CodecSettings();
    settings.GammaCorrectionOnRead = correct;
    TScopedCodecSettings scoped(settings);
    TPixelGraphic image;
    test::LoadPng(image, GammaFile(0.45455));
    TMemoryStream out;
    image.SaveToStreamEx(out, "png");
    EXPECT_NEAR(WrittenGamma(out.bytes()), correct ? 1 / 1.8 : 0.45455, 1e-5) << correct;
  }
  TCodecSettings settings = CodecSettings();
  settings.PNGWriteGamma = false;
  TScopedCodecSettings scoped(settings);
  TPixelGraphic image;
  image.Allocate(2, 2, 3);
  TMemoryStream out;
  image.SaveToStreamEx(out, "png");
  EXPECT_EQ(WrittenGamma(out.bytes()), 0);
}

// ---- Progress and abort ----

TEST(PngReaderTest, InterlacedProgressRunsOverSevenPasses) {
  PngSpec s;
  s.width = 9;
  s.height = 11;
  s.interlaced = true;
  test::FillPngRows(s);
  TPixelGraphic image;
  int calls = 0, lastStep = -1, lastMax = 0;
  image.OnProgress = [&](TPixelGraphic&, int step, int max, bool&) {
    EXPECT_GT(step, lastStep);
    lastStep = step;
    lastMax = max;
    ++calls;
  };
  test::LoadPng(image, test::EncodePng(s));
  EXPECT_EQ(calls, 7 * 11);
  EXPECT_EQ(lastMax, 7 * 11);
  EXPECT_EQ(lastStep, 7 * 11 - 1);
}

TEST(PngReaderTest, AbortKeepsTheRowsReadSoFar) {
  PngSpec s;
  s.width = 4;
  s.height = 6;
  s.colorType = PNG_COLOR_TYPE_GRAY;
  s.rows.assign(24, 77);
  Bytes file = test::EncodePng(s);
  file.erase(file.end() - 12, file.end());  // no IEND: an abort must not read the end
  TPixelGraphic image;
  int starts = 0, ends = 0;
  image.OnProgressStart = [&](TPixelGraphic&) { ++starts; };
  image.OnProgressEnd = [&](TPixelGraphic&) { ++ends; };
  image.OnProgress = [](TPixelGraphic&, int step, int, bool& abort) { abort = step == 2; };
  test::LoadPng(image, file);
  EXPECT_EQ(image.GetPixel(0, 2), 77u);
  EXPECT_EQ(image.GetPixel(0, 3), 0u);
  EXPECT_EQ(starts, 1);
  EXPECT_EQ(ends, 1);
}

// ---- Warnings ----

// A text chunk whose CRC is wrong: libpng warns and drops the chunk.
Bytes FileWithBadAncillaryCrc() {
  PngSpec s;
  s.width = 2;
  s.height = 2;
  test::FillPngRows(s);
  Bytes file = test::InsertChunk(test::EncodePng(s), "IDAT", {"tEXt", {'a', 0, 'b'}});
  for (const auto& c : test::PngChunks(file))
    if (c.type == "tEXt") file[c.offset + c.length - 1] ^= 0x55;
  return file;
}

struct PromptLog {
  int calls = 0;
  std::string caption, text;
  bool answer = true;
};

struct WarningCase {
  const char* name;
  TPGWarningAction action;
  bool answer;
  int prompts;
  const char* error;  // nullptr: loads
};

class PngWarningTest : public ::testing::TestWithParam<WarningCase> {};

TEST_P(PngWarningTest, FollowsTheWarningAction) {
  const WarningCase c = GetParam();
  PromptLog log;
  log.answer = c.answer;
  TScopedWarningPrompt prompt([&](const std::string& caption, const std::string& text, bool) {
    ++log.calls;
    log.caption = caption;
    log.text = text;
    return log.answer;
  });
  TPixelGraphic image;
  image.ReadWarningAction = c.action;
  const Bytes file = FileWithBadAncillaryCrc();
  if (c.error) {
    try {
      test::LoadPng(image, file);
      ADD_FAILURE() << "no exception";
    } catch (const EPGPNGFileFormatReaderWriter& e) {
      EXPECT_STREQ(e.what(), c.error);
    }
  } else {
    test::LoadPng(image, file);
    EXPECT_EQ(image.Width(), 2);
  }
  EXPECT_EQ(log.calls, c.prompts);
  if (log.calls) {
    EXPECT_EQ(log.caption, "PNG Warning");
    EXPECT_EQ(log.text, "tEXt: CRC error");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Actions, PngWarningTest,
    ::testing::Values(WarningCase{"Ignore", pgwaIgnore, true, 0, nullptr},
                      WarningCase{"OKBox", pgwaOKBox, false, 1, nullptr},
                      WarningCase{"OKCancelOK", pgwaOKCancelBox, true, 1, nullptr},
                      WarningCase{"OKCancelCancel", pgwaOKCancelBox, false, 1, "PNG: Operation aborted on user request"},
                      WarningCase{"Raise", pgwaRaise, true, 0, "PNG: tEXt: CRC error"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PngReaderTest, ColourProfileComplaintsAreNoWarnings) {
  PngSpec s;
  s.width = 2;
  s.height = 2;
  test::FillPngRows(s);
  // A profile libpng cannot use, and an sRGB chunk that contradicts the gamma.
  Bytes file = test::InsertChunk(test::EncodePng(s), "IDAT", {"iCCP", {'x', 0, 0, 0x78, 0x9C, 0x03, 0, 0, 0, 0, 1}});
  file = test::InsertChunk(file, "IDAT", {"sRGB", {7}});
  TPixelGraphic image;
  image.ReadWarningAction = pgwaRaise;
  EXPECT_NO_THROW(test::LoadPng(image, file));
  TMemoryStream stream(file.data(), file.size());
  TImageInfo info;
  EXPECT_NO_THROW(test::ReaderFor("png").GetImageInfo(stream, 0, info));
}

// ---- Errors ----

TEST(PngReaderTest, IndexOtherThanZeroIsRefused) {
  const Bytes file = GammaFile(0);
  TMemoryStream a(file.data(), file.size());
  TPixelGraphic image;
  try {
    test::ReaderFor("png").ReadImage(a, image, 1);
    ADD_FAILURE();
  } catch (const EPGPNGFileFormatReaderWriter& e) {
    EXPECT_STREQ(e.what(), "PNG: Index invalid");
  }
  TImageInfo info;
  try {
    test::ReaderFor("png").GetImageInfo(a, 1, info);
    ADD_FAILURE();
  } catch (const EPGPNGFileFormatReaderWriter& e) {
    EXPECT_STREQ(e.what(), "PNG: Invalid value for Index");
  }
}

Bytes WithIHDRSize(Bytes file, std::uint32_t width, std::uint32_t height) {
  PutBE32(file.data() + 16, width);
  PutBE32(file.data() + 20, height);
  const std::uint32_t crc = static_cast<std::uint32_t>(crc32(0, file.data() + 12, 17));
  PutBE32(file.data() + 29, crc);
  return file;
}

TEST(PngReaderTest, HostileSizesAreRefusedBeforeAllocating) {
  PngSpec s;
  s.width = 1;
  s.height = 1;
  s.colorType = PNG_COLOR_TYPE_GRAY;
  s.bitDepth = 1;
  s.rows = {0};
  const Bytes small = test::EncodePng(s);
  struct Case {
    std::uint32_t w, h;
  } cases[] = {{2000000, 1}, {60000, 60000}, {20000, 20000}, {0x7FFFFFFF, 0x7FFFFFFF}};
  for (const Case& c : cases) {
    TPixelGraphic image;
    EXPECT_THROW(test::LoadPng(image, WithIHDRSize(small, c.w, c.h)), EPixelGraphic) << c.w << "x" << c.h;
    EXPECT_TRUE(image.GetEmpty());
  }
  // Within the limits, but far more pixels than the few bytes of data can hold.
  TPixelGraphic image;
  EXPECT_EQ(test::ErrorText([&] { test::LoadPng(image, WithIHDRSize(small, 20000, 20000)); }),
            "PNG: Unexpected end of file");
}

// Cut at every chunk boundary and inside every chunk: always refused with a PNG message.
TEST(PngReaderTest, TruncatedFilesAreRefused) {
  PngSpec s;
  s.width = 21;
  s.height = 17;
  s.colorType = PNG_COLOR_TYPE_RGBA;
  s.interlaced = true;
  s.gamma = 0.5;
  s.hasBackground = true;
  s.physChunk = true;
  test::FillPngRows(s);
  const Bytes file = test::EncodePng(s);
  std::vector<std::size_t> cuts = {0, 1, 7, 8};
  for (const auto& c : test::PngChunks(file)) {
    for (std::size_t d : {std::size_t(0), std::size_t(4), std::size_t(8), c.length / 2, c.length - 4, c.length - 1})
      if (c.offset + d < file.size()) cuts.push_back(c.offset + d);
  }
  for (std::size_t cut : cuts) {
    const Bytes part(file.begin(), file.begin() + cut);
    TMemoryStream stream(part.data(), part.size());
    TPixelGraphic image;
    image.ReadWarningAction = pgwaIgnore;
    try {
      test::ReaderFor("png").ReadImage(stream, image, 0);
      ADD_FAILURE() << "cut at " << cut << " was accepted";
    } catch (const EPGPNGFileFormatReaderWriter& e) {
      EXPECT_EQ(std::string(e.what()).rfind("PNG: ", 0), 0u) << e.what();
    }
  }
}

// ---- Information ----

struct InfoCase {
  const char* name;
  int colorType, bitDepth;
  bool interlaced, trns, bkgd, gamma, phys, time;
  const char* infoText;
  const char* extraText;
  int bitCount;
  const char* colors;
};

class PngInfoTest : public ::testing::TestWithParam<InfoCase> {};

TEST_P(PngInfoTest, DescribesTheFile) {
  const InfoCase c = GetParam();
  PngSpec s;
  s.width = 5;
  s.height = 3;
  s.colorType = c.colorType;
  s.bitDepth = c.bitDepth;
  s.interlaced = c.interlaced;
  if (c.colorType == PNG_COLOR_TYPE_PALETTE) s.palette = {{1, 2, 3}, {4, 5, 6}};
  if (c.trns) {
    if (c.colorType == PNG_COLOR_TYPE_PALETTE) s.paletteAlpha = {0};
    else s.hasTransparentColor = true;
  }
  s.hasBackground = c.bkgd;
  s.gamma = c.gamma ? 0.45455 : 0;
  s.physChunk = c.phys;
  s.timeChunk = c.time;
  test::FillPngRows(s);
  const Bytes file = test::EncodePng(s);
  TMemoryStream stream(file.data(), file.size());
  TImageInfo info;
  test::ReaderFor("png").GetImageInfo(stream, 0, info);
  EXPECT_EQ(info.InfoText, c.infoText);
  EXPECT_EQ(info.ExtraText, c.extraText);
  EXPECT_EQ(info.BitCount, c.bitCount);
  EXPECT_EQ(info.ColorsText, c.colors);
  EXPECT_EQ(info.Width, 5);
  EXPECT_EQ(info.Height, 3);
  EXPECT_EQ(info.ImageCount, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Files, PngInfoTest,
    ::testing::Values(
        InfoCase{"RgbaInterlaced", PNG_COLOR_TYPE_RGBA, 8, true, false, false, false, false, false,
                 "RGB, alpha, interlaced", "", 32, "16.7M?"},
        InfoCase{"Gray1", PNG_COLOR_TYPE_GRAY, 1, false, false, false, true, true, false, "GrayScale", "(gama, phys)", 1,
                 "2"},
        InfoCase{"Gray2", PNG_COLOR_TYPE_GRAY, 2, false, false, false, false, false, false, "GrayScale", "", 2, "4"},
        InfoCase{"Palette4", PNG_COLOR_TYPE_PALETTE, 4, false, true, true, true, false, true, "palette",
                 "(gama, plte, trns, bkgd, time)", 4, "16"},
        InfoCase{"GrayAlpha8", PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, false, false, false, false, false,
                 "GrayScale, alpha", "", 16, "64K?"},
        InfoCase{"Rgb8", PNG_COLOR_TYPE_RGB, 8, false, true, false, false, false, false, "RGB", "(trns)", 24, "16.7M"},
        InfoCase{"Rgb16", PNG_COLOR_TYPE_RGB, 16, true, false, false, false, false, false, "RGB, interlaced", "", 48,
                 "?"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PngInfoTest, GetFileInfoNamesTheFormat) {
  test::TTempDir dir;
  test::WriteFileBytes(dir.file("a.dat"), GammaFile(0.45455));
  TFileInfo info;
  ASSERT_TRUE(GetFileInfo(dir.file("a.dat"), 0, info));
  EXPECT_EQ(info.Description, "Portable Network Graphics");
  EXPECT_EQ(FileInfoSizeLine(info.Info), "3x1x16.7M 24 bit");
  EXPECT_EQ(info.Info.ExtraText, "(gama)");
}

// ---- Writer ----

struct WriteCase {
  const char* name;
  int bitCountNum;
  TPaletteIdent ident;  // pUnknown: random palette
  int paletteCount;
  int fileBitDepth, fileColorType;
};

class PngWriteTest : public ::testing::TestWithParam<WriteCase> {};

TEST_P(PngWriteTest, WritesTheFormatAndReadsBackIdentically) {
  const WriteCase c = GetParam();
  TPixelGraphic image;
  image.Allocate(19, 7, c.bitCountNum);
  if (c.ident == pUnknown) test::SetRandomPalette(image, c.paletteCount, 3);
  else if (c.bitCountNum != 3) image.SetPaletteIdent(c.ident);
  test::FillRandom(image, 5);
  TMemoryStream out;
  int calls = 0, lastStep = -1, lastMax = -1;
  image.OnProgress = [&](TPixelGraphic&, int step, int max, bool& abort) {
    ++calls;
    lastStep = step;
    lastMax = max;
    abort = true;  // not honoured while writing
  };
  test::WriterFor("png").WriteImage(out, image);
  EXPECT_EQ(calls, 7);
  EXPECT_EQ(lastStep, 6);
  EXPECT_EQ(lastMax, 6);
  const Bytes& file = out.bytes();
  ASSERT_GT(file.size(), 33u);
  EXPECT_EQ(file[24], c.fileBitDepth);
  EXPECT_EQ(file[25], c.fileColorType);
  EXPECT_EQ(file[28], 0);  // not interlaced

  TCodecSettings settings = CodecSettings();
  settings.GammaCorrectionOnRead = false;
  TScopedCodecSettings scoped(settings);
  TPixelGraphic back;
  test::LoadPng(back, file);
  EXPECT_TRUE(test::SamePixels(image, back));
  EXPECT_EQ(back.PaletteColors(), image.PaletteColors());
}

INSTANTIATE_TEST_SUITE_P(
    Formats, PngWriteTest,
    ::testing::Values(WriteCase{"TrueColor", 3, pTrueColor, 0, 8, PNG_COLOR_TYPE_RGB},
                      WriteCase{"Gray256", 2, pGray256, 256, 8, PNG_COLOR_TYPE_GRAY},
                      WriteCase{"Palette256", 2, pUnknown, 256, 8, PNG_COLOR_TYPE_PALETTE},
                      WriteCase{"Palette100", 2, pUnknown, 100, 8, PNG_COLOR_TYPE_PALETTE},
                      WriteCase{"Gray16", 1, pGray16, 16, 4, PNG_COLOR_TYPE_PALETTE},
                      WriteCase{"Palette16", 1, pUnknown, 16, 4, PNG_COLOR_TYPE_PALETTE},
                      WriteCase{"BlackWhite", 0, pBlackWhite, 2, 1, PNG_COLOR_TYPE_PALETTE},
                      WriteCase{"TwoColors", 0, pUnknown, 2, 1, PNG_COLOR_TYPE_PALETTE}),
    [](const auto& info) { return std::string(info.param.name); });

// Pixels that point past the palette show as entry 0; the file gets a palette long enough
// for them (with entry 0 there), so it is valid and shows the same.
TEST(PngWriterTest, IndicesBeyondThePaletteAreWrittenAsEntryZero) {
  TPixelGraphic image;
  image.Allocate(4, 1, 2);
  image.SetPaletteCount(3);
  image.SetPaletteColor(0, RGBColor(9, 8, 7));
  image.SetPaletteColor(1, RGBColor(1, 2, 3));
  image.SetPaletteColor(2, RGBColor(4, 5, 6));
  image.SetPixel(0, 0, 1);
  image.SetPixel(1, 0, 200);
  TMemoryStream out;
  test::WriterFor("png").WriteImage(out, image);
  const test::PngReference ref = test::DecodePngReference(out.bytes());
  ASSERT_EQ(ref.error, "");
  ASSERT_EQ(ref.channels, 3);
  EXPECT_EQ(ref.samples[0], 1);
  EXPECT_EQ(ref.samples[1], 2);
  EXPECT_EQ(ref.samples[2], 3);
  EXPECT_EQ(ref.samples[3], 9);  // index 200 -> entry 0's colour
  EXPECT_EQ(ref.samples[4], 8);
  EXPECT_EQ(ref.samples[5], 7);
}

TEST(PngWriterTest, StreamFailuresPassThrough) {
  struct FailingStream : TMemoryStream {
    void Write(const void*, size_t) override { throw EStreamError("disk full"); }
  } out;
  TPixelGraphic image;
  image.Allocate(3, 3, 3);
  EXPECT_THROW(test::WriterFor("png").WriteImage(out, image), EStreamError);
}

TEST(PngWriterTest, EmptyImageIsAPngError) {
  TPixelGraphic image;
  TMemoryStream out;
  EXPECT_THROW(test::WriterFor("png").WriteImage(out, image), EPGPNGFileFormatReaderWriter);
}

}  // namespace
}  // namespace lumora

namespace lumora {
namespace {

TEST(PngReaderTest, GrayFilesGetTheFixedGrayPalettes) {
  struct Case {
    int bitDepth;
    TPaletteIdent ident;
  } cases[] = {{1, pBlackWhite}, {4, pGray16}, {8, pGray256}, {16, pGray256}};  // 2 bits: pGray4, below
  for (const Case& c : cases) {
    test::PngSpec s;
    s.colorType = PNG_COLOR_TYPE_GRAY;
    s.bitDepth = c.bitDepth;
    test::FillPngRows(s);
    const test::Bytes file = test::EncodePng(s);
    TMemoryStream stream(file.data(), file.size());
    TPixelGraphic image;
    test::ReaderFor("png").ReadImage(stream, image, 0);
    EXPECT_EQ(image.PaletteIdent(), c.ident) << c.bitDepth;
  }
}

}  // namespace
}  // namespace lumora
