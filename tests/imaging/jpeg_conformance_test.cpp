// JPEG decodes equal libjpeg-turbo's own decode with the same DCT method, byte for byte:
// camera files of the conformance corpus and generated files of every layout.
#include <gtest/gtest.h>

#include <filesystem>

#include "imaging/core/codec_settings.h"
#include "tests/imaging/jpeg_png_test_util.h"

namespace lumora {
namespace {

constexpr J_DCT_METHOD kMethods[] = {JDCT_ISLOW, JDCT_IFAST, JDCT_FLOAT};

// Decodes with the codec (warnings ignored) and compares with the reference decode.
void ExpectSameAsReference(const test::Bytes& file, const std::string& name) {
  for (int method = 0; method < 3; ++method) {
    SCOPED_TRACE(name + " method " + std::to_string(method));
    const test::JpegReference ref = test::DecodeJpegReference(file, kMethods[method]);
    TCodecSettings settings = CodecSettings();
    settings.JPEGReadDCTMethod = method;
    TScopedCodecSettings scoped(settings);
    TPixelGraphic image;
    image.ReadWarningAction = pgwaIgnore;
    TMemoryStream stream(file.data(), file.size());
    const std::string error = test::ErrorText([&] { test::ReaderFor("jpg").ReadImage(stream, image, 0); });
    if (!ref.error.empty()) {
      EXPECT_EQ(error, "JPG: " + ref.error);
      continue;
    }
    ASSERT_EQ(error, "");
    ASSERT_EQ(image.Width(), ref.width);
    ASSERT_EQ(image.Height(), ref.height);
    ASSERT_EQ(image.BitCountNum(), ref.components == 1 ? 2 : 3);
    ASSERT_TRUE(test::ImageSamples(image) == ref.samples);
  }
}

TEST(JpegConformanceTest, CorpusFilesEqualTheReferenceDecode) {
  const std::filesystem::path dir = test::CorpusDir() / "exif" / "exif-samples" / "jpg";
  if (test::CorpusDir().empty() || !std::filesystem::is_directory(dir))
    GTEST_SKIP() << "the EXIF samples of the conformance corpus are not present";
  int count = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
    if (entry.path().extension() != ".jpg") continue;
    ExpectSameAsReference(test::ReadFileBytes(entry.path().string()), entry.path().filename().string());
    ++count;
  }
  EXPECT_GT(count, 40);
}

struct LayoutCase {
  const char* name;
  int width, height, components;
  int h, v;  // sampling of the first component
  bool progressive;
  int restartRows;
};

class JpegLayoutTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(JpegLayoutTest, EqualsTheReferenceDecode) {
  const LayoutCase c = GetParam();
  test::JpegEncodeOptions o;
  o.hSampling = c.h;
  o.vSampling = c.v;
  o.progressive = c.progressive;
  o.restartRows = c.restartRows;
  const J_COLOR_SPACE space = c.components == 1 ? JCS_GRAYSCALE : JCS_RGB;
  ExpectSameAsReference(
      test::EncodeJpeg(c.width, c.height, c.components, space, test::PhotoLikeSamples(c.width, c.height, c.components), o),
      c.name);
}

INSTANTIATE_TEST_SUITE_P(Layouts, JpegLayoutTest,
                         ::testing::Values(LayoutCase{"Gray", 61, 37, 1, 1, 1, false, 0},
                                           LayoutCase{"Color444", 61, 37, 3, 1, 1, false, 0},
                                           LayoutCase{"Color422", 61, 37, 3, 2, 1, false, 0},
                                           LayoutCase{"Color420", 61, 37, 3, 2, 2, false, 0},
                                           LayoutCase{"Color440", 61, 37, 3, 1, 2, false, 0},
                                           LayoutCase{"Progressive", 61, 37, 3, 2, 2, true, 0},
                                           LayoutCase{"GrayProgressive", 33, 65, 1, 1, 1, true, 0},
                                           LayoutCase{"Restarts", 61, 37, 3, 2, 2, false, 1},
                                           LayoutCase{"OnePixel", 1, 1, 3, 2, 2, false, 0},
                                           LayoutCase{"OneRow", 300, 1, 3, 2, 2, true, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace lumora
