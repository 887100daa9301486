// The writer options of `lumora-cli convert` for TIFF and PBM/PGM/PPM.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/cli/cli.h"
#include "app/cli/cli_options.h"
#include "imaging/core/pixel_graphic.h"
#include "imaging/core/stream.h"
#include "tests/support/test_support.h"

namespace lumora {
namespace {

struct OptionCase {
  std::vector<std::string> args;
  int compression, byteOrder;
  bool cmyk, whiteIsZero, binary;
};

class TiffPnmOptionTest : public ::testing::TestWithParam<OptionCase> {};

TEST_P(TiffPnmOptionTest, SetsTheWriterSettings) {
  const OptionCase& c = GetParam();
  cli::TConvertOptions options;
  for (size_t i = 0; i < c.args.size(); ++i) ASSERT_TRUE(cli::ParseTIFFPNMOption(c.args, i, options)) << c.args[i];
  EXPECT_EQ(options.settings.TIFFWriteCompression, c.compression);
  EXPECT_EQ(options.settings.TIFFWriteByteOrder, c.byteOrder);
  EXPECT_EQ(options.settings.TIFFWriteCMYK, c.cmyk);
  EXPECT_EQ(options.settings.TIFFWriteWhiteIsZero, c.whiteIsZero);
  EXPECT_EQ(options.settings.PXMWriteBinary, c.binary);
}

INSTANTIATE_TEST_SUITE_P(
    Options, TiffPnmOptionTest,
    ::testing::Values(OptionCase{{}, 1, 0, false, false, false},
                      OptionCase{{"--tiff-compression", "packbits"}, 32773, 0, false, false, false},
                      OptionCase{{"--tiff-compression", "packbits", "--tiff-compression", "none"}, 1, 0, false, false, false},
                      OptionCase{{"--tiff-byte-order", "mm"}, 1, 1, false, false, false},
                      OptionCase{{"--tiff-byte-order", "mm", "--tiff-byte-order", "ii"}, 1, 0, false, false, false},
                      OptionCase{{"--tiff-cmyk", "--tiff-white-is-zero", "--pnm-binary"}, 1, 0, true, true, true}));

TEST(TiffPnmOptionTest, BadValuesAreUsageErrors) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--tiff-compression", "lzw"}, {"--tiff-compression"}, {"--tiff-byte-order", "MM"}}) {
    cli::TConvertOptions options;
    size_t i = 0;
    EXPECT_THROW(cli::ParseTIFFPNMOption(args, i, options), cli::TUsageError) << args[0];
  }
  cli::TConvertOptions options;
  size_t i = 0;
  EXPECT_FALSE(cli::ParseTIFFPNMOption({"--strict"}, i, options));
}

TEST(TiffPnmOptionTest, ConvertWritesWithTheOptions) {
  test::TTempDir dir;
  test::WriteFileBytes(dir.file("in.ppm"), {'P', '3', ' ', '2', ' ', '1', ' ', '2', '5', '5', ' ', '2', '5', '5', ' ',
                                            '0', ' ', '0', ' ', '0', ' ', '0', ' ', '0'});
  std::ostringstream out, err;
  ASSERT_EQ(cli::Run({"convert", dir.file("in.ppm"), dir.file("out.tif"), "--tiff-compression", "packbits",
                      "--tiff-byte-order", "mm", "--tiff-cmyk"},
                     out, err),
            0)
      << err.str();
  const std::vector<std::uint8_t> tif = test::ReadFileBytes(dir.file("out.tif"));
  ASSERT_GT(tif.size(), 8u);
  EXPECT_EQ(tif[0], 'M');
  TPixelGraphic back;
  back.LoadFromFile(dir.file("out.tif"));
  EXPECT_EQ(back.GetPixel(0, 0), RGBColor(255, 0, 0));
  EXPECT_EQ(back.GetPixel(1, 0), RGBColor(0, 0, 0));

  ASSERT_EQ(cli::Run({"convert", dir.file("in.ppm"), dir.file("out.ppm"), "--pnm-binary"}, out, err), 0) << err.str();
  const std::vector<std::uint8_t> ppm = test::ReadFileBytes(dir.file("out.ppm"));
  EXPECT_EQ(std::string(ppm.begin(), ppm.end()), std::string("P6\n2 1\n255\n\xff\0\0\0\0\0", 17));
  EXPECT_EQ(cli::Run({"convert", dir.file("in.ppm"), dir.file("x.tif"), "--tiff-byte-order", "xx"}, out, err), 2);
}

}  // namespace
}  // namespace lumora
