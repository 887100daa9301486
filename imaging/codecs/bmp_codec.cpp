// The BMP entries of the format registry: readers "bmp", "dib", "rle" (signature "BM")
// and writers "bmp" (listed in the save filter) and "dib" (not listed). The decoding
// itself is in bmp_reader.cpp, the encoding in bmp_writer.cpp.
#include "imaging/codecs/bmp_format.h"
#include "imaging/codecs/builtin_formats.h"
#include "imaging/core/exceptions.h"
#include "imaging/core/messages.h"
#include "imaging/core/stream.h"

namespace lumora {
namespace {

const char* ColorsTextOf(int bitCount) {
  switch (bitCount) {
    case 1: return "2";
    case 4: return "16";
    case 8: return "256";
    case 16: return "64K";
    default: return "16.7M";
  }
}

class TBMPReader : public TFileFormatReader {
 public:
  explicit TBMPReader(std::string extension) : TFileFormatReader(std::move(extension), "Bitmap") { HasSignature = true; }

  bool IsFormat(const std::uint8_t* header) const override { return header[0] == 'B' && header[1] == 'M'; }

  void ReadImage(TStream& stream, TPixelGraphic& image, int index) override {
    if (index != 0) bmp::Fail(msgInvalid, {"Index"});
    const std::int64_t start = stream.Position();
    std::uint8_t fileHeader[bmp::kFileHeaderSize];
    if (!stream.ReadExact(fileHeader, sizeof fileHeader)) bmp::Fail(msgUnexpectedEOF);
    bmp::ReadDIBInto(image, stream, bmp::THeaderKind::Any, start + GetLE32(fileHeader + 10));
  }

  void GetImageInfo(TStream& stream, int index, TImageInfo& info) override {
    if (index != 0) bmp::Fail(msgInvalidValue, {"Index"});
    std::uint8_t fileHeader[bmp::kFileHeaderSize];
    if (!stream.ReadExact(fileHeader, sizeof fileHeader)) bmp::Fail(msgUnexpectedEOF);
    const bmp::TDIBHeader h = bmp::ReadDIBHeader(stream, bmp::THeaderKind::Any);
    info = TImageInfo{};
    info.Width = static_cast<int>(h.Width);
    info.Height = static_cast<int>(h.Height);
    info.BitCount = h.BitCount;
    info.ColorsText = ColorsTextOf(h.BitCount);
    info.ImageCount = 1;
    if (h.Core) {
      info.InfoText = "OS/2";
      return;
    }
    info.InfoText = "Windows";
    switch (h.Compression) {
      case bmp::kCompressionRGB: info.InfoText += ", RGB"; break;
      case bmp::kCompressionRLE8: info.InfoText += ", RLE8"; break;
      case bmp::kCompressionRLE4: info.InfoText += ", RLE4"; break;
      default: break;
    }
    if (h.TopDown()) info.InfoText += ", Top-Down";
  }
};

class TBMPWriter : public TFileFormatWriter {
 public:
  TBMPWriter(std::string extension, bool show)
      : TFileFormatWriter(std::move(extension), "Bitmap", show, kAllColorRes, "TBMPFileFormatWriter") {}

  void WriteImage(TStream& stream, TPixelGraphic& image) override {
    const std::uint32_t offset =
        bmp::kFileHeaderSize + bmp::kInfoHeaderSize + 4 * std::uint32_t(bmp::WrittenColorTableEntries(image));
    std::uint8_t header[bmp::kFileHeaderSize] = {'B', 'M'};
    PutLE32(header + 2, offset + static_cast<std::uint32_t>(image.ImageByteSize()));
    PutLE32(header + 10, offset);
    stream.Write(header, sizeof header);
    image.WriteDIB(stream);
  }
};

}  // namespace

void RegisterBMPFormats(TReaderList& readers, TWriterList& writers) {
  for (const char* ext : {"bmp", "dib", "rle"}) readers.push_back(std::make_unique<TBMPReader>(ext));
  writers.push_back(std::make_unique<TBMPWriter>("bmp", true));
  writers.push_back(std::make_unique<TBMPWriter>("dib", false));
}

std::unique_ptr<TFileFormatReader> MakeStandaloneBMPReader() { return std::make_unique<TBMPReader>("bmp"); }

std::unique_ptr<TFileFormatWriter> MakeStandaloneBMPWriter() { return std::make_unique<TBMPWriter>("bmp", true); }

}  // namespace lumora
