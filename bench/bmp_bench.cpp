// BMP decoding speed: a 6000 x 4000 24-bit file decoded from memory, beside a plain
// memcpy of the same bytes (the floor any decoder of uncompressed rows is measured by).
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "imaging/core/pixel_graphic.h"
#include "imaging/core/stream.h"

namespace {

using namespace lumora;

const std::vector<std::uint8_t>& PhotoLikeBmp24() {
  static const std::vector<std::uint8_t> bytes = [] {
    TPixelGraphic image;
    image.Allocate(6000, 4000, 3);
    std::uint32_t noise = 12345;
    for (int y = 0; y < image.Height(); ++y) {
      std::uint8_t* row = image.ScanLine(y);
      for (int x = 0; x < image.Width(); ++x) {
        noise = noise * 1664525u + 1013904223u;
        row[3 * x] = std::uint8_t(x / 24 + (noise >> 29));
        row[3 * x + 1] = std::uint8_t(y / 16 + (noise >> 28));
        row[3 * x + 2] = std::uint8_t(((x ^ y) & 64) ? 200 : 40);
      }
    }
    TMemoryStream stream;
    image.SaveToStream(stream);
    return stream.TakeBytes();
  }();
  return bytes;
}

void BM_DecodeBmp24(benchmark::State& state) {
  const std::vector<std::uint8_t>& bytes = PhotoLikeBmp24();
  TPixelGraphic image;
  for (auto _ : state) {
    TMemoryStream stream(bytes.data(), bytes.size());
    image.LoadFromStream(stream);
    benchmark::DoNotOptimize(image.PixelBlock());
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(bytes.size()));
}

void BM_MemcpySameBytes(benchmark::State& state) {
  const std::vector<std::uint8_t>& bytes = PhotoLikeBmp24();
  std::vector<std::uint8_t> target(bytes.size());
  for (auto _ : state) {
    std::memcpy(target.data(), bytes.data(), bytes.size());
    benchmark::DoNotOptimize(target.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(bytes.size()));
}

BENCHMARK(BM_DecodeBmp24)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_MemcpySameBytes)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace
