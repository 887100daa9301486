// JPEG codec: the registry entries "jpg", "jpeg" and "jif" over libjpeg-turbo.
#include "imaging/codecs/jpeg_codec.h"

#include "imaging/codecs/builtin_formats.h"

namespace lumora {
namespace {

constexpr const char* kJpegDescription = "JPEG (JFIF compliant)";

class TJPEGReader : public TFileFormatReader {
 public:
  explicit TJPEGReader(const char* extension) : TFileFormatReader(extension, kJpegDescription) {
    HasSignature = true;
  }
  bool IsFormat(const std::uint8_t* header) const override { return header[0] == 0xFF && header[1] == 0xD8; }
  void ReadImage(TStream& stream, TPixelGraphic& image, int index) override { ReadJpegImage(stream, image, index); }
  void GetImageInfo(TStream& stream, int index, TImageInfo& info) override { GetJpegImageInfo(stream, index, info); }
};

class TJPEGWriter : public TFileFormatWriter {
 public:
  TJPEGWriter(const char* extension, bool show)
      : TFileFormatWriter(extension, kJpegDescription, show, ColorResBit(crGray256) | ColorResBit(crTrueColor),
                          "TJPEGFileFormatWriter") {}
  void WriteImage(TStream& stream, TPixelGraphic& image) override { WriteJpegImage(stream, image); }
};

}  // namespace

void RegisterJPEGFormats(TReaderList& readers, TWriterList& writers) {
  for (const char* ext : {"jpg", "jpeg", "jif"}) readers.push_back(std::make_unique<TJPEGReader>(ext));
  writers.push_back(std::make_unique<TJPEGWriter>("jpg", true));
  writers.push_back(std::make_unique<TJPEGWriter>("jpeg", false));
  writers.push_back(std::make_unique<TJPEGWriter>("jif", false));
}

}  // namespace lumora
