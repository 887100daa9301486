// The animated display's model: frame reading with its limits, placement on the
// logical screen, the disposal methods and transparency of the composed picture.
#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "imaging/view/gif_movie.h"
#include "tests/imaging/gif_test_util.h"
#include "tests/support/test_support.h"

namespace lumora {
namespace {

using test::TGIFBuilder;

constexpr std::uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF;

TGIFMovie Movie(const std::vector<std::uint8_t>& bytes, bool expectOk = true, TGIFMovieOptions options = {}) {
  TGIFMovie movie;
  EXPECT_EQ(movie.Load(bytes.data(), bytes.size(), options), expectOk);
  return movie;
}

std::vector<std::uint8_t> Fill(int w, int h, std::uint8_t v) { return std::vector<std::uint8_t>(size_t(w * h), v); }

// The composed picture after frames 1..n have been shown in turn.
void ShowUpTo(TGIFMovie& movie, int n) {
  movie.ResetComposition();
  movie.DrawFrame(1);
  for (int i = 2; i <= n; ++i) {
    movie.DisposeFrame(i - 1);
    movie.DrawFrame(i);
  }
}

TEST(GIFMovie, SmallFrameOnALargerScreenIsBlackOutside) {
  TGIFMovie movie = Movie(TGIFBuilder(4, 3, {kRed, kGreen}).Image(1, 1, 2, 1, Fill(2, 1, 1)).Bytes());
  EXPECT_EQ(movie.ImageWidth(), 4);
  EXPECT_EQ(movie.ImageHeight(), 3);
  EXPECT_FALSE(movie.HasTransparency());
  ShowUpTo(movie, 1);
  EXPECT_EQ(movie.ComposedPixel(0, 0), kGIFOpaqueBlack);
  EXPECT_EQ(movie.ComposedPixel(1, 1), 0xFF000000u | kGreen);
  EXPECT_EQ(movie.ComposedPixel(3, 2), kGIFOpaqueBlack);
  EXPECT_EQ(movie.FramePicture(1).size(), 2u);
}

TEST(GIFMovie, TransparentFrameLeavesTheRestSeeThrough) {
  TGIFMovie movie =
      Movie(TGIFBuilder(3, 1, {kRed, kGreen}).Control(0, 0, true, 0).Image(0, 0, 2, 1, {0, 1}).Bytes());
  EXPECT_TRUE(movie.HasTransparency());
  EXPECT_TRUE(movie.Frame(1).Transparent);
  EXPECT_EQ(movie.Frame(1).TransparentColor, RGBColor(255, 0, 0));
  ShowUpTo(movie, 1);
  EXPECT_EQ(movie.ComposedPixel(0, 0), kGIFTransparent);
  EXPECT_EQ(movie.ComposedPixel(1, 0), 0xFF000000u | kGreen);
  EXPECT_EQ(movie.ComposedPixel(2, 0), kGIFTransparent);
}

TEST(GIFMovie, FrameBeyondTheScreenEnlargesThePicture) {
  TGIFMovie movie = Movie(TGIFBuilder(2, 2, {kRed, kGreen}).Image(0, 0, 2, 2, Fill(2, 2, 0)).Image(3, 1, 2, 4, Fill(2, 4, 1)).Bytes());
  EXPECT_EQ(movie.ImageWidth(), 5);
  EXPECT_EQ(movie.ImageHeight(), 5);
  EXPECT_EQ(movie.ScreenWidth(), 2);
}

struct TDisposalCase {
  const char* name;
  int disposal;
  bool transparentFirst;
  std::uint32_t expectedUnderFrame2;  // after frame 2 was disposed and frame 3 drawn elsewhere
};

class GIFMovieDisposal : public ::testing::TestWithParam<TDisposalCase> {};

// Frame 1 fills 2x1 red (or leaves pixel 0 transparent), frame 2 paints pixel 0 green
// with the disposal under test, frame 3 paints pixel 1 blue.
TEST_P(GIFMovieDisposal, WhatFrameTwoLeavesBehind) {
  const TDisposalCase c = GetParam();
  TGIFBuilder b(2, 1, {kRed, kGreen, kBlue, kWhite});
  if (c.transparentFirst) b.Control(0, 0, true, 3);
  b.Image(0, 0, 2, 1, {std::uint8_t(c.transparentFirst ? 3 : 0), 0});
  b.Control(c.disposal, 0).Image(0, 0, 1, 1, {1});
  b.Control(0, 0).Image(1, 0, 1, 1, {2});
  TGIFMovie movie = Movie(b.Bytes());
  ASSERT_EQ(movie.FrameCount(), 3);
  EXPECT_EQ(movie.Frame(2).Disposal, c.disposal == 5 ? 2 : c.disposal);
  ShowUpTo(movie, 3);
  EXPECT_EQ(movie.ComposedPixel(0, 0), c.expectedUnderFrame2);
  EXPECT_EQ(movie.ComposedPixel(1, 0), 0xFF000000u | kBlue);
}

INSTANTIATE_TEST_SUITE_P(Methods, GIFMovieDisposal,
                         ::testing::Values(TDisposalCase{"none", 0, false, 0xFF000000u | kGreen},
                                           TDisposalCase{"leave", 1, false, 0xFF000000u | kGreen},
                                           TDisposalCase{"background", 2, false, kGIFOpaqueBlack},
                                           TDisposalCase{"background_transparent", 2, true, kGIFTransparent},
                                           TDisposalCase{"other_values_mean_background", 5, false, kGIFOpaqueBlack},
                                           TDisposalCase{"previous", 3, false, 0xFF000000u | kRed},
                                           TDisposalCase{"previous_transparent", 3, true, kGIFTransparent}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(GIFMovie, DelaysLoopCountCommentsAndVersion) {
  TGIFMovie movie = Movie(TGIFBuilder(1, 1, {kRed, kGreen})
                              .Loop(7)
                              .Comment("first")
                              .Control(0, 3)
                              .Image(0, 0, 1, 1, {0})
                              .Image(0, 0, 1, 1, {1})
                              .Bytes());
  EXPECT_EQ(movie.LoopCount(), 7);
  EXPECT_TRUE(movie.Is89a());
  EXPECT_EQ(movie.Frame(1).Delay, 30);
  EXPECT_EQ(movie.Frame(1).Comment, "first");
  EXPECT_EQ(movie.Frame(2).Delay, 0);  // control data applies to one image only
  EXPECT_EQ(Movie(TGIFBuilder(1, 1, {kRed}).Image(0, 0, 1, 1, {0}).Bytes()).LoopCount(), 1);
  EXPECT_FALSE(Movie(TGIFBuilder(1, 1, {kRed}, "87a").Image(0, 0, 1, 1, {0}).Bytes()).Is89a());
}

TEST(GIFMovie, ThreeHundredFramesKeepTheFirst256) {
  TGIFBuilder b(1, 1, {kRed, kGreen});
  for (int i = 0; i < 300; ++i) b.Image(0, 0, 1, 1, {std::uint8_t(i & 1)});
  EXPECT_EQ(Movie(b.Bytes()).FrameCount(), 256);
  TGIFMovieOptions first;
  first.FirstImageOnly = true;
  EXPECT_EQ(Movie(b.Bytes(), true, first).FrameCount(), 1);
}

TEST(GIFMovie, LocalTableBitsRaiseThePaletteOfLaterGlobalFrames) {
  std::vector<std::uint32_t> local(16, kBlue);
  TGIFMovie movie = Movie(TGIFBuilder(1, 1, {kRed, kGreen}).Image(0, 0, 1, 1, {0}, local).Image(0, 0, 1, 1, {1}).Bytes());
  EXPECT_EQ(movie.PaletteBits(), 4);
  EXPECT_EQ(movie.Frame(2).PaletteBits, 4);
  EXPECT_EQ(movie.Frame(2).Colors[1], 0xFF000000u | kGreen);
  EXPECT_EQ(movie.Frame(2).Colors[5], kGIFOpaqueBlack);   // beyond the file's table: black
  EXPECT_EQ(movie.Frame(2).Colors[200], 0xFF000000u | kRed);  // beyond 2^bits: entry 0
}

struct TFailureCase {
  const char* name;
  std::vector<std::uint8_t> bytes;
  bool loads;
  int frames;
};

std::vector<TFailureCase> FailureCases() {
  const auto two = TGIFBuilder(2, 2, {kRed, kGreen}).Image(0, 0, 2, 2, Fill(2, 2, 1)).Image(0, 0, 2, 2, Fill(2, 2, 0));
  auto cut = TGIFBuilder(2, 2, {kRed, kGreen}).Image(0, 0, 2, 2, Fill(2, 2, 1)).Bytes(false);
  cut.erase(cut.end() - 2, cut.end());
  auto damagedSecond = TGIFBuilder(2, 2, {kRed, kGreen}).Image(0, 0, 2, 2, Fill(2, 2, 1));
  damagedSecond.Descriptor(0, 0, 2, 2).Raw(test::PackLZWCodes(2, {{4, 3}, {7, 3}})).Image(0, 0, 2, 2, Fill(2, 2, 0));
  auto badCodeSize = TGIFBuilder(2, 2, {kRed, kGreen}).Image(0, 0, 2, 2, Fill(2, 2, 1));
  badCodeSize.Descriptor(0, 0, 2, 2).Raw({12, 1, 0, 0});
  auto oversize = TGIFBuilder(2, 2, {kRed, kGreen}).Image(0, 0, 2, 2, Fill(2, 2, 1));
  oversize.Descriptor(0, 0, 16385, 2).Raw({2, 1, 0, 0});
  std::vector<std::uint8_t> cutDescriptor =
      TGIFBuilder(2, 2, {kRed, kGreen}).Image(0, 0, 2, 2, Fill(2, 2, 1)).Raw({',', 0, 0, 0}).Bytes(false);
  TGIFBuilder hugeScreen(65535, 65535, {kRed, kGreen});
  for (int i = 0; i < 256; ++i) hugeScreen.Descriptor(0, 0, 65535, 65535).Raw({2, 1, 0x44, 0});
  return {
      {"two good frames", two.Bytes(), true, 2},
      {"empty data", {}, false, 0},
      {"not GIF", {'G', 'I', 'X', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0}, false, 0},
      {"zero width frame", TGIFBuilder(2, 2, {kRed, kGreen}).Image(0, 0, 2, 2, Fill(2, 2, 1)).Descriptor(0, 0, 0, 2).Raw({2, 0}).Bytes(), false, 0},
      {"damaged frame is dropped with the rest", damagedSecond.Bytes(), true, 1},
      {"unusable code size drops the frame", badCodeSize.Bytes(), true, 1},
      {"frame above 16384 drops the frame", oversize.Bytes(), true, 1},
      {"cut inside a descriptor", cutDescriptor, true, 1},
      {"cut inside the image data", cut, true, 1},
      {"no image at all", TGIFBuilder(3, 2, {kRed}).Bytes(), true, 0},
      {"256 frames of 65535 squared are refused", hugeScreen.Bytes(), false, 0},
  };
}

class GIFMovieFailure : public ::testing::TestWithParam<TFailureCase> {};

TEST_P(GIFMovieFailure, LoadsWhatItCanOrFailsEmpty) {
  const TFailureCase& c = GetParam();
  TGIFMovie movie;
  EXPECT_EQ(movie.Load(c.bytes.data(), c.bytes.size()), c.loads);
  EXPECT_EQ(movie.FrameCount(), c.frames);
  EXPECT_EQ(movie.Empty(), !c.loads);
}

INSTANTIATE_TEST_SUITE_P(Files, GIFMovieFailure, ::testing::ValuesIn(FailureCases()), [](const auto& info) {
  std::string name = info.param.name;
  for (char& ch : name) if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return name;
});

TEST(GIFMovie, CutFrameShowsWhatItsDataReached) {
  std::vector<std::uint8_t> rows(40 * 40);
  for (size_t i = 0; i < rows.size(); ++i) rows[i] = std::uint8_t(1 + i % 3);
  auto bytes = TGIFBuilder(40, 40, {kRed, kGreen, kBlue, kWhite}).Image(0, 0, 40, 40, rows).Bytes(false);
  bytes.erase(bytes.end() - 20, bytes.end());
  TGIFMovie movie = Movie(bytes);
  ASSERT_EQ(movie.FrameCount(), 1);
  ShowUpTo(movie, 1);
  EXPECT_EQ(movie.ComposedPixel(0, 0), 0xFF000000u | kGreen);
  EXPECT_EQ(movie.ComposedPixel(39, 39), 0xFF000000u | kRed);  // index 0
}

TEST(GIFMovie, MemoryBudgetEndsTheReadingInsteadOfAllocating) {
  TGIFBuilder b(300, 300, {kRed, kGreen});
  for (int i = 0; i < 256; ++i) b.Descriptor(0, 0, 300, 300).Raw({2, 1, 0x44, 0});  // data ends at once
  TGIFMovieOptions options;
  options.MemoryBudget = 4 * 300 * 300 + 5 * 300 * 300;
  TGIFMovie movie = Movie(b.Bytes(), true, options);
  EXPECT_EQ(movie.FrameCount(), 5);
  options.MemoryBudget = 4 * 300 * 300 - 1;  // not even the composed picture fits
  Movie(b.Bytes(), false, options);
}

TEST(GIFMovie, ProgressCanCancelTheLoad) {
  const auto bytes = TGIFBuilder(2, 2, {kRed, kGreen}).Image(0, 0, 2, 2, Fill(2, 2, 1)).Image(0, 0, 2, 2, Fill(2, 2, 0)).Bytes();
  std::vector<std::int64_t> positions;
  TGIFMovieOptions options;
  options.OnProgress = [&](std::int64_t pos, std::int64_t size) {
    EXPECT_EQ(size, std::int64_t(bytes.size()));
    positions.push_back(pos);
    return true;
  };
  Movie(bytes, true, options);
  ASSERT_GE(positions.size(), 3u);
  EXPECT_EQ(positions.back(), std::int64_t(bytes.size()));
  options.OnProgress = [&](std::int64_t pos, std::int64_t) { return pos < 20; };
  TGIFMovie cancelled = Movie(bytes, false, options);
  EXPECT_TRUE(cancelled.Empty());
}

TEST(GIFMovie, EveryTruncationLoadsOrFailsCleanly) {
  TGIFBuilder b(5, 4, {kRed, kGreen, kBlue, kWhite});
  b.Loop(0).Comment("c").Control(3, 10, true, 2).Image(1, 1, 3, 2, {0, 1, 2, 3, 0, 1}).Control(2, 5).Image(0, 0, 5, 4, Fill(5, 4, 3), {kBlue, kRed}, true);
  const auto bytes = b.Bytes();
  for (size_t n = 0; n <= bytes.size(); ++n) {
    TGIFMovie movie;
    if (movie.Load(bytes.data(), n)) {
      for (int i = 1; i <= movie.FrameCount(); ++i) ShowUpTo(movie, i);
    }
  }
}

// ---- Conformance: the suite's expected frames of files whose images are frames ----

struct TSuiteFrames {
  int width = 0, height = 0;
  std::vector<std::string> pixels;
};

TSuiteFrames ReadConf(const std::filesystem::path& conf) {
  TSuiteFrames s;
  std::ifstream in(conf);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("width = ", 0) == 0) s.width = std::stoi(line.substr(8));
    if (line.rfind("height = ", 0) == 0) s.height = std::stoi(line.substr(9));
    if (line.rfind("pixels = ", 0) == 0) s.pixels.push_back(line.substr(9));
  }
  return s;
}

TEST(GIFMovieCorpus, ComposedFramesMatchTheSuite) {
  if (test::CorpusDir().empty()) GTEST_SKIP() << "conformance corpus not found";
  const auto dir = test::CorpusDir() / "gif" / "pygif-test-suite";
  // Files whose images are the suite's frames one to one. (dispose-restore-background
  // expects the file's background colour around its 1x1 frames; the display shows black
  // there, as it ignores the background index.)
  const char* names[] = {"animation", "animation-speed", "animation-no-delays", "animation-zero-delays",
                         "dispose-none", "dispose-keep", "gif87a-animation",
                         "transparent", "four-colors", "interlace", "depth3", "depth5", "depth6", "depth7",
                         "loop-once", "loop-max", "loop-infinite", "xmp-data", "plain-text"};
  for (const char* name : names) {
    SCOPED_TRACE(name);
    const TSuiteFrames suite = ReadConf(dir / (std::string(name) + ".conf"));
    const auto bytes = test::ReadFileBytes((dir / (std::string(name) + ".gif")).string());
    TGIFMovie movie;
    ASSERT_TRUE(movie.Load(bytes.data(), bytes.size()));
    if (suite.pixels.empty()) continue;
    ASSERT_EQ(movie.FrameCount(), int(suite.pixels.size()));
    ASSERT_EQ(movie.ImageWidth(), suite.width);
    ASSERT_EQ(movie.ImageHeight(), suite.height);
    for (int f = 1; f <= movie.FrameCount(); ++f) {
      ShowUpTo(movie, f);
      const auto rgba = test::ReadFileBytes((dir / suite.pixels[size_t(f - 1)]).string());
      ASSERT_EQ(rgba.size(), size_t(4 * suite.width * suite.height));
      int wrong = 0;
      for (int y = 0; y < suite.height; ++y) {
        for (int x = 0; x < suite.width; ++x) {
          const std::uint8_t* p = &rgba[size_t(4 * (y * suite.width + x))];
          const std::uint32_t want = p[3] == 0 ? kGIFTransparent
                                               : 0xFF000000u | (std::uint32_t(p[0]) << 16) | (p[1] << 8) | p[2];
          if (movie.ComposedPixel(x, y) != want) ++wrong;
        }
      }
      EXPECT_EQ(wrong, 0) << "frame " << f;
    }
  }
}

}  // namespace
}  // namespace lumora
