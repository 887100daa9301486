#pragma once
// Random pictures of every pixel format and palette kind for the transform tests, and
// a recorder of an image's events.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "imaging/core/pixel_graphic.h"
#include "tests/support/test_support.h"

namespace lumora::test {

enum TPaletteKind { pkRandom, pkPartial, pkFixed, pkNoPalette };

struct TImageKind {
  const char* name;
  int bitCountNum;
  TPaletteKind palette;
  TPaletteIdent fixed = pNone;  // for pkFixed
  bool dither = true;
};

// A w x h picture of that kind with pseudo-random pixels. Partial palettes leave indices
// beyond their last entry in the picture, which read as entry 0.
inline void MakeImage(TPixelGraphic& image, int w, int h, const TImageKind& kind, std::uint32_t seed) {
  image.Allocate(w, h, kind.bitCountNum);
  image.Dither = kind.dither;
  if (kind.bitCountNum == 3) {
    FillRandom(image, seed);
    return;
  }
  const int size = image.FormatPaletteSize();
  switch (kind.palette) {
    case pkRandom:
      SetRandomPalette(image, size, seed + 1);
      FillRandom(image, seed);
      break;
    case pkPartial:
      image.SetPaletteCount(0);
      FillRandom(image, seed);
      SetRandomPalette(image, std::max(1, size / 2 - 1), seed + 1);
      break;
    case pkFixed:
      image.SetPaletteIdent(kind.fixed);
      FillRandom(image, seed);
      break;
    case pkNoPalette:
      image.SetPaletteCount(0);
      FillRandom(image, seed);
      break;
  }
}

// Same size, format, palette and pixel values; names the first difference.
inline ::testing::AssertionResult SameImage(const TPixelGraphic& expected, const TPixelGraphic& actual) {
  if (expected.Width() != actual.Width() || expected.Height() != actual.Height() ||
      expected.BitCountNum() != actual.BitCountNum()) {
    return ::testing::AssertionFailure() << "size/format " << actual.Width() << "x" << actual.Height() << "/"
                                         << actual.BitCountNum() << ", expected " << expected.Width() << "x"
                                         << expected.Height() << "/" << expected.BitCountNum();
  }
  if (expected.PaletteColors() != actual.PaletteColors()) return ::testing::AssertionFailure() << "palettes differ";
  for (int y = 0; y < expected.Height(); ++y)
    for (int x = 0; x < expected.Width(); ++x)
      if (expected.GetPixel(x, y) != actual.GetPixel(x, y)) {
        return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << std::hex
                                             << actual.GetPixel(x, y) << ", expected " << expected.GetPixel(x, y);
      }
  return ::testing::AssertionSuccess();
}

// Records begin/progress/end/change events as text; aborts at a chosen progress step.
struct TEventLog {
  std::vector<std::string> events;
  int abortAtStep = -1;
  void Attach(TPixelGraphic& image) {
    image.OnProgressStart = [this](TPixelGraphic&) { events.push_back("start"); };
    image.OnProgressEnd = [this](TPixelGraphic&) { events.push_back("end"); };
    image.OnChange = [this](TPixelGraphic&) { events.push_back("change"); };
    image.OnProgress = [this](TPixelGraphic&, int step, int max, bool& abort) {
      events.push_back(std::to_string(step) + "/" + std::to_string(max));
      if (step == abortAtStep) abort = true;
    };
  }
};

}  // namespace lumora::test
