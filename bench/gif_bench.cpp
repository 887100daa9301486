// GIF benchmarks: decoding a 4000x3000 8-bit GIF through the registry reader and
// through the animated display's model (against giflib's DGifSlurp on the same
// bytes when available), encoding it, and the per-tick cost of one animation step
// (disposal plus masked draw) on an 800x600 picture.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>

#include "imaging/codecs/gif_writer.h"
#include "imaging/core/pixel_graphic.h"
#include "imaging/core/stream.h"
#include "imaging/view/gif_movie.h"

#ifdef LUMORA_HAVE_GIFLIB
#include <gif_lib.h>
#endif

namespace lumora {
namespace {

// Photo-like content: smooth gradients, edges and noise, 256 colours.
void PhotoLike(TPixelGraphic& image, int w, int h, std::uint32_t seed) {
  image.Allocate(w, h, 2);
  image.SetPaletteCount(256);
  for (int i = 0; i < 256; ++i) image.SetPaletteColor(i, RGBColor(i, 255 - i, (i * 7) & 0xFF));
  std::mt19937 rng(seed);
  for (int y = 0; y < h; ++y) {
    std::uint8_t* row = image.ScanLine(y);
    for (int x = 0; x < w; ++x) {
      int v = (x * 200 / w + y * 55 / h) + int(rng() % 9) - 4;
      if (((x / 97) + (y / 61)) % 5 == 0) v += 64;
      row[x] = std::uint8_t(std::clamp(v, 0, 255));
    }
  }
}

const std::vector<std::uint8_t>& LargeGIF() {
  static const std::vector<std::uint8_t> bytes = [] {
    TPixelGraphic image;
    PhotoLike(image, 4000, 3000, 7);
    std::vector<std::uint8_t> out;
    EncodeGIF(image, false, 0, false, out);
    return out;
  }();
  return bytes;
}

void BM_DecodeRegistryReader4000x3000(benchmark::State& state) {
  const auto& bytes = LargeGIF();
  TPixelGraphic image;
  for (auto _ : state) {
    TMemoryStream stream(bytes.data(), bytes.size());
    image.LoadFromStreamEx(stream, "gif", 0);
    benchmark::DoNotOptimize(image.PixelBlock());
  }
  state.SetItemsProcessed(state.iterations() * 4000 * 3000);
  state.SetBytesProcessed(state.iterations() * std::int64_t(bytes.size()));
}
BENCHMARK(BM_DecodeRegistryReader4000x3000)->Unit(benchmark::kMillisecond);

void BM_DecodeDisplayModel4000x3000(benchmark::State& state) {
  const auto& bytes = LargeGIF();
  for (auto _ : state) {
    TGIFMovie movie;
    movie.Load(bytes.data(), bytes.size());
    benchmark::DoNotOptimize(movie.Frame(1).Pixels.data());
  }
  state.SetItemsProcessed(state.iterations() * 4000 * 3000);
}
BENCHMARK(BM_DecodeDisplayModel4000x3000)->Unit(benchmark::kMillisecond);

#ifdef LUMORA_HAVE_GIFLIB
struct TMemoryReader {
  const std::vector<std::uint8_t>* bytes;
  size_t pos;
};

int ReadFromMemory(GifFileType* file, GifByteType* buffer, int count) {
  auto* r = static_cast<TMemoryReader*>(file->UserData);
  const size_t n = std::min(size_t(count), r->bytes->size() - r->pos);
  std::memcpy(buffer, r->bytes->data() + r->pos, n);
  r->pos += n;
  return int(n);
}

void BM_DecodeGiflibSlurp4000x3000(benchmark::State& state) {
  const auto& bytes = LargeGIF();
  for (auto _ : state) {
    TMemoryReader reader{&bytes, 0};
    int error = 0;
    GifFileType* file = DGifOpen(&reader, ReadFromMemory, &error);
    if (!file || DGifSlurp(file) != GIF_OK) state.SkipWithError("giflib failed");
    benchmark::DoNotOptimize(file->SavedImages[0].RasterBits);
    DGifCloseFile(file, &error);
  }
  state.SetItemsProcessed(state.iterations() * 4000 * 3000);
}
BENCHMARK(BM_DecodeGiflibSlurp4000x3000)->Unit(benchmark::kMillisecond);
#endif

void BM_Encode4000x3000(benchmark::State& state) {
  TPixelGraphic image;
  PhotoLike(image, 4000, 3000, 7);
  std::vector<std::uint8_t> out;
  for (auto _ : state) {
    EncodeGIF(image, false, 0, false, out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * 4000 * 3000);
}
BENCHMARK(BM_Encode4000x3000)->Unit(benchmark::kMillisecond);

// Eight 800x600 frames: restore-previous and transparent ones, as a worst case.
std::vector<std::uint8_t> Animation800x600() {
  TPixelGraphic image;
  PhotoLike(image, 800, 600, 3);
  std::vector<std::uint8_t> single;
  EncodeGIF(image, false, 0, false, single);
  // Header, table and the image descriptor with its data, from the encoded file.
  const size_t table = 13 + 3 * 256;
  const size_t image0 = table + 8;  // after the graphic control extension
  size_t end = single.size();
  while (end > 0 && single[end - 1] != 0) --end;  // back over the comment and trailer
  std::vector<std::uint8_t> out(single.begin(), single.begin() + std::ptrdiff_t(table));
  size_t dataEnd = image0 + 10 + 1;
  while (single[dataEnd] != 0) dataEnd += single[dataEnd] + 1;
  ++dataEnd;
  for (int i = 0; i < 8; ++i) {
    const std::uint8_t control[] = {0x21, 0xF9, 4, std::uint8_t((i % 2 ? 3 : 1) << 2 | (i % 3 == 1)), 5, 0,
                                    std::uint8_t(i * 31), 0};
    out.insert(out.end(), control, control + 8);
    out.insert(out.end(), single.begin() + std::ptrdiff_t(image0), single.begin() + std::ptrdiff_t(dataEnd));
  }
  out.push_back(0x3B);
  return out;
}

void BM_ComposeTick800x600(benchmark::State& state) {
  const auto bytes = Animation800x600();
  TGIFMovie movie;
  if (!movie.Load(bytes.data(), bytes.size()) || movie.FrameCount() != 8) {
    state.SkipWithError("animation did not load");
    return;
  }
  movie.DrawFrame(1);
  int current = 1;
  for (auto _ : state) {
    const int next = current % movie.FrameCount() + 1;
    movie.DisposeFrame(current);
    movie.DrawFrame(next);
    current = next;
    benchmark::DoNotOptimize(movie.Composed());
  }
  state.SetItemsProcessed(state.iterations() * 800 * 600);
}
BENCHMARK(BM_ComposeTick800x600)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace lumora
