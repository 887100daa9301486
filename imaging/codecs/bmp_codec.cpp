// BMP codec (first cut: uncompressed Windows DIBs; the full reader comes next).
#include <cstring>

#include "imaging/codecs/builtin_formats.h"
#include "imaging/core/exceptions.h"
#include "imaging/core/messages.h"
#include "imaging/core/stream.h"

namespace lumora {
namespace {

std::string BmpMessage(int number, std::initializer_list<std::string_view> args = {}) {
  return "BMP: " + PGMessage(number, args);
}

class TBMPReader : public TFileFormatReader {
 public:
  using TFileFormatReader::TFileFormatReader;
  bool IsFormat(const std::uint8_t* header) const override { return header[0] == 'B' && header[1] == 'M'; }
  void ReadImage(TStream& stream, TPixelGraphic& image, int index) override {
    if (index != 0) throw EPGBMPFileFormatReader(BmpMessage(msgInvalid, {"Index"}));
    std::uint8_t fileHeader[14];
    if (!stream.ReadExact(fileHeader, 14)) throw EPGBMPFileFormatReader(BmpMessage(msgUnexpectedEOF));
    image.ReadDIB(stream, false);
  }
};

class TBMPWriter : public TFileFormatWriter {
 public:
  TBMPWriter(std::string extension, bool show)
      : TFileFormatWriter(std::move(extension), "Bitmap", show, kAllColorRes, "TBMPFileFormatWriter") {}
  void WriteImage(TStream& stream, TPixelGraphic& image) override {
    std::uint8_t header[14] = {'B', 'M'};
    const std::uint32_t offset = 54 + 4 * std::uint32_t(image.PaletteCount());
    PutLE32(header + 2, offset + std::uint32_t(image.ImageByteSize()));
    PutLE32(header + 10, offset);
    stream.Write(header, sizeof header);
    image.WriteDIB(stream);
  }
};

}  // namespace

void TPixelGraphic::ReadDIB(TStream& stream, bool coreHeader) {
  TProgressScope progress(*this);
  if (coreHeader) throw EPGBMPFileFormatReader(BmpMessage(msgNotSupportedSubformat));
  std::uint8_t h[40];
  if (!stream.ReadExact(h, 40)) throw EPGBMPFileFormatReader(BmpMessage(msgUnexpectedEOF));
  const int width = static_cast<int>(GetLE32(h + 4));
  const int height = static_cast<int>(GetLE32(h + 8));
  const int bits = GetLE16(h + 14);
  if (GetLE16(h + 12) != 1) throw EPGBMPFileFormatReader(BmpMessage(msgInvalid, {"BitmapInfoHeader.biPlanes"}));
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24)
    throw EPGBMPFileFormatReader(BmpMessage(msgInvalid, {"BitmapInfoHeader.biBitCount"}));
  if (GetLE32(h + 16) != 0) throw EPGBMPFileFormatReader(BmpMessage(msgInvalid, {"BitmapInfoHeader.biCompression"}));
  const int num = BitCountToNum(bits);
  Allocate(width, height < 0 ? -height : height, num);
  if (num == 3) {
    SetPaletteCount(0);
  } else {
    const std::uint32_t used = GetLE32(h + 32);
    const int count = used ? static_cast<int>(std::min<std::uint32_t>(used, 1u << bits)) : 1 << bits;
    SetPaletteCount(count);
    for (int i = 0; i < count; ++i) {
      std::uint8_t e[4];
      if (!stream.ReadExact(e, 4)) throw EPGBMPFileFormatReader(BmpMessage(msgUnexpectedEOF));
      SetPaletteColor(i, RGBColor(e[2], e[1], e[0]));
    }
  }
  if (PixelBlock()) stream.Read(PixelBlock(), static_cast<size_t>(ImageByteSize()));
}

void TPixelGraphic::WriteDIB(TStream& stream) const {
  std::uint8_t h[40] = {};
  PutLE32(h, 40);
  PutLE32(h + 4, static_cast<std::uint32_t>(width_));
  PutLE32(h + 8, static_cast<std::uint32_t>(height_));
  PutLE16(h + 12, 1);
  PutLE16(h + 14, static_cast<std::uint32_t>(BitCount()));
  PutLE32(h + 20, static_cast<std::uint32_t>(imageSize_));
  PutLE32(h + 32, static_cast<std::uint32_t>(PaletteCount()));
  stream.Write(h, sizeof h);
  for (TColor c : palette_) {
    const std::uint8_t e[4] = {std::uint8_t(GetBValue(c)), std::uint8_t(GetGValue(c)), std::uint8_t(GetRValue(c)), 0};
    stream.Write(e, 4);
  }
  if (pixels_) stream.Write(pixels_.get(), static_cast<size_t>(imageSize_));
}

void RegisterBMPFormats(TReaderList& readers, TWriterList& writers) {
  for (const char* ext : {"bmp", "dib", "rle"}) {
    auto reader = std::make_unique<TBMPReader>(ext, "Bitmap");
    reader->HasSignature = true;
    readers.push_back(std::move(reader));
  }
  writers.push_back(std::make_unique<TBMPWriter>("bmp", true));
  writers.push_back(std::make_unique<TBMPWriter>("dib", false));
}

std::unique_ptr<TFileFormatReader> MakeStandaloneBMPReader() {
  auto reader = std::make_unique<TBMPReader>("bmp", "Bitmap");
  reader->HasSignature = true;
  return reader;
}

std::unique_ptr<TFileFormatWriter> MakeStandaloneBMPWriter() { return std::make_unique<TBMPWriter>("bmp", true); }

}  // namespace lumora
