// PngSuite: every valid file decodes and, with gamma correction off, equals libpng's own
// decode flattened the way the reader flattens it; every damaged file is refused.
#include <gtest/gtest.h>

#include <filesystem>

#include "imaging/core/codec_settings.h"
#include "imaging/core/exceptions.h"
#include "tests/imaging/jpeg_png_test_util.h"

namespace lumora {
namespace {

std::vector<std::string> SuiteFiles(bool damaged) {
  std::vector<std::string> files;
  const std::filesystem::path dir = test::CorpusDir() / "png" / "pngsuite";
  if (test::CorpusDir().empty() || !std::filesystem::is_directory(dir)) return files;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    if (entry.path().extension() != ".png") continue;
    if ((name[0] == 'x') == damaged) files.push_back(entry.path().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

// The colour the reader should give pixel (x, y): the expanded samples, 16-bit cut to
// the high byte, alpha (or tRNS) flattened against bKGD, or black without one.
TColor IntendedColor(const test::PngReference& ref, int x, int y) {
  const int n = ref.channels;
  const bool hasAlpha = n == 2 || n == 4;
  const int colorChannels = hasAlpha ? n - 1 : n;
  const std::uint16_t* p = ref.samples.data() + (std::size_t(y) * ref.width + x) * n;
  const bool palette = ref.colorType == PNG_COLOR_TYPE_PALETTE;
  int out[3];
  for (int k = 0; k < colorChannels; ++k) {
    int v = p[k];
    if (hasAlpha && !palette) {
      int bg = 0;
      if (ref.hasBackground) {
        const png_color_16& b = ref.background;
        bg = colorChannels == 1 ? b.gray : (k == 0 ? b.red : k == 1 ? b.green : b.blue);
      }
      v = test::CompositeSample(v, p[colorChannels], bg, ref.bitDepth);
    }
    out[k] = ref.bitDepth == 16 ? v >> 8 : v;
  }
  if (colorChannels == 1) return RGBColor(out[0], out[0], out[0]);
  return RGBColor(out[0], out[1], out[2]);
}

class PngSuiteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (SuiteFiles(false).empty()) GTEST_SKIP() << "PngSuite not found under the conformance corpus";
  }
};

TEST_F(PngSuiteTest, ValidFilesEqualTheIntendedPixels) {
  TCodecSettings settings = CodecSettings();
  settings.GammaCorrectionOnRead = false;
  TScopedCodecSettings scoped(settings);
  int checked = 0;
  for (const std::string& path : SuiteFiles(false)) {
    SCOPED_TRACE(path);
    const test::Bytes file = test::ReadFileBytes(path);
    test::PngReference ref = test::DecodePngReference(file);
    ASSERT_EQ(ref.error, "");
    TPixelGraphic image;
    image.ReadWarningAction = pgwaRaise;
    ASSERT_NO_THROW(image.LoadFromFile(path));
    ASSERT_EQ(image.Width(), ref.width);
    ASSERT_EQ(image.Height(), ref.height);

    // Gray files with tRNS and low depth: libpng expanded the samples to 8 bits and the
    // background with them; the reader replaced the transparent value in the file's depth.
    const bool lowGrayTrns = ref.colorType == PNG_COLOR_TYPE_GRAY && ref.channels == 2;
    if (lowGrayTrns && ref.hasBackground) {
      const int depth = file[24];
      if (depth < 8) ref.background.gray = std::uint16_t(ref.background.gray * 255 / ((1 << depth) - 1));
    }
    for (int y = 0; y < ref.height; ++y)
      for (int x = 0; x < ref.width; ++x) {
        TColor expected = IntendedColor(ref, x, y);
        ASSERT_EQ(image.GetRGBPixel(x, y), expected) << x << "," << y;
      }
    ++checked;
  }
  EXPECT_GT(checked, 150);
}

TEST_F(PngSuiteTest, FileGammaBecomesThePictureGamma) {
  TCodecSettings settings = CodecSettings();
  settings.GammaCorrectionOnRead = false;
  TScopedCodecSettings scoped(settings);
  struct Case {
    const char* name;
    double gamma;
  } cases[] = {{"g03n2c08.png", 1 / 0.35}, {"g10n2c08.png", 1.0}, {"g25n2c08.png", 1 / 2.5}, {"basn2c08.png", 1.0}};
  for (const Case& c : cases) {
    TPixelGraphic image;
    image.LoadFromFile((test::CorpusDir() / "png" / "pngsuite" / c.name).string());
    EXPECT_NEAR(image.Gamma, c.gamma, 1e-4) << c.name;
  }
}

TEST_F(PngSuiteTest, DamagedFilesAreRefused) {
  for (const std::string& path : SuiteFiles(true)) {
    SCOPED_TRACE(path);
    const test::Bytes file = test::ReadFileBytes(path);
    // The registry does not recognise a broken signature at all...
    TPixelGraphic image;
    TMemoryStream stream(file.data(), file.size());
    const std::string viaRegistry = test::ErrorText([&] { image.LoadFromStreamEx(stream, "png", 0); });
    EXPECT_TRUE(viaRegistry.rfind("PNG: ", 0) == 0 || viaRegistry == "Unknown file format") << viaRegistry;
    // ...and the PNG reader itself refuses every one of them with its own message.
    TMemoryStream direct(file.data(), file.size());
    TPixelGraphic image2;
    try {
      test::ReaderFor("png").ReadImage(direct, image2, 0);
      ADD_FAILURE() << "accepted";
    } catch (const EPGPNGFileFormatReaderWriter& e) {
      EXPECT_EQ(std::string(e.what()).rfind("PNG: ", 0), 0u) << e.what();
    }
  }
}

}  // namespace
}  // namespace lumora
