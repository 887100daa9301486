// Fuzz target of the JPEG reader: header description, full decode and reduced preview
// decode of arbitrary bytes. Library failures must surface as the codec's exceptions.
#include <cstdint>
#include <cstring>

#include "imaging/core/exceptions.h"
#include "imaging/core/registry.h"
#include "imaging/core/size_limits.h"
#include "imaging/core/stream.h"

namespace {

lumora::TFileFormatReader& JpegReader() {
  for (const auto& reader : lumora::FileFormatReaders())
    if (reader->Extension == "jpg") return *reader;
  __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  // Small pictures only: a few bytes may declare 65500 x 65500 legitimately.
  lumora::TImageLimits limits;
  limits.MaxPixelBytes = 24 << 20;
  lumora::TScopedImageLimits scoped(limits);
  lumora::TFileFormatReader& reader = JpegReader();
  {
    lumora::TMemoryStream stream(data, size);
    lumora::TImageInfo info;
    try {
      reader.GetImageInfo(stream, 0, info);
    } catch (const lumora::EPixelGraphic&) {
    }
  }
  for (const bool preview : {false, true}) {
    lumora::TMemoryStream stream(data, size);
    lumora::TPixelGraphic image;
    image.ReadWarningAction = lumora::pgwaIgnore;
    image.PreviewLoad = preview;
    image.PreviewWidth = image.PreviewHeight = preview ? 32 : 0;
    try {
      reader.ReadImage(stream, image, 0);
    } catch (const lumora::EPixelGraphic&) {
    }
    // Only the first bytes of the picture decide whether a preview differs; skip it for
    // inputs that failed early to keep the fuzzer fast.
    if (image.GetEmpty()) break;
  }
  return 0;
}
