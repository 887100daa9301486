// JPEG reader and writer: formats, information texts, warnings, errors, progress,
// preview decoding, writer settings, hostile and truncated input.
#include <gtest/gtest.h>

#include "imaging/codecs/jpeg_codec.h"
#include "imaging/codecs/jpeg_support.h"
#include "imaging/core/codec_settings.h"
#include "imaging/core/exceptions.h"
#include "imaging/core/size_limits.h"
#include "imaging/core/warnings.h"
#include "tests/imaging/jpeg_png_test_util.h"

namespace lumora {
namespace {

using test::Bytes;

Bytes ColorJpeg(int w = 40, int h = 24, test::JpegEncodeOptions o = {}) {
  return test::EncodeJpeg(w, h, 3, JCS_RGB, test::PhotoLikeSamples(w, h, 3), o);
}
Bytes GrayJpeg(int w = 40, int h = 24) { return test::EncodeJpeg(w, h, 1, JCS_GRAYSCALE, test::PhotoLikeSamples(w, h, 1)); }
Bytes CmykJpeg() { return test::EncodeJpeg(16, 8, 4, JCS_CMYK, test::PhotoLikeSamples(16, 8, 4)); }

void ReadJpeg(TPixelGraphic& image, const Bytes& file) {
  TMemoryStream stream(file.data(), file.size());
  test::ReaderFor("jpg").ReadImage(stream, image, 0);
}

TImageInfo JpegInfo(const Bytes& file) {
  TMemoryStream stream(file.data(), file.size());
  TImageInfo info;
  test::ReaderFor("jpg").GetImageInfo(stream, 0, info);
  return info;
}

TEST(JpegRegistryTest, EntriesAsListed) {
  for (const char* ext : {"jpg", "jpeg", "jif"}) {
    TFileFormatReader& r = test::ReaderFor(ext);
    EXPECT_EQ(r.Description, "JPEG (JFIF compliant)");
    EXPECT_TRUE(r.HasSignature);
    EXPECT_TRUE(r.ShowInFilter);
    TFileFormatWriter& w = test::WriterFor(ext);
    EXPECT_EQ(w.ShowInFilter, std::string(ext) == "jpg");
    EXPECT_EQ(w.CanWriteResolutions, ColorResBit(crGray256) | ColorResBit(crTrueColor));
  }
  TFileFormatReader& png = test::ReaderFor("png");
  EXPECT_EQ(png.Description, "Portable Network Graphics");
  EXPECT_EQ(test::WriterFor("png").CanWriteResolutions, kAllColorRes);
  const std::uint8_t jpegHeader[17] = {0xFF, 0xD8};
  const std::uint8_t other[17] = {0xFF, 0xD9};
  EXPECT_TRUE(test::ReaderFor("jif").IsFormat(jpegHeader));
  EXPECT_FALSE(test::ReaderFor("jif").IsFormat(other));
}

// ---- Reading ----

TEST(JpegReaderTest, ColourFilesLoadAs24BitsGrayFilesWithTheGrayPalette) {
  TPixelGraphic color, gray;
  ReadJpeg(color, ColorJpeg());
  EXPECT_EQ(color.BitCountNum(), 3);
  EXPECT_EQ(color.Width(), 40);
  EXPECT_EQ(color.Height(), 24);
  ReadJpeg(gray, GrayJpeg());
  EXPECT_EQ(gray.BitCountNum(), 2);
  EXPECT_EQ(gray.PaletteIdent(), pGray256);
  ASSERT_EQ(gray.PaletteCount(), 256);
  EXPECT_EQ(gray.PaletteColor(77), RGBColor(77, 77, 77));
}

TEST(JpegReaderTest, CmykIsDescribedButNotRead) {
  const TImageInfo info = JpegInfo(CmykJpeg());
  EXPECT_EQ(info.InfoText, "Adope, CMYK");
  EXPECT_EQ(info.BitCount, 32);
  EXPECT_EQ(info.ColorsText, "4294.9M");
  TPixelGraphic image;
  EXPECT_EQ(test::ErrorText([&] { ReadJpeg(image, CmykJpeg()); }), "JPG: Not supported subformat");
}

TEST(JpegReaderTest, JpegFilesCarryNoGamma) {
  TCodecSettings settings = CodecSettings();
  settings.DisplayGamma = 2.0;
  TScopedCodecSettings scoped(settings);
  TPixelGraphic image;
  image.Gamma = 1.0;
  ReadJpeg(image, ColorJpeg());
  EXPECT_DOUBLE_EQ(image.Gamma, 2.0);
}

struct InfoCase {
  const char* name;
  Bytes (*make)();
  const char* infoText;
  int bitCount;
  const char* colors;
};

class JpegInfoTest : public ::testing::TestWithParam<InfoCase> {};

TEST_P(JpegInfoTest, DescribesTheFile) {
  const InfoCase c = GetParam();
  const TImageInfo info = JpegInfo(c.make());
  EXPECT_EQ(info.InfoText, c.infoText);
  EXPECT_EQ(info.BitCount, c.bitCount);
  EXPECT_EQ(info.ColorsText, c.colors);
  EXPECT_EQ(info.ExtraText, "");
  EXPECT_EQ(info.ImageCount, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Files, JpegInfoTest,
    ::testing::Values(
        InfoCase{"Color", [] { return ColorJpeg(); }, "JFIF, YCbCr", 24, "16.7M"},
        InfoCase{"Gray", [] { return GrayJpeg(); }, "JFIF, GrayScale", 8, "256"},
        InfoCase{"Progressive",
                 [] {
                   test::JpegEncodeOptions o;
                   o.progressive = true;
                   return ColorJpeg(40, 24, o);
                 },
                 "JFIF, YCbCr, Progressive", 24, "16.7M"},
        InfoCase{"BothMarkers",
                 [] {
                   test::JpegEncodeOptions o;
                   o.adobeMarker = true;
                   return ColorJpeg(40, 24, o);
                 },
                 "JFIF, Adope, YCbCr", 24, "16.7M"},
        InfoCase{"NoMarkers",
                 [] {
                   test::JpegEncodeOptions o;
                   o.jfifMarker = false;
                   return ColorJpeg(40, 24, o);
                 },
                 "YCbCr", 24, "16.7M"},
        InfoCase{"Cmyk", CmykJpeg, "Adope, CMYK", 32, "4294.9M"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(JpegInfoTest, SizeLineThroughTheRegistry) {
  test::TTempDir dir;
  test::WriteFileBytes(dir.file("photo.bin"), ColorJpeg(33, 17));
  TFileInfo info;
  ASSERT_TRUE(GetFileInfo(dir.file("photo.bin"), 0, info));
  EXPECT_EQ(info.Description, "JPEG (JFIF compliant)");
  EXPECT_EQ(FileInfoSizeLine(info.Info), "33x17x16.7M 24 bit");
}

TEST(JpegReaderTest, IndexOtherThanZeroIsRefused) {
  const Bytes file = ColorJpeg();
  TMemoryStream stream(file.data(), file.size());
  TPixelGraphic image;
  EXPECT_EQ(test::ErrorText([&] { test::ReaderFor("jpg").ReadImage(stream, image, 1); }), "JPG: Index invalid");
  TImageInfo info;
  EXPECT_EQ(test::ErrorText([&] { test::ReaderFor("jpg").GetImageInfo(stream, 2, info); }),
            "JPG: Invalid value for Index");
}

TEST(JpegReaderTest, LibraryErrorsBecomeJpgMessages) {
  struct Case {
    Bytes data;
    const char* message;
  } cases[] = {
      {{}, "JPG: Empty input file"},
      {{'B', 'M', 0, 0}, "JPG: Not a JPEG file: starts with 0x42 0x4d"},
      {{0xFF, 0xD8, 0xFF, 0xD9}, "JPG: JPEG datastream contains no image"},
  };
  for (const Case& c : cases) {
    TPixelGraphic image;
    TMemoryStream stream(c.data.data(), c.data.size());
    EXPECT_THROW(test::ReaderFor("jpg").ReadImage(stream, image, 0), EPGJPGFileFormatReaderWriter);
    TMemoryStream again(c.data.data(), c.data.size());
    EXPECT_EQ(test::ErrorText([&] { test::ReaderFor("jpg").ReadImage(again, image, 0); }), c.message);
  }
}

// ---- Warnings ----

// Cut inside the entropy-coded data: libjpeg warns "Premature end of JPEG file" and fills
// the rest.
Bytes TruncatedJpeg() {
  Bytes file = ColorJpeg(64, 48);
  file.resize(file.size() * 2 / 3);
  return file;
}

struct WarningCase {
  const char* name;
  TPGWarningAction action;
  bool answer;
  int prompts;
  const char* error;
};

class JpegWarningTest : public ::testing::TestWithParam<WarningCase> {};

TEST_P(JpegWarningTest, FollowsTheWarningAction) {
  const WarningCase c = GetParam();
  int prompts = 0;
  std::string caption, text;
  TScopedWarningPrompt prompt([&](const std::string& cap, const std::string& t, bool) {
    ++prompts;
    caption = cap;
    text = t;
    return c.answer;
  });
  TPixelGraphic image;
  image.ReadWarningAction = c.action;
  const std::string error = test::ErrorText([&] { ReadJpeg(image, TruncatedJpeg()); });
  EXPECT_EQ(error, c.error ? c.error : "");
  EXPECT_EQ(prompts, c.prompts);
  if (prompts) {
    EXPECT_EQ(caption, "JPG Warning");
    EXPECT_EQ(text, "Premature end of JPEG file");
  }
  if (!c.error) {
    EXPECT_EQ(image.Height(), 48);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Actions, JpegWarningTest,
    ::testing::Values(WarningCase{"Ignore", pgwaIgnore, false, 0, nullptr},
                      WarningCase{"OKBox", pgwaOKBox, false, 1, nullptr},
                      WarningCase{"OKCancelOK", pgwaOKCancelBox, true, 1, nullptr},
                      WarningCase{"OKCancelCancel", pgwaOKCancelBox, false, 1, "JPG: Operation aborted on user request"},
                      WarningCase{"Raise", pgwaRaise, true, 0, "JPG: Premature end of JPEG file"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(JpegWarningTest, OnlyTheFirstWarningIsShown) {
  // Garbage before two markers gives two "extraneous bytes" warnings, then the cut a third.
  Bytes file = ColorJpeg(64, 48);
  const auto markers = test::JpegMarkerOffsets(file);
  file.insert(file.begin() + static_cast<long>(markers[3]), {0x12, 0x34});
  file.insert(file.begin() + static_cast<long>(markers[2]), {0x12, 0x34});
  file.resize(file.size() * 2 / 3);
  int prompts = 0;
  TScopedWarningPrompt prompt([&](const std::string&, const std::string&, bool) { return ++prompts, true; });
  TPixelGraphic image;
  image.ReadWarningAction = pgwaOKBox;
  ReadJpeg(image, file);
  EXPECT_EQ(prompts, 1);
}

TEST(JpegWarningTest, GetImageInfoRaisesOnWarnings) {
  Bytes file = ColorJpeg();
  const auto markers = test::JpegMarkerOffsets(file);
  file.insert(file.begin() + static_cast<long>(markers[2]), {0x12, 0x34, 0x56});
  TImageInfo info;
  const std::string error = test::ErrorText([&] {
    TMemoryStream stream(file.data(), file.size());
    test::ReaderFor("jpg").GetImageInfo(stream, 0, info);
  });
  EXPECT_EQ(error.rfind("JPG: Corrupt JPEG data: 3 extraneous bytes before marker", 0), 0u) << error;
  // The picture itself still loads when warnings are ignored.
  TPixelGraphic image;
  image.ReadWarningAction = pgwaIgnore;
  EXPECT_NO_THROW(ReadJpeg(image, file));
}

// ---- Progress ----

TEST(JpegReaderTest, ProgressPerRowAndAbortKeepsTheRowsSoFar) {
  const Bytes file = ColorJpeg(16, 40);
  TPixelGraphic full;
  ReadJpeg(full, file);
  TPixelGraphic image;
  std::vector<int> steps;
  int ends = 0;
  image.OnProgressEnd = [&](TPixelGraphic&) { ++ends; };
  image.OnProgress = [&](TPixelGraphic&, int step, int max, bool& abort) {
    EXPECT_EQ(max, 40);
    steps.push_back(step);
    abort = step == 20;
  };
  ReadJpeg(image, file);
  ASSERT_EQ(steps.size(), 20u);
  EXPECT_EQ(steps.front(), 1);
  EXPECT_EQ(steps.back(), 20);
  EXPECT_EQ(ends, 1);
  EXPECT_EQ(std::memcmp(image.ScanLine(19), full.ScanLine(19), 48), 0);
  const Bytes zeros(48, 0);
  EXPECT_EQ(std::memcmp(image.ScanLine(20), zeros.data(), 48), 0);
}

// ---- Preview decoding ----

TEST(JpegPreviewTest, ScaleDenominatorCoversTheFittedSize) {
  struct Case {
    int w, h, boxW, boxH, expected;
  } cases[] = {
      {6000, 4000, 0, 0, 1},       {6000, 4000, 368, 340, 8},  {6000, 4000, 750, 750, 8},
      {6000, 4000, 751, 501, 4},   {6000, 4000, 1500, 2000, 4}, {6000, 4000, 3000, 3000, 2},
      {6000, 4000, 3001, 2001, 1}, {100, 100, 200, 200, 1},     {4000, 6000, 100, 800, 8}, {4000, 6000, 600, 800, 4},
  };
  for (const Case& c : cases)
    EXPECT_EQ(JpegPreviewScaleDenominator(c.w, c.h, c.boxW, c.boxH), c.expected) << c.w << "x" << c.h << " in " << c.boxW
                                                                                 << "x" << c.boxH;
}

TEST(JpegPreviewTest, PreviewLoadDecodesFastAndReduced) {
  const Bytes file = ColorJpeg(203, 101);
  TCodecSettings settings = CodecSettings();
  settings.JPEGReadDCTMethod = 2;
  TScopedCodecSettings scoped(settings);
  struct Case {
    int boxW, boxH, denom;
  } cases[] = {{0, 0, 1}, {25, 25, 8}, {50, 30, 4}, {100, 50, 2}};
  for (const Case& c : cases) {
    TPixelGraphic image;
    image.PreviewLoad = true;
    image.PreviewWidth = c.boxW;
    image.PreviewHeight = c.boxH;
    ReadJpeg(image, file);
    const test::JpegReference ref = test::DecodeJpegReference(file, JDCT_IFAST, c.denom);
    ASSERT_EQ(image.Width(), ref.width) << c.denom;
    ASSERT_EQ(image.Height(), ref.height);
    EXPECT_EQ(test::ImageSamples(image), ref.samples) << c.denom;
  }
  // Without PreviewLoad the box is ignored and the read method applies.
  TPixelGraphic image;
  image.PreviewWidth = 25;
  image.PreviewHeight = 25;
  ReadJpeg(image, file);
  EXPECT_EQ(image.Width(), 203);
  EXPECT_EQ(test::ImageSamples(image), test::DecodeJpegReference(file, JDCT_FLOAT).samples);
  EXPECT_NE(test::ImageSamples(image), test::DecodeJpegReference(file, JDCT_IFAST).samples);
}

// ---- Writing ----

TEST(JpegWriterTest, DefaultsAreBaselineQuality80FloatDct) {
  TPixelGraphic image;
  image.Allocate(37, 21, 3);
  test::FillRandom(image, 9);
  TMemoryStream out;
  int calls = 0;
  image.OnProgress = [&](TPixelGraphic&, int step, int max, bool& abort) {
    EXPECT_EQ(step, calls);
    EXPECT_EQ(max, 21);
    abort = true;  // not honoured while writing
    ++calls;
  };
  test::WriterFor("jpg").WriteImage(out, image);
  EXPECT_EQ(calls, 21);
  // The same as libjpeg's encoder given the same settings.
  test::JpegEncodeOptions o;
  o.quality = 80;
  o.dct = JDCT_FLOAT;
  o.hSampling = 2;
  o.vSampling = 2;
  Bytes bgr;
  for (int y = 0; y < 21; ++y) bgr.insert(bgr.end(), image.ScanLine(y), image.ScanLine(y) + 37 * 3);
  EXPECT_EQ(out.bytes(), test::EncodeJpeg(37, 21, 3, JCS_EXT_BGR, bgr, o));
  EXPECT_EQ(JpegInfo(out.bytes()).InfoText, "JFIF, YCbCr");
}

TEST(JpegWriterTest, SettingsQualityProgressiveAndDct) {
  TPixelGraphic image;
  image.Allocate(37, 21, 3);
  test::FillRandom(image, 9);
  TCodecSettings settings = CodecSettings();
  settings.JPEGQuality = 35;
  settings.JPEGProgressive = true;
  settings.JPEGWriteDCTMethod = 1;
  TScopedCodecSettings scoped(settings);
  TMemoryStream out;
  test::WriterFor("jpg").WriteImage(out, image);
  test::JpegEncodeOptions o;
  o.quality = 35;
  o.progressive = true;
  o.dct = JDCT_IFAST;
  Bytes bgr;
  for (int y = 0; y < 21; ++y) bgr.insert(bgr.end(), image.ScanLine(y), image.ScanLine(y) + 37 * 3);
  EXPECT_EQ(out.bytes(), test::EncodeJpeg(37, 21, 3, JCS_EXT_BGR, bgr, o));
  EXPECT_EQ(JpegInfo(out.bytes()).InfoText, "JFIF, YCbCr, Progressive");
}

TEST(JpegWriterTest, GrayImagesAreWrittenWithOneComponent) {
  TPixelGraphic gray;
  ReadJpeg(gray, GrayJpeg());
  TMemoryStream direct;
  test::WriterFor("jpg").WriteImage(direct, gray);
  EXPECT_EQ(JpegInfo(direct.bytes()).BitCount, 8);
  EXPECT_EQ(JpegInfo(direct.bytes()).InfoText, "JFIF, GrayScale");
  TPixelGraphic back;
  ReadJpeg(back, direct.bytes());
  EXPECT_EQ(back.BitCountNum(), 2);

  // Through the save path: a 256-gray image stays gray, and a 16-gray image goes through
  // 256 grays (the colour-resolution fallback) and also stays gray.
  TPixelGraphic gray16;
  gray16.Allocate(8, 8, 1);
  gray16.SetPaletteIdent(pGray16);
  gray16.DeterminePaletteIdent();
  if (gray16.PaletteIdent() != pGray16) GTEST_SKIP() << "palette identification is not built yet";
  TMemoryStream out;
  gray.SaveToStreamEx(out, "jpg");
  EXPECT_EQ(JpegInfo(out.bytes()).BitCount, 8);
  gray16.SaveColorResWarningAction = pgwaIgnore;
  TMemoryStream out16;
  gray16.SaveToStreamEx(out16, "jpeg");
  EXPECT_EQ(JpegInfo(out16.bytes()).BitCount, 8);
}

TEST(JpegWriterTest, OtherIndexedImagesAreRefused) {
  TPixelGraphic image;
  image.Allocate(4, 4, 2);
  test::SetRandomPalette(image, 256, 1);
  TMemoryStream out;
  EXPECT_EQ(test::ErrorText([&] { test::WriterFor("jpg").WriteImage(out, image); }), "JPG: Invalid value for BitCount");
  TPixelGraphic four;
  four.Allocate(4, 4, 1);
  four.SetPaletteIdent(pGray16);
  EXPECT_EQ(test::ErrorText([&] { test::WriterFor("jpg").WriteImage(out, four); }), "JPG: Invalid value for BitCount");
  EXPECT_EQ(out.size(), 0u);
}

TEST(JpegWriterTest, FailuresOfTheLibraryAndTheStream) {
  TPixelGraphic empty;
  TMemoryStream out;
  EXPECT_THROW(test::WriterFor("jpg").WriteImage(out, empty), EPGJPGFileFormatReaderWriter);
  TPixelGraphic wide;
  wide.Allocate(70000, 1, 3);
  EXPECT_EQ(test::ErrorText([&] { test::WriterFor("jpg").WriteImage(out, wide); }),
            "JPG: Maximum supported image dimension is 65500 pixels");
  struct FailingStream : TMemoryStream {
    void Write(const void*, size_t) override { throw EStreamError("disk full"); }
  } failing;
  TPixelGraphic image;
  image.Allocate(300, 300, 3);
  test::FillRandom(image, 2);
  EXPECT_THROW(test::WriterFor("jpg").WriteImage(failing, image), EStreamError);
}

TEST(JpegWriterTest, RoundTripStaysClose) {
  TPixelGraphic image;
  image.Allocate(64, 64, 3);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) image.SetPixel(x, y, RGBColor(x * 4, y * 4, 128));
  TCodecSettings settings = CodecSettings();
  settings.JPEGQuality = 95;
  TScopedCodecSettings scoped(settings);
  TMemoryStream out;
  image.SaveToStreamEx(out, "jpg");
  TPixelGraphic back;
  out.SetPosition(0);
  back.LoadFromStream(out);
  int worst = 0;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      const TColor a = image.GetPixel(x, y), b = back.GetPixel(x, y);
      worst = std::max({worst, std::abs(GetRValue(a) - GetRValue(b)), std::abs(GetGValue(a) - GetGValue(b)),
                        std::abs(GetBValue(a) - GetBValue(b))});
    }
  EXPECT_LE(worst, 8);  // red stays red: the channel order is right both ways
}

// ---- Hostile and truncated input ----

Bytes WithFrameSize(Bytes file, int width, int height) {
  for (std::size_t i = 0; i + 9 < file.size(); ++i)
    if (file[i] == 0xFF && (file[i + 1] == 0xC0 || file[i + 1] == 0xC2)) {
      PutBE16(file.data() + i + 5, static_cast<std::uint32_t>(height));
      PutBE16(file.data() + i + 7, static_cast<std::uint32_t>(width));
      break;
    }
  return file;
}

TEST(JpegReaderTest, SizesBeyondTheLimitsAreRefusedBeforeDecoding) {
  TImageLimits limits;
  limits.MaxPixelBytes = 16 << 20;
  TScopedImageLimits scoped(limits);
  TPixelGraphic image;
  image.ReadWarningAction = pgwaIgnore;
  EXPECT_EQ(test::ErrorText([&] { ReadJpeg(image, WithFrameSize(ColorJpeg(), 65000, 65000)); }),
            "CreateDIBSection failed");
  EXPECT_TRUE(image.GetEmpty());
  // A preview of the same file is small enough.
  TPixelGraphic preview;
  preview.ReadWarningAction = pgwaIgnore;
  preview.PreviewLoad = true;
  preview.PreviewWidth = preview.PreviewHeight = 100;
  EXPECT_EQ(test::ErrorText([&] { ReadJpeg(preview, WithFrameSize(ColorJpeg(), 8000, 8000)); }), "");
  EXPECT_EQ(preview.Width(), 1000);
}

TEST(JpegReaderTest, ProgressiveFilesWithEndlessScansAreRefused) {
  // A legal script of more scans than any encoder writes: each AC coefficient of each
  // component alone, refined bit by bit.
  test::JpegEncodeOptions o;
  o.hSampling = o.vSampling = 1;
  for (int c = 0; c < 3; ++c) o.scans.push_back(jpeg_scan_info{1, {c}, 0, 0, 0, 0});
  for (int c = 0; c < 3; ++c)
    for (int k = 1; k < 64; ++k) {
      o.scans.push_back(jpeg_scan_info{1, {c}, k, k, 0, 6});
      for (int al = 5; al >= 0; --al) o.scans.push_back(jpeg_scan_info{1, {c}, k, k, al + 1, al});
    }
  ASSERT_GT(o.scans.size(), std::size_t(kJpegMaxScans));
  const Bytes file = ColorJpeg(8, 8, o);
  TPixelGraphic image;
  EXPECT_EQ(test::ErrorText([&] { ReadJpeg(image, file); }), "JPG: Scan count out of range");
}

// Cut at every marker and a few bytes into it: never a crash; refused with a JPG
// message when warnings raise, loaded (rest filled) or refused when they are ignored.
TEST(JpegReaderTest, TruncatedFilesAreHandledAtEveryMarker) {
  for (const bool progressive : {false, true}) {
    test::JpegEncodeOptions o;
    o.progressive = progressive;
    o.restartRows = 1;
    const Bytes file = ColorJpeg(48, 32, o);
    for (std::size_t marker : test::JpegMarkerOffsets(file)) {
      for (std::size_t cut : {marker, marker + 1, marker + 3}) {
        if (cut >= file.size()) continue;
        const Bytes part(file.begin(), file.begin() + static_cast<long>(cut));
        for (const TPGWarningAction action : {pgwaRaise, pgwaIgnore}) {
          TPixelGraphic image;
          image.ReadWarningAction = action;
          const std::string error = test::ErrorText([&] { ReadJpeg(image, part); });
          if (action == pgwaRaise) EXPECT_EQ(error.rfind("JPG: ", 0), 0u) << "cut " << cut << ": " << error;
          else if (!error.empty()) {
            EXPECT_EQ(error.rfind("JPG: ", 0), 0u) << error;
          }
        }
        TImageInfo info;
        TMemoryStream stream(part.data(), part.size());
        const std::string infoError = test::ErrorText([&] { test::ReaderFor("jpg").GetImageInfo(stream, 0, info); });
        if (!infoError.empty()) {
          EXPECT_EQ(infoError.rfind("JPG: ", 0), 0u) << infoError;
        }
      }
    }
  }
}

TEST(JpegReaderTest, StreamIsLeftAfterTheImage) {
  Bytes file = ColorJpeg();
  const std::size_t end = file.size();
  file.insert(file.end(), {1, 2, 3, 4, 5});
  TMemoryStream stream(file.data(), file.size());
  TPixelGraphic image;
  test::ReaderFor("jpg").ReadImage(stream, image, 0);
  EXPECT_EQ(stream.Position(), static_cast<std::int64_t>(end));
}

}  // namespace
}  // namespace lumora
