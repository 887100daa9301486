// The registry's GIF reader: image Index + 1 of a file at its own size, 1, 4 or 8 bits
// per pixel by the bits of the colour table it uses.
#include <cstring>
#include <memory>

#include "imaging/codecs/builtin_formats.h"
#include "imaging/codecs/gif_format.h"
#include "imaging/codecs/gif_lzw.h"
#include "imaging/core/exceptions.h"
#include "imaging/core/messages.h"
#include "imaging/core/size_limits.h"
#include "imaging/core/stream.h"

namespace lumora {
namespace {

constexpr const char* kNotAGIF = "Not a proper GIF file";
constexpr const char* kIndexOutOfBounds = "Index out of bounds";
// The most pixels one byte of LZW data can stand for (a 12-bit code of a 4096-long string).
constexpr int64_t kMaxPixelsPerCodeByte = 4096;

std::vector<std::uint8_t> ReadAll(TStream& stream) {
  const int64_t remaining = stream.Remaining();
  std::vector<std::uint8_t> bytes(size_t(remaining > 0 ? remaining : 0));
  bytes.resize(stream.Read(bytes.data(), bytes.size()));
  return bytes;
}

TGIFFileStructure Walk(const std::vector<std::uint8_t>& bytes) {
  TGIFWalkOptions options;
  options.skipUnknownExtensions = false;  // an unknown extension ends the file here
  TGIFFileStructure file;
  if (!WalkGIFFile(bytes.data(), bytes.size(), options, file)) throw EPGGIFFileFormatReader(kNotAGIF);
  return file;
}

const TGIFImageRecord& ImageAt(const TGIFFileStructure& file, int index) {
  if (index < 0 || index >= int(file.images.size())) throw EPGGIFFileFormatReader(kIndexOutOfBounds);
  return file.images[size_t(index)];
}

int TableBits(const TGIFFileStructure& file, const TGIFImageRecord& image) {
  return image.hasLocalTable ? image.localBits : file.globalBits;
}

[[noreturn]] void RaiseDamaged(int message, std::initializer_list<std::string_view> args = {}) {
  throw EPGGIFFileFormatReader("GIF: " + PGMessage(message, args));
}

class TGIFReader : public TFileFormatReader {
 public:
  TGIFReader() : TFileFormatReader("gif", "GIF") { HasSignature = true; }

  bool IsFormat(const std::uint8_t* header) const override { return std::memcmp(header, "GIF", 3) == 0; }

  void ReadImage(TStream& stream, TPixelGraphic& image, int index) override {
    const std::vector<std::uint8_t> bytes = ReadAll(stream);
    const TGIFFileStructure file = Walk(bytes);
    const TGIFImageRecord& record = ImageAt(file, index);
    if (record.width == 0 || record.height == 0) RaiseDamaged(msgZeroSize);
    const std::vector<std::uint8_t> code = GIFImageCode(bytes.data(), bytes.size(), record);
    if (code.size() < 2) RaiseDamaged(msgUnexpectedEOF);
    if (!DeclaredSizePlausible(record.width, record.height, int64_t(code.size()), kMaxPixelsPerCodeByte)) {
      RaiseDamaged(msgUnexpectedEOF);
    }

    const int bits = TableBits(file, record);
    const int bitCountNum = bits <= 1 ? 0 : bits <= 4 ? 1 : 2;
    const std::uint8_t* table = record.hasLocalTable ? bytes.data() + record.localTablePos : file.globalTable;
    const int entries = 1 << bits;
    image.Allocate(record.width, record.height, bitCountNum);
    image.SetPaletteCount(entries);
    for (int i = 0; i < entries; ++i) {
      image.SetPaletteColor(i, RGBColor(table[3 * i], table[3 * i + 1], table[3 * i + 2]));
    }

    TProgressScope progress(image);
    const int maxStep = record.height - 1;
    TGIFLZWTarget target;
    target.width = record.width;
    target.height = record.height;
    target.interlaced = record.interlaced;
    target.onRow = [&](int rowsDone, int) { return !progress.Step(rowsDone, maxStep); };
    std::unique_ptr<std::uint8_t[]> indices;
    if (bitCountNum == 2) {
      target.row0 = image.ScanLine(0);
      target.stride = -std::ptrdiff_t(image.RowStride());
    } else {
      indices.reset(new std::uint8_t[size_t(record.width) * size_t(record.height)]());
      target.row0 = indices.get();
      target.stride = record.width;
    }
    const TGIFLZWOutcome outcome = DecodeGIFLZW(code.data(), code.size(), target);
    if (indices) PackRows(image, indices.get(), bitCountNum);
    if (outcome.result == TGIFLZWResult::BadCodeSize) RaiseDamaged(msgInvalid, {"LZW code size"});
    if (outcome.pixelsWritten == 0 && outcome.result != TGIFLZWResult::Aborted) {
      RaiseDamaged(msgInvalid, {"Image data"});
    }
    image.Changed();
  }

  void GetImageInfo(TStream& stream, int index, TImageInfo& info) override {
    const std::vector<std::uint8_t> bytes = ReadAll(stream);
    const TGIFFileStructure file = Walk(bytes);
    const TGIFImageRecord& record = ImageAt(file, index);
    info = TImageInfo{};
    info.Width = record.width;
    info.Height = record.height;
    info.BitCount = TableBits(file, record);
    info.ColorsText = std::to_string(1 << info.BitCount);
    info.ImageCount = int(file.images.size());
    info.InfoText = file.versionByte == '7' ? "87a" : "89a";
    info.ExtraText = file.anyInterlaced ? "Interlaced" : "Non-interlaced";
  }

 private:
  // Packs one index per byte into 1- or 4-bit rows; an index the format cannot hold
  // becomes 0 (it would read as palette entry 0 anyway).
  static void PackRows(TPixelGraphic& image, const std::uint8_t* indices, int bitCountNum) {
    const int w = image.Width();
    for (int y = 0; y < image.Height(); ++y) {
      const std::uint8_t* src = indices + size_t(y) * size_t(w);
      std::uint8_t* row = image.ScanLine(y);
      std::memset(row, 0, size_t(image.RowStride()));
      if (bitCountNum == 0) {
        for (int x = 0; x < w; ++x) {
          if (src[x] == 1) row[x >> 3] |= std::uint8_t(0x80 >> (x & 7));
        }
      } else {
        for (int x = 0; x < w; ++x) {
          const std::uint8_t v = src[x] < 16 ? src[x] : 0;
          row[x >> 1] |= (x & 1) ? v : std::uint8_t(v << 4);
        }
      }
    }
  }
};

}  // namespace

void RegisterGIFFormats(TReaderList& readers, TWriterList&) { readers.push_back(std::make_unique<TGIFReader>()); }

}  // namespace lumora
