// Resampling and rotation of large 24-bit pictures: the row-wise library code on one
// core and on all cores, and the literal per-pixel versions for the speed-up.
//   build/bench/transform_bench --benchmark_filter=...
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "bench/bench_pictures.h"
#include "imaging/core/pixel_graphic.h"
#include "imaging/processing/parallel_rows.h"
#include "tests/support/transform_reference.h"

namespace lumora {
namespace {

// The pictures are built once per size and kept.
const TPixelGraphic& Picture(int w, int h) {
  static std::vector<std::unique_ptr<TPixelGraphic>> cache;
  for (const auto& p : cache)
    if (p->Width() == w && p->Height() == h) return *p;
  auto p = std::make_unique<TPixelGraphic>();
  bench::FillGradientPicture(*p, w, h);
  cache.push_back(std::move(p));
  return *cache.back();
}

void Stretch(benchmark::State& state, int sw, int sh, int dw, int dh, TStretchMode mode, bool literal) {
  const TPixelGraphic& source = Picture(sw, sh);
  SetTransformThreadLimit(int(state.range(0)));
  TPixelGraphic dest;
  dest.Allocate(dw, dh, 3);
  dest.StretchMode = mode;
  for (auto _ : state) {
    if (literal) reference::StretchCopy(dest, 0, 0, dw, dh, source, 0, 0, sw, sh);
    else dest.StretchFrom(source);
    benchmark::DoNotOptimize(dest.PixelBlock());
  }
  SetTransformThreadLimit(0);
  state.counters["Mpix/s"] = benchmark::Counter(double(dw) * dh * 1e-6, benchmark::Counter::kIsIterationInvariantRate);
}

void Rotate(benchmark::State& state, bool literal) {
  const TPixelGraphic& source = Picture(3000, 2000);
  SetTransformThreadLimit(int(state.range(0)));
  TPixelGraphic dest;
  for (auto _ : state) {
    if (literal) reference::RotateFrom(dest, source, 30, true);
    else dest.RotateFrom(source, 30, true);
    benchmark::DoNotOptimize(dest.PixelBlock());
  }
  SetTransformThreadLimit(0);
}

// Argument: thread limit (1 = one core, 0 = every core).
BENCHMARK_CAPTURE(Stretch, Reduce6000x4000To1920x1280Fast, 6000, 4000, 1920, 1280, smFast, false)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Stretch, Reduce6000x4000To1920x1280Medium, 6000, 4000, 1920, 1280, smMedium, false)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Stretch, Reduce6000x4000To1920x1280Precise, 6000, 4000, 1920, 1280, smPrecise, false)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Stretch, Enlarge1000x750To3000x2250Precise, 1000, 750, 3000, 2250, smPrecise, false)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Rotate, Rotate3000x2000By30Bilinear, false)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

BENCHMARK_CAPTURE(Stretch, LiteralReduce6000x4000To1920x1280Fast, 6000, 4000, 1920, 1280, smFast, true)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Stretch, LiteralReduce6000x4000To1920x1280Medium, 6000, 4000, 1920, 1280, smMedium, true)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Stretch, LiteralReduce6000x4000To1920x1280Precise, 6000, 4000, 1920, 1280, smPrecise, true)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Stretch, LiteralEnlarge1000x750To3000x2250Precise, 1000, 750, 3000, 2250, smPrecise, true)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Rotate, LiteralRotate3000x2000By30Bilinear, true)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lumora
