#include "imaging/core/registry.h"

#include <gtest/gtest.h>

#include <cmath>

#include "imaging/core/codec_settings.h"
#include "imaging/core/exceptions.h"
#include "imaging/core/messages.h"
#include "imaging/core/stream.h"
#include "imaging/core/warnings.h"
#include "tests/support/test_support.h"

namespace lumora {
namespace {

// A reader that recognises a two-byte signature (or none) and produces a 2x1 picture
// whose stored gamma the test chooses.
class FakeReader : public TFileFormatReader {
 public:
  FakeReader(std::string ext, std::string signature, int bitCountNum = 3, double gamma = 0)
      : TFileFormatReader(std::move(ext), "Fake " + ext), signature_(std::move(signature)),
        bitCountNum_(bitCountNum), gamma_(gamma) {
    HasSignature = !signature_.empty();
  }
  bool IsFormat(const std::uint8_t* header) const override {
    return std::equal(signature_.begin(), signature_.end(), header);
  }
  void ReadImage(TStream&, TPixelGraphic& image, int) override {
    image.Allocate(2, 1, bitCountNum_);
    if (bitCountNum_ == 3) {
      image.SetPixel(0, 0, RGBColor(128, 64, 255));
      image.SetPixel(1, 0, RGBColor(0, 10, 200));
    } else {
      image.SetPaletteCount(2);
      image.SetPaletteColor(0, RGBColor(128, 64, 255));
      image.SetPaletteColor(1, RGBColor(0, 10, 200));
    }
    if (gamma_ > 0) image.Gamma = gamma_;
    ++reads;
  }
  int reads = 0;

 private:
  std::string signature_;
  int bitCountNum_;
  double gamma_;
};

// A writer that records what it was handed.
class FakeWriter : public TFileFormatWriter {
 public:
  FakeWriter(std::string ext, std::string description, TColorResSet classes, bool show = true)
      : TFileFormatWriter(std::move(ext), std::move(description), show, classes, "TFakeWriter") {}
  void WriteImage(TStream& stream, TPixelGraphic& image) override {
    bitCountNum = image.BitCountNum();
    ident = image.PaletteIdent();
    paletteCount = image.PaletteCount();
    stream.Write("ok", 2);
  }
  int bitCountNum = -1;
  TPaletteIdent ident = pNone;
  int paletteCount = -1;
};

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { SetFileFormatRegistryForTest(&readers_, &writers_); }
  void TearDown() override { SetFileFormatRegistryForTest(nullptr, nullptr); }

  FakeReader* AddReader(std::string ext, std::string signature, int bitCountNum = 3, double gamma = 0) {
    readers_.push_back(std::make_unique<FakeReader>(std::move(ext), std::move(signature), bitCountNum, gamma));
    auto* r = static_cast<FakeReader*>(readers_.back().get());
    SetFileFormatRegistryForTest(&readers_, &writers_);
    return r;
  }
  FakeWriter* AddWriter(std::string ext, std::string description, TColorResSet classes, bool show = true) {
    writers_.push_back(std::make_unique<FakeWriter>(std::move(ext), std::move(description), classes, show));
    auto* w = static_cast<FakeWriter*>(writers_.back().get());
    SetFileFormatRegistryForTest(&readers_, &writers_);
    return w;
  }

  TReaderList readers_;
  TWriterList writers_;
};

TEST_F(RegistryTest, ContentDecidesAndOnlySignaturelessReadersGoByExtension) {
  FakeReader* bmp = AddReader("bmp", "BM");
  FakeReader* tga = AddReader("tga", "");
  const std::uint8_t bmpData[] = {'B', 'M', 0, 0};
  const std::uint8_t tgaData[] = {0, 0, 2, 0};
  TMemoryStream bmpStream(bmpData, sizeof bmpData), tgaStream(tgaData, sizeof tgaData);
  EXPECT_EQ(FindReader(bmpStream, "tga"), bmp);
  EXPECT_EQ(FindReader(tgaStream, ".TGA"), tga);
  EXPECT_EQ(FindReader(tgaStream, "dat"), nullptr);
  EXPECT_EQ(FindReader(tgaStream, ""), nullptr);
  // The search leaves the stream where it was.
  tgaStream.SetPosition(1);
  FindReader(tgaStream, "tga");
  EXPECT_EQ(tgaStream.Position(), 1);

  TPixelGraphic image;
  EXPECT_THROW(image.LoadFromStreamEx(tgaStream, "dat", 0), EPGUnknownFileFormat);
  try {
    image.LoadFromStream(tgaStream);
  } catch (const EPGUnknownFileFormat& e) {
    EXPECT_STREQ(e.what(), "Unknown file format");
  }
}

TEST_F(RegistryTest, ListsAreSortedByExtensionIgnoringCase) {
  for (const char* ext : {"BMP", "dib", "rle", "jpg", "jpeg", "jif", "png", "pcx", "pbm", "pgm", "ppm", "tga",
                          "tif", "tiff", "wmf", "emf", "gif", "ico"}) {
    AddReader(ext, "");
  }
  std::string order;
  for (const auto& r : FileFormatReaders()) order += ToLowerAscii(r->Extension) + " ";
  EXPECT_EQ(order, "bmp dib emf gif ico jif jpeg jpg pbm pcx pgm png ppm rle tga tif tiff wmf ");

  const std::string filter = BuildOpenFilter();
  EXPECT_EQ(filter.rfind("Image files|*.bmp; *.dib; *.emf; ", 0), 0u) << filter;
  EXPECT_NE(filter.find("|BMP - Fake BMP|*.bmp|DIB - "), std::string::npos) << filter;
  EXPECT_EQ(filter.substr(filter.size() - 13), "All files|*.*");
  // 1 + 18 + 1 entries of two bar-separated fields each.
  EXPECT_EQ(std::count(filter.begin(), filter.end(), '|'), 2 * 20 - 1);
  EXPECT_EQ(FilterExtension(2, true), "bmp");
  EXPECT_EQ(FilterExtension(19, true), "wmf");
  EXPECT_EQ(FilterExtension(1, true), "");
  EXPECT_EQ(FilterExtension(20, true), "");
}

TEST_F(RegistryTest, SaveFilterListsShownWritersOnly) {
  AddWriter("tif", "Tagged Image File Format", kAllColorRes);
  AddWriter("bmp", "Bitmap", kAllColorRes);
  AddWriter("dib", "Bitmap", kAllColorRes, false);
  EXPECT_EQ(BuildSaveFilter(), "BMP - Bitmap|*.bmp|TIF - Tagged Image File Format|*.tif|");
  EXPECT_EQ(FilterExtension(1, false), "bmp");
  EXPECT_EQ(FilterExtension(2, false), "tif");
  EXPECT_EQ(FilterExtension(3, false), "");
}

TEST_F(RegistryTest, SavingAskesBeforeReducingAndCancelRaises) {
  FakeWriter* pbm = AddWriter("pbm", "Portable Bitmap", ColorResBit(crBlackWhite));
  TPixelGraphic image;
  image.Allocate(4, 4, 3);
  std::string asked;
  bool withCancel = false;
  TScopedWarningPrompt prompt([&](const std::string& caption, const std::string& text, bool cancel) {
    EXPECT_EQ(caption, "Warning");
    asked = text;
    withCancel = cancel;
    return false;  // Cancel
  });
  TMemoryStream out;
  try {
    image.SaveToStreamEx(out, "pbm");
    FAIL();
  } catch (const EPGCannotWriteColorRes& e) {
    EXPECT_STREQ(e.what(),
                 "The graphic cannot be saved with to a Portable Bitmap file with the current color resolution "
                 "(16.7 million colors)");
  }
  EXPECT_TRUE(withCancel);
  EXPECT_EQ(asked, PGMessage(msgColorResWarning, {"Portable Bitmap", "16.7 million colors", "black and white"}));
  EXPECT_EQ(pbm->bitCountNum, -1);

  // OK goes on with a black-and-white copy; the image itself is not changed.
  TScopedWarningPrompt ok([](const std::string&, const std::string&, bool) { return true; });
  image.SaveToStreamEx(out, ".PBM");
  EXPECT_EQ(pbm->bitCountNum, 0);
  EXPECT_EQ(pbm->ident, pBlackWhite);
  EXPECT_EQ(image.BitCountNum(), 3);
}

TEST_F(RegistryTest, WarningActionsDecideWithoutAsking) {
  FakeWriter* pbm = AddWriter("pbm", "Portable Bitmap", ColorResBit(crBlackWhite));
  int prompts = 0;
  TScopedWarningPrompt prompt([&](const std::string&, const std::string&, bool) { return ++prompts, false; });
  TPixelGraphic image;
  image.Allocate(2, 2, 3);
  TMemoryStream out;
  image.SaveColorResWarningAction = pgwaIgnore;
  image.SaveToStreamEx(out, "pbm");
  EXPECT_EQ(pbm->bitCountNum, 0);
  image.SaveColorResWarningAction = pgwaOKBox;  // tells, then goes on whatever the answer
  EXPECT_NO_THROW(image.SaveToStreamEx(out, "pbm"));
  EXPECT_EQ(prompts, 1);
  image.SaveColorResWarningAction = pgwaRaise;
  EXPECT_THROW(image.SaveToStreamEx(out, "pbm"), EPGCannotWriteColorRes);
  EXPECT_EQ(prompts, 1);
}

TEST_F(RegistryTest, SixteenGraysSavedAsJpegBecome256Grays) {
  FakeWriter* jpg = AddWriter("jpg", "JPEG (JFIF compliant)", ColorResBit(crGray256) | ColorResBit(crTrueColor));
  TPixelGraphic image;
  image.Allocate(3, 3, 1);
  image.SetPaletteIdent(pGray16);
  image.SaveColorResWarningAction = pgwaIgnore;
  TMemoryStream out;
  image.SaveToStreamEx(out, "jpg");
  EXPECT_EQ(jpg->bitCountNum, 2);
  EXPECT_EQ(jpg->ident, pGray256);
}

TEST_F(RegistryTest, SaveErrors) {
  TPixelGraphic image;
  image.Allocate(1, 1, 3);
  TMemoryStream out;
  try {
    image.SaveToStreamEx(out, "bmp");
    FAIL();
  } catch (const EPGFileFormatWritersEmpty& e) {
    EXPECT_STREQ(e.what(), "FileFormatWriters is empty");
  }
  AddWriter("bmp", "Bitmap", kAllColorRes);
  AddWriter("nul", "Nothing", 0);
  try {
    image.SaveToStreamEx(out, "XYZ");
    FAIL();
  } catch (const EPGUnknownExtension& e) {
    EXPECT_STREQ(e.what(), "Unknown file extension \"xyz\"");
  }
  try {
    image.SaveToStreamEx(out, "nul");
    FAIL();
  } catch (const EPGCanWriteResolutionsEmpty& e) {
    EXPECT_STREQ(e.what(), "TFakeWriter.CanWriteResolutions is empty");
  }
  test::TTempDir dir;
  EXPECT_NO_THROW(image.SaveToFile(dir.file("X.BMP")));
}

TEST_F(RegistryTest, FailedSaveToANewFileLeavesNothing) {
  AddWriter("bmp", "Bitmap", kAllColorRes);
  test::TTempDir dir;
  TPixelGraphic image;
  image.Allocate(1, 1, 3);
  EXPECT_THROW(image.SaveToFile(dir.file("new.xyz")), EPGUnknownExtension);
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST_F(RegistryTest, GetFileInfoAnswersFalseInsteadOfRaising) {
  AddReader("bmp", "BM");
  test::TTempDir dir;
  TFileInfo info;
  EXPECT_FALSE(GetFileInfo(dir.path().string() + "/", 0, info));
  EXPECT_FALSE(GetFileInfo(dir.file("missing.bmp"), 0, info));
  test::WriteFileBytes(dir.file("unknown.bmp"), {'X', 'Y'});
  EXPECT_FALSE(GetFileInfo(dir.file("unknown.bmp"), 0, info));
  test::WriteFileBytes(dir.file("known.dat"), {'B', 'M'});
  ASSERT_TRUE(GetFileInfo(dir.file("known.dat"), 0, info));
  EXPECT_EQ(info.Description, "Fake bmp");
}

TEST(FileInfoTest, SizeLine) {
  TImageInfo info;
  info.Width = 640;
  info.Height = 480;
  info.ColorsText = "16.7M";
  info.BitCount = 24;
  EXPECT_EQ(FileInfoSizeLine(info), "640x480x16.7M 24 bit");
  info.ImageCount = 3;
  EXPECT_EQ(FileInfoSizeLine(info), "640x480x16.7M 24 bit, 3");
}

TEST(ColorResClassTest, FallbackRowsArePermutations) {
  for (int b = 0; b < 8; ++b) {
    const int* row = ColorResFallback(b);
    EXPECT_EQ(row[0], b);
    std::vector<int> sorted(row, row + 8);
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
  }
  EXPECT_EQ(ColorResName(crTrueColor), "16.7 million colors");
  EXPECT_EQ(ColorResName(crBlackWhite), "black and white");
}

// Loading corrects a picture whose stored gamma differs from the display gamma by more
// than 5 percent.
class GammaTest : public RegistryTest {
 protected:
  std::unique_ptr<TPixelGraphic> Load(int bitCountNum, double gamma) {
    readers_.clear();
    AddReader("raw", "RW", bitCountNum, gamma);
    const std::uint8_t data[] = {'R', 'W'};
    TMemoryStream stream(data, 2);
    auto image = std::make_unique<TPixelGraphic>();
    image->LoadFromStream(stream);
    return image;
  }
  static int Corrected(int v, double exponent) {
    return static_cast<int>(std::nearbyint(255.0 * std::pow(v / 255.0, exponent)));
  }
};

TEST_F(GammaTest, TrueColorBytesAreMappedAndGammaBecomesTheDisplayGamma) {
  auto image = Load(3, 2.2);
  const double e = 2.2 / 1.8;
  EXPECT_EQ(image->GetPixel(0, 0), RGBColor(Corrected(128, e), Corrected(64, e), Corrected(255, e)));
  EXPECT_EQ(image->GetPixel(1, 0), RGBColor(0, Corrected(10, e), Corrected(200, e)));
  EXPECT_DOUBLE_EQ(image->Gamma, 1.8);
}

TEST_F(GammaTest, PaletteEntriesAreMapped) {
  auto image = Load(2, 2.2);
  EXPECT_EQ(image->PaletteColor(0), RGBColor(Corrected(128, 2.2 / 1.8), Corrected(64, 2.2 / 1.8), 255));
}

TEST_F(GammaTest, SmallDifferencesAndSwitchedOffCorrectionLeaveThePixels) {
  auto close = Load(3, 1.85);
  EXPECT_EQ(close->GetPixel(0, 0), RGBColor(128, 64, 255));
  TCodecSettings settings = CodecSettings();
  settings.GammaCorrectionOnRead = false;
  TScopedCodecSettings off(settings);
  auto kept = Load(3, 2.2);
  EXPECT_EQ(kept->GetPixel(0, 0), RGBColor(128, 64, 255));
  EXPECT_DOUBLE_EQ(kept->Gamma, 2.2);
}

TEST_F(GammaTest, LoadingFiresOneChange) {
  readers_.clear();
  AddReader("raw", "RW");
  const std::uint8_t data[] = {'R', 'W'};
  TMemoryStream stream(data, 2);
  TPixelGraphic image;
  int changes = 0;
  image.OnChange = [&](TPixelGraphic&) { ++changes; };
  image.LoadFromStream(stream);
  EXPECT_EQ(changes, 1);
}

}  // namespace
}  // namespace lumora
