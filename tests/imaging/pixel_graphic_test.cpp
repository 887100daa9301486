#include "imaging/core/pixel_graphic.h"

#include <gtest/gtest.h>

#include <cmath>

#include "imaging/core/codec_settings.h"
#include "imaging/core/exceptions.h"
#include "imaging/core/size_limits.h"
#include "imaging/core/stream.h"

namespace lumora {
namespace {

TEST(PixelGraphicTest, DefaultsAfterConstruction) {
  TPixelGraphic image;
  EXPECT_EQ(image.Width(), 0);
  EXPECT_EQ(image.Height(), 0);
  EXPECT_EQ(image.BitCountNum(), 3);
  EXPECT_EQ(image.PaletteIdent(), pTrueColor);
  EXPECT_TRUE(image.GetEmpty());
  EXPECT_TRUE(image.Dither);
  EXPECT_EQ(image.DitherErrorLimit, 32);
  EXPECT_EQ(image.StretchMode, smPrecise);
  EXPECT_EQ(image.ReadWarningAction, pgwaOKCancelBox);
  EXPECT_EQ(image.SaveColorResWarningAction, pgwaOKCancelBox);
  EXPECT_DOUBLE_EQ(image.Gamma, 1.8);
}

struct StrideCase {
  int width, height, bitCountNum, stride, size;
};

class StrideTest : public ::testing::TestWithParam<StrideCase> {};

TEST_P(StrideTest, StrideAndSizeArePaddedToFourBytes) {
  const StrideCase c = GetParam();
  TPixelGraphic image;
  image.Allocate(c.width, c.height, c.bitCountNum);
  EXPECT_EQ(image.RowStride(), c.stride);
  EXPECT_EQ(image.ImageByteSize(), c.size);
}

INSTANTIATE_TEST_SUITE_P(Formats, StrideTest,
                         ::testing::Values(StrideCase{3, 2, 0, 4, 8}, StrideCase{5, 1, 3, 16, 16},
                                           StrideCase{33, 1, 0, 8, 8}, StrideCase{9, 3, 1, 8, 24},
                                           StrideCase{5, 2, 2, 8, 16}, StrideCase{4, 1, 3, 12, 12}),
                         [](const auto& info) {
                           const StrideCase& c = info.param;
                           return std::to_string(c.width) + "x" + std::to_string(c.height) + "_bits" +
                                  std::to_string(TPixelGraphic::BitCountOfNum(c.bitCountNum));
                         });

TEST(PixelGraphicTest, RedPixelIsStoredBlueGreenRedInTheLastRow) {
  TPixelGraphic image;
  image.Allocate(2, 2, 3);
  image.SetPixel(0, 0, RGBColor(255, 0, 0));
  const std::uint8_t* lastStoredRow = image.PixelBlock() + image.RowStride();
  EXPECT_EQ(lastStoredRow[0], 0x00);
  EXPECT_EQ(lastStoredRow[1], 0x00);
  EXPECT_EQ(lastStoredRow[2], 0xFF);
  EXPECT_EQ(image.GetPixel(0, 0), RGBColor(255, 0, 0));
}

TEST(PixelGraphicTest, OneBitPixelsSetOnlyForValueOne) {
  TPixelGraphic image;
  image.Allocate(8, 1, 0);
  image.SetPixel(1, 0, 1);
  EXPECT_EQ(image.ScanLine(0)[0], 0x40);
  image.SetPixel(1, 0, 2);
  EXPECT_EQ(image.ScanLine(0)[0], 0x00);
}

TEST(PixelGraphicTest, FourBitPixelsUseNibblesHighFirst) {
  TPixelGraphic image;
  image.Allocate(3, 1, 1);
  image.SetPixel(0, 0, 0x1A);  // only the low 4 bits are stored
  image.SetPixel(1, 0, 0x5);
  EXPECT_EQ(image.ScanLine(0)[0], 0xA5);
  EXPECT_EQ(image.GetPixel(0, 0), 0xAu);
}

TEST(PixelGraphicTest, OutsideAccessFollowsRangeCheck) {
  TPixelGraphic image;
  image.Allocate(2, 2, 2);
  image.FillColor = 7;
  EXPECT_EQ(image.GetPixel(-1, 0), 7u);
  image.SetPixel(5, 5, 3);  // ignored
  image.RangeCheck = true;
  EXPECT_THROW(image.GetPixel(-1, 0), EPGXYIndexOutOfRange);
  try {
    image.SetPixel(2, 0, 1);
    FAIL();
  } catch (const EPGXYIndexOutOfRange& e) {
    EXPECT_STREQ(e.what(), "X, Y index out of range");
  }
}

TEST(PixelGraphicTest, PaletteEntryOfTrueColorImageIsTheIndex) {
  TPixelGraphic image;
  image.Allocate(1, 1, 3);
  EXPECT_EQ(image.PaletteColor(5), 5u);
}

TEST(PixelGraphicTest, PaletteErrors) {
  TPixelGraphic image;
  image.Allocate(1, 1, 2);
  image.SetPaletteIdent(pNone);
  EXPECT_THROW(image.SetPaletteColor(0, 0), EPGNoPalette);
  image.SetPaletteCount(4);
  EXPECT_EQ(image.PaletteIdent(), pUnknown);
  EXPECT_THROW(image.SetPaletteColor(4, 0), EPGInvalidPaletteIndex);
  EXPECT_THROW(image.PaletteColor(-1), EPGInvalidPaletteIndex);
}

TEST(PixelGraphicTest, IndicesBeyondThePaletteReadAsEntryZero) {
  TPixelGraphic image;
  image.Allocate(2, 1, 2);
  image.SetPaletteCount(2);
  image.SetPaletteColor(0, RGBColor(1, 2, 3));
  image.SetPaletteColor(1, RGBColor(9, 9, 9));
  image.SetPixel(1, 0, 200);
  EXPECT_EQ(image.GetRGBPixel(1, 0), RGBColor(1, 2, 3));
}

TEST(PixelGraphicTest, SameSizeAllocateClearsToFillColor) {
  TPixelGraphic image;
  image.Allocate(3, 2, 2);
  image.FillColor = 9;
  image.Allocate(3, 2, 2);
  EXPECT_EQ(image.GetPixel(2, 1), 9u);
  image.Allocate(4, 2, 2);  // a new block is zero-filled
  EXPECT_EQ(image.GetPixel(2, 1), 0u);
}

TEST(PixelGraphicTest, NegativeSizesAreRefused) {
  TPixelGraphic image;
  try {
    image.Allocate(-1, 1, 3);
    FAIL();
  } catch (const EPGInvalidSize& e) {
    EXPECT_STREQ(e.what(), "Negative width");
  }
  try {
    image.Allocate(1, -1, 3);
    FAIL();
  } catch (const EPGInvalidSize& e) {
    EXPECT_STREQ(e.what(), "Negative height");
  }
  EXPECT_THROW(TPixelGraphic::BitCountToNum(16), EPGInvalidBitCountNum);
}

TEST(PixelGraphicTest, HugeSizesAreRefusedBeforeAllocating) {
  TPixelGraphic image;
  image.Allocate(3, 3, 3);
  for (auto [w, h, n] : {std::tuple{70000, 70000, 3}, std::tuple{0x7FFFFFFF, 0x7FFFFFFF, 0}}) {
    try {
      image.Allocate(w, h, n);
      FAIL() << w << "x" << h;
    } catch (const EPixelGraphic& e) {
      EXPECT_STREQ(e.what(), "CreateDIBSection failed");
    }
    // The refused size left the image as it was.
    EXPECT_EQ(image.Width(), 3);
    EXPECT_EQ(image.ImageByteSize(), 3 * 12);
  }
}

TEST(PixelGraphicTest, OnChangeIsSuppressedInsideUpdates) {
  TPixelGraphic image;
  int changes = 0;
  image.OnChange = [&](TPixelGraphic&) { ++changes; };
  image.Allocate(2, 2, 3);
  EXPECT_EQ(changes, 1);
  image.BeginUpdate();
  image.BeginUpdate();
  image.Allocate(3, 3, 3);
  image.Clear();
  image.EndUpdate();
  EXPECT_EQ(changes, 1);
  image.EndUpdate();
  EXPECT_EQ(changes, 2);
}

TEST(PixelGraphicTest, AssignCopiesPixelsPaletteAndSettingsButNotEvents) {
  TPixelGraphic source;
  source.Allocate(3, 2, 2);
  source.SetPaletteCount(3);
  source.SetPaletteColor(2, RGBColor(10, 20, 30));
  source.SetPixel(1, 1, 2);
  source.Dither = false;
  source.StretchMode = smMedium;
  source.PreviewLoad = true;
  int sourceChanges = 0;
  source.OnChange = [&](TPixelGraphic&) { ++sourceChanges; };

  TPixelGraphic copy;
  int changes = 0;
  copy.OnChange = [&](TPixelGraphic&) { ++changes; };
  copy.Assign(&source);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(copy.GetRGBPixel(1, 1), RGBColor(10, 20, 30));
  EXPECT_EQ(copy.PaletteCount(), 3);
  EXPECT_FALSE(copy.Dither);
  EXPECT_EQ(copy.StretchMode, smMedium);
  EXPECT_FALSE(copy.PreviewLoad);
  copy.Assign(nullptr);
  EXPECT_TRUE(copy.GetEmpty());
  EXPECT_EQ(copy.BitCountNum(), 3);
}

TEST(PixelGraphicTest, PrintRectangleKeepsTheProportions) {
  EXPECT_EQ(ComputePrintRect(100, 50, 1000, 1000, 1, 1), (TPrintRect{0, 250, 1000, 750}));
  EXPECT_EQ(ComputePrintRect(50, 100, 1000, 1000, 1, 1), (TPrintRect{250, 0, 750, 1000}));
  // Device pixels twice as wide as high: a square picture needs half as many columns.
  const TPrintRect r = ComputePrintRect(100, 100, 1000, 1000, 2, 1);
  EXPECT_EQ(r, (TPrintRect{250, 0, 750, 1000}));
}

TEST(PixelGraphicTest, PrintTitleNamesSizeAndColours) {
  TPixelGraphic image;
  image.Allocate(640, 480, 3);
  EXPECT_EQ(PrintDocumentTitle("Lumora", image), "Lumora Graphic 640x480x16777216");
}

TEST(PixelGraphicTest, FormStreamingRoundTrip) {
  TPixelGraphic image;
  image.Allocate(3, 2, 3);
  image.SetPixel(2, 1, RGBColor(1, 2, 3));
  TMemoryStream stream;
  image.WriteData(stream);
  const char trailer[] = "tail";
  stream.Write(trailer, 4);
  stream.SetPosition(0);
  TPixelGraphic back;
  back.ReadData(stream);
  EXPECT_EQ(back.GetPixel(2, 1), RGBColor(1, 2, 3));
  char after[4];
  ASSERT_TRUE(stream.ReadExact(after, 4));
  EXPECT_EQ(std::string(after, 4), "tail");
}

TEST(PixelGraphicTest, ClipboardFormatsAndPackedDIBSize) {
  TPixelGraphic image;
  image.Allocate(3, 2, 0);
  image.SetPaletteIdent(pBlackWhite);
  image.SetPixel(0, 0, 1);
  EXPECT_EQ(image.PackedDIBSize(), 4 * 2 + 8 + 58);
  int format = 0;
  std::vector<std::uint8_t> data;
  image.SaveToClipboardFormat(format, data);
  EXPECT_EQ(format, CF_DIB_FORMAT);
  TPixelGraphic pasted;
  int changes = 0;
  pasted.OnChange = [&](TPixelGraphic&) { ++changes; };
  pasted.LoadFromClipboardFormat(CF_DIB_FORMAT, data);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(pasted.GetPixel(0, 0), 1u);
  EXPECT_EQ(pasted.PaletteIdent(), pBlackWhite);
  EXPECT_THROW(pasted.LoadFromClipboardFormat(3, data), EPGUnknownClipboardFormat);
  EXPECT_THROW(pasted.LoadFromClipboardFormat(CF_DIB_FORMAT, {}), EPGUnknownClipboardFormat);
}

}  // namespace
}  // namespace lumora
