// Truevision Targa reader (8, 16, 24, 32 bits, raw or run-length, any origin) and
// writer (colour-mapped 8 bits or true-colour 24 bits, bottom row first).
#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/codecs/buffered_input.h"
#include "imaging/codecs/builtin_formats.h"
#include "imaging/core/codec_settings.h"
#include "imaging/core/exceptions.h"
#include "imaging/core/messages.h"
#include "imaging/core/size_limits.h"
#include "imaging/core/stream.h"

namespace lumora {
namespace {

const char kPrefix[] = "TGA: ";
using TInput = TBufferedInput<EPGTGAFileFormatReader>;

[[noreturn]] void Refuse(int number, std::initializer_list<std::string_view> args = {}) {
  throw EPGTGAFileFormatReader(kPrefix + PGMessage(number, args));
}

struct TTGAHeader {
  int idLength, colorMapType, imageType, firstEntry, mapLength, entryBits, width, height, depth, descriptor;
  bool RunLength() const { return (imageType & 8) != 0; }
  bool RightToLeft() const { return (descriptor & 0x10) != 0; }
  bool TopDown() const { return (descriptor & 0x20) != 0; }
  int EntryBytes() const { return (entryBits + 7) / 8; }
};

TTGAHeader ReadHeader(TInput& in) {
  std::uint8_t h[18];
  in.Read(h, sizeof h);
  return TTGAHeader{h[0], h[1], h[2], GetLE16(h + 3), GetLE16(h + 5), h[7], GetLE16(h + 12), GetLE16(h + 14), h[16], h[17]};
}

// 5-5-5 colour, low byte first, as blue, green, red.
inline void Put555(std::uint8_t* bgr, const std::uint8_t* p) {
  const unsigned v = unsigned(p[0]) | (unsigned(p[1]) << 8);
  bgr[0] = std::uint8_t((v & 31) << 3);
  bgr[1] = std::uint8_t(((v >> 5) & 31) << 3);
  bgr[2] = std::uint8_t(((v >> 10) & 31) << 3);
}

// Run-length packets; a packet may run on into the next row (its state is kept).
class TPacketDecoder {
 public:
  TPacketDecoder(TInput& in, int pixelBytes) : in_(in), pixelBytes_(size_t(pixelBytes)) {}

  void DecodeRow(std::uint8_t* out, int width) {
    size_t x = 0;
    const size_t w = size_t(width);
    while (x < w) {
      if (left_ == 0) {
        const std::uint8_t h = in_.Byte();
        left_ = size_t(h & 127) + 1;
        repeat_ = h >= 128;
        if (repeat_) in_.Read(pixel_, pixelBytes_);
      }
      const size_t n = std::min(left_, w - x);
      if (repeat_) {
        for (size_t i = 0; i < n; ++i) std::memcpy(out + (x + i) * pixelBytes_, pixel_, pixelBytes_);
      } else {
        in_.Read(out + x * pixelBytes_, n * pixelBytes_);
      }
      x += n;
      left_ -= n;
    }
  }

 private:
  TInput& in_;
  size_t pixelBytes_;
  size_t left_ = 0;
  bool repeat_ = false;
  std::uint8_t pixel_[4] = {};
};

class TTGAReader : public TFileFormatReader {
 public:
  TTGAReader() : TFileFormatReader("tga", "Truevision Targa") {}

  void ReadImage(TStream& stream, TPixelGraphic& image, int index) override {
    TProgressScope progress(image);
    image.Gamma = CodecSettings().DisplayGamma;  // stored without gamma: shown as is
    if (index != 0) Refuse(msgInvalid, {"Index"});
    TInput in(stream, kPrefix);
    const TTGAHeader h = ReadHeader(in);
    if (h.depth != 8 && h.depth != 16 && h.depth != 24 && h.depth != 32) Refuse(msgNotSupportedSubformat);
    in.Skip(h.idLength);

    const bool mapped = h.depth == 8 && h.colorMapType == 1;
    std::vector<TColor> palette;
    if (mapped) {
      palette = ReadColorMap(in, h);
    } else {
      in.Skip(std::int64_t(h.mapLength) * h.EntryBytes());
    }

    const int pixelBytes = h.depth / 8;
    // A run-length packet of two bytes can describe up to 128 pixels.
    const std::int64_t perByte = h.RunLength() ? 128 : 1;
    if (!DeclaredSizePlausible(h.width, h.height, in.Remaining(), perByte)) Refuse(msgUnexpectedEOF);
    image.Allocate(h.width, h.height, h.depth == 8 ? 2 : 3);
    if (mapped && !palette.empty()) {
      image.SetPaletteCount(int(palette.size()));
      for (size_t i = 0; i < palette.size(); ++i) image.SetPaletteColor(int(i), palette[i]);
    } else if (h.depth == 8) {
      image.SetPaletteIdent(pGray256);  // also for a colour map without entries
    }
    if (image.GetEmpty()) return;  // a width or height of 0: no rows to read

    const int width = h.width, height = h.height;
    const bool direct = !h.RunLength() && (h.depth == 8 || h.depth == 24) && !h.RightToLeft();
    std::vector<std::uint8_t> buffer(direct ? 0 : size_t(width) * size_t(pixelBytes));
    TPacketDecoder packets(in, pixelBytes);
    for (int r = 0; r < height; ++r) {
      std::uint8_t* row = image.ScanLine(h.TopDown() ? r : height - 1 - r);
      if (direct) {
        in.Read(row, size_t(width) * size_t(pixelBytes));
      } else {
        if (h.RunLength()) packets.DecodeRow(buffer.data(), width);
        else in.Read(buffer.data(), buffer.size());
        PlaceRow(buffer.data(), row, width, h.depth, h.RightToLeft());
      }
      if (progress.Step(r, height)) break;
    }
  }

  void GetImageInfo(TStream& stream, int index, TImageInfo& info) override {
    if (index != 0) Refuse(msgInvalidValue, {"Index"});
    TInput in(stream, kPrefix);
    const TTGAHeader h = ReadHeader(in);
    info = TImageInfo{};
    switch (h.imageType) {
      case 1: case 9: info.ExtraText = "Color-mapped"; break;
      case 2: case 10: info.ExtraText = "True-color"; break;
      case 3: case 11: info.ExtraText = "\"Black-and-white\""; break;
      default: Refuse(msgInvalidValue, {"ImageType"});
    }
    info.InfoText = h.RunLength() ? "Run-length encoded" : "Uncompressed";
    info.Width = h.width;
    info.Height = h.height;
    info.BitCount = h.depth;
    info.ColorsText = h.depth <= 23 ? PowerOfTwoText(h.depth) : h.depth == 24 ? "16.7M" : "16.7M ?";
  }

 private:
  // The map holds mapLength entries for the indices first..first+length-1; indices
  // below the first entry stay black.
  static std::vector<TColor> ReadColorMap(TInput& in, const TTGAHeader& h) {
    const int bytes = h.EntryBytes();
    if (bytes != 2 && bytes != 3 && bytes != 4) Refuse(msgNotSupportedSubformat);
    const int count = std::min(256, h.firstEntry + h.mapLength);
    std::vector<TColor> palette(size_t(std::max(count, 0)), 0);
    std::vector<std::uint8_t> map(size_t(h.mapLength) * size_t(bytes));
    in.Read(map.data(), map.size());
    for (int k = 0; k < h.mapLength && h.firstEntry + k < count; ++k) {
      const std::uint8_t* p = map.data() + size_t(k) * size_t(bytes);
      std::uint8_t bgr[3];
      if (bytes == 2) Put555(bgr, p);
      else std::memcpy(bgr, p, 3);
      palette[size_t(h.firstEntry + k)] = RGBColor(bgr[2], bgr[1], bgr[0]);
    }
    return palette;
  }

  static void PlaceRow(const std::uint8_t* src, std::uint8_t* row, int width, int depth, bool rightToLeft) {
    const size_t w = size_t(width);
    if (depth == 8) {
      if (rightToLeft) std::reverse_copy(src, src + w, row);
      else std::memcpy(row, src, w);
      return;
    }
    const size_t inBytes = size_t(depth / 8);
    for (size_t x = 0; x < w; ++x) {
      std::uint8_t* out = row + 3 * (rightToLeft ? w - 1 - x : x);
      const std::uint8_t* p = src + x * inBytes;
      if (depth == 16) Put555(out, p);
      else std::memcpy(out, p, 3);
    }
  }
};

class TTGAWriter : public TFileFormatWriter {
 public:
  TTGAWriter()
      : TFileFormatWriter("tga", "Truevision Targa", true, ColorResBit(cr256Colors) | ColorResBit(crTrueColor),
                          "TTGAFileFormatWriter") {}

  void WriteImage(TStream& stream, TPixelGraphic& image) override {
    const bool indexed = image.BitCountNum() != 3;
    // Only 8 and 24 bits reach this writer through the save path; the header's 16-bit
    // sizes bound the rest.
    if (indexed && image.BitCountNum() != 2) throw EPixelGraphic(kPrefix + PGMessage(msgInvalidColorRes));
    if (image.Width() > 65535 || image.Height() > 65535) {
      throw EPixelGraphic(kPrefix + PGMessage(msgOutOfRange, {image.Width() > 65535 ? "Width" : "Height"}));
    }
    std::uint8_t h[18] = {};
    const int count = indexed ? image.PaletteCount() : 0;
    if (indexed) {
      h[1] = 1;
      h[2] = 1;
      PutLE16(h + 5, std::uint32_t(count));
      h[7] = 24;
      h[16] = 8;
    } else {
      h[2] = 2;
      h[16] = 24;
    }
    PutLE16(h + 12, std::uint32_t(image.Width()));
    PutLE16(h + 14, std::uint32_t(image.Height()));
    stream.Write(h, sizeof h);
    if (indexed) {
      std::vector<std::uint8_t> map(size_t(count) * 3);
      for (int i = 0; i < count; ++i) {
        const TColor c = image.PaletteColors()[size_t(i)];
        map[3 * size_t(i)] = std::uint8_t(GetBValue(c));
        map[3 * size_t(i) + 1] = std::uint8_t(GetGValue(c));
        map[3 * size_t(i) + 2] = std::uint8_t(GetRValue(c));
      }
      stream.Write(map.data(), map.size());
    }
    TProgressScope progress(image);
    const size_t rowBytes = size_t(image.Width()) * (indexed ? 1 : 3);
    const int height = image.Height();
    // Stored rows are bottom row first already: write them in memory order.
    for (int i = 0; i < height; ++i) {
      stream.Write(image.PixelBlock() + std::int64_t(image.RowStride()) * i, rowBytes);
      progress.Step(i, height);
    }
  }
};

}  // namespace

void RegisterTGAFormats(TReaderList& readers, TWriterList& writers) {
  readers.push_back(std::make_unique<TTGAReader>());
  writers.push_back(std::make_unique<TTGAWriter>());
}

}  // namespace lumora
