// Colour reduction: a 12-megapixel 24-bit picture to 252 optimised colours with the
// system colours, to the 16 system colours and to black and white, each dithered, plus
// ColorToIndex throughput per palette identity. The per-pixel runs go through the
// library's per-pixel store (GetPixel and SetRGBPixelDithered per pixel), the literal
// runs through the reference diffusion of the tests.
#include <benchmark/benchmark.h>

#include <random>

#include "bench/bench_pictures.h"
#include "imaging/core/color_mapping.h"
#include "imaging/core/color_resolution.h"
#include "imaging/core/pixel_graphic.h"
#include "tests/support/dither_reference.h"

namespace lumora {
namespace {

constexpr int kWidth = 4000, kHeight = 3000;

const TPixelGraphic& Photo() {
  static TPixelGraphic* photo = [] {
    auto* image = new TPixelGraphic;
    bench::FillPhotoPicture(*image, kWidth, kHeight);
    return image;
  }();
  return *photo;
}

enum class TTarget { k252, kSys16, kBlackWhite };

void PrepareTarget(TPixelGraphic& target, TTarget kind) {
  switch (kind) {
    case TTarget::k252:
      target.SetBitCountNum(2);
      OptimizePalette(target, Photo(), 252, true);
      target.Allocate(kWidth, kHeight, 2);
      break;
    case TTarget::kSys16:
      target.Allocate(kWidth, kHeight, 1);
      target.SetPaletteIdent(pSys16);
      break;
    case TTarget::kBlackWhite:
      target.Allocate(kWidth, kHeight, 0);
      target.SetPaletteIdent(pBlackWhite);
      break;
  }
}

void BM_DitheredRows(benchmark::State& state) {
  const TTarget kind = static_cast<TTarget>(state.range(0));
  const TPixelGraphic& photo = Photo();
  for (auto _ : state) {
    TPixelGraphic target;
    PrepareTarget(target, kind);  // includes OptimizePalette for 252 colours
    target.BeginDither();
    for (int y = 0; y < kHeight; ++y) {
      target.NextDitherRow();
      StoreRGBRowDithered(target, y, 0, kWidth, photo.ScanLine(y));
    }
    target.EndDither();
    benchmark::DoNotOptimize(target.PixelBlock());
  }
  state.SetItemsProcessed(state.iterations() * std::int64_t(kWidth) * kHeight);
}
BENCHMARK(BM_DitheredRows)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// Every pixel of the photo, row by row in serpentine order, through `store(x, y, r, g,
// b)`; `nextRow()` starts each row.
template <class NextRow, class Store>
void StorePerPixel(const TPixelGraphic& photo, NextRow nextRow, Store store) {
  for (int y = 0; y < kHeight; ++y) {
    nextRow();
    for (int i = 0; i < kWidth; ++i) {
      const int x = y % 2 == 0 ? i : kWidth - 1 - i;
      const TColor c = photo.GetRGBPixel(x, y);
      store(x, y, GetRValue(c), GetGValue(c), GetBValue(c));
    }
  }
}

void BM_DitheredPerPixel(benchmark::State& state) {
  const TTarget kind = static_cast<TTarget>(state.range(0));
  const TPixelGraphic& photo = Photo();
  for (auto _ : state) {
    TPixelGraphic target;
    PrepareTarget(target, kind);
    target.BeginDither();
    StorePerPixel(photo, [&] { target.NextDitherRow(); },
                  [&](int x, int y, int r, int g, int b) { target.SetRGBPixelDithered(x, y, r, g, b); });
    target.EndDither();
    benchmark::DoNotOptimize(target.PixelBlock());
  }
  state.SetItemsProcessed(state.iterations() * std::int64_t(kWidth) * kHeight);
}
BENCHMARK(BM_DitheredPerPixel)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// The diffusion written out literally (tests/support/dither_reference.h): the
// reference the dither tests prove the row store equal to.
void BM_DitheredLiteral(benchmark::State& state) {
  const TTarget kind = static_cast<TTarget>(state.range(0));
  const TPixelGraphic& photo = Photo();
  for (auto _ : state) {
    TPixelGraphic target;
    PrepareTarget(target, kind);
    reference::ReferenceDither literal(target);
    StorePerPixel(photo, [&] { literal.NextRow(); },
                  [&](int x, int y, int r, int g, int b) { literal.Store(x, y, r, g, b); });
    benchmark::DoNotOptimize(target.PixelBlock());
  }
  state.SetItemsProcessed(state.iterations() * std::int64_t(kWidth) * kHeight);
}
BENCHMARK(BM_DitheredLiteral)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void BM_StretchFromDithered252(benchmark::State& state) {
  const TPixelGraphic& photo = Photo();
  for (auto _ : state) {
    TPixelGraphic target;
    PrepareTarget(target, TTarget::k252);
    target.StretchFrom(photo);
    benchmark::DoNotOptimize(target.PixelBlock());
  }
  state.SetItemsProcessed(state.iterations() * std::int64_t(kWidth) * kHeight);
}
BENCHMARK(BM_StretchFromDithered252)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void BM_OptimizePalette252(benchmark::State& state) {
  for (auto _ : state) {
    TPixelGraphic target;
    target.SetBitCountNum(2);
    OptimizePalette(target, Photo(), 252, true);
    benchmark::DoNotOptimize(target.PaletteColors().data());
  }
}
BENCHMARK(BM_OptimizePalette252)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PlainRows252(benchmark::State& state) {
  const TPixelGraphic& photo = Photo();
  for (auto _ : state) {
    TPixelGraphic target;
    PrepareTarget(target, TTarget::k252);
    for (int y = 0; y < kHeight; ++y) StoreRGBRow(target, y, 0, kWidth, photo.ScanLine(y));
    benchmark::DoNotOptimize(target.PixelBlock());
  }
  state.SetItemsProcessed(state.iterations() * std::int64_t(kWidth) * kHeight);
}
BENCHMARK(BM_PlainRows252)->Unit(benchmark::kMillisecond)->UseRealTime();

// ColorToIndex on a million colours of the photo (neighbours differ, so the memo rarely
// answers), per identity; pUnknown runs the optimised palette with and without cache.
const TPaletteIdent kIdents[] = {pBlackWhite, pSysGray4,   pSys16,      pGray4,      pGray16,  pGray236,
                                 pGray256,    pSpecial125, pSpecial216, pSpecial252, pUnknown, pUnknown};

void BM_ColorToIndex(benchmark::State& state) {
  const int which = static_cast<int>(state.range(0));
  const TPaletteIdent ident = kIdents[which];
  std::vector<TColor> colors;
  std::mt19937 rng(1);
  for (int i = 0; i < 1000000; ++i) colors.push_back(Photo().GetPixel(rng() % kWidth, rng() % kHeight));
  TPixelGraphic image;
  image.Allocate(1, 1, 2);
  if (ident == pUnknown) {
    OptimizePalette(image, Photo(), 252, true);
    image.SetUsePaletteCache(which == 10);
  } else {
    image.SetPaletteIdent(ident);
  }
  state.SetLabel(which == 10 ? "pUnknown cached" : which == 11 ? "pUnknown exhaustive" : std::to_string(int(ident)));
  for (auto _ : state) {
    std::uint32_t sum = 0;
    for (TColor c : colors) sum += image.ColorToIndex(c);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * std::int64_t(colors.size()));
}
BENCHMARK(BM_ColorToIndex)->DenseRange(0, 11)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lumora
