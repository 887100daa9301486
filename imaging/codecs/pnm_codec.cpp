// PBM/PGM/PPM reader: all six variants (P1..P6), one class for the three extensions.
#include <cstring>
#include <utility>
#include <vector>

#include "imaging/codecs/buffered_input.h"
#include "imaging/codecs/builtin_formats.h"
#include "imaging/codecs/pnm_writer.h"
#include "imaging/codecs/rgb_rows.h"
#include "imaging/core/codec_settings.h"
#include "imaging/core/exceptions.h"
#include "imaging/core/messages.h"
#include "imaging/core/size_limits.h"
#include "imaging/core/stream.h"

namespace lumora {
namespace {

const char kPrefix[] = "PBM, PGM, PPM: ";
using TInput = TBufferedInput<EPGPxMFileFormatReader>;

[[noreturn]] void Refuse(int number, std::initializer_list<std::string_view> args = {}) {
  throw EPGPxMFileFormatReader(kPrefix + PGMessage(number, args));
}

// Header numbers and sample values are bounded; anything larger is saturated here
// and refused by the size and maximum-value checks.
constexpr std::int64_t kNumberCap = std::int64_t(1) << 32;

bool IsDigit(int c) { return c >= '0' && c <= '9'; }

// Skips non-digits (a "#" runs to the end of the line) up to the next digit.
void SkipToDigit(TInput& in) {
  for (;;) {
    const int c = in.Peek();
    if (c < 0) in.RaiseEOF();
    if (IsDigit(c)) return;
    in.Byte();
    if (c == '#') {
      while (in.Peek() >= 0 && in.Peek() != '\n' && in.Peek() != '\r') in.Byte();
    }
  }
}

// A decimal number; the one character after it is consumed as well (the end of
// the data may stand in for it).
std::int64_t ReadNumber(TInput& in) {
  SkipToDigit(in);
  std::int64_t value = 0;
  for (;;) {
    const int c = in.Peek();
    if (c < 0) return value;
    in.Byte();
    if (!IsDigit(c)) return value;
    value = std::min(kNumberCap, value * 10 + (c - '0'));
  }
}

struct TPNMHeader {
  int type = 0;  // 1..6
  std::int64_t width = 0, height = 0, maxValue = 1;
  bool Bilevel() const { return type == 1 || type == 4; }
  bool Gray() const { return type == 2 || type == 5; }
  bool Binary() const { return type >= 4; }
  int BitCount() const { return Bilevel() ? 1 : Gray() ? 8 : 24; }
};

TPNMHeader ReadHeader(TInput& in, bool withMaxValue) {
  TPNMHeader header;
  if (in.Peek() != 'P') Refuse(msgNotAFile, {"PBM, PGM, PPM"});
  in.Byte();
  const int digit = in.Peek();
  if (digit < '1' || digit > '6') Refuse(msgUnknownSubformat);
  in.Byte();
  header.type = digit - '0';
  header.width = ReadNumber(in);
  header.height = ReadNumber(in);
  if (withMaxValue && !header.Bilevel()) header.maxValue = ReadNumber(in);
  return header;
}

// Sample v of maximum m as 0..255; values above the maximum count as the maximum.
struct TScale {
  explicit TScale(std::int64_t maxValue) : max(maxValue) {}
  std::uint8_t operator()(std::int64_t v) const { return std::uint8_t(std::min(v, max) * 255 / max); }
  std::int64_t max;
};

class TPNMReader : public TFileFormatReader {
 public:
  explicit TPNMReader(std::string extension, std::string description)
      : TFileFormatReader(std::move(extension), std::move(description)) {
    HasSignature = true;
  }

  bool IsFormat(const std::uint8_t* header) const override {
    if (header[0] != 'P') return false;
    const char digit = Extension == "pbm" ? '1' : Extension == "pgm" ? '2' : '3';
    return header[1] == digit || header[1] == digit + 3;
  }

  void ReadImage(TStream& stream, TPixelGraphic& image, int index) override {
    TProgressScope progress(image);
    image.Gamma = CodecSettings().DisplayGamma;  // stored without gamma: shown as is
    if (index != 0) throw EPGPxMFileFormatReader("PxM: " + PGMessage(msgInvalid, {"Index"}));
    TInput in(stream, kPrefix);
    const TPNMHeader h = ReadHeader(in, true);
    if (h.width == 0 || h.height == 0 || h.maxValue == 0 || h.maxValue > 65535 ||
        (h.Binary() && h.maxValue >= 256)) {
      Refuse(msgNotSupportedSubformat);
    }
    CheckImageSize(h.width, h.height, h.BitCount());
    // The data must be able to hold the picture: one character per plain bilevel
    // pixel, eight pixels per binary byte, one byte per binary sample otherwise.
    const std::int64_t perByte = h.type == 4 ? 8 : 1;
    if (!DeclaredSizePlausible(h.width, h.height, in.Remaining(), perByte)) Refuse(msgUnexpectedEOF);

    const int width = int(h.width), height = int(h.height);
    image.Allocate(width, height, TPixelGraphic::BitCountToNum(h.BitCount()));
    if (h.Bilevel()) image.SetPaletteIdent(pBlackWhite);
    if (h.Gray()) image.SetPaletteIdent(pGray256);

    const TScale scale(h.maxValue);
    std::vector<std::uint8_t> raw(h.type == 6 ? size_t(3) * size_t(width) : size_t(width));
    for (int y = 0; y < height; ++y) {
      std::uint8_t* row = image.ScanLine(y);
      switch (h.type) {
        case 1: ReadPlainBilevelRow(in, row, width); break;
        case 2:
          for (int x = 0; x < width; ++x) row[x] = scale(ReadNumber(in));
          break;
        case 3:
          for (int x = 0; x < width; ++x) {
            const std::uint8_t r = scale(ReadNumber(in));
            const std::uint8_t g = scale(ReadNumber(in));
            row[3 * x] = scale(ReadNumber(in));
            row[3 * x + 1] = g;
            row[3 * x + 2] = r;
          }
          break;
        case 4: {
          const int bytes = (width + 7) / 8;
          in.Read(row, size_t(bytes));
          for (int i = 0; i < bytes; ++i) row[i] = std::uint8_t(~row[i]);
          if (width & 7) row[bytes - 1] &= std::uint8_t(0xFF00 >> (width & 7));
          break;
        }
        case 5:
          in.Read(row, size_t(width));
          if (h.maxValue != 255)
            for (int x = 0; x < width; ++x) row[x] = scale(row[x]);
          break;
        default:
          if (h.maxValue == 255) {
            // Read straight into the row and turn RGB into BGR there.
            in.Read(row, raw.size());
            SwapRedBlue(row, size_t(width));
          } else {
            in.Read(raw.data(), raw.size());
            for (int x = 0; x < width; ++x) {
              row[3 * x] = scale(raw[3 * size_t(x) + 2]);
              row[3 * x + 1] = scale(raw[3 * size_t(x) + 1]);
              row[3 * x + 2] = scale(raw[3 * size_t(x)]);
            }
          }
      }
      if (progress.Step(y, height)) break;
    }
  }

  void GetImageInfo(TStream& stream, int index, TImageInfo& info) override {
    if (index != 0) throw EPGPxMFileFormatReader("PxM: " + PGMessage(msgInvalidValue, {"Index"}));
    TInput in(stream, kPrefix);
    const TPNMHeader h = ReadHeader(in, false);
    info = TImageInfo{};
    info.InfoText = h.Binary() ? "Binary" : "ASCII";
    info.BitCount = h.BitCount();
    info.Width = int(std::min<std::int64_t>(h.width, INT32_MAX));
    info.Height = int(std::min<std::int64_t>(h.height, INT32_MAX));
    info.ColorsText = info.BitCount == 24 ? "16.7M" : PowerOfTwoText(info.BitCount);
  }

 private:
  // Plain bilevel pixels are single digits; separators between them are optional.
  // A non-zero digit is black (index 0).
  static void ReadPlainBilevelRow(TInput& in, std::uint8_t* row, int width) {
    std::memset(row, 0, size_t((width + 7) / 8));
    for (int x = 0; x < width; ++x) {
      SkipToDigit(in);
      if (in.Byte() == '0') row[x >> 3] |= std::uint8_t(0x80 >> (x & 7));
    }
  }
};

}  // namespace

void RegisterPNMFormats(TReaderList& readers, TWriterList& writers) {
  readers.push_back(std::make_unique<TPNMReader>("pbm", "Portable Bitmap"));
  readers.push_back(std::make_unique<TPNMReader>("pgm", "Portable Graymap"));
  readers.push_back(std::make_unique<TPNMReader>("ppm", "Portable Pixelmap"));
  AddPNMWriters(writers);
}

}  // namespace lumora
