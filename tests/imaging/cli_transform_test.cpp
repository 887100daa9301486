// lumora-cli convert with the geometric options, run in-process over a small test
// format so the results can be compared with the library calls they stand for.
#include <gtest/gtest.h>

#include <sstream>

#include "app/cli/cli.h"
#include "imaging/core/registry.h"
#include "imaging/core/stream.h"
#include "tests/support/transform_test_images.h"

namespace lumora {
namespace {

// "LRAW", width, height, BitCountNum, palette count, palette entries, then every
// pixel's raw value; all numbers 32-bit little-endian.
void PutNumber(TStream& s, std::uint32_t v) {
  std::uint8_t b[4];
  PutLE32(b, v);
  s.Write(b, 4);
}
std::uint32_t GetNumber(TStream& s) {
  std::uint8_t b[4] = {};
  s.ReadExact(b, 4);
  return GetLE32(b);
}

class RawReader : public TFileFormatReader {
 public:
  RawReader() : TFileFormatReader("lrw", "Raw test pixels") { HasSignature = true; }
  bool IsFormat(const std::uint8_t* header) const override { return std::equal(header, header + 4, "LRAW"); }
  void ReadImage(TStream& s, TPixelGraphic& image, int) override {
    GetNumber(s);
    const int w = int(GetNumber(s)), h = int(GetNumber(s)), format = int(GetNumber(s));
    image.Allocate(w, h, format);
    const int count = int(GetNumber(s));
    image.SetPaletteCount(count);
    for (int i = 0; i < count; ++i) image.SetPaletteColor(i, GetNumber(s));
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) image.SetPixel(x, y, GetNumber(s));
  }
};

class RawWriter : public TFileFormatWriter {
 public:
  RawWriter() : TFileFormatWriter("lrw", "Raw test pixels", true, kAllColorRes, "TRawWriter") {}
  void WriteImage(TStream& s, TPixelGraphic& image) override {
    s.Write("LRAW", 4);
    PutNumber(s, std::uint32_t(image.Width()));
    PutNumber(s, std::uint32_t(image.Height()));
    PutNumber(s, std::uint32_t(image.BitCountNum()));
    PutNumber(s, std::uint32_t(image.PaletteCount()));
    for (TColor c : image.PaletteColors()) PutNumber(s, c);
    for (int y = 0; y < image.Height(); ++y)
      for (int x = 0; x < image.Width(); ++x) PutNumber(s, image.GetPixel(x, y));
  }
};

class CliTransformTest : public ::testing::Test {
 protected:
  void SetUp() override {
    readers_.push_back(std::make_unique<RawReader>());
    writers_.push_back(std::make_unique<RawWriter>());
    SetFileFormatRegistryForTest(&readers_, &writers_);
    picture_.Allocate(9, 5, 3);
    test::FillRandom(picture_, 21);
    picture_.SaveToFile(in_);
  }
  void TearDown() override { SetFileFormatRegistryForTest(nullptr, nullptr); }

  int Run(std::vector<std::string> options) {
    std::vector<std::string> args = {"convert", in_, out_};
    args.insert(args.end(), options.begin(), options.end());
    std::ostringstream out, err;
    const int status = cli::Run(args, out, err);
    errors_ = err.str();
    return status;
  }
  std::unique_ptr<TPixelGraphic> Output() {
    auto image = std::make_unique<TPixelGraphic>();
    image->LoadFromFile(out_);
    return image;
  }

  TReaderList readers_;
  TWriterList writers_;
  test::TTempDir dir_;
  std::string in_ = dir_.file("in.lrw"), out_ = dir_.file("out.lrw");
  TPixelGraphic picture_;
  std::string errors_;
};

TEST_F(CliTransformTest, SizeResamplesWithTheChosenQuality) {
  for (auto [name, mode] : {std::pair{"fast", smFast}, {"medium", smMedium}, {"precise", smPrecise}}) {
    ASSERT_EQ(Run({"--stretch", name, "--size", "14x3"}), 0) << errors_;
    TPixelGraphic expected;
    expected.Allocate(14, 3, 3);
    expected.StretchMode = mode;
    expected.StretchFrom(picture_);
    EXPECT_TRUE(test::SameImage(expected, *Output())) << name;
  }
  // Precise is the default.
  ASSERT_EQ(Run({"--size", "4x7"}), 0) << errors_;
  TPixelGraphic expected;
  expected.Allocate(4, 7, 3);
  expected.StretchFrom(picture_);
  EXPECT_TRUE(test::SameImage(expected, *Output()));
}

TEST_F(CliTransformTest, FitKeepsTheProportions) {
  struct TFit {
    const char* box;
    int width, height;
  };
  for (const TFit& f : {TFit{"18x18", 18, 10}, TFit{"100x2", 3, 2}, TFit{"3x100", 3, 1}, TFit{"9x5", 9, 5}}) {
    ASSERT_EQ(Run({"--fit", f.box}), 0) << errors_;
    const auto out = Output();
    EXPECT_EQ(out->Width(), f.width) << f.box;
    EXPECT_EQ(out->Height(), f.height) << f.box;
  }
}

TEST_F(CliTransformTest, StepsApplyInCommandLineOrder) {
  ASSERT_EQ(Run({"--flip", "h", "--rotate", "90", "--fit-size"}), 0) << errors_;
  TPixelGraphic flipped, expected;
  flipped.Assign(&picture_);
  flipped.MirrorHorizontal();
  expected.RotateFrom(flipped, 90, true);
  const auto first = Output();
  EXPECT_TRUE(test::SameImage(expected, *first));

  ASSERT_EQ(Run({"--rotate", "90", "--flip", "h", "--fit-size"}), 0) << errors_;
  TPixelGraphic rotated;
  rotated.RotateFrom(picture_, 90, true);
  rotated.MirrorHorizontal();
  EXPECT_TRUE(test::SameImage(rotated, *Output()));
  EXPECT_FALSE(test::SameImage(*first, *Output()));

  ASSERT_EQ(Run({"--flip", "v"}), 0) << errors_;
  TPixelGraphic mirrored;
  mirrored.Assign(&picture_);
  mirrored.MirrorVertical();
  EXPECT_TRUE(test::SameImage(mirrored, *Output()));
}

TEST_F(CliTransformTest, RotationKeepsTheSizeUnlessFitted) {
  for (bool interpolate : {true, false}) {
    std::vector<std::string> options = {"--rotate", "30"};
    if (!interpolate) options.push_back("--no-interpolate");
    ASSERT_EQ(Run(options), 0) << errors_;
    TPixelGraphic expected;
    expected.Allocate(9, 5, 3);
    expected.InterpolateRotation = interpolate;
    expected.RotateFrom(picture_, 30, false);
    EXPECT_TRUE(test::SameImage(expected, *Output())) << interpolate;
  }
  ASSERT_EQ(Run({"--rotate", "-12.5", "--fit-size"}), 0) << errors_;
  TPixelGraphic fitted;
  fitted.RotateFrom(picture_, -12.5, true);
  EXPECT_TRUE(test::SameImage(fitted, *Output()));
}

TEST_F(CliTransformTest, BadValuesAreUsageErrors) {
  const std::vector<std::vector<std::string>> bad = {
      {"--size", "0x5"},    {"--size", "5"},       {"--size", "ax5"},    {"--size", "5x-1"}, {"--fit", "99999999999x2"},
      {"--stretch", "slow"}, {"--rotate", "left"}, {"--rotate", "nan"},  {"--rotate", "1e999"}, {"--flip", "d"},
      {"--size"},           {"--rotate"}};
  for (const auto& options : bad) {
    EXPECT_EQ(Run(options), 2) << options[0];
    EXPECT_FALSE(std::filesystem::exists(out_));
  }
}

TEST_F(CliTransformTest, HostileSizeIsRefusedByTheLimits) {
  EXPECT_EQ(Run({"--size", "100000x100000"}), 1);
  EXPECT_EQ(errors_, "CreateDIBSection failed\n");
  EXPECT_FALSE(std::filesystem::exists(out_));
}

}  // namespace
}  // namespace lumora
