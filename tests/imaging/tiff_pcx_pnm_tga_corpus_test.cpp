// Conformance: the TIFF, PCX, PBM/PGM/PPM and TGA files of the corpus decode at the
// depth its manifest gives, or are refused with the message it names; files that show
// the same picture in another encoding, byte order or origin decode identically.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
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

namespace fs = std::filesystem;

struct TManifestRow {
  std::string file, format, expectation;
};

std::vector<TManifestRow> ManifestRows() {
  std::vector<TManifestRow> rows;
  const fs::path dir = test::CorpusDir();
  if (dir.empty()) return rows;
  std::ifstream in(dir / "MANIFEST.tsv");
  std::string line;
  std::getline(in, line);  // column names
  while (std::getline(in, line)) {
    std::vector<std::string> cols;
    std::stringstream ss(line);
    std::string col;
    while (std::getline(ss, col, '\t')) cols.push_back(col);
    if (cols.size() < 4) continue;
    if (cols[1] == "tiff" || cols[1] == "pcx" || cols[1] == "pnm" || cols[1] == "tga") {
      rows.push_back({cols[0], cols[1], cols[3]});
    }
  }
  return rows;
}

// Where this library mends a fault of the plain rules, the file's verdict differs
// from the manifest: a missing Compression tag means "uncompressed" here.
std::string ExpectationHere(const TManifestRow& row) {
  if (row.file == "tiff/go-x-image/no_compress.tiff") return "decode 24-bit";
  return row.expectation;
}

TFileFormatReader& ReaderFor(const TManifestRow& row) {
  std::string ext = row.format == "tiff" ? "tif" : row.format;
  if (row.format == "pnm") ext = "ppm";  // one class reads all six variants
  for (const auto& r : FileFormatReaders())
    if (r->Extension == ext) return *r;
  throw std::runtime_error("no reader for " + ext);
}

void ReadWith(TFileFormatReader& reader, const fs::path& file, TPixelGraphic& image) {
  const std::vector<std::uint8_t> bytes = test::ReadFileBytes(file.string());
  TMemoryStream stream(bytes.data(), bytes.size());
  image.ReadWarningAction = pgwaRaise;
  reader.ReadImage(stream, image, 0);
}

TEST(CodecCorpusTest, EveryFileGivesItsVerdict) {
  const fs::path dir = test::CorpusDir();
  if (dir.empty()) GTEST_SKIP() << "conformance corpus not found (set LUMORA_CORPUS)";
  const std::vector<TManifestRow> rows = ManifestRows();
  ASSERT_GT(rows.size(), 200u);
  int decoded = 0, refused = 0;
  for (const TManifestRow& row : rows) {
    SCOPED_TRACE(row.file);
    const std::string expectation = ExpectationHere(row);
    const fs::path file = dir / row.file;
    const std::vector<std::uint8_t> bytes = test::ReadFileBytes(file.string());
    if (expectation.rfind("not recognised", 0) == 0) {
      std::uint8_t header[17] = {};
      std::copy_n(bytes.begin(), std::min<size_t>(17, bytes.size()), header);
      EXPECT_FALSE(ReaderFor(row).IsFormat(header));
      continue;
    }
    TPixelGraphic image;
    std::string error;
    try {
      ReadWith(ReaderFor(row), file, image);
    } catch (const EPixelGraphic& e) {
      error = e.what();
    }
    if (expectation.rfind("decode ", 0) == 0) {
      const int bits = std::stoi(expectation.substr(7));
      EXPECT_EQ(error, "");
      EXPECT_EQ(image.BitCount(), bits);
      EXPECT_GT(image.Width(), 0);
      ++decoded;
    } else if (expectation.rfind("refuse: ", 0) == 0) {
      std::string message = expectation.substr(8);
      if (const size_t note = message.find(" ("); note != std::string::npos) message.resize(note);
      if (message.find("message 34") != std::string::npos) message = "PBM, PGM, PPM: Not a PBM, PGM, PPM file";
      EXPECT_EQ(error, message);
      ++refused;
    } else {
      ADD_FAILURE() << "unknown expectation " << expectation;
    }
  }
  EXPECT_GT(decoded, 80);
  EXPECT_GT(refused, 50);
}

// Reads a corpus file through the registry, as the program opens it.
bool LoadCorpus(const std::string& name, TPixelGraphic& image) {
  const fs::path file = test::CorpusDir() / name;
  if (!fs::exists(file)) {
    ADD_FAILURE() << "missing " << name;
    return false;
  }
  image.ReadWarningAction = pgwaRaise;
  image.LoadFromFile(file.string());
  return true;
}

// Same size and the same colour at every pixel.
void ExpectSamePicture(const TPixelGraphic& a, const TPixelGraphic& b) {
  ASSERT_EQ(a.Width(), b.Width());
  ASSERT_EQ(a.Height(), b.Height());
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x) ASSERT_EQ(a.GetRGBPixel(x, y), b.GetRGBPixel(x, y)) << x << "," << y;
}

struct PairCase {
  const char* a;
  const char* b;
};

class CodecCorpusPairTest : public ::testing::TestWithParam<PairCase> {};

TEST_P(CodecCorpusPairTest, ShowTheSamePicture) {
  if (test::CorpusDir().empty()) GTEST_SKIP() << "conformance corpus not found (set LUMORA_CORPUS)";
  TPixelGraphic a, b;
  if (!LoadCorpus(GetParam().a, a) || !LoadCorpus(GetParam().b, b)) return;
  ExpectSamePicture(a, b);
}

const PairCase kPairs[] = {
    // TIFF: the suites' own decodes, big-endian twins, strips, PackBits.
    {"tiff/libtiff-test-images/minisblack-1c-8b.tiff", "tiff/libtiff-test-images/minisblack-1c-8b.pgm"},
    {"tiff/libtiff-test-images/miniswhite-1c-1b.tiff", "tiff/libtiff-test-images/miniswhite-1c-1b.pbm"},
    {"tiff/libtiff-test-images/rgb-3c-8b.tiff", "tiff/libtiff-test-images/rgb-3c-8b.ppm"},
    {"tiff/image-tiff/minisblack-1c-8b.tiff", "tiff/libtiff-test-images/minisblack-1c-8b.tiff"},
    {"tiff/image-tiff/miniswhite-1c-1b.tiff", "tiff/libtiff-test-images/miniswhite-1c-1b.tiff"},
    {"tiff/image-tiff/palette-1c-1b.tiff", "tiff/libtiff-test-images/palette-1c-1b.tiff"},
    {"tiff/image-tiff/palette-1c-4b.tiff", "tiff/libtiff-test-images/palette-1c-4b.tiff"},
    {"tiff/image-tiff/palette-1c-8b.tiff", "tiff/libtiff-test-images/palette-1c-8b.tiff"},
    {"tiff/image-tiff/rgb-3c-8b.tiff", "tiff/libtiff-test-images/rgb-3c-8b.tiff"},
    {"tiff/image-tiff/seq/seq-1c-8b-bigendian-20f3db0c.tiff", "tiff/image-tiff/seq/seq-1c-8b-multistrip-20f3db0c.tiff"},
    {"tiff/image-tiff/seq/seq-1c-8b-bigendian-20f3db0c.tiff", "tiff/image-tiff/seq/seq-1c-8b-packbits-20f3db0c.tiff"},
    {"tiff/image-tiff/seq/seq-3c-8b-bigendian-8743c999.tiff", "tiff/image-tiff/seq/seq-3c-8b-multistrip-8743c999.tiff"},
    {"tiff/image-tiff/seq/seq-4c-8b-rgba-50969cda.tiff", "tiff/image-tiff/seq/seq-4c-8b-rgba-unassoc-50969cda.tiff"},
    {"tiff/go-x-image/bw-uncompressed.tiff", "tiff/go-x-image/bw-packbits.tiff"},
    // TGA: every origin and both encodings of one picture.
    {"tga/pillow-common/200x32_rgb_bl_raw.tga", "tga/pillow-common/200x32_rgb_bl_rle.tga"},
    {"tga/pillow-common/200x32_rgb_bl_raw.tga", "tga/pillow-common/200x32_rgb_tl_raw.tga"},
    {"tga/pillow-common/200x32_rgb_bl_raw.tga", "tga/pillow-common/200x32_rgb_tl_rle.tga"},
    {"tga/pillow-common/200x32_rgba_bl_raw.tga", "tga/pillow-common/200x32_rgba_tl_rle.tga"},
    {"tga/pillow-common/200x32_rgba_bl_rle.tga", "tga/pillow-common/200x32_rgba_tl_raw.tga"},
    {"tga/pillow-common/200x32_l_bl_raw.tga", "tga/pillow-common/200x32_l_tl_rle.tga"},
    {"tga/pillow-common/200x32_l_bl_rle.tga", "tga/pillow-common/200x32_l_tl_raw.tga"},
    {"tga/pillow-common/200x32_la_bl_raw.tga", "tga/pillow-common/200x32_la_tl_rle.tga"},
    {"tga/pillow-common/200x32_p_bl_raw.tga", "tga/pillow-common/200x32_p_tl_rle.tga"},
    {"tga/pillow-common/200x32_p_bl_rle.tga", "tga/pillow-common/200x32_p_tl_raw.tga"},
    {"tga/pillow-common/1x1_l_bl_raw.tga", "tga/pillow-common/1x1_l_tl_rle.tga"},
    {"tga/truevision-conformance/ubw8.tga", "tga/truevision-conformance/cbw8.tga"},
    {"tga/truevision-conformance/ucm8.tga", "tga/truevision-conformance/ccm8.tga"},
    {"tga/truevision-conformance/utc16.tga", "tga/truevision-conformance/ctc16.tga"},
    {"tga/truevision-conformance/utc24.tga", "tga/truevision-conformance/ctc24.tga"},
    {"tga/truevision-conformance/utc32.tga", "tga/truevision-conformance/ctc32.tga"},
    {"tga/truevision-conformance/utc24.tga", "tga/truevision-conformance/utc32.tga"},
    // PBM/PGM/PPM: plain and binary forms of one picture.
    {"pnm/zigimg/pbm_ascii.pbm", "pnm/zigimg/pbm_binary.pbm"},
    {"pnm/zigimg/pgm_ascii_grayscale8.pgm", "pnm/zigimg/pgm_binary_grayscale8.pgm"},
    {"pnm/zigimg/ppm_ascii_rgb24.ppm", "pnm/zigimg/ppm_binary_rgb24.ppm"},
    {"pnm/pillow/hopper_1bit_plain.pbm", "pnm/pillow/hopper_1bit.pbm"},
    {"pnm/pillow/hopper_8bit_plain.pgm", "pnm/pillow/hopper_8bit.pgm"},
    {"pnm/pillow/hopper_8bit_plain.ppm", "pnm/pillow/hopper_8bit.ppm"},
};

INSTANTIATE_TEST_SUITE_P(Corpus, CodecCorpusPairTest, ::testing::ValuesIn(kPairs));

TEST(CodecCorpusTest, CmykFileIsCloseToItsRgbTwin) {
  if (test::CorpusDir().empty()) GTEST_SKIP() << "conformance corpus not found (set LUMORA_CORPUS)";
  // The twin was made with the multiplicative CMYK rule; the subtractive rule used here
  // differs by about 18 levels on average, a swapped channel by about 70.
  TPixelGraphic cmyk, rgb;
  if (!LoadCorpus("tiff/image-tiff/cmyk-3c-8b.tiff", cmyk) || !LoadCorpus("tiff/libtiff-test-images/rgb-3c-8b.ppm", rgb))
    return;
  ASSERT_EQ(cmyk.Width(), rgb.Width());
  ASSERT_EQ(cmyk.Height(), rgb.Height());
  double sum = 0;
  for (int y = 0; y < rgb.Height(); ++y)
    for (int x = 0; x < rgb.Width(); ++x) {
      const TColor a = cmyk.GetPixel(x, y), b = rgb.GetPixel(x, y);
      sum += std::abs(GetRValue(a) - GetRValue(b)) + std::abs(GetGValue(a) - GetGValue(b)) +
             std::abs(GetBValue(a) - GetBValue(b));
    }
  const double mean = sum / (3.0 * rgb.Width() * rgb.Height());
  EXPECT_LT(mean, 30.0);
}

TEST(CodecCorpusTest, LoopingDirectoryChainsEndWhenCounted) {
  if (test::CorpusDir().empty()) GTEST_SKIP() << "conformance corpus not found (set LUMORA_CORPUS)";
  TCodecSettings s = CodecSettings();
  s.TIFFCountImages = true;
  TScopedCodecSettings scoped(s);
  // The counts libtiff reports for the same chains.
  const std::pair<const char*, int> chains[] = {{"test_ifd_loop_to_first.tif", 2},
                                                {"test_ifd_loop_to_self.tif", 1},
                                                {"test_ifd_loop_subifd.tif", 5},
                                                {"test_two_ifds.tif", 2}};
  for (const auto& [name, count] : chains) {
    TFileInfo info;
    ASSERT_TRUE(GetFileInfo((test::CorpusDir() / "tiff/libtiff-test-images" / name).string(), 0, info)) << name;
    EXPECT_EQ(info.Info.ImageCount, count) << name;
  }
  TFileInfo two;
  ASSERT_TRUE(GetFileInfo((test::CorpusDir() / "tiff/libtiff-test-images/test_two_ifds.tif").string(), 0, two));
  EXPECT_EQ(two.Info.ImageCount, 2);
  TPixelGraphic second;
  second.LoadFromFileEx((test::CorpusDir() / "tiff/libtiff-test-images/test_two_ifds.tif").string(), 1);
  EXPECT_EQ(second.Width(), 1);
}

}  // namespace
}  // namespace lumora
