// PNG codec: the registry entry "png" over libpng 1.6 and zlib.
#include "imaging/codecs/png_codec.h"

#include <cstring>

#include "imaging/codecs/builtin_formats.h"

namespace lumora {
namespace {

constexpr const char* kPngDescription = "Portable Network Graphics";

class TPNGReader : public TFileFormatReader {
 public:
  TPNGReader() : TFileFormatReader("png", kPngDescription) { HasSignature = true; }
  bool IsFormat(const std::uint8_t* header) const override {
    static constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    return std::memcmp(header, kSignature, sizeof kSignature) == 0;
  }
  void ReadImage(TStream& stream, TPixelGraphic& image, int index) override { ReadPngImage(stream, image, index); }
  void GetImageInfo(TStream& stream, int index, TImageInfo& info) override { GetPngImageInfo(stream, index, info); }
};

class TPNGWriter : public TFileFormatWriter {
 public:
  TPNGWriter() : TFileFormatWriter("png", kPngDescription, true, kAllColorRes, "TPNGFileFormatWriter") {}
  void WriteImage(TStream& stream, TPixelGraphic& image) override { WritePngImage(stream, image); }
};

}  // namespace

void RegisterPNGFormats(TReaderList& readers, TWriterList& writers) {
  readers.push_back(std::make_unique<TPNGReader>());
  writers.push_back(std::make_unique<TPNGWriter>());
}

}  // namespace lumora
