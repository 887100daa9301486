// JPEG and PNG decoding into a TPixelGraphic against plain libjpeg-turbo / libpng loops
// into a buffer, the reduced preview decode, and encoding.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <jpeglib.h>
#include <png.h>

#include "imaging/core/codec_settings.h"
#include "imaging/core/registry.h"
#include "imaging/core/stream.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using lumora::TPixelGraphic;

lumora::TFileFormatReader& Reader(const char* ext) {
  for (const auto& r : lumora::FileFormatReaders())
    if (r->Extension == ext) return *r;
  std::abort();
}
lumora::TFileFormatWriter& Writer(const char* ext) {
  for (const auto& w : lumora::FileFormatWriters())
    if (w->Extension == ext) return *w;
  std::abort();
}

// A photo-like picture: smooth gradients with texture, so the codecs do realistic work.
void FillPhoto(TPixelGraphic& image) {
  unsigned r = 12345;
  for (int y = 0; y < image.Height(); ++y) {
    std::uint8_t* row = image.ScanLine(y);
    for (int x = 0; x < image.Width(); ++x) {
      r = r * 1103515245u + 12345u;
      const int noise = int((r >> 16) & 15) - 8;
      row[3 * x] = std::uint8_t(std::clamp((x / 24 + y / 16) % 256 + noise, 0, 255));
      row[3 * x + 1] = std::uint8_t(std::clamp((x / 16) % 256 + noise, 0, 255));
      row[3 * x + 2] = std::uint8_t(std::clamp((y / 12 + (x * y) / 40000) % 256 + noise, 0, 255));
    }
  }
}

const Bytes& Jpeg24MP() {
  static const Bytes file = [] {
    TPixelGraphic image;
    image.Allocate(6000, 4000, 3);
    FillPhoto(image);
    lumora::TCodecSettings settings = lumora::CodecSettings();
    settings.JPEGQuality = 90;
    lumora::TScopedCodecSettings scoped(settings);
    lumora::TMemoryStream out;
    Writer("jpg").WriteImage(out, image);
    return out.TakeBytes();
  }();
  return file;
}

Bytes WritePngRaw(int width, int height, bool alpha) {
  TPixelGraphic image;
  image.Allocate(width, height, 3);
  FillPhoto(image);
  if (!alpha) {
    lumora::TMemoryStream out;
    Writer("png").WriteImage(out, image);
    return out.TakeBytes();
  }
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) std::abort();
  png_set_write_fn(
      png, &out,
      [](png_structp p, png_bytep data, size_t n) {
        auto* o = static_cast<Bytes*>(png_get_io_ptr(p));
        o->insert(o->end(), data, data + n);
      },
      nullptr);
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<std::uint8_t> row(std::size_t(width) * 4);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* src = image.ScanLine(y);
    for (int x = 0; x < width; ++x) {
      row[4 * x] = src[3 * x + 2];
      row[4 * x + 1] = src[3 * x + 1];
      row[4 * x + 2] = src[3 * x];
      row[4 * x + 3] = std::uint8_t((x + y) % 256);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

const Bytes& PngRgb12MP() {
  static const Bytes file = WritePngRaw(4000, 3000, false);
  return file;
}
const Bytes& PngRgba12MP() {
  static const Bytes file = WritePngRaw(4000, 3000, true);
  return file;
}

// ---- JPEG ----

void BM_JpegDecodeIntoPixelGraphic(benchmark::State& state) {
  const Bytes& file = Jpeg24MP();
  for (auto _ : state) {
    lumora::TMemoryStream stream(file.data(), file.size());
    TPixelGraphic image;
    Reader("jpg").ReadImage(stream, image, 0);
    benchmark::DoNotOptimize(image.PixelBlock());
  }
  state.SetLabel(std::to_string(file.size() / 1024) + " KiB");
}
BENCHMARK(BM_JpegDecodeIntoPixelGraphic)->Unit(benchmark::kMillisecond)->MinTime(3);

// The plain libjpeg-turbo loop: the same output format into a buffer allocated per
// decode, as many rows per call as libjpeg offers. `zeroed` clears the buffer first, as
// the pixel image does with every new block. `reused` decodes into one buffer kept
// between decodes, whose pages are already mapped: the cost of the decoding alone.
enum class TBuffer { kNew, kNewZeroed, kReused };

void JpegDecodeRaw(benchmark::State& state, TBuffer buffer) {
  const Bytes& file = Jpeg24MP();
  std::unique_ptr<std::uint8_t[]> kept;
  for (auto _ : state) {
    jpeg_decompress_struct d{};
    jpeg_error_mgr err;
    d.err = jpeg_std_error(&err);
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&d, TRUE);
    d.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&d);
    const std::size_t stride = (std::size_t(d.output_width) * 3 + 3) & ~std::size_t(3);
    const std::size_t size = stride * d.output_height;
    if (!kept) kept.reset(new std::uint8_t[size]());
    std::unique_ptr<std::uint8_t[]> fresh(buffer == TBuffer::kReused    ? nullptr
                                          : buffer == TBuffer::kNewZeroed ? new std::uint8_t[size]()
                                                                          : new std::uint8_t[size]);
    std::uint8_t* pixels = fresh ? fresh.get() : kept.get();
    while (d.output_scanline < d.output_height) {
      JSAMPROW rows[4];
      for (int i = 0; i < 4; ++i) rows[i] = pixels + stride * std::min(d.output_scanline + i, d.output_height - 1);
      jpeg_read_scanlines(&d, rows, 4);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    benchmark::DoNotOptimize(pixels);
  }
}
void BM_JpegDecodeRawLibjpeg(benchmark::State& state) { JpegDecodeRaw(state, TBuffer::kNew); }
void BM_JpegDecodeRawLibjpegZeroedBuffer(benchmark::State& state) { JpegDecodeRaw(state, TBuffer::kNewZeroed); }
void BM_JpegDecodeRawLibjpegReusedBuffer(benchmark::State& state) { JpegDecodeRaw(state, TBuffer::kReused); }
BENCHMARK(BM_JpegDecodeRawLibjpeg)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_JpegDecodeRawLibjpegZeroedBuffer)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_JpegDecodeRawLibjpegReusedBuffer)->Unit(benchmark::kMillisecond)->MinTime(3);

void BM_JpegPreviewLoadEighth(benchmark::State& state) {
  const Bytes& file = Jpeg24MP();
  for (auto _ : state) {
    lumora::TMemoryStream stream(file.data(), file.size());
    TPixelGraphic image;
    image.PreviewLoad = true;
    image.PreviewWidth = 368;  // a preview pane; 6000/8 = 750 still covers it
    image.PreviewHeight = 340;
    Reader("jpg").ReadImage(stream, image, 0);
    if (image.Width() != 750) state.SkipWithError("not decoded at 1/8");
    benchmark::DoNotOptimize(image.PixelBlock());
  }
}
BENCHMARK(BM_JpegPreviewLoadEighth)->Unit(benchmark::kMillisecond);

void BM_JpegEncodeQuality90(benchmark::State& state) {
  TPixelGraphic image;
  lumora::TMemoryStream in(Jpeg24MP().data(), Jpeg24MP().size());
  Reader("jpg").ReadImage(in, image, 0);
  lumora::TCodecSettings settings = lumora::CodecSettings();
  settings.JPEGQuality = 90;
  lumora::TScopedCodecSettings scoped(settings);
  for (auto _ : state) {
    lumora::TMemoryStream out;
    Writer("jpg").WriteImage(out, image);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_JpegEncodeQuality90)->Unit(benchmark::kMillisecond);

// ---- PNG ----

void PngDecodeIntoPixelGraphic(benchmark::State& state, const Bytes& file) {
  for (auto _ : state) {
    lumora::TMemoryStream stream(file.data(), file.size());
    TPixelGraphic image;
    Reader("png").ReadImage(stream, image, 0);
    benchmark::DoNotOptimize(image.PixelBlock());
  }
  state.SetLabel(std::to_string(file.size() / 1024) + " KiB");
}

// The plain libpng loop: same transformations (BGR, alpha composited by libpng onto
// black) into a buffer allocated per decode, or one kept between decodes.
void PngDecodeRaw(benchmark::State& state, const Bytes& file, TBuffer buffer) {
  std::unique_ptr<std::uint8_t[]> kept;
  for (auto _ : state) {
    std::pair<const Bytes*, std::size_t> in{&file, 0};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) std::abort();
    png_set_read_fn(png, &in, [](png_structp p, png_bytep data, size_t n) {
      auto* s = static_cast<std::pair<const Bytes*, std::size_t>*>(png_get_io_ptr(p));
      std::memcpy(data, s->first->data() + s->second, n);
      s->second += n;
    });
    png_read_info(png, info);
    png_set_bgr(png);
    if (png_get_color_type(png, info) & PNG_COLOR_MASK_ALPHA) {
      png_color_16 black{};
      png_set_background(png, &black, PNG_BACKGROUND_GAMMA_SCREEN, 0, 1.0);
    }
    png_read_update_info(png, info);
    const std::size_t stride = (png_get_rowbytes(png, info) + 3) & ~std::size_t(3);
    const png_uint_32 height = png_get_image_height(png, info);
    if (!kept) kept.reset(new std::uint8_t[stride * height]());
    std::unique_ptr<std::uint8_t[]> fresh(buffer == TBuffer::kReused ? nullptr : new std::uint8_t[stride * height]);
    std::uint8_t* pixels = fresh ? fresh.get() : kept.get();
    for (png_uint_32 y = 0; y < height; ++y) png_read_row(png, pixels + stride * y, nullptr);
    png_read_end(png, info);
    png_destroy_read_struct(&png, &info, nullptr);
    benchmark::DoNotOptimize(pixels);
  }
}

void BM_PngDecodeRgbIntoPixelGraphic(benchmark::State& s) { PngDecodeIntoPixelGraphic(s, PngRgb12MP()); }
void BM_PngDecodeRgbRawLibpng(benchmark::State& s) { PngDecodeRaw(s, PngRgb12MP(), TBuffer::kNew); }
void BM_PngDecodeRgbRawLibpngReusedBuffer(benchmark::State& s) { PngDecodeRaw(s, PngRgb12MP(), TBuffer::kReused); }
void BM_PngDecodeRgbaIntoPixelGraphic(benchmark::State& s) { PngDecodeIntoPixelGraphic(s, PngRgba12MP()); }
void BM_PngDecodeRgbaRawLibpng(benchmark::State& s) { PngDecodeRaw(s, PngRgba12MP(), TBuffer::kNew); }
BENCHMARK(BM_PngDecodeRgbIntoPixelGraphic)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_PngDecodeRgbRawLibpng)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_PngDecodeRgbRawLibpngReusedBuffer)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_PngDecodeRgbaIntoPixelGraphic)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_PngDecodeRgbaRawLibpng)->Unit(benchmark::kMillisecond)->MinTime(3);

void BM_PngEncodeRgb(benchmark::State& state) {
  TPixelGraphic image;
  lumora::TMemoryStream in(PngRgb12MP().data(), PngRgb12MP().size());
  Reader("png").ReadImage(in, image, 0);
  for (auto _ : state) {
    lumora::TMemoryStream out;
    Writer("png").WriteImage(out, image);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_PngEncodeRgb)->Unit(benchmark::kMillisecond);

}  // namespace
