// lumora-cli convert with the JPEG options, and the gamma of PNG files on conversion.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "app/cli/cli.h"
#include "tests/imaging/jpeg_png_test_util.h"

namespace lumora {
namespace {

int RunCli(const std::vector<std::string>& args, std::string* err = nullptr) {
  std::ostringstream out, errors;
  const int status = cli::Run(args, out, errors);
  if (err) *err = errors.str();
  return status;
}

class JpegPngCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TPixelGraphic image;
    image.Allocate(64, 48, 3);
    test::FillRandom(image, 4);
    image.SaveToFile(dir_.file("in.bmp"));
  }
  TImageInfo Info(const std::string& name) {
    TFileInfo info;
    EXPECT_TRUE(GetFileInfo(dir_.file(name), 0, info));
    return info.Info;
  }
  test::TTempDir dir_;
};

TEST_F(JpegPngCliTest, QualityAndProgressive) {
  ASSERT_EQ(RunCli({"convert", dir_.file("in.bmp"), dir_.file("q10.jpg"), "--jpeg-quality", "10"}), 0);
  ASSERT_EQ(RunCli({"convert", dir_.file("in.bmp"), dir_.file("q95.jpg"), "--jpeg-quality", "95"}), 0);
  ASSERT_EQ(RunCli({"convert", dir_.file("in.bmp"), dir_.file("default.jpg")}), 0);
  const auto size = [&](const char* name) { return std::filesystem::file_size(dir_.file(name)); };
  EXPECT_LT(size("q10.jpg"), size("default.jpg"));
  EXPECT_LT(size("default.jpg"), size("q95.jpg"));
  EXPECT_EQ(Info("default.jpg").InfoText, "JFIF, YCbCr");

  ASSERT_EQ(RunCli({"convert", dir_.file("in.bmp"), dir_.file("p.jpg"), "--progressive", "--jpeg-quality", "95"}), 0);
  EXPECT_EQ(Info("p.jpg").InfoText, "JFIF, YCbCr, Progressive");
  // Same quality, same coefficients: only the scan layout differs.
  TPixelGraphic a, b;
  a.LoadFromFile(dir_.file("p.jpg"));
  b.LoadFromFile(dir_.file("q95.jpg"));
  EXPECT_TRUE(test::SamePixels(a, b));
}

TEST_F(JpegPngCliTest, BadQualityIsAUsageError) {
  for (const char* value : {"0", "101", "abc", "50x", "-5", ""}) {
    std::string err;
    EXPECT_EQ(RunCli({"convert", dir_.file("in.bmp"), dir_.file("x.jpg"), "--jpeg-quality", value}, &err), 2) << value;
    EXPECT_NE(err.find("--jpeg-quality"), std::string::npos);
  }
  EXPECT_EQ(RunCli({"convert", dir_.file("in.bmp"), dir_.file("x.jpg"), "--jpeg-quality"}), 2);
  EXPECT_FALSE(std::filesystem::exists(dir_.file("x.jpg")));
}

// A PNG with gAMA 1/2.2 loads darker by the exponent 2.2/1.8; without gamma correction it
// stays as stored.
TEST_F(JpegPngCliTest, GammaCorrectionOnConversion) {
  test::PngSpec s;
  s.width = 4;
  s.height = 1;
  s.colorType = PNG_COLOR_TYPE_GRAY;
  s.rows = {0, 64, 128, 255};
  s.gamma = 1 / 2.2;
  test::WriteFileBytes(dir_.file("g.png"), test::EncodePng(s));
  ASSERT_EQ(RunCli({"convert", dir_.file("g.png"), dir_.file("corrected.bmp")}), 0);
  ASSERT_EQ(RunCli({"convert", dir_.file("g.png"), dir_.file("stored.bmp"), "--no-gamma-correction"}), 0);
  TPixelGraphic corrected, stored;
  corrected.LoadFromFile(dir_.file("corrected.bmp"));
  stored.LoadFromFile(dir_.file("stored.bmp"));
  const double exponent = 2.2 / 1.8;
  for (int x = 0; x < 4; ++x) {
    const int v = s.rows[x];
    const int expected = int(std::nearbyint(255.0 * std::pow(v / 255.0, exponent)));
    EXPECT_EQ(GetRValue(corrected.GetRGBPixel(x, 0)), expected) << x;
    EXPECT_EQ(GetRValue(stored.GetRGBPixel(x, 0)), v) << x;
  }
  EXPECT_LT(GetRValue(corrected.GetRGBPixel(1, 0)), 64);
}

}  // namespace
}  // namespace lumora
