// Conformance: every BMP of the corpus is decoded and checked against the suite's
// reference rendering where one exists, and against the expected verdict (decode with
// a bit depth, refuse with a message, not recognised) otherwise.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "imaging/core/exceptions.h"
#include "imaging/core/pixel_graphic.h"
#include "tests/support/test_support.h"

namespace lumora {
namespace {

namespace fs = std::filesystem;

struct TManifestRow {
  std::string file, suiteSays, expectation, facts, reference;
};

std::vector<TManifestRow> ReadBmpRows(const fs::path& corpus) {
  std::ifstream in(corpus / "MANIFEST.tsv");
  std::vector<TManifestRow> rows;
  std::string line;
  std::getline(in, line);  // column names
  while (std::getline(in, line)) {
    std::vector<std::string> cells;
    std::stringstream ss(line);
    for (std::string cell; std::getline(ss, cell, '\t');) cells.push_back(cell);
    if (cells.size() < 6 || cells[1] != "bmp") continue;
    rows.push_back({cells[0], cells[2], cells[3], cells[4], cells[5]});
  }
  return rows;
}

// Where this reader's verdict differs from the manifest's, which follows the header
// rules alone: BITMAPV4/V5 headers are read as the 40-byte header plus masks, sizes are
// checked before allocating, a negative width is refused.
const std::map<std::string, std::string>& VerdictOverrides() {
  static const std::map<std::string, std::string> overrides = {
      {"bmp/bmpsuite/b/badwidth.bmp", "refuse: BMP: BitmapInfoHeader.biWidth invalid"},
      {"bmp/bmpsuite/b/reallybig.bmp", "refuse: BMP: Image size out of range"},
      {"bmp/bmpsuite/g/pal8v4.bmp", "decode 8-bit"},
      {"bmp/bmpsuite/g/pal8v5.bmp", "decode 8-bit"},
      {"bmp/bmpsuite/q/rgb24jpeg.bmp", "refuse: BMP: BitmapInfoHeader.biBitCount invalid"},
      {"bmp/bmpsuite/q/rgb24png.bmp", "refuse: BMP: BitmapInfoHeader.biBitCount invalid"},
      {"bmp/bmpsuite/q/rgb24lprof.bmp", "decode 24-bit"},
      {"bmp/bmpsuite/q/rgb24prof.bmp", "decode 24-bit"},
      {"bmp/bmpsuite/q/rgb24prof2.bmp", "decode 24-bit"},
      {"bmp/bmpsuite/q/rgb32-xbgr.bmp", "decode 24-bit"},
      {"bmp/bmpsuite/q/rgba16-1924.bmp", "decode 24-bit"},
      {"bmp/bmpsuite/q/rgba16-4444.bmp", "decode 24-bit"},
      {"bmp/bmpsuite/q/rgba16-5551.bmp", "decode 24-bit"},
      {"bmp/bmpsuite/q/rgba32-1.bmp", "decode 24-bit"},
      {"bmp/bmpsuite/q/rgba32-1010102.bmp", "decode 24-bit"},
      {"bmp/bmpsuite/q/rgba32-2.bmp", "decode 24-bit"},
      {"bmp/bmpsuite/q/rgba32-61754.bmp", "decode 24-bit"},
      {"bmp/bmpsuite/q/rgba32-81284.bmp", "decode 24-bit"},
      {"bmp/go-x-image/colormap.bmp", "decode 8-bit"},
      {"bmp/go-x-image/yellow_rose-small-v5.bmp", "decode 24-bit"},
      {"bmp/image-rs/V4_A8_R8_G8_B8.bmp", "decode 24-bit"},
      {"bmp/image-rs/V4_R5_G6_B5.bmp", "decode 24-bit"},
      {"bmp/image-rs/V5_A1_R5_G5_B5.bmp", "decode 24-bit"},
      {"bmp/image-rs/V5_A8_R8_G8_B8_Rgb.bmp", "decode 24-bit"},
      {"bmp/image-rs/imagemagick_invalid_run_length_issue_2321.bmp", "decode 8-bit"},
      {"bmp/image-rs/lenient/V5_A8_R8_G8_B8_Rgb_BadMask.bmp", "decode 24-bit"},
  };
  return overrides;
}

// The largest channel difference from the reference rendering. Components of fields
// narrower or wider than 8 bits are scaled by shifting (a 5-bit v reads 8v + 8 in 16-bit
// files); the references scale them to the full range, so those files differ by the
// amounts below, which pin our results down.
int ReferenceTolerance(const std::string& file) {
  static const std::map<std::string, int> tolerances = {
      {"bmp/bmpsuite/b/rgb16-880.bmp", 1},         {"bmp/bmpsuite/g/rgb16-565.bmp", 8},
      {"bmp/bmpsuite/g/rgb16-565pal.bmp", 8},      {"bmp/bmpsuite/g/rgb16.bmp", 8},
      {"bmp/bmpsuite/g/rgb16bfdef.bmp", 8},        {"bmp/bmpsuite/q/rgb16faketrns.bmp", 8},
      {"bmp/bmpsuite/q/rgb16-231.bmp", 43},        {"bmp/bmpsuite/q/rgb16-3103.bmp", 28},
      {"bmp/bmpsuite/q/rgb32-111110.bmp", 1},      {"bmp/bmpsuite/q/rgb32-7187.bmp", 73},
      {"bmp/bmpsuite/q/rgba16-1924.bmp", 43},      {"bmp/bmpsuite/q/rgba16-4444.bmp", 15},
      {"bmp/bmpsuite/q/rgba16-5551.bmp", 8},       {"bmp/bmpsuite/q/rgba32-1010102.bmp", 1},
      {"bmp/bmpsuite/q/rgba32-61754.bmp", 74},     {"bmp/bmpsuite/q/rgba32-81284.bmp", 73},
      {"bmp/image-rs/V4_R5_G6_B5.bmp", 8},         {"bmp/image-rs/V5_A1_R5_G5_B5.bmp", 8},
  };
  const auto it = tolerances.find(file);
  return it == tolerances.end() ? 0 : it->second;
}

// References that show something this reader does not do: the embedded colour profile
// of this file swaps the red and green channels back; profiles are not applied.
bool ReferenceNotComparable(const std::string& file) { return file == "bmp/bmpsuite/q/rgb24prof2.bmp"; }

struct TRGBA {
  int width = 0, height = 0;
  std::vector<std::uint8_t> pixels;  // RGBA rows, top first
};

bool ReadPNG(const fs::path& path, TRGBA& out) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = PNG_FORMAT_RGBA;
  out.width = int(image.width);
  out.height = int(image.height);
  out.pixels.assign(PNG_IMAGE_SIZE(image), 0);
  if (!png_image_finish_read(&image, nullptr, out.pixels.data(), 0, nullptr)) {
    png_image_free(&image);
    return false;
  }
  return true;
}

// The largest channel difference over the pixels the reference shows as opaque, or -1
// when the sizes differ.
int MaxDifference(const TPixelGraphic& image, const TRGBA& ref) {
  if (image.Width() != ref.width || image.Height() != ref.height) return -1;
  int worst = 0;
  for (int y = 0; y < ref.height; ++y) {
    for (int x = 0; x < ref.width; ++x) {
      const std::uint8_t* p = &ref.pixels[(size_t(y) * ref.width + x) * 4];
      if (p[3] == 0) continue;
      const TColor c = image.GetRGBPixel(x, y);
      worst = std::max({worst, std::abs(GetRValue(c) - p[0]), std::abs(GetGValue(c) - p[1]),
                        std::abs(GetBValue(c) - p[2])});
    }
  }
  return worst;
}

std::vector<std::string> Alternatives(const std::string& reference) {
  std::vector<std::string> out;
  size_t start = 0;
  while (true) {
    const size_t sep = reference.find(" or ", start);
    out.push_back(reference.substr(start, sep == std::string::npos ? std::string::npos : sep - start));
    if (sep == std::string::npos) return out;
    start = sep + 4;
  }
}

TEST(BmpConformance, EveryCorpusFileMeetsItsVerdict) {
  const fs::path corpus = test::CorpusDir();
  if (corpus.empty() || !fs::exists(corpus / "MANIFEST.tsv")) {
    GTEST_SKIP() << "conformance corpus not found (set LUMORA_CORPUS); BMP conformance not checked";
  }
  const std::vector<TManifestRow> rows = ReadBmpRows(corpus);
  ASSERT_FALSE(rows.empty());
  std::set<std::string> listed;
  for (const TManifestRow& row : rows) listed.insert(row.file);
  for (const auto& entry : fs::recursive_directory_iterator(corpus / "bmp")) {
    if (entry.path().extension() == ".bmp") {
      EXPECT_TRUE(listed.count(fs::relative(entry.path(), corpus).string())) << entry.path() << " has no verdict";
    }
  }
  int compared = 0;
  for (const TManifestRow& row : rows) {
    SCOPED_TRACE(row.file);
    const auto override = VerdictOverrides().find(row.file);
    const std::string expectation = override != VerdictOverrides().end() ? override->second : row.expectation;
    TPixelGraphic image;
    std::string refusal;
    bool unknown = false;
    try {
      image.LoadFromFile((corpus / row.file).string());
    } catch (const EPGUnknownFileFormat&) {
      unknown = true;
    } catch (const std::exception& e) {
      refusal = e.what();
    }
    if (expectation.rfind("not recognised", 0) == 0) {
      EXPECT_TRUE(unknown);
      continue;
    }
    if (unknown) {
      ADD_FAILURE() << "not recognised";
      continue;
    }
    if (expectation.rfind("refuse: ", 0) == 0) {
      EXPECT_EQ(refusal, expectation.substr(8));
      continue;
    }
    if (expectation.rfind("decode ", 0) != 0 || !refusal.empty()) {
      ADD_FAILURE() << "expected: " << expectation << ", got: " << refusal;
      continue;
    }
    const int bits = std::atoi(expectation.c_str() + 7);
    EXPECT_EQ(image.BitCount(), bits > 8 ? 24 : bits);

    std::string reference = row.reference;
    if (reference == "-") {
      fs::path beside = corpus / row.file;
      beside.replace_extension(".png");
      if (fs::exists(beside)) reference = fs::relative(beside, corpus).string();
    }
    if (reference == "-" || ReferenceNotComparable(row.file)) continue;
    int best = -1;
    std::string seen;
    for (const std::string& alternative : Alternatives(reference)) {
      TRGBA ref;
      if (!ReadPNG(corpus / alternative, ref)) continue;
      const int d = MaxDifference(image, ref);
      seen += " " + alternative + "=" + std::to_string(d);
      if (d >= 0 && (best < 0 || d < best)) best = d;
    }
    ++compared;
    EXPECT_GE(best, 0) << "no reference of the same size:" << seen;
    EXPECT_LE(best, ReferenceTolerance(row.file)) << seen;
  }
  std::printf("BMP conformance: %zu corpus files, %d compared with their reference rendering\n", rows.size(),
              compared);
}

}  // namespace
}  // namespace lumora
