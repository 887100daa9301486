// The registry's GIF reader: image choice by index, pixel formats by table bits,
// interlace, information texts, and damaged or hostile files.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "imaging/core/exceptions.h"
#include "imaging/core/registry.h"
#include "imaging/core/size_limits.h"
#include "imaging/core/stream.h"
#include "tests/imaging/gif_test_util.h"
#include "tests/support/test_support.h"

namespace lumora {
namespace {

using test::TGIFBuilder;

std::vector<std::uint8_t> Ramp(int width, int height, int colors) {
  std::vector<std::uint8_t> v(size_t(width) * size_t(height));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) v[size_t(y * width + x)] = std::uint8_t((x + 3 * y) % colors);
  }
  return v;
}

std::vector<std::uint32_t> Palette(int count) {
  std::vector<std::uint32_t> p;
  for (int i = 0; i < count; ++i) p.push_back(std::uint32_t((i * 37) << 16 | (255 - i) << 8 | (i * 11 & 0xFF)));
  return p;
}

void Load(TPixelGraphic& image, const std::vector<std::uint8_t>& bytes, int index = 0) {
  TMemoryStream stream(bytes.data(), bytes.size());
  image.LoadFromStreamEx(stream, "gif", index);
}

TImageInfo Info(const std::vector<std::uint8_t>& bytes, int index = 0) {
  TMemoryStream stream(bytes.data(), bytes.size());
  TFileFormatReader* reader = FindReader(stream, "gif");
  EXPECT_NE(reader, nullptr);
  TImageInfo info;
  if (reader) reader->GetImageInfo(stream, index, info);
  return info;
}

std::string LoadError(const std::vector<std::uint8_t>& bytes, int index = 0) {
  TPixelGraphic image;
  try {
    Load(image, bytes, index);
  } catch (const EPixelGraphic& e) {
    return e.what();
  }
  return "";
}

std::vector<std::uint8_t> ThreeFrames() {
  return TGIFBuilder(20, 10, Palette(4))
      .Loop(0)
      .Control(1, 10)
      .Image(0, 0, 20, 10, Ramp(20, 10, 4))
      .Control(2, 20)
      .Image(2, 1, 5, 4, Ramp(5, 4, 2), Palette(2))
      .Control(0, 30)
      .Image(3, 3, 7, 6, Ramp(7, 6, 16), Palette(16))
      .Bytes();
}

TEST(GIFReader, ThreeFramesAreCountedAndIndexTwoLoadsTheThirdAtItsOwnSize) {
  const auto bytes = ThreeFrames();
  EXPECT_EQ(Info(bytes).ImageCount, 3);
  TPixelGraphic image;
  Load(image, bytes, 2);
  EXPECT_EQ(image.Width(), 7);
  EXPECT_EQ(image.Height(), 6);
  EXPECT_EQ(image.BitCount(), 4);
  const auto ramp = Ramp(7, 6, 16);
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 7; ++x) EXPECT_EQ(image.GetPixel(x, y), ramp[size_t(y * 7 + x)]) << x << "," << y;
  }
  EXPECT_EQ(image.PaletteColor(5), RGBColor(5 * 37 & 0xFF, 250, 55));
}

struct TFormatCase {
  int tableColors;
  int bitCount;
  int paletteCount;
};

class GIFReaderFormat : public ::testing::TestWithParam<TFormatCase> {};

TEST_P(GIFReaderFormat, TableBitsChooseTheFormatAndThePaletteSize) {
  const TFormatCase c = GetParam();
  const int colors = std::min(c.tableColors, 256);
  const auto indices = Ramp(13, 5, colors);
  const auto bytes = TGIFBuilder(13, 5, Palette(c.tableColors)).Image(0, 0, 13, 5, indices).Bytes();
  TPixelGraphic image;
  Load(image, bytes);
  EXPECT_EQ(image.BitCount(), c.bitCount);
  EXPECT_EQ(image.PaletteCount(), c.paletteCount);
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 13; ++x) ASSERT_EQ(image.GetPixel(x, y), indices[size_t(y * 13 + x)]);
  }
  const TImageInfo info = Info(bytes);
  EXPECT_EQ(info.BitCount, TGIFBuilder::TableBits(c.tableColors));
  EXPECT_EQ(info.ColorsText, std::to_string(c.paletteCount));
}

INSTANTIATE_TEST_SUITE_P(Tables, GIFReaderFormat,
                         ::testing::Values(TFormatCase{2, 1, 2}, TFormatCase{4, 4, 4}, TFormatCase{16, 4, 16},
                                           TFormatCase{32, 8, 32}, TFormatCase{256, 8, 256}));

TEST(GIFReader, InterlacedImageLandsOnTheRightRows) {
  std::vector<std::uint8_t> rows(4 * 10);
  for (int y = 0; y < 10; ++y) std::fill_n(rows.begin() + y * 4, 4, std::uint8_t(y));
  const auto bytes = TGIFBuilder(4, 10, Palette(16)).Image(0, 0, 4, 10, rows, {}, true).Bytes();
  TPixelGraphic image;
  std::vector<int> steps;
  image.OnProgress = [&](TPixelGraphic&, int step, int max, bool&) {
    steps.push_back(step);
    EXPECT_EQ(max, 9);
  };
  Load(image, bytes);
  for (int y = 0; y < 10; ++y) EXPECT_EQ(image.GetPixel(2, y), std::uint32_t(y));
  EXPECT_EQ(steps, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  EXPECT_EQ(Info(bytes).ExtraText, "Interlaced");
}

TEST(GIFReader, InformationTexts) {
  const auto bytes87 = TGIFBuilder(3, 2, Palette(8), "87a").Image(0, 0, 3, 2, Ramp(3, 2, 8)).Bytes();
  const TImageInfo info = Info(bytes87);
  EXPECT_EQ(info.Width, 3);
  EXPECT_EQ(info.Height, 2);
  EXPECT_EQ(info.BitCount, 3);
  EXPECT_EQ(info.ColorsText, "8");
  EXPECT_EQ(info.ImageCount, 1);
  EXPECT_EQ(info.InfoText, "87a");
  EXPECT_EQ(info.ExtraText, "Non-interlaced");
  EXPECT_EQ(Info(ThreeFrames()).InfoText, "89a");
  // The local table of the requested image decides its bits.
  EXPECT_EQ(Info(ThreeFrames(), 1).BitCount, 1);
  EXPECT_EQ(Info(ThreeFrames(), 1).Width, 5);
}

TEST(GIFReader, AbortStopsDecodingAndKeepsWhatWasDecoded) {
  const auto bytes = TGIFBuilder(8, 8, Palette(4)).Image(0, 0, 8, 8, std::vector<std::uint8_t>(64, 3)).Bytes();
  TPixelGraphic image;
  image.OnProgress = [](TPixelGraphic&, int step, int, bool& abort) { abort = step >= 2; };
  Load(image, bytes);
  EXPECT_EQ(image.GetPixel(0, 1), 3u);
  EXPECT_EQ(image.GetPixel(0, 2), 0u);
}

TEST(GIFReader, DataCutInsideTheFrameKeepsThePartialPicture) {
  auto bytes = TGIFBuilder(40, 40, Palette(4)).Image(0, 0, 40, 40, Ramp(40, 40, 4)).Bytes(false);
  bytes.erase(bytes.end() - 30, bytes.end());
  TPixelGraphic image;
  Load(image, bytes);
  EXPECT_EQ(image.Width(), 40);
  EXPECT_EQ(image.GetPixel(1, 0), 1u);
  EXPECT_EQ(image.GetPixel(39, 39), 0u);
}

struct TErrorCase {
  const char* name;
  std::vector<std::uint8_t> bytes;
  int index;
  const char* message;
};

std::vector<TErrorCase> ErrorCases() {
  const auto good = TGIFBuilder(4, 4, Palette(4)).Image(0, 0, 4, 4, Ramp(4, 4, 4)).Bytes();
  std::vector<std::uint8_t> cutHeader(good.begin(), good.begin() + 11);
  std::vector<std::uint8_t> cutTable(good.begin(), good.begin() + 16);
  std::vector<std::uint8_t> noData(good.begin(), good.begin() + 13 + 12 + 10);
  return {
      {"not a GIF", {'G', 'I', 'X', '8', '9', 'a', 0, 0, 0, 0, 0, 0, 0, 0}, 0, "Unknown file format"},
      {"cut inside the screen descriptor", cutHeader, 0, "Not a proper GIF file"},
      {"cut inside the global table", cutTable, 0, "Not a proper GIF file"},
      {"index beyond the images", ThreeFrames(), 3, "Index out of bounds"},
      {"negative index", ThreeFrames(), -1, "Index out of bounds"},
      {"no image at all", TGIFBuilder(4, 4, Palette(4)).Bytes(), 0, "Index out of bounds"},
      {"zero-width image", TGIFBuilder(4, 4, Palette(4)).Descriptor(0, 0, 0, 4).Raw({2, 0}).Bytes(), 0,
       "GIF: Width = 0 or Height = 0"},
      {"no image data", noData, 0, "GIF: Unexpected end of file"},
      {"minimum code size 12", TGIFBuilder(4, 4, Palette(4)).Descriptor(0, 0, 4, 4).Raw({12, 2, 0xFF, 0xFF, 0}).Bytes(),
       0, "GIF: LZW code size invalid"},
      {"minimum code size 0", TGIFBuilder(4, 4, Palette(4)).Descriptor(0, 0, 4, 4).Raw({0, 2, 0xFF, 0xFF, 0}).Bytes(),
       0, "GIF: LZW code size invalid"},
      {"invalid first code", TGIFBuilder(2, 2, Palette(2)).Descriptor(0, 0, 2, 2).Raw(test::PackLZWCodes(2, {{4, 3}, {7, 3}})).Bytes(),
       0, "GIF: Image data invalid"},
      {"huge image from a tiny file",
       TGIFBuilder(100, 100, Palette(2)).Descriptor(0, 0, 65535, 65535).Raw(test::PackLZWCodes(2, {{4, 3}, {1, 3}})).Bytes(),
       0, "GIF: Unexpected end of file"},
      {"unknown extension ends the file",
       TGIFBuilder(1, 1, Palette(2)).Extension(0x42, {1, 2, 3}).Image(0, 0, 1, 1, {1}).Bytes(), 0,
       "Index out of bounds"},
  };
}

class GIFReaderError : public ::testing::TestWithParam<TErrorCase> {};

TEST_P(GIFReaderError, RaisesTheReadersMessage) {
  const TErrorCase& c = GetParam();
  EXPECT_EQ(LoadError(c.bytes, c.index), c.message);
}

INSTANTIATE_TEST_SUITE_P(Files, GIFReaderError, ::testing::ValuesIn(ErrorCases()), [](const auto& info) {
  std::string name = info.param.name;
  for (char& ch : name) if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return name;
});

TEST(GIFReader, InfoOfBrokenFilesRaisesItsMessages) {
  const auto good = TGIFBuilder(4, 4, Palette(4)).Image(0, 0, 4, 4, Ramp(4, 4, 4)).Bytes();
  TGIFBuilder notGif(1, 1);
  auto bytes = notGif.Bytes();
  bytes[0] = 'X';
  std::vector<std::uint8_t> cut(good.begin(), good.begin() + 8);
  for (const auto& [data, index, message] :
       std::vector<std::tuple<std::vector<std::uint8_t>, int, std::string>>{
           {cut, 0, "Not a proper GIF file"}, {good, 1, "Index out of bounds"}}) {
    TMemoryStream stream(data.data(), data.size());
    TFileFormatReader* reader = nullptr;
    for (const auto& r : FileFormatReaders()) {
      if (r->Extension == "gif") reader = r.get();
    }
    ASSERT_NE(reader, nullptr);
    TImageInfo info;
    try {
      reader->GetImageInfo(stream, index, info);
      ADD_FAILURE() << "no exception for " << message;
    } catch (const EPixelGraphic& e) {
      EXPECT_EQ(std::string(e.what()), message);
    }
  }
}

TEST(GIFReader, EveryTruncationEitherLoadsOrRaises) {
  const auto bytes = ThreeFrames();
  for (size_t n = 0; n < bytes.size(); ++n) {
    std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + std::ptrdiff_t(n));
    for (int index = 0; index < 3; ++index) {
      TPixelGraphic image;
      try {
        Load(image, cut, index);
        EXPECT_FALSE(image.GetEmpty()) << n << " " << index;
      } catch (const EPixelGraphic&) {
      }
    }
  }
}

// ---- Conformance corpus ----

std::vector<std::vector<std::string>> ManifestRows(const std::string& format) {
  std::vector<std::vector<std::string>> rows;
  std::ifstream in(test::CorpusDir() / "MANIFEST.tsv");
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> cols;
    std::stringstream ss(line);
    std::string col;
    while (std::getline(ss, col, '\t')) cols.push_back(col);
    if (cols.size() >= 4 && cols[1] == format) rows.push_back(cols);
  }
  return rows;
}

TEST(GIFReaderCorpus, EveryFileLoadsOrRaisesAndImageCountsMatchTheManifest) {
  if (test::CorpusDir().empty()) GTEST_SKIP() << "conformance corpus not found";
  const auto rows = ManifestRows("gif");
  ASSERT_GT(rows.size(), 90u);
  int decoded = 0;
  for (const auto& row : rows) {
    const std::string path = (test::CorpusDir() / row[0]).string();
    // header_facts: "89a images=N [WxH/Bbit ...]"
    const std::string& facts = row[4];
    const size_t at = facts.find("images=");
    ASSERT_NE(at, std::string::npos) << row[0];
    const int images = std::stoi(facts.substr(at + 7));
    TFileInfo info;
    const bool known = GetFileInfo(path, 0, info);
    const bool unknownExtension = row[0].find("unknown-extension") != std::string::npos;
    // The zero-size images of the suite end inside their local colour table.
    const bool zeroSize = facts.find("[0x") != std::string::npos || facts.find("x0/") != std::string::npos;
    if (images > 0 && !unknownExtension && !zeroSize) {
      EXPECT_TRUE(known) << row[0];
      EXPECT_EQ(info.Info.ImageCount, images) << row[0];
    }
    for (int index = 0; index < std::min(images, 3); ++index) {
      TPixelGraphic image;
      try {
        image.LoadFromFileEx(path, index);
        EXPECT_FALSE(image.GetEmpty()) << row[0];
        ++decoded;
      } catch (const EPixelGraphic&) {
      }
    }
  }
  EXPECT_GT(decoded, 80);
}

// Frame pictures of the single-image files, compared with the suite's RGBA pixels
// where the image covers the whole screen.
TEST(GIFReaderCorpus, SingleImagesMatchTheSuitesPixels) {
  if (test::CorpusDir().empty()) GTEST_SKIP() << "conformance corpus not found";
  const auto dir = test::CorpusDir() / "gif" / "pygif-test-suite";
  const char* names[] = {"depth1", "depth2", "depth4", "depth8", "four-colors", "interlace", "255-codes",
                         "4095-codes", "4095-codes-clear", "large-codes", "max-codes", "many-clears",
                         "double-clears", "all-reds", "all-greens", "all-blues", "gif87a", "comment",
                         "local-color-table", "extra-pixels", "no-eoi", "no-clear"};
  for (const char* name : names) {
    std::ifstream conf(dir / (std::string(name) + ".conf"));
    std::string line, rgbaName;
    int width = 0, height = 0;
    while (std::getline(conf, line)) {
      if (line.rfind("width = ", 0) == 0) width = std::stoi(line.substr(8));
      if (line.rfind("height = ", 0) == 0) height = std::stoi(line.substr(9));
      if (line.rfind("pixels = ", 0) == 0) rgbaName = line.substr(9);
    }
    ASSERT_FALSE(rgbaName.empty()) << name;
    const auto rgba = test::ReadFileBytes((dir / rgbaName).string());
    ASSERT_EQ(rgba.size(), size_t(4 * width * height)) << name;
    TPixelGraphic image;
    image.LoadFromFile((dir / (std::string(name) + ".gif")).string());
    ASSERT_EQ(image.Width(), width) << name;
    ASSERT_EQ(image.Height(), height) << name;
    int wrong = 0;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const std::uint8_t* p = &rgba[size_t(4 * (y * width + x))];
        if (image.GetRGBPixel(x, y) != RGBColor(p[0], p[1], p[2])) ++wrong;
      }
    }
    EXPECT_EQ(wrong, 0) << name;
  }
}

}  // namespace
}  // namespace lumora
