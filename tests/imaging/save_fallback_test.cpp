// Saving to a writer that cannot hold the picture's colour resolution: the registry
// converts through a temporary picture of the class its fallback table picks, asking
// first through the warning prompt.
#include <gtest/gtest.h>

#include "imaging/core/color_resolution.h"
#include "imaging/core/messages.h"
#include "imaging/core/registry.h"
#include "imaging/core/stream.h"
#include "imaging/core/warnings.h"
#include "tests/support/transform_reference.h"
#include "tests/support/transform_test_images.h"

namespace lumora {
namespace {

// Keeps a copy of the picture it is asked to write.
class CapturingWriter : public TFileFormatWriter {
 public:
  CapturingWriter(std::string ext, std::string description, TColorResSet classes)
      : TFileFormatWriter(std::move(ext), std::move(description), true, classes, "TCapturingWriter") {}
  void WriteImage(TStream& stream, TPixelGraphic& image) override {
    written.Assign(&image);
    stream.Write("x", 1);
  }
  TPixelGraphic written;
};

struct TFallbackCase {
  const char* name;
  int writerClass;
  int bitCountNum;  // of the converted picture
  void (*prepare)(TPixelGraphic& converted, const TPixelGraphic& picture);
};

const TFallbackCase kFallbackCases[] = {
    {"BlackAndWhite", crBlackWhite, 0,
     [](TPixelGraphic& t, const TPixelGraphic&) { t.SetPaletteIdent(pBlackWhite); }},
    {"Grays256", crGray256, 2, [](TPixelGraphic& t, const TPixelGraphic&) { t.SetPaletteIdent(pGray256); }},
    {"Colors16", cr16Colors, 1,
     [](TPixelGraphic& t, const TPixelGraphic& picture) { OptimizePalette(t, picture, 16, false); }},
};

class SaveFallbackTest : public ::testing::TestWithParam<TFallbackCase> {
 protected:
  void SetUp() override { SetFileFormatRegistryForTest(&readers_, &writers_); }
  void TearDown() override { SetFileFormatRegistryForTest(nullptr, nullptr); }
  TReaderList readers_;
  TWriterList writers_;
};

TEST_P(SaveFallbackTest, TrueColorPictureIsConvertedAsTheFallbackTableSays) {
  const TFallbackCase& c = GetParam();
  writers_.push_back(std::make_unique<CapturingWriter>("fmt", "Test Format", ColorResBit(c.writerClass)));
  auto* writer = static_cast<CapturingWriter*>(writers_.back().get());
  SetFileFormatRegistryForTest(&readers_, &writers_);

  TPixelGraphic picture;
  picture.Allocate(23, 17, 3);
  test::FillRandom(picture, 11);
  TPixelGraphic original;
  original.Assign(&picture);
  int starts = 0, ends = 0;
  picture.OnProgressStart = [&](TPixelGraphic&) { ++starts; };
  picture.OnProgressEnd = [&](TPixelGraphic&) { ++ends; };

  std::vector<std::string> prompts;
  TScopedWarningPrompt prompt([&](const std::string&, const std::string& text, bool withCancel) {
    EXPECT_TRUE(withCancel);
    prompts.push_back(text);
    return true;
  });
  TMemoryStream out;
  picture.SaveToStreamEx(out, "fmt");

  ASSERT_EQ(prompts.size(), 1u);
  EXPECT_EQ(prompts[0], PGMessage(msgColorResWarning, {"Test Format", ColorResName(crTrueColor),
                                                       ColorResName(c.writerClass)}));
  // The converted picture: the class's format and palette, the colours stored with
  // dithering in serpentine order.
  TPixelGraphic expected;
  expected.SetBitCountNum(c.bitCountNum);
  c.prepare(expected, original);
  expected.Allocate(original.Width(), original.Height(), c.bitCountNum);
  reference::CopyRectFrom(expected, 0, 0, original, 0, 0, original.Width(), original.Height());
  expected.DeterminePaletteIdent();
  EXPECT_TRUE(test::SameImage(expected, writer->written));
  EXPECT_EQ(writer->written.PaletteIdent(), expected.PaletteIdent());
  EXPECT_GT(starts, 0);  // the conversion reports through the picture's handlers
  EXPECT_EQ(starts, ends);
  EXPECT_TRUE(test::SameImage(original, picture));  // the picture itself is unchanged
}

INSTANTIATE_TEST_SUITE_P(Classes, SaveFallbackTest, ::testing::ValuesIn(kFallbackCases),
                         [](const auto& info) { return std::string(info.param.name); });


// The same through the registered PBM and PGM writers and a file on disk: the file
// reads back as the conversion the fallback table names, and the prompt named it.
struct TFileFallbackCase {
  const char* extension;
  const char* description;
  int writerClass;
  int bitCountNum;
  TPaletteIdent palette;
};

class SaveFallbackFileTest : public ::testing::TestWithParam<TFileFallbackCase> {};

TEST_P(SaveFallbackFileTest, RegisteredWriterGetsTheConvertedPicture) {
  const TFileFallbackCase& c = GetParam();
  TPixelGraphic picture;
  picture.Allocate(31, 9, 3);
  test::FillRandom(picture, 5);
  std::vector<std::string> prompts;
  TScopedWarningPrompt prompt([&](const std::string&, const std::string& text, bool) {
    prompts.push_back(text);
    return true;
  });
  test::TTempDir dir;
  const std::string file = dir.file(std::string("x.") + c.extension);
  picture.SaveToFile(file);

  ASSERT_EQ(prompts.size(), 1u);
  EXPECT_EQ(prompts[0], PGMessage(msgColorResWarning, {c.description, ColorResName(crTrueColor),
                                                       ColorResName(c.writerClass)}));
  TPixelGraphic expected;
  expected.SetBitCountNum(c.bitCountNum);
  expected.SetPaletteIdent(c.palette);
  expected.Allocate(picture.Width(), picture.Height(), c.bitCountNum);
  reference::CopyRectFrom(expected, 0, 0, picture, 0, 0, picture.Width(), picture.Height());
  TPixelGraphic back;
  back.LoadFromFile(file);
  ASSERT_EQ(back.Width(), picture.Width());
  ASSERT_EQ(back.Height(), picture.Height());
  for (int y = 0; y < back.Height(); ++y)
    for (int x = 0; x < back.Width(); ++x)
      ASSERT_EQ(back.GetRGBPixel(x, y), expected.GetRGBPixel(x, y)) << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(Writers, SaveFallbackFileTest,
                         ::testing::Values(TFileFallbackCase{"pbm", "Portable Bitmap", crBlackWhite, 0, pBlackWhite},
                                           TFileFallbackCase{"pgm", "Portable Graymap", crGray256, 2, pGray256}),
                         [](const auto& info) { return std::string(info.param.extension); });

}  // namespace
}  // namespace lumora
