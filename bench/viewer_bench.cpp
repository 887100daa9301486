// Display copies of the viewer: fitting a 24-megapixel picture into a 1600 x 1000 frame
// with the precise quality, and the visible part of the same picture at 8x zoom.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>

#include "imaging/core/pixel_graphic.h"
#include "imaging/view/view_layout.h"

namespace {

// Photo-like content: smooth gradients with noise, fixed seed.
std::unique_ptr<lumora::TPixelGraphic> Photo(int w, int h) {
  auto image = std::make_unique<lumora::TPixelGraphic>();
  image->Allocate(w, h, 3);
  std::uint32_t seed = 7;
  for (int y = 0; y < h; ++y) {
    std::uint8_t* row = image->ScanLine(y);
    for (int x = 0; x < w; ++x) {
      seed = seed * 1664525u + 1013904223u;
      const int noise = int(seed >> 28) - 8;
      row[3 * x] = static_cast<std::uint8_t>((x * 255 / w + noise) & 255);
      row[3 * x + 1] = static_cast<std::uint8_t>((y * 255 / h + noise) & 255);
      row[3 * x + 2] = static_cast<std::uint8_t>(((x + y) / 32 * 16 + noise) & 255);
    }
  }
  return image;
}

const lumora::TPixelGraphic& SharedPhoto() {
  static const auto photo = Photo(6000, 4000);
  return *photo;
}

void BM_FitPrecise6000x4000Into1600x1000(benchmark::State& state) {
  const auto& source = SharedPhoto();
  const lumora::TBoxSize box = lumora::FitBox(6000, 4000, 1600, 1000);
  for (auto _ : state) {
    lumora::TPixelGraphic copy;
    copy.StretchMode = lumora::smPrecise;
    copy.Allocate(box.Width, box.Height, 3);
    copy.StretchFrom(source);
    benchmark::DoNotOptimize(copy.PixelBlock());
  }
  state.counters["Mpixel/s"] = benchmark::Counter(double(box.Width) * box.Height * state.iterations() / 1e6,
                                                  benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FitPrecise6000x4000Into1600x1000)->Unit(benchmark::kMillisecond);

void BM_VisiblePartAt8xZoom(benchmark::State& state) {
  const auto& source = SharedPhoto();
  // The visible 1600 x 1000 of a 48000 x 32000 box, with the margin the viewer keeps.
  const lumora::TViewRect region =
      lumora::ComputeCopyRegion({-20000, -15000, 28000, 17000}, 1600, 1000, false, false, false, false, 256);
  for (auto _ : state) {
    lumora::TPixelGraphic copy;
    copy.StretchMode = lumora::smPrecise;
    copy.Allocate(region.Width(), region.Height(), 3);
    copy.StretchCopy(-region.Left, -region.Top, 48000, 32000, source, 0, 0, 6000, 4000);
    benchmark::DoNotOptimize(copy.PixelBlock());
  }
}
BENCHMARK(BM_VisiblePartAt8xZoom)->Unit(benchmark::kMillisecond);

}  // namespace
