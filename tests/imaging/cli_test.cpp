#include "app/cli/cli.h"

#include <gtest/gtest.h>

#include <sstream>

#include "imaging/core/pixel_graphic.h"
#include "tests/support/test_support.h"

namespace lumora {
namespace {

struct CliResult {
  int status;
  std::string out, err;
};

CliResult RunCli(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int status = cli::Run(args, out, err);
  return {status, out.str(), err.str()};
}

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TPixelGraphic image;
    image.Allocate(4, 3, 3);
    image.SetPixel(1, 1, RGBColor(200, 100, 50));
    image.SaveToFile(dir_.file("in.bmp"));
  }
  test::TTempDir dir_;
};

TEST_F(CliTest, HelpAndUsageErrors) {
  const CliResult help = RunCli({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("convert IN OUT"), std::string::npos);
  EXPECT_EQ(RunCli({}).status, 2);
  EXPECT_EQ(RunCli({"frobnicate"}).status, 2);
  EXPECT_EQ(RunCli({"convert", dir_.file("in.bmp")}).status, 2);
  const CliResult bad = RunCli({"convert", dir_.file("in.bmp"), dir_.file("out.bmp"), "--bogus"});
  EXPECT_EQ(bad.status, 2);
  EXPECT_NE(bad.err.find("--bogus"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir_.file("out.bmp")));
}

TEST_F(CliTest, InfoDescribesKnownFilesAndFailsOnUnknownOnes) {
  test::WriteFileBytes(dir_.file("junk.bin"), {1, 2, 3});
  const CliResult r = RunCli({"info", dir_.file("in.bmp"), dir_.file("junk.bin")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("in.bmp: Bitmap, 4x3x16.7M 24 bit"), std::string::npos) << r.out;
  EXPECT_NE(r.err.find("junk.bin: Unknown file format"), std::string::npos) << r.err;
}

TEST_F(CliTest, ConvertCopiesThePicture) {
  const CliResult r = RunCli({"convert", dir_.file("in.bmp"), dir_.file("out.dib")});
  ASSERT_EQ(r.status, 0) << r.err;
  TPixelGraphic back;
  back.LoadFromFile(dir_.file("out.dib"));
  EXPECT_EQ(back.GetPixel(1, 1), RGBColor(200, 100, 50));
}

TEST_F(CliTest, ConvertReportsTheLibraryMessage) {
  test::WriteFileBytes(dir_.file("junk.bmp"), {'X'});
  const CliResult unknown = RunCli({"convert", dir_.file("junk.bmp"), dir_.file("out.bmp")});
  EXPECT_EQ(unknown.status, 1);
  EXPECT_EQ(unknown.err, "Unknown file format\n");
  const CliResult extension = RunCli({"convert", dir_.file("in.bmp"), dir_.file("out.xyz")});
  EXPECT_EQ(extension.status, 1);
  EXPECT_EQ(extension.err, "Unknown file extension \"xyz\"\n");
  EXPECT_FALSE(std::filesystem::exists(dir_.file("out.xyz")));
}

}  // namespace
}  // namespace lumora
