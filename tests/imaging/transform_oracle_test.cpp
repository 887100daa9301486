// The row-wise transforms against their literal per-pixel versions: identical pixels and
// identical event sequences on random pictures of every pixel format and palette kind,
// for many random rectangles and angles.
#include <gtest/gtest.h>

#include <random>

#include "imaging/core/pixel_graphic.h"
#include "imaging/processing/exact_divider.h"
#include "imaging/processing/parallel_rows.h"
#include "tests/support/transform_reference.h"
#include "tests/support/transform_test_images.h"

namespace lumora {
namespace {

using test::TImageKind;

// Runs the body with and without the hand-written vector code.
struct TSimdChoice {
  explicit TSimdChoice(bool allowed) { SetTransformSimdAllowed(allowed); }
  ~TSimdChoice() { SetTransformSimdAllowed(true); }
};

const TImageKind kSources[] = {
    {"bw1", 0, test::pkFixed, pBlackWhite},
    {"random1", 0, test::pkRandom},
    {"random4", 1, test::pkRandom},
    {"partial4", 1, test::pkPartial},
    {"gray16", 1, test::pkFixed, pGray16},
    {"sys16", 1, test::pkFixed, pSys16},
    {"random8", 2, test::pkRandom},
    {"partial8", 2, test::pkPartial},
    {"gray256", 2, test::pkFixed, pGray256},
    {"special252", 2, test::pkFixed, pSpecial252},
    {"rgb24", 3, test::pkNoPalette},
};

const TImageKind kDestinations[] = {
    {"rgb24", 3, test::pkNoPalette},
    {"random8dither", 2, test::pkRandom, pNone, true},
    {"random8plain", 2, test::pkRandom, pNone, false},
    {"gray256dither", 2, test::pkFixed, pGray256, true},
    {"random4dither", 1, test::pkRandom, pNone, true},
    {"sys16dither", 1, test::pkFixed, pSys16, true},
    {"bw1dither", 0, test::pkFixed, pBlackWhite, true},
    {"bw1plain", 0, test::pkFixed, pBlackWhite, false},
};

struct TPairCase {
  TImageKind source, dest;
};

std::vector<TPairCase> AllPairs() {
  std::vector<TPairCase> pairs;
  for (const TImageKind& s : kSources)
    for (const TImageKind& d : kDestinations) pairs.push_back({s, d});
  return pairs;
}

std::string PairName(const ::testing::TestParamInfo<TPairCase>& info) {
  return std::string(info.param.source.name) + "_to_" + info.param.dest.name;
}

class TransformOracleTest : public ::testing::TestWithParam<TPairCase> {
 protected:
  // Two identical destinations (pixels, palette, settings); the event logs attached.
  void MakeDestinations(int w, int h, std::uint32_t seed) {
    test::MakeImage(fast_, w, h, GetParam().dest, seed);
    test::MakeImage(slow_, w, h, GetParam().dest, seed);
    fastLog_ = {};
    slowLog_ = {};
    fastLog_.Attach(fast_);
    slowLog_.Attach(slow_);
  }
  void ExpectSame(const std::string& what) {
    EXPECT_TRUE(test::SameImage(slow_, fast_)) << what;
    EXPECT_EQ(slowLog_.events, fastLog_.events) << what;
  }

  TPixelGraphic source_, fast_, slow_;
  test::TEventLog fastLog_, slowLog_;
};

TEST_P(TransformOracleTest, StretchCopyMatchesThePerPixelPlan) {
  std::mt19937 rng(12345);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  for (int round = 0; round < 10; ++round) {
    test::MakeImage(source_, pick(1, 19), pick(1, 15), GetParam().source, rng());
    for (TStretchMode mode : {smFast, smMedium, smPrecise}) {
      MakeDestinations(pick(1, 23), pick(1, 17), rng());
      fast_.StretchMode = slow_.StretchMode = mode;
      // Rectangles that reach over the edges of both pictures, reduce, enlarge, keep one axis.
      const int dx = pick(-4, fast_.Width()), dy = pick(-4, fast_.Height());
      const int sx = pick(-3, source_.Width()), sy = pick(-3, source_.Height());
      const int sw = pick(1, 2 * source_.Width() + 2), sh = pick(1, 2 * source_.Height() + 2);
      const int dw = round % 4 == 0 ? sw : pick(1, 2 * fast_.Width() + 4);
      const int dh = round % 5 == 1 ? sh : pick(1, 2 * fast_.Height() + 4);
      const std::string what = "mode " + std::to_string(mode) + " dest " + std::to_string(dx) + "," +
                               std::to_string(dy) + " " + std::to_string(dw) + "x" + std::to_string(dh) + " src " +
                               std::to_string(sx) + "," + std::to_string(sy) + " " + std::to_string(sw) + "x" +
                               std::to_string(sh);
      fast_.StretchCopy(dx, dy, dw, dh, source_, sx, sy, sw, sh);
      reference::StretchCopy(slow_, dx, dy, dw, dh, source_, sx, sy, sw, sh);
      ExpectSame(what);

      // The whole picture into the whole destination.
      MakeDestinations(pick(1, 23), pick(1, 17), rng());
      fast_.StretchMode = slow_.StretchMode = mode;
      fast_.StretchFrom(source_);
      reference::StretchCopy(slow_, 0, 0, slow_.Width(), slow_.Height(), source_, 0, 0, source_.Width(),
                             source_.Height());
      ExpectSame("whole picture, mode " + std::to_string(mode));
    }
  }
}

TEST_P(TransformOracleTest, CopyRectFromMatchesThePerPixelCopy) {
  std::mt19937 rng(777);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  for (int round = 0; round < 12; ++round) {
    test::MakeImage(source_, pick(1, 21), pick(1, 13), GetParam().source, rng());
    MakeDestinations(pick(1, 21), pick(1, 13), rng());
    // Every other round the destination takes the source's palette: raw values move.
    if (round % 2 && fast_.BitCountNum() == source_.BitCountNum() && source_.PaletteCount() > 0) {
      fast_.CopyPalette(source_);
      slow_.CopyPalette(source_);
    }
    const int dx = pick(-5, fast_.Width()), dy = pick(-5, fast_.Height());
    const int sx = pick(-5, source_.Width()), sy = pick(-5, source_.Height());
    const int w = pick(0, 25), h = pick(0, 16);
    fast_.CopyRectFrom(dx, dy, source_, sx, sy, w, h);
    reference::CopyRectFrom(slow_, dx, dy, source_, sx, sy, w, h);
    ExpectSame("round " + std::to_string(round));
  }
}

TEST_P(TransformOracleTest, RotateFromMatchesThePerPixelSampling) {
  const double angles[] = {0, 90, 180, 270, 360, 450, -90, -630, 30, 45, -17.25, 137.3, 0.5, 89.999, 200, 359};
  for (bool vectorCode : {true, false}) {
    const TSimdChoice simd(vectorCode);
    std::mt19937 rng(4242);
    int round = 0;
    for (double angle : angles) {
      ++round;
      test::MakeImage(source_, 1 + int(rng() % 17), 1 + int(rng() % 13), GetParam().source, rng());
      for (bool fit : {true, false}) {
        MakeDestinations(1 + int(rng() % 19), 1 + int(rng() % 15), rng());
        if (round % 3 == 0 && fast_.BitCountNum() == source_.BitCountNum() && source_.PaletteCount() > 0) {
          fast_.CopyPalette(source_);
          slow_.CopyPalette(source_);
        }
        fast_.InterpolateRotation = slow_.InterpolateRotation = round % 4 != 1;
        fast_.RotateFrom(source_, angle, fit);
        reference::RotateFrom(slow_, source_, angle, fit);
        ExpectSame("angle " + std::to_string(angle) + (fit ? " fitted" : "") + (vectorCode ? "" : " portable"));
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(AllFormats, TransformOracleTest, ::testing::ValuesIn(AllPairs()), PairName);

class MirrorOracleTest : public ::testing::TestWithParam<TImageKind> {};

TEST_P(MirrorOracleTest, MirrorsMatchThePerPixelSwaps) {
  std::mt19937 rng(99);
  for (int round = 0; round < 8; ++round) {
    TPixelGraphic fast, slow;
    const int w = 1 + int(rng() % 37), h = 1 + int(rng() % 9);
    const std::uint32_t seed = rng();
    test::MakeImage(fast, w, h, GetParam(), seed);
    test::MakeImage(slow, w, h, GetParam(), seed);
    test::TEventLog fastLog, slowLog;
    fastLog.Attach(fast);
    slowLog.Attach(slow);
    // Some rounds abort half way: the part done must match too.
    fastLog.abortAtStep = slowLog.abortAtStep = round % 3 == 2 ? int(rng() % 5) : -1;
    if (round % 2) {
      fast.MirrorVertical();
      reference::MirrorVertical(slow);
    } else {
      fast.MirrorHorizontal();
      reference::MirrorHorizontal(slow);
    }
    EXPECT_TRUE(test::SameImage(slow, fast)) << "round " << round;
    EXPECT_EQ(slowLog.events, fastLog.events) << "round " << round;
  }
}

INSTANTIATE_TEST_SUITE_P(AllFormats, MirrorOracleTest, ::testing::ValuesIn(kSources),
                         [](const auto& info) { return std::string(info.param.name); });

// Large enough pictures for the rows to run on several threads; aborting at a row must
// leave exactly what the sequential loop leaves.
struct TThreadedCase {
  const char* name;
  int sourceW, sourceH, destW, destH;
  TStretchMode mode;
  int abortAt;  // -1: no abort
};

class ThreadedOracleTest : public ::testing::TestWithParam<TThreadedCase> {};

TEST_P(ThreadedOracleTest, StretchOnSeveralThreadsMatches) {
  const TThreadedCase c = GetParam();
  const TImageKind rgb{"rgb24", 3, test::pkNoPalette};
  TPixelGraphic source, fast, slow;
  test::MakeImage(source, c.sourceW, c.sourceH, rgb, 1);
  test::MakeImage(fast, c.destW, c.destH, rgb, 2);
  test::MakeImage(slow, c.destW, c.destH, rgb, 2);
  fast.StretchMode = slow.StretchMode = c.mode;
  test::TEventLog fastLog, slowLog;
  fastLog.Attach(fast);
  slowLog.Attach(slow);
  fastLog.abortAtStep = slowLog.abortAtStep = c.abortAt;
  fast.StretchCopy(-3, 2, c.destW + 5, c.destH - 1, source, 1, 0, c.sourceW - 1, c.sourceH);
  reference::StretchCopy(slow, -3, 2, c.destW + 5, c.destH - 1, source, 1, 0, c.sourceW - 1, c.sourceH);
  EXPECT_TRUE(test::SameImage(slow, fast));
  EXPECT_EQ(slowLog.events, fastLog.events);
}

TEST_P(ThreadedOracleTest, RotationOnSeveralThreadsMatches) {
  const TThreadedCase c = GetParam();
  const TImageKind rgb{"rgb24", 3, test::pkNoPalette};
  TPixelGraphic source, slow;
  test::MakeImage(source, c.sourceW, c.sourceH, rgb, 3);
  test::MakeImage(slow, c.destW, c.destH, rgb, 4);
  test::TEventLog slowLog;
  slowLog.Attach(slow);
  slowLog.abortAtStep = c.abortAt;
  slow.InterpolateRotation = c.mode != smFast;
  reference::RotateFrom(slow, source, 33.3, false);
  for (bool simd : {true, false}) {
    const TSimdChoice choice(simd);
    TPixelGraphic fast;
    test::MakeImage(fast, c.destW, c.destH, rgb, 4);
    test::TEventLog fastLog;
    fastLog.Attach(fast);
    fastLog.abortAtStep = c.abortAt;
    fast.InterpolateRotation = c.mode != smFast;
    fast.RotateFrom(source, 33.3, false);
    EXPECT_TRUE(test::SameImage(slow, fast)) << "vector code " << simd;
    EXPECT_EQ(slowLog.events, fastLog.events) << "vector code " << simd;
  }
}

const TThreadedCase kThreadedCases[] = {
    {"EnlargePrecise", 150, 110, 520, 400, smPrecise, -1},
    {"ReduceMedium", 640, 400, 230, 170, smMedium, -1},
    {"FastAbortMidway", 300, 200, 500, 380, smFast, 97},
    {"PreciseAbortEarly", 180, 120, 450, 330, smPrecise, 5},
};

INSTANTIATE_TEST_SUITE_P(Threads, ThreadedOracleTest, ::testing::ValuesIn(kThreadedCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Widths near the 32-bit limits: the plans need 64-bit products and the wide-divisor path.
TEST(TransformOracleWideTest, HugeRectanglesOnSmallPicturesMatch) {
  const TImageKind rgb{"rgb24", 3, test::pkNoPalette};
  TPixelGraphic source, fast, slow;
  test::MakeImage(source, 9, 5, rgb, 5);
  struct TRect {
    int dx, dw, sx, sw;
  };
  const TRect rects[] = {{0, 2000000000, 0, 1500000000}, {-1000000000, 2100000000, 0, 7}, {0, 5, -2000000000, 2147483647}};
  for (const TRect& r : rects) {
    for (TStretchMode mode : {smFast, smMedium, smPrecise}) {
      test::MakeImage(fast, 12, 4, rgb, 6);
      test::MakeImage(slow, 12, 4, rgb, 6);
      fast.StretchMode = slow.StretchMode = mode;
      fast.StretchCopy(r.dx, 0, r.dw, 3, source, r.sx, 1, r.sw, 3);
      reference::StretchCopy(slow, r.dx, 0, r.dw, 3, source, r.sx, 1, r.sw, 3);
      EXPECT_TRUE(test::SameImage(slow, fast)) << r.dx << " " << r.dw << " " << r.sx << " " << r.sw << " mode " << mode;
    }
  }
}

// The multiply-and-shift division against the hardware one over its whole range.
TEST(BoundedDividerTest, QuotientsAreExactUpTo255TimesTheDivisor) {
  std::mt19937 rng(5);
  std::vector<std::uint64_t> divisors = {1, 2, 3, 5, 7, 255, 256, 1000, 1920, 4000, 12000, 65535, 65536,
                                         (1u << 21) + 1, (1u << 22) - 1};
  for (int i = 0; i < 40; ++i) divisors.push_back(1 + rng() % ((1u << 22) - 1));
  for (std::uint64_t d : divisors) {
    const TBoundedDivider div(d);
    const std::uint64_t top = 255 * d;
    auto check = [&](std::uint64_t n) { ASSERT_EQ(div(n), n / d) << n << " / " << d; };
    for (std::uint64_t n = 0; n < std::min<std::uint64_t>(top, 5000); ++n) check(n);
    for (std::uint64_t q = 0; q <= 255; ++q) {  // around every multiple up to the top
      for (std::uint64_t n : {q * d, q * d + d - 1, q * d - 1})
        if (n <= top) check(n);
    }
    for (int i = 0; i < 2000; ++i) check(rng() % (top + 1));
  }
}

}  // namespace
}  // namespace lumora
