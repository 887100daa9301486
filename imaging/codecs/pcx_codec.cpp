// PCX reader: 1 bit x 1 plane, 1 bit x 4 planes, 8 bits x 1 plane (trailing palette)
// and 8 bits x 3 planes, run-length coded line by line.
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

const char kPrefix[] = "PCX: ";

[[noreturn]] void Refuse(int number, std::initializer_list<std::string_view> args = {}) {
  throw EPGPCXFileFormatReader(kPrefix + PGMessage(number, args));
}

struct TPCXHeader {
  int version = 0;
  int bitsPerPlane = 0;
  int planes = 0;
  int width = 0;
  int height = 0;
  int bytesPerLine = 0;
  std::uint8_t palette16[48] = {};
  int BitCount() const { return bitsPerPlane * planes; }
};

// Reads and checks the 128-byte header; every layout the reader cannot decode is
// "Unknown subformat", including lines too short for the picture's width.
TPCXHeader ReadHeader(TBufferedInput<EPGPCXFileFormatReader>& in) {
  std::uint8_t h[128];
  in.Read(h, sizeof h);
  TPCXHeader header;
  header.version = h[1];
  header.bitsPerPlane = h[3];
  header.planes = h[65];
  header.width = int(GetLE16(h + 8)) - int(GetLE16(h + 4)) + 1;
  header.height = int(GetLE16(h + 10)) - int(GetLE16(h + 6)) + 1;
  header.bytesPerLine = GetLE16(h + 66);
  std::memcpy(header.palette16, h + 16, 48);
  const int paletteInfo = GetLE16(h + 68);
  const int reserved = h[64];
  const int layout = header.bitsPerPlane * 16 + header.planes;
  const bool knownLayout = layout == 0x11 || layout == 0x14 || layout == 0x81 || layout == 0x83;
  if (paletteInfo != 1 || reserved != 0 || !knownLayout) Refuse(msgUnknownSubformat);
  if (header.width <= 0 || header.height <= 0) Refuse(msgUnknownSubformat);
  if (header.bytesPerLine < (std::int64_t(header.bitsPerPlane) * header.width + 7) / 8) Refuse(msgUnknownSubformat);
  return header;
}

class TPCXReader : public TFileFormatReader {
 public:
  TPCXReader() : TFileFormatReader("pcx", "Paintbrush") { HasSignature = true; }

  bool IsFormat(const std::uint8_t* header) const override { return header[0] == 0x0A; }

  void ReadImage(TStream& stream, TPixelGraphic& image, int index) override {
    TProgressScope progress(image);
    image.Gamma = CodecSettings().DisplayGamma;  // stored without gamma: shown as is
    if (index != 0) Refuse(msgInvalid, {"Index"});
    TBufferedInput<EPGPCXFileFormatReader> in(stream, kPrefix);
    const TPCXHeader header = ReadHeader(in);
    const int bitCount = header.BitCount();
    const int lineBytes = header.planes * header.bytesPerLine;
    // One run pair gives at most 63 bytes of line data.
    if (!DeclaredSizePlausible(lineBytes, header.height, in.Remaining(), 32)) Refuse(msgUnexpectedEOF);
    CheckImageSize(header.width, header.height, bitCount);

    std::vector<TColor> palette;
    if (bitCount == 8) palette = ReadTrailingPalette(in);
    image.Allocate(header.width, header.height, TPixelGraphic::BitCountToNum(bitCount));
    if (bitCount == 1) {
      image.SetPaletteIdent(pBlackWhite);
    } else if (bitCount == 4 && header.version == 3) {
      image.SetPaletteIdent(pSys16);
    } else if (bitCount == 4) {
      SetPalette(image, header.palette16, 16);
    } else if (bitCount == 8) {
      image.SetPaletteCount(256);
      for (int i = 0; i < 256; ++i) image.SetPaletteColor(i, palette[size_t(i)]);
    }

    std::vector<std::uint8_t> line(static_cast<size_t>(lineBytes));
    for (int y = 0; y < header.height; ++y) {
      DecodeLine(in, line);
      ConvertLine(header, line.data(), image.ScanLine(y));
      if (progress.Step(y, header.height)) break;
    }
  }

  void GetImageInfo(TStream& stream, int index, TImageInfo& info) override {
    if (index != 0) Refuse(msgInvalidValue, {"Index"});
    TBufferedInput<EPGPCXFileFormatReader> in(stream, kPrefix);
    const TPCXHeader header = ReadHeader(in);
    info = TImageInfo{};
    info.BitCount = header.BitCount();
    info.Width = header.width;
    info.Height = header.height;
    switch (header.version) {
      case 0: info.InfoText = "Version 2.5 (0)"; break;
      case 2: info.InfoText = "Version 2.8 (2) with Palette"; break;
      case 3: info.InfoText = "Version 2.8 (3) without Palette"; break;
      case 5: info.InfoText = "Version 3.0 (5)"; break;
      default: break;
    }
    info.ColorsText = info.BitCount == 24 ? "16.7M" : PowerOfTwoText(info.BitCount);
  }

 private:
  static void SetPalette(TPixelGraphic& image, const std::uint8_t* rgb, int count) {
    image.SetPaletteCount(count);
    for (int i = 0; i < count; ++i) image.SetPaletteColor(i, RGBColor(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]));
  }

  // The 256 colours after the marker byte 12 that stands 769 bytes before the end.
  static std::vector<TColor> ReadTrailingPalette(TBufferedInput<EPGPCXFileFormatReader>& in) {
    const std::int64_t pixelStart = in.Position();
    const std::int64_t end = pixelStart + in.Remaining();
    if (end - 769 < pixelStart) Refuse(msgUnknownSubformat);
    in.Seek(end - 769);
    std::uint8_t block[769];
    in.Read(block, sizeof block);
    if (block[0] != 12) Refuse(msgUnknownSubformat);
    std::vector<TColor> palette(256);
    for (int i = 0; i < 256; ++i) palette[size_t(i)] = RGBColor(block[1 + 3 * i], block[2 + 3 * i], block[3 + 3 * i]);
    in.Seek(pixelStart);
    return palette;
  }

  // One line of run-length data; a run that passes the line's end is cut there.
  static void DecodeLine(TBufferedInput<EPGPCXFileFormatReader>& in, std::vector<std::uint8_t>& line) {
    std::uint8_t* out = line.data();
    const size_t size = line.size();
    size_t n = 0;
    while (n < size) {
      const std::uint8_t b = in.Byte();
      if (b >= 192) {
        const size_t count = std::min<size_t>(b & 63, size - n);
        const std::uint8_t value = in.Byte();
        std::memset(out + n, value, count);
        n += count;
      } else {
        out[n++] = b;
      }
    }
  }

  static void ConvertLine(const TPCXHeader& h, const std::uint8_t* line, std::uint8_t* row) {
    const int width = h.width;
    const int bpl = h.bytesPerLine;
    switch (h.BitCount()) {
      case 1: {
        const int bytes = (width + 7) / 8;
        std::memcpy(row, line, size_t(bytes));
        if (width & 7) row[bytes - 1] &= std::uint8_t(0xFF00 >> (width & 7));
        break;
      }
      case 4: {
        const std::uint8_t* p0 = line;
        const std::uint8_t* p1 = line + bpl;
        const std::uint8_t* p2 = line + 2 * bpl;
        const std::uint8_t* p3 = line + 3 * bpl;
        std::memset(row, 0, size_t((width + 1) / 2));
        for (int x = 0; x < width; ++x) {
          const int byte = x >> 3;
          const int bit = 7 - (x & 7);
          const int value = ((p0[byte] >> bit) & 1) | (((p1[byte] >> bit) & 1) << 1) |
                            (((p2[byte] >> bit) & 1) << 2) | (((p3[byte] >> bit) & 1) << 3);
          row[x >> 1] |= std::uint8_t((x & 1) ? value : value << 4);
        }
        break;
      }
      case 8: std::memcpy(row, line, size_t(width)); break;
      default: {
        const std::uint8_t* red = line;
        const std::uint8_t* green = line + bpl;
        const std::uint8_t* blue = line + 2 * bpl;
        for (int x = 0; x < width; ++x) {
          row[3 * x] = blue[x];
          row[3 * x + 1] = green[x];
          row[3 * x + 2] = red[x];
        }
      }
    }
  }
};

}  // namespace

void RegisterPCXFormats(TReaderList& readers, TWriterList&) { readers.push_back(std::make_unique<TPCXReader>()); }

}  // namespace lumora
