#pragma once
// The synthetic pictures the transform and colour benchmarks work on. They are also
// written to files by write_bench_pictures, so other programs can be timed on exactly
// the same pixels (bench/compare_tools.sh).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <random>

#include "imaging/core/pixel_graphic.h"

namespace lumora::bench {

// Resampling and rotation input: smooth gradients, an edge pattern and a little noise.
inline void FillGradientPicture(TPixelGraphic& p, int w, int h) {
  p.Allocate(w, h, 3);
  std::mt19937 rng(7);
  for (int y = 0; y < h; ++y) {
    std::uint8_t* row = p.ScanLine(y);
    for (int x = 0; x < w; ++x) {
      const int noise = int(rng() % 9) - 4;
      const int edge = ((x / 97 + y / 61) % 2) * 60;
      row[3 * x] = std::uint8_t(std::clamp(x * 255 / w + noise, 0, 255));
      row[3 * x + 1] = std::uint8_t(std::clamp(y * 255 / h + edge / 2 + noise, 0, 255));
      row[3 * x + 2] = std::uint8_t(std::clamp((x + y) * 127 / (w + h) + edge + noise, 0, 255));
    }
  }
}

// Colour-reduction input: smooth colour waves, a disc and a box of flat-ish colour,
// and noise, so a palette has to cover many colours.
inline void FillPhotoPicture(TPixelGraphic& image, int w, int h) {
  image.Allocate(w, h, 3);
  std::mt19937 rng(12);
  for (int y = 0; y < h; ++y) {
    std::uint8_t* row = image.ScanLine(y);
    for (int x = 0; x < w; ++x) {
      const int n = int(rng() % 17) - 8;
      double r = 128 + 100 * std::sin(x * 0.0021) * std::cos(y * 0.0017);
      double g = 128 + 90 * std::sin((x + y) * 0.0013);
      double b = 128 + 110 * std::cos(x * 0.0009 - y * 0.0023);
      const int dx = x - 2600, dy = y - 1400;
      if (dx * dx + dy * dy < 500 * 500) r = 230, g = 40 + (y - 900) / 8.0, b = 60;
      if (x > 400 && x < 1500 && y > 1800 && y < 2700) r = 20, g = 60 + x / 40.0, b = 200;
      row[3 * x + 0] = std::uint8_t(std::clamp(int(b) + n, 0, 255));
      row[3 * x + 1] = std::uint8_t(std::clamp(int(g) + n, 0, 255));
      row[3 * x + 2] = std::uint8_t(std::clamp(int(r) + n, 0, 255));
    }
  }
}

// Decoding and display input: gradients with fine noise, so a JPEG of it holds about as
// much detail as a camera picture (some 3 bits a pixel at quality 90).
inline void FillNoisyPhoto(TPixelGraphic& image, int w, int h) {
  image.Allocate(w, h, 3);
  std::uint32_t seed = 7;
  for (int y = 0; y < h; ++y) {
    std::uint8_t* row = image.ScanLine(y);
    for (int x = 0; x < 3 * w; ++x) {
      seed = seed * 1664525u + 1013904223u;
      row[x] = static_cast<std::uint8_t>(((x + y) >> 4) + (seed >> 28));
    }
  }
}

inline std::unique_ptr<TPixelGraphic> NoisyPhoto(int w, int h) {
  auto image = std::make_unique<TPixelGraphic>();
  FillNoisyPhoto(*image, w, h);
  return image;
}

}  // namespace lumora::bench
