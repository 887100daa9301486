#pragma once
// A photo-like 24-bit picture for the benchmarks: gradients with noise, so a JPEG of it
// holds about as much detail as a camera picture (some 3 bits a pixel at quality 90).
#include <cstdint>
#include <memory>

#include "imaging/core/pixel_graphic.h"

namespace lumora::bench {

inline std::unique_ptr<TPixelGraphic> NoisyPhoto(int width, int height) {
  auto image = std::make_unique<TPixelGraphic>();
  image->Allocate(width, height, 3);
  std::uint32_t seed = 7;
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = image->ScanLine(y);
    for (int x = 0; x < 3 * width; ++x) {
      seed = seed * 1664525u + 1013904223u;
      row[x] = static_cast<std::uint8_t>(((x + y) >> 4) + (seed >> 28));
    }
  }
  return image;
}

}  // namespace lumora::bench
