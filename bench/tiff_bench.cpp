// Reading and writing a 6000 x 4000 24-bit picture as TIFF (uncompressed and PackBits),
// binary PPM and TGA, in memory, against memcpy of the same number of bytes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "imaging/core/codec_settings.h"
#include "imaging/core/pixel_graphic.h"
#include "imaging/core/registry.h"
#include "imaging/core/stream.h"

namespace lumora {
namespace {

constexpr int kWidth = 6000, kHeight = 4000;

// Smooth gradients with noise and flat bands, so PackBits finds runs and literals.
const TPixelGraphic& Picture() {
  static const std::unique_ptr<TPixelGraphic> image = [] {
    auto p = std::make_unique<TPixelGraphic>();
    p->Allocate(kWidth, kHeight, 3);
    std::mt19937 rng(1);
    for (int y = 0; y < kHeight; ++y) {
      std::uint8_t* row = p->ScanLine(y);
      const bool flat = (y / 64) % 4 == 0;
      for (int x = 0; x < kWidth; ++x) {
        const int noise = flat ? 0 : int(rng() % 9);
        row[3 * x] = std::uint8_t((x / 24 + noise) & 255);
        row[3 * x + 1] = std::uint8_t((y / 16 + noise) & 255);
        row[3 * x + 2] = std::uint8_t(((x + y) / 40) & 255);
      }
    }
    return p;
  }();
  return *image;
}

TFileFormatWriter& Writer(const char* ext) {
  for (const auto& w : FileFormatWriters())
    if (w->Extension == ext) return *w;
  std::abort();
}

TFileFormatReader& Reader(const char* ext) {
  for (const auto& r : FileFormatReaders())
    if (r->Extension == ext) return *r;
  std::abort();
}

TCodecSettings Settings(int compression) {
  TCodecSettings s = CodecSettings();
  s.TIFFWriteCompression = compression;
  s.PXMWriteBinary = true;  // the PPM case is the binary variant
  return s;
}

std::vector<std::uint8_t> Encode(const char* ext, int compression) {
  TScopedCodecSettings scoped(Settings(compression));
  TMemoryStream out;
  TPixelGraphic copy;
  copy.Assign(&Picture());
  Writer(ext).WriteImage(out, copy);
  return out.TakeBytes();
}

// Writing into a new memory stream each time also pays for growing it and for the
// kernel's first touch of its pages; writing into a reused one counts the writer's own
// work only, as memcpy's target is reused.
void BM_Write(benchmark::State& state, const char* ext, int compression, bool reuse) {
  TScopedCodecSettings scoped(Settings(compression));
  TPixelGraphic copy;
  copy.Assign(&Picture());
  size_t bytes = 0;
  std::vector<std::uint8_t> buffer;
  for (auto _ : state) {
    buffer.clear();  // keeps the capacity
    TMemoryStream out(reuse ? std::move(buffer) : std::vector<std::uint8_t>());
    Writer(ext).WriteImage(out, copy);
    bytes = out.size();
    benchmark::DoNotOptimize(out.data());
    buffer = out.TakeBytes();
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(bytes));
  state.counters["file_MB"] = double(bytes) / 1e6;
}

void BM_Read(benchmark::State& state, const char* ext, int compression) {
  const std::vector<std::uint8_t> file = Encode(ext, compression);
  TPixelGraphic image;
  for (auto _ : state) {
    TMemoryStream in(file.data(), file.size());
    Reader(ext).ReadImage(in, image, 0);
    benchmark::DoNotOptimize(image.PixelBlock());
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(file.size()));
}

// The yardstick: copying the picture's bytes once.
void BM_Memcpy(benchmark::State& state) {
  const size_t size = size_t(kWidth) * kHeight * 3;
  std::vector<std::uint8_t> from(size, 1), to(size);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), size);
    benchmark::DoNotOptimize(to.data());
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(size));
}

BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Read, tiff_uncompressed, "tif", 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Read, tiff_packbits, "tif", 32773)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Read, ppm_binary, "ppm", 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Read, tga, "tga", 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Write, tiff_uncompressed, "tif", 1, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Write, tiff_packbits, "tif", 32773, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Write, ppm_binary, "ppm", 1, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Write, tga, "tga", 1, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Write, tiff_uncompressed_reused_stream, "tif", 1, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Write, tiff_packbits_reused_stream, "tif", 32773, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Write, ppm_binary_reused_stream, "ppm", 1, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Write, tga_reused_stream, "tga", 1, true)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lumora
