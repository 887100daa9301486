// The TIFF writer: directory layout, strip sizes, PackBits, CMYK, WhiteIsZero, byte
// orders, round trips through our reader and through libtiff.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "imaging/codecs/tiff_format.h"
#include "imaging/core/codec_settings.h"
#include "imaging/core/exceptions.h"
#include "imaging/core/pixel_graphic.h"
#include "imaging/core/registry.h"
#include "imaging/core/stream.h"
#include "tests/support/test_support.h"

namespace lumora {
namespace {

using Bytes = std::vector<std::uint8_t>;

TFileFormatWriter& Writer(const std::string& ext) {
  for (const auto& w : FileFormatWriters())
    if (w->Extension == ext) return *w;
  throw std::runtime_error("no writer " + ext);
}

TFileFormatReader& Reader(const std::string& ext) {
  for (const auto& r : FileFormatReaders())
    if (r->Extension == ext) return *r;
  throw std::runtime_error("no reader " + ext);
}

Bytes Write(TPixelGraphic& image, const TCodecSettings& settings) {
  TScopedCodecSettings scoped(settings);
  TMemoryStream out;
  Writer("tif").WriteImage(out, image);
  return out.TakeBytes();
}

void Read(const Bytes& bytes, TPixelGraphic& image) {
  TMemoryStream in(bytes.data(), bytes.size());
  Reader("tif").ReadImage(in, image, 0);
}

// The directory of a written file: tag -> (type, count, value field as a number).
struct TEntryView {
  int type;
  std::uint32_t count;
  std::uint32_t value;  // SHORT values from the first two bytes
};

std::map<int, TEntryView> Directory(const Bytes& b) {
  const bool big = b[0] == 'M';
  const auto u16 = [&](size_t at) { return big ? GetBE16(b.data() + at) : GetLE16(b.data() + at); };
  const auto u32 = [&](size_t at) { return big ? GetBE32(b.data() + at) : GetLE32(b.data() + at); };
  std::map<int, TEntryView> entries;
  const size_t dir = u32(4);
  const int count = u16(dir);
  int previous = -1;
  for (int i = 0; i < count; ++i) {
    const size_t e = dir + 2 + 12 * size_t(i);
    const int tag = u16(e), type = u16(e + 2);
    EXPECT_GT(tag, previous) << "tags ascend";
    previous = tag;
    const std::uint32_t n = u32(e + 4);
    entries[tag] = {type, n, type == 3 && n == 1 ? u16(e + 8) : u32(e + 8)};
  }
  EXPECT_EQ(u32(dir + 2 + 12 * size_t(count)), 0u) << "one directory";
  return entries;
}

TEST(TiffWriterTest, RowsPerStripFitTheStripBudget) {
  TPixelGraphic image;
  image.Allocate(1000, 30, 3);
  TCodecSettings s;
  EXPECT_EQ(Directory(Write(image, s))[tagRowsPerStrip].value, 10u);
  s.TIFFWriteCompression = kTiffCompressionPackBits;
  auto d = Directory(Write(image, s));
  EXPECT_EQ(d[tagRowsPerStrip].value, 5u);
  EXPECT_EQ(d[tagStripOffsets].count, 6u);
  EXPECT_EQ(d[tagStripByteCounts].count, 6u);
  // A small image is one strip, its offset and byte count in the entries.
  image.Allocate(10, 3, 2);
  image.SetPaletteIdent(pGray256);
  d = Directory(Write(image, TCodecSettings{}));
  EXPECT_EQ(d[tagRowsPerStrip].value, 3u);
  EXPECT_EQ(d[tagStripOffsets].count, 1u);
  EXPECT_EQ(d[tagStripByteCounts].value, 30u);
  EXPECT_EQ(d[tagStripOffsets].value % 2, 0u);
}

struct PackBitsCase {
  const char* name;
  Bytes row;
  Bytes packed;
};

class PackBitsTest : public ::testing::TestWithParam<PackBitsCase> {};

TEST_P(PackBitsTest, EncodesTheRow) {
  Bytes out;
  PackBitsEncodeRow(GetParam().row.data(), GetParam().row.size(), out);
  EXPECT_EQ(out, GetParam().packed);
}

Bytes Repeated(std::uint8_t v, size_t n) { return Bytes(n, v); }
Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}
Bytes Counting(size_t n) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = std::uint8_t(i);
  return b;
}

std::vector<PackBitsCase> PackBitsCases() {
  return {
      {"twoRunJoinsLiteral", {0, 0, 0, 1, 2, 2, 3}, {0xFE, 0, 0x03, 1, 2, 2, 3}},
      {"single", {5}, {0x00, 5}},
      {"twoRunAlone", {5, 5}, {0xFF, 5}},
      {"twoRunAfterLongRun", {1, 1, 1, 2, 2}, {0xFE, 1, 0xFF, 2}},
      {"twoRunBeforeSingle", {2, 2, 1}, {0x02, 2, 2, 1}},
      {"twoRunBetweenRuns", {1, 1, 1, 2, 2, 3, 3, 3}, {0xFE, 1, 0xFF, 2, 0xFE, 3}},
      {"cascadingTwoRuns", {9, 1, 1, 2, 2, 7}, {0x05, 9, 1, 1, 2, 2, 7}},
      {"runOf130", Repeated(4, 130), {0x81, 4, 0xFF, 4}},
      {"runOf129", Repeated(4, 129), {0x81, 4, 0x00, 4}},
      {"literalOf129", Counting(129), Concat({{0x7F}, Counting(128), {0x00, 128}})},
  };
}

INSTANTIATE_TEST_SUITE_P(Rows, PackBitsTest, ::testing::ValuesIn(PackBitsCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// A literal PackBits decoder for checking the encoder on random rows.
Bytes Unpack(const Bytes& packed) {
  Bytes out;
  for (size_t i = 0; i < packed.size();) {
    const int c = static_cast<std::int8_t>(packed[i++]);
    if (c >= 0) {
      out.insert(out.end(), packed.begin() + std::ptrdiff_t(i), packed.begin() + std::ptrdiff_t(i + size_t(c) + 1));
      i += size_t(c) + 1;
    } else if (c != -128) {
      out.insert(out.end(), size_t(1 - c), packed[i++]);
    }
  }
  return out;
}

TEST(PackBitsTest, RandomRowsWithRunsDecodeToThemselves) {
  std::mt19937 rng(7);
  for (int t = 0; t < 300; ++t) {
    Bytes row;
    const size_t n = 1 + rng() % 700;
    while (row.size() < n) {
      const size_t len = std::min<size_t>(n - row.size(), rng() % 4 == 0 ? 1 + rng() % 200 : 1 + rng() % 3);
      row.insert(row.end(), len, std::uint8_t(rng() % 4));
    }
    Bytes packed;
    PackBitsEncodeRow(row.data(), row.size(), packed);
    ASSERT_EQ(Unpack(packed), row) << "trial " << t;
    EXPECT_LE(packed.size(), row.size() + (row.size() + 127) / 128);
  }
}

TEST(TiffWriterTest, CmykStoresRedAsZeroFullFullZeroAndReadsBack) {
  TPixelGraphic image;
  image.Allocate(3, 1, 3);
  image.SetPixel(0, 0, RGBColor(255, 0, 0));
  image.SetPixel(1, 0, RGBColor(10, 200, 30));
  image.SetPixel(2, 0, RGBColor(0, 0, 0));
  TCodecSettings s;
  s.TIFFWriteCMYK = true;
  const Bytes bytes = Write(image, s);
  auto d = Directory(bytes);
  EXPECT_EQ(d[tagPhotometric].value, 5u);
  EXPECT_EQ(d[tagSamplesPerPixel].value, 4u);
  EXPECT_EQ(d[tagBitsPerSample].count, 4u);
  const std::uint8_t* strip = bytes.data() + d[tagStripOffsets].value;
  EXPECT_EQ(Bytes(strip, strip + 12), (Bytes{0, 255, 255, 0, 190, 0, 170, 55, 0, 0, 0, 255}));
  TPixelGraphic back;
  Read(bytes, back);
  EXPECT_TRUE(test::SamePixels(image, back));
}

TEST(TiffWriterTest, BigEndianFileHasEveryNumberBigEndian) {
  TPixelGraphic image;
  image.Allocate(300, 200, 2);
  test::SetRandomPalette(image, 256, 3);
  TCodecSettings s;
  s.TIFFWriteByteOrder = 1;
  const Bytes bytes = Write(image, s);
  ASSERT_EQ(bytes[0], 'M');
  ASSERT_EQ(bytes[1], 'M');
  EXPECT_EQ(GetBE16(bytes.data() + 2), 42);
  auto d = Directory(bytes);
  EXPECT_EQ(d[tagImageWidth].value, 300u);
  EXPECT_EQ(d[tagImageLength].value, 200u);
  EXPECT_EQ(d[tagPhotometric].value, 3u);
  EXPECT_EQ(d[tagColorMap].count, 768u);
  const size_t map = d[tagColorMap].value;
  EXPECT_EQ(GetBE16(bytes.data() + map + 2 * 5), GetRValue(image.PaletteColors()[5]) * 256);
  EXPECT_EQ(GetBE16(bytes.data() + map + 2 * (512 + 5)), GetBValue(image.PaletteColors()[5]) * 256);
  const size_t offsets = d[tagStripOffsets].value;
  EXPECT_GT(d[tagStripOffsets].count, 1u);
  EXPECT_EQ(GetBE32(bytes.data() + offsets) % 2, 0u);
  const size_t res = d[tagXResolution].value;
  EXPECT_EQ(GetBE32(bytes.data() + res), 300u);
  EXPECT_EQ(GetBE32(bytes.data() + res + 4), 1u);
  EXPECT_EQ(d[tagResolutionUnit].value, 2u);
}

TEST(TiffWriterTest, ResolutionSettingsAreWritten) {
  TPixelGraphic image;
  image.Allocate(2, 2, 3);
  for (int unit : {0, 1, 2}) {
    TCodecSettings s;
    s.TIFFResolutionUnit = unit;
    s.TIFFXResolutionNum = 72;
    s.TIFFXResolutionDen = 2;
    s.TIFFYResolutionNum = 150;
    s.TIFFYResolutionDen = 3;
    const Bytes bytes = Write(image, s);
    auto d = Directory(bytes);
    EXPECT_EQ(d[tagResolutionUnit].value, std::uint32_t(unit + 1));
    EXPECT_EQ(d[tagXResolution].type, 5);
    EXPECT_EQ(GetLE32(bytes.data() + d[tagXResolution].value), 72u);
    EXPECT_EQ(GetLE32(bytes.data() + d[tagXResolution].value + 4), 2u);
    EXPECT_EQ(GetLE32(bytes.data() + d[tagYResolution].value), 150u);
    EXPECT_EQ(GetLE32(bytes.data() + d[tagYResolution].value + 4), 3u);
  }
}

TEST(TiffWriterTest, UnknownCompressionSettingIsAnInternalError) {
  TPixelGraphic image;
  image.Allocate(2, 2, 3);
  TCodecSettings s;
  s.TIFFWriteCompression = 5;
  try {
    Write(image, s);
    FAIL();
  } catch (const EPGTIFFileFormatWriter& e) {
    EXPECT_STREQ(e.what(), "TIFF: Internal Error");
  }
}

TEST(TiffWriterTest, WritersAreRegisteredAsTheTableSays) {
  EXPECT_TRUE(Writer("tif").ShowInFilter);
  EXPECT_FALSE(Writer("tiff").ShowInFilter);
  for (const char* ext : {"tif", "tiff"}) {
    EXPECT_EQ(Writer(ext).CanWriteResolutions, 0xFD);
    EXPECT_TRUE(Writer(ext).WriterFlag);
    EXPECT_EQ(Writer(ext).Description, "Tagged Image File Format");
  }
}

// ---- Round trips: every pixel format x every writer setting ----

enum TFormat { fBlackWhite, fGray16, fPalette16, fGray256, fPalette256, fShortPalette, fTrueColor };

void MakeImage(TFormat format, int width, int height, TPixelGraphic& image) {
  static const int kNum[] = {0, 1, 1, 2, 2, 2, 3};
  image.Allocate(width, height, kNum[format]);
  switch (format) {
    case fBlackWhite: image.SetPaletteIdent(pBlackWhite); break;
    case fGray16: image.SetPaletteIdent(pGray16); break;
    case fGray256: image.SetPaletteIdent(pGray256); break;
    case fPalette16: test::SetRandomPalette(image, 16, 11); break;
    case fPalette256: test::SetRandomPalette(image, 256, 12); break;
    case fShortPalette: test::SetRandomPalette(image, 100, 13); break;
    case fTrueColor: break;
  }
  test::FillRandom(image, 99u + std::uint32_t(format));
  // Runs as well as noise, so PackBits has both to do.
  for (int y = 0; y < height; y += 3)
    for (int x = 0; x < width / 2; ++x) image.SetPixel(x, y, image.GetPixel(0, y));
}

struct RoundTripCase {
  TFormat format;
  int width, height;
  int compression, byteOrder;
  bool cmyk, whiteIsZero;
};

class TiffRoundTripTest : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(TiffRoundTripTest, ReadsBackTheSamePixelsAndRewritesTheSameBytes) {
  const RoundTripCase c = GetParam();
  TPixelGraphic image;
  MakeImage(c.format, c.width, c.height, image);
  TCodecSettings s;
  s.TIFFWriteCompression = c.compression;
  s.TIFFWriteByteOrder = c.byteOrder;
  s.TIFFWriteCMYK = c.cmyk;
  s.TIFFWriteWhiteIsZero = c.whiteIsZero;
  const Bytes bytes = Write(image, s);
  TPixelGraphic back;
  Read(bytes, back);
  ASSERT_TRUE(test::SamePixels(image, back));
  for (int i = 0; i < image.PaletteCount(); ++i) EXPECT_EQ(back.PaletteColors()[size_t(i)], image.PaletteColors()[size_t(i)]);
  EXPECT_EQ(Write(back, s), bytes);

  const auto d = Directory(bytes);
  const bool gray = c.format == fBlackWhite || c.format == fGray16 || c.format == fGray256;
  const std::uint32_t photometric =
      c.format == fTrueColor ? (c.cmyk ? 5 : 2) : gray ? (c.whiteIsZero ? 0 : 1) : 3;
  EXPECT_EQ(d.at(tagPhotometric).value, photometric);
  EXPECT_EQ(d.at(tagCompression).value, std::uint32_t(c.compression));
  EXPECT_EQ(d.count(tagColorMap), photometric == 3 ? 1u : 0u);
}

std::vector<RoundTripCase> RoundTripCases() {
  std::vector<RoundTripCase> cases;
  for (TFormat f : {fBlackWhite, fGray16, fPalette16, fGray256, fPalette256, fShortPalette, fTrueColor})
    for (auto [w, h] : {std::pair{37, 5}, std::pair{1500, 30}})
      for (int compression : {1, 32773})
        for (int order : {0, 1})
          for (bool cmyk : {false, true})
            for (bool white : {false, true}) cases.push_back({f, w, h, compression, order, cmyk, white});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(AllSettings, TiffRoundTripTest, ::testing::ValuesIn(RoundTripCases()),
                         [](const auto& info) {
                           const RoundTripCase& c = info.param;
                           return "f" + std::to_string(c.format) + "_" + std::to_string(c.width) + "_c" +
                                  std::to_string(c.compression) + "_o" + std::to_string(c.byteOrder) +
                                  (c.cmyk ? "_cmyk" : "") + (c.whiteIsZero ? "_wiz" : "");
                         });

TEST(TiffWriterTest, WhiteIsZeroInvertsGrayBytes) {
  TPixelGraphic image;
  image.Allocate(3, 1, 2);
  image.SetPaletteIdent(pGray256);
  image.SetPixel(0, 0, 0);
  image.SetPixel(1, 0, 10);
  image.SetPixel(2, 0, 255);
  TCodecSettings s;
  s.TIFFWriteWhiteIsZero = true;
  const Bytes bytes = Write(image, s);
  const std::uint8_t* strip = bytes.data() + Directory(bytes)[tagStripOffsets].value;
  EXPECT_EQ(Bytes(strip, strip + 3), (Bytes{255, 245, 0}));
}

TEST(TiffWriterTest, SaveThroughTheRegistryUsesTheWriter) {
  TPixelGraphic image;
  MakeImage(fTrueColor, 20, 7, image);
  TMemoryStream out;
  image.SaveToStreamEx(out, "tiff");
  TPixelGraphic back;
  Read(out.bytes(), back);
  EXPECT_TRUE(test::SamePixels(image, back));
}

// ---- libtiff reads our files with the same pixels ----

bool HaveTool(const char* name) { return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0; }

// Reads a binary PNM written by netpbm at maxval 255 or 65535 into colours.
bool ReadNetpbm(const Bytes& b, int& w, int& h, std::vector<TColor>& colors) {
  size_t i = 2;
  const auto number = [&] {
    while (i < b.size() && (b[i] < '0' || b[i] > '9')) ++i;
    long v = 0;
    while (i < b.size() && b[i] >= '0' && b[i] <= '9') v = v * 10 + (b[i++] - '0');
    return v;
  };
  if (b.size() < 3 || b[0] != 'P') return false;
  const int type = b[1] - '0';
  w = int(number());
  h = int(number());
  const long maxValue = type == 4 ? 1 : number();
  ++i;
  const int bytesPerSample = maxValue > 255 ? 2 : 1;
  const auto sample = [&](size_t at) {
    const long v = bytesPerSample == 2 ? (b[at] << 8) | b[at + 1] : b[at];
    return int(v * 255 / maxValue);
  };
  colors.clear();
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      if (type == 4) {
        const size_t at = i + size_t(y) * size_t((w + 7) / 8) + size_t(x / 8);
        if (at >= b.size()) return false;
        colors.push_back((b[at] >> (7 - x % 8)) & 1 ? 0 : 0xFFFFFF);
      } else if (type == 5) {
        const size_t at = i + (size_t(y) * size_t(w) + size_t(x)) * size_t(bytesPerSample);
        if (at + size_t(bytesPerSample) > b.size()) return false;
        const int v = sample(at);
        colors.push_back(RGBColor(v, v, v));
      } else if (type == 6) {
        const size_t at = i + (size_t(y) * size_t(w) + size_t(x)) * 3 * size_t(bytesPerSample);
        if (at + 3 * size_t(bytesPerSample) > b.size()) return false;
        colors.push_back(RGBColor(sample(at), sample(at + size_t(bytesPerSample)), sample(at + 2 * size_t(bytesPerSample))));
      } else {
        return false;
      }
    }
  }
  return true;
}

class TiffLibtiffTest : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(TiffLibtiffTest, TifftopnmSeesTheSameColours) {
  if (!HaveTool("tifftopnm") || !HaveTool("tiffinfo")) GTEST_SKIP() << "tifftopnm/tiffinfo (libtiff-tools, netpbm) not installed";
  const RoundTripCase c = GetParam();
  TPixelGraphic image;
  MakeImage(c.format, c.width, c.height, image);
  TCodecSettings s;
  s.TIFFWriteCompression = c.compression;
  s.TIFFWriteByteOrder = c.byteOrder;
  s.TIFFWriteCMYK = c.cmyk;
  s.TIFFWriteWhiteIsZero = c.whiteIsZero;
  test::TTempDir dir;
  const std::string tif = dir.file("x.tif"), pnm = dir.file("x.pnm"), log = dir.file("log.txt");
  test::WriteFileBytes(tif, Write(image, s));
  ASSERT_EQ(std::system(("tiffinfo -D '" + tif + "' >/dev/null 2>'" + log + "'").c_str()), 0);
  const Bytes warnings = test::ReadFileBytes(log);
  EXPECT_TRUE(warnings.empty()) << std::string(warnings.begin(), warnings.end());
  ASSERT_EQ(std::system(("tifftopnm '" + tif + "' >'" + pnm + "' 2>'" + log + "'").c_str()), 0);
  int w = 0, h = 0;
  std::vector<TColor> colors;
  ASSERT_TRUE(ReadNetpbm(test::ReadFileBytes(pnm), w, h, colors));
  ASSERT_EQ(w, image.Width());
  ASSERT_EQ(h, image.Height());
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      ASSERT_EQ(colors[size_t(y) * size_t(w) + size_t(x)], image.GetRGBPixel(x, y)) << x << "," << y;
}

std::vector<RoundTripCase> LibtiffCases() {
  std::vector<RoundTripCase> cases;
  for (TFormat f : {fBlackWhite, fGray16, fPalette16, fGray256, fPalette256, fTrueColor})
    for (int compression : {1, 32773})
      for (int order : {0, 1})
        for (bool variant : {false, true})
          cases.push_back({f, 301, 70, compression, order, false, variant});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Formats, TiffLibtiffTest, ::testing::ValuesIn(LibtiffCases()),
                         [](const auto& info) {
                           const RoundTripCase& c = info.param;
                           return "f" + std::to_string(c.format) + "_c" + std::to_string(c.compression) + "_o" +
                                  std::to_string(c.byteOrder) + (c.cmyk ? "_cmyk" : "") + (c.whiteIsZero ? "_wiz" : "");
                         });

TEST(TiffWriterTest, LibtiffFindsTheSamePixelsInOurCmykFile) {
  if (!HaveTool("tiffcp") || !HaveTool("tiffcmp")) GTEST_SKIP() << "tiffcp/tiffcmp (libtiff-tools) not installed";
  // libtiff re-encodes our PackBits CMYK file uncompressed; both must hold the same samples.
  TPixelGraphic image;
  MakeImage(fTrueColor, 301, 70, image);
  TCodecSettings s;
  s.TIFFWriteCMYK = true;
  s.TIFFWriteCompression = kTiffCompressionPackBits;
  test::TTempDir dir;
  test::WriteFileBytes(dir.file("p.tif"), Write(image, s));
  s.TIFFWriteCompression = 1;
  test::WriteFileBytes(dir.file("u.tif"), Write(image, s));
  ASSERT_EQ(std::system(("tiffcp -c none '" + dir.file("p.tif") + "' '" + dir.file("c.tif") + "' 2>/dev/null").c_str()), 0);
  EXPECT_EQ(std::system(("tiffcmp -t '" + dir.file("u.tif") + "' '" + dir.file("c.tif") + "' >/dev/null").c_str()), 0);
  TPixelGraphic back;
  Read(test::ReadFileBytes(dir.file("c.tif")), back);
  EXPECT_TRUE(test::SamePixels(image, back));
}

}  // namespace
}  // namespace lumora
