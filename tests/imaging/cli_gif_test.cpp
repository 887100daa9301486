// lumora-cli with GIF and icon files: image counts, --index, and GIF output through
// the GIF writer with its interlace and transparency options.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "app/cli/cli.h"
#include "imaging/core/pixel_graphic.h"
#include "tests/imaging/gif_test_util.h"
#include "tests/support/test_support.h"

namespace lumora {
namespace {

struct TCliResult {
  int status;
  std::string out, err;
};

TCliResult RunCli(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int status = cli::Run(args, out, err);
  return {status, out.str(), err.str()};
}

class CliGIFTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::TGIFBuilder b(4, 4, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF});
    for (int i = 0; i < 3; ++i) b.Image(0, 0, 2 + i, 2, std::vector<std::uint8_t>(size_t(2 * (2 + i)), std::uint8_t(i + 1)));
    test::WriteFileBytes(dir_.file("three.gif"), b.Bytes());
  }
  test::TTempDir dir_;
};

TEST_F(CliGIFTest, InfoReportsTheImageCount) {
  const TCliResult r = RunCli({"info", dir_.file("three.gif")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("three.gif: GIF, 2x2x4 2 bit, 3, 89a, Non-interlaced, 3 images"), std::string::npos) << r.out;
}

TEST_F(CliGIFTest, IndexLoadsTheChosenImage) {
  for (int index : {0, 2}) {
    const std::string out = dir_.file("frame" + std::to_string(index) + ".gif");
    const TCliResult r = RunCli({"convert", dir_.file("three.gif"), out, "--index", std::to_string(index)});
    ASSERT_EQ(r.status, 0) << r.err;
    TPixelGraphic back;
    back.LoadFromFile(out);
    EXPECT_EQ(back.Width(), 2 + index);
    EXPECT_EQ(back.GetRGBPixel(0, 0), index == 0 ? RGBColor(0, 255, 0) : RGBColor(255, 255, 255));
  }
  const TCliResult beyond = RunCli({"convert", dir_.file("three.gif"), dir_.file("x.gif"), "--index", "3"});
  EXPECT_EQ(beyond.status, 1);
  EXPECT_NE(beyond.err.find("Index out of bounds"), std::string::npos);
  EXPECT_EQ(RunCli({"convert", dir_.file("three.gif"), dir_.file("x.gif"), "--index", "-1"}).status, 2);
  EXPECT_EQ(RunCli({"convert", dir_.file("three.gif"), dir_.file("x.gif"), "--index", "two"}).status, 2);
}

TEST_F(CliGIFTest, GIFOutputTakesInterlaceAndTransparency) {
  const std::string out = dir_.file("out.GIF");
  const TCliResult r = RunCli({"convert", dir_.file("three.gif"), out, "--index", "1", "--gif-interlaced",
                               "--gif-transparent", "0,0,255"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto bytes = test::ReadFileBytes(out);
  ASSERT_GT(bytes.size(), 40u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF89a");
  const size_t control = 13 + 3 * 2;  // one colour: a 2-entry table
  EXPECT_EQ(bytes[control + 3], 1);   // blue is present: transparent index 0
  EXPECT_EQ(bytes[control + 6], 0);
  EXPECT_EQ(bytes[control + 8 + 9], 0x40);
  for (const char* bad : {"1,2", "1,2,3,4", "1,2,256", "a,b,c", ""}) {
    EXPECT_EQ(RunCli({"convert", dir_.file("three.gif"), out, "--gif-transparent", bad}).status, 2) << bad;
  }
}

TEST_F(CliGIFTest, TooManyColoursFailWithTheWritersCode) {
  TPixelGraphic image;
  image.Allocate(300, 1, 3);
  for (int x = 0; x < 300; ++x) image.SetPixel(x, 0, RGBColor(x & 0xFF, x >> 8, 1));
  image.SaveToFile(dir_.file("many.bmp"));
  const TCliResult r = RunCli({"convert", dir_.file("many.bmp"), dir_.file("many.gif")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Error exporting GIF  (code 4)"), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(dir_.file("many.gif")));
}

}  // namespace
}  // namespace lumora
