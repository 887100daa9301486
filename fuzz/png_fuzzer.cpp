// Fuzz target of the PNG reader: header description and decode of arbitrary bytes, with
// each warning action's path (ignored, and raised). Library failures must surface as the
// codec's exceptions.
#include <cstdint>

#include "imaging/core/exceptions.h"
#include "imaging/core/registry.h"
#include "imaging/core/size_limits.h"
#include "imaging/core/stream.h"

namespace {

lumora::TFileFormatReader& PngReader() {
  for (const auto& reader : lumora::FileFormatReaders())
    if (reader->Extension == "png") return *reader;
  __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  lumora::TImageLimits limits;
  limits.MaxPixelBytes = 24 << 20;
  lumora::TScopedImageLimits scoped(limits);
  lumora::TFileFormatReader& reader = PngReader();
  {
    lumora::TMemoryStream stream(data, size);
    lumora::TImageInfo info;
    try {
      reader.GetImageInfo(stream, 0, info);
    } catch (const lumora::EPixelGraphic&) {
    }
  }
  lumora::TMemoryStream stream(data, size);
  lumora::TPixelGraphic image;
  image.ReadWarningAction = size % 2 ? lumora::pgwaIgnore : lumora::pgwaRaise;
  image.FillColor = 0x336699;
  try {
    reader.ReadImage(stream, image, 0);
  } catch (const lumora::EPixelGraphic&) {
  }
  return 0;
}
