#pragma once
// Test material for the JPEG and PNG codecs, made with libjpeg and libpng directly (not
// through the codecs under test), and the libraries' own reference decodes.
#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <png.h>
#include <zlib.h>

#include "imaging/core/pixel_graphic.h"
#include "imaging/core/registry.h"
#include "imaging/core/stream.h"
#include "tests/support/test_support.h"

namespace lumora::test {

using Bytes = std::vector<std::uint8_t>;

// ---------------------------------------------------------------- JPEG

struct JpegTestError {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char text[JMSG_LENGTH_MAX];
};
inline void JpegTestErrorExit(j_common_ptr c) {
  auto* e = reinterpret_cast<JpegTestError*>(c->err);
  (*c->err->format_message)(c, e->text);
  std::longjmp(e->jump, 1);
}
inline void JpegTestQuiet(j_common_ptr) {}

struct JpegEncodeOptions {
  int quality = 90;
  bool progressive = false;
  J_DCT_METHOD dct = JDCT_ISLOW;
  int hSampling = 2, vSampling = 2;  // of the first component
  int restartRows = 0;
  bool adobeMarker = false;
  bool jfifMarker = true;
  // A custom scan script (progressive files with many scans).
  std::vector<jpeg_scan_info> scans;
};

// Encodes rows of `components` samples per pixel, top row first; `space` is the input
// colour space (JCS_GRAYSCALE, JCS_RGB, JCS_EXT_BGR, JCS_CMYK).
inline Bytes EncodeJpeg(int width, int height, int components, J_COLOR_SPACE space, const Bytes& samples,
                        const JpegEncodeOptions& o = {}) {
  jpeg_compress_struct c{};
  JpegTestError err;
  c.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = JpegTestErrorExit;
  unsigned char* out = nullptr;
  unsigned long size = 0;
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&c);
    std::free(out);
    throw std::runtime_error(std::string("test encoder: ") + err.text);
  }
  jpeg_create_compress(&c);
  jpeg_mem_dest(&c, &out, &size);
  c.image_width = width;
  c.image_height = height;
  c.input_components = components;
  c.in_color_space = space;
  jpeg_set_defaults(&c);
  if (components >= 3) {
    c.comp_info[0].h_samp_factor = o.hSampling;
    c.comp_info[0].v_samp_factor = o.vSampling;
  }
  if (o.progressive) jpeg_simple_progression(&c);
  if (!o.scans.empty()) {
    c.scan_info = o.scans.data();
    c.num_scans = static_cast<int>(o.scans.size());
  }
  jpeg_set_quality(&c, o.quality, TRUE);
  c.dct_method = o.dct;
  c.restart_in_rows = o.restartRows;
  if (o.adobeMarker) c.write_Adobe_marker = TRUE;
  c.write_JFIF_header = o.jfifMarker && (space == JCS_GRAYSCALE || components == 3);
  jpeg_start_compress(&c, TRUE);
  const int stride = width * components;
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(samples.data() + std::size_t(c.next_scanline) * stride);
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  Bytes result(out, out + size);
  std::free(out);
  return result;
}

// Smooth colour ramps with some texture, so that DCT methods and scales differ.
inline Bytes PhotoLikeSamples(int width, int height, int components, unsigned seed = 1) {
  Bytes s(std::size_t(width) * height * components);
  unsigned r = seed;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < components; ++c) {
        r = r * 1103515245u + 12345u;
        const int v = (x * (3 + c) + y * (5 - c)) % 256 + int((r >> 16) % 23) - 11 + ((x / 7 + y / 5) % 2) * 40;
        s[(std::size_t(y) * width + x) * components + c] = std::uint8_t(std::clamp(v, 0, 255));
      }
  return s;
}

struct JpegReference {
  int width = 0, height = 0, components = 0;
  Bytes samples;  // top row first, RGB or gray
  std::string error;
};

// libjpeg's own decode with the given DCT method and scale.
inline JpegReference DecodeJpegReference(const Bytes& file, J_DCT_METHOD dct, int scaleDenom = 1) {
  JpegReference ref;
  jpeg_decompress_struct d{};
  JpegTestError err;
  d.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = JpegTestErrorExit;
  err.pub.output_message = JpegTestQuiet;
  if (setjmp(err.jump)) {
    ref.error = err.text;
    jpeg_destroy_decompress(&d);
    return ref;
  }
  jpeg_create_decompress(&d);
  jpeg_mem_src(&d, file.data(), static_cast<unsigned long>(file.size()));
  jpeg_read_header(&d, TRUE);
  d.dct_method = dct;
  d.scale_num = 1;
  d.scale_denom = scaleDenom;
  jpeg_start_decompress(&d);
  ref.width = d.output_width;
  ref.height = d.output_height;
  ref.components = d.output_components;
  ref.samples.resize(std::size_t(ref.width) * ref.height * ref.components);
  while (d.output_scanline < d.output_height) {
    JSAMPROW row = ref.samples.data() + std::size_t(d.output_scanline) * ref.width * ref.components;
    jpeg_read_scanlines(&d, &row, 1);
  }
  jpeg_finish_decompress(&d);
  jpeg_destroy_decompress(&d);
  return ref;
}

// The image's pixels as top-down RGB (or gray) samples, for comparison with a reference.
inline Bytes ImageSamples(const TPixelGraphic& image) {
  const int comps = image.BitCountNum() == 3 ? 3 : 1;
  Bytes s(std::size_t(image.Width()) * image.Height() * comps);
  for (int y = 0; y < image.Height(); ++y) {
    const std::uint8_t* row = image.ScanLine(y);
    std::uint8_t* out = s.data() + std::size_t(y) * image.Width() * comps;
    for (int x = 0; x < image.Width(); ++x) {
      if (comps == 1) {
        out[x] = row[x];
      } else {
        out[3 * x] = row[3 * x + 2];
        out[3 * x + 1] = row[3 * x + 1];
        out[3 * x + 2] = row[3 * x];
      }
    }
  }
  return s;
}

// Offsets of the JPEG markers (FF xx outside entropy-coded data, roughly: every FF not
// followed by 00 or a restart marker).
inline std::vector<std::size_t> JpegMarkerOffsets(const Bytes& file) {
  std::vector<std::size_t> offsets;
  for (std::size_t i = 0; i + 1 < file.size(); ++i) {
    if (file[i] == 0xFF && file[i + 1] != 0x00 && file[i + 1] != 0xFF && !(file[i + 1] >= 0xD0 && file[i + 1] <= 0xD7))
      offsets.push_back(i);
  }
  return offsets;
}

// ---------------------------------------------------------------- PNG

struct PngChunk {
  std::string type;
  Bytes data;
};

inline void AppendBE32(Bytes& b, std::uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) b.push_back(std::uint8_t(v >> s));
}

inline Bytes ChunkBytes(const PngChunk& c) {
  Bytes b;
  AppendBE32(b, static_cast<std::uint32_t>(c.data.size()));
  Bytes typed(c.type.begin(), c.type.end());
  typed.insert(typed.end(), c.data.begin(), c.data.end());
  b.insert(b.end(), typed.begin(), typed.end());
  AppendBE32(b, static_cast<std::uint32_t>(crc32(0, typed.data(), static_cast<uInt>(typed.size()))));
  return b;
}

// The chunks of a PNG file in order (signature not included), with their offsets.
struct PngChunkAt {
  std::size_t offset;
  std::size_t length;  // whole chunk incl. length, type and CRC
  std::string type;
};
inline std::vector<PngChunkAt> PngChunks(const Bytes& file) {
  std::vector<PngChunkAt> chunks;
  std::size_t pos = 8;
  while (pos + 12 <= file.size()) {
    const std::uint32_t len = GetBE32(file.data() + pos);
    if (pos + 12 + len > file.size()) break;
    chunks.push_back({pos, 12 + std::size_t(len), std::string(file.begin() + pos + 4, file.begin() + pos + 8)});
    pos += 12 + len;
  }
  return chunks;
}

// Inserts a chunk before the first chunk of type `before`.
inline Bytes InsertChunk(const Bytes& file, const std::string& before, const PngChunk& chunk) {
  for (const PngChunkAt& c : PngChunks(file)) {
    if (c.type == before) {
      Bytes out(file.begin(), file.begin() + c.offset);
      const Bytes add = ChunkBytes(chunk);
      out.insert(out.end(), add.begin(), add.end());
      out.insert(out.end(), file.begin() + c.offset, file.end());
      return out;
    }
  }
  return file;
}

struct PngSpec {
  int width = 7, height = 5;
  int bitDepth = 8;
  int colorType = PNG_COLOR_TYPE_RGB;
  bool interlaced = false;
  std::vector<png_color> palette;
  std::vector<png_byte> paletteAlpha;  // tRNS of palette files
  bool hasTransparentColor = false;
  png_color_16 transparentColor{};
  bool hasBackground = false;
  png_color_16 background{};
  double gamma = 0;  // 0: no gAMA chunk
  bool physChunk = false;
  bool timeChunk = false;
  // Samples in file order, top row first, each row packed as in the file (without the
  // filter byte); 16-bit samples big-endian.
  Bytes rows;
};

inline std::size_t PngRowBytes(const PngSpec& s) {
  const int channels = s.colorType == PNG_COLOR_TYPE_RGB ? 3 : s.colorType == PNG_COLOR_TYPE_RGBA ? 4
                       : s.colorType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2 : 1;
  return (std::size_t(s.width) * channels * s.bitDepth + 7) / 8;
}

inline void PngTestWrite(png_structp png, png_bytep data, size_t length) {
  auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}
inline void PngTestFlush(png_structp) {}

inline Bytes EncodePng(const PngSpec& s) {
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("test PNG encoder failed");
  }
  png_set_write_fn(png, &out, PngTestWrite, PngTestFlush);
  png_set_IHDR(png, info, s.width, s.height, s.bitDepth, s.colorType,
               s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!s.palette.empty()) png_set_PLTE(png, info, s.palette.data(), static_cast<int>(s.palette.size()));
  if (!s.paletteAlpha.empty())
    png_set_tRNS(png, info, s.paletteAlpha.data(), static_cast<int>(s.paletteAlpha.size()), nullptr);
  if (s.hasTransparentColor) png_set_tRNS(png, info, nullptr, 0, &s.transparentColor);
  if (s.hasBackground) png_set_bKGD(png, info, &s.background);
  if (s.gamma > 0) png_set_gAMA(png, info, s.gamma);
  if (s.physChunk) png_set_pHYs(png, info, 2835, 2835, PNG_RESOLUTION_METER);
  if (s.timeChunk) {
    png_time t{2020, 1, 2, 3, 4, 5};
    png_set_tIME(png, info, &t);
  }
  png_write_info(png, info);
  const int passes = png_set_interlace_handling(png);
  const std::size_t rowBytes = PngRowBytes(s);
  for (int p = 0; p < passes; ++p)
    for (int y = 0; y < s.height; ++y) png_write_row(png, s.rows.data() + rowBytes * y);
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

// Deterministic samples for every row byte the description asks for (palette indices kept in range).
inline void FillPngRows(PngSpec& s, unsigned seed = 7) {
  const std::size_t rowBytes = PngRowBytes(s);
  s.rows.assign(rowBytes * s.height, 0);
  unsigned r = seed;
  for (auto& b : s.rows) {
    r = r * 1664525u + 1013904223u;
    b = std::uint8_t(r >> 24);
  }
  if (s.colorType == PNG_COLOR_TYPE_PALETTE && !s.palette.empty()) {
    // Rewrite indices modulo the palette size.
    const int perByte = 8 / s.bitDepth;
    const int mask = (1 << s.bitDepth) - 1;
    for (int y = 0; y < s.height; ++y)
      for (int x = 0; x < s.width; ++x) {
        std::uint8_t& b = s.rows[rowBytes * y + x / perByte];
        const int shift = 8 - s.bitDepth * (x % perByte + 1);
        const int v = ((b >> shift) & mask) % static_cast<int>(s.palette.size());
        b = std::uint8_t((b & ~(mask << shift)) | (v << shift));
      }
  }
}

struct PngReference {
  int width = 0, height = 0, channels = 0, bitDepth = 0;
  std::vector<std::uint16_t> samples;  // top row first, file channel order, expanded
  bool hasBackground = false;
  png_color_16 background{};
  int colorType = 0;
  std::string error;
};

inline void PngTestRead(png_structp png, png_bytep data, size_t length) {
  auto* in = static_cast<std::pair<const Bytes*, std::size_t>*>(png_get_io_ptr(png));
  if (in->second + length > in->first->size()) png_error(png, "short");
  std::memcpy(data, in->first->data() + in->second, length);
  in->second += length;
}

// libpng's own decode with palette and low-depth gray expanded to 8 bits and tRNS to an
// alpha channel; 16-bit samples kept.
inline PngReference DecodePngReference(const Bytes& file) {
  PngReference ref;
  std::pair<const Bytes*, std::size_t> in{&file, 0};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, [](png_structp, png_const_charp) {});
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    ref.error = "libpng failed";
    png_destroy_read_struct(&png, &info, nullptr);
    return ref;
  }
  png_set_read_fn(png, &in, PngTestRead);
  png_read_info(png, info);
  ref.colorType = png_get_color_type(png, info);
  png_color_16p bg = nullptr;
  if (png_get_bKGD(png, info, &bg)) {
    ref.hasBackground = true;
    ref.background = *bg;
  }
  png_set_expand(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  ref.width = png_get_image_width(png, info);
  ref.height = png_get_image_height(png, info);
  ref.channels = png_get_channels(png, info);
  ref.bitDepth = png_get_bit_depth(png, info);
  const std::size_t rowBytes = png_get_rowbytes(png, info);
  Bytes raw(rowBytes * ref.height);
  std::vector<png_bytep> rows(ref.height);
  for (int y = 0; y < ref.height; ++y) rows[y] = raw.data() + rowBytes * y;
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  const std::size_t count = std::size_t(ref.width) * ref.height * ref.channels;
  ref.samples.resize(count);
  for (std::size_t i = 0; i < count; ++i)
    ref.samples[i] = ref.bitDepth == 16 ? std::uint16_t((raw[2 * i] << 8) | raw[2 * i + 1]) : raw[i];
  return ref;
}

// libpng's compositing of one sample at 8 or 16 bits.
inline int CompositeSample(int fg, int alpha, int bg, int bitDepth) {
  if (bitDepth == 16) {
    const std::uint32_t temp = std::uint32_t(fg) * alpha + std::uint32_t(bg) * (65535 - alpha) + 32768;
    return int((temp + (temp >> 16)) >> 16);
  }
  const unsigned temp = unsigned(fg) * alpha + unsigned(bg) * (255 - alpha) + 128;
  return int((temp + (temp >> 8)) >> 8);
}

inline TPixelGraphic& LoadPng(TPixelGraphic& image, const Bytes& file) {
  TMemoryStream stream(file.data(), file.size());
  image.LoadFromStreamEx(stream, "png", 0);
  return image;
}

// The message of the exception `f` raises; empty when it raises none.
template <class F>
std::string ErrorText(F f) {
  try {
    f();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "";
}

// The registry's reader or writer for an extension.
inline TFileFormatReader& ReaderFor(const std::string& ext) {
  for (const auto& r : FileFormatReaders())
    if (r->Extension == ext) return *r;
  throw std::runtime_error("no reader " + ext);
}
inline TFileFormatWriter& WriterFor(const std::string& ext) {
  for (const auto& w : FileFormatWriters())
    if (w->Extension == ext) return *w;
  throw std::runtime_error("no writer " + ext);
}

}  // namespace lumora::test
