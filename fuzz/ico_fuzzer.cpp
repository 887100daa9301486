// Fuzz target of the icon reader: every entry, and the information pass.
#include <cstddef>
#include <cstdint>

#include "imaging/core/exceptions.h"
#include "imaging/core/pixel_graphic.h"
#include "imaging/core/registry.h"
#include "imaging/core/size_limits.h"
#include "imaging/core/stream.h"

using namespace lumora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  TScopedImageLimits limits({4096, std::int64_t(64) << 20});
  TFileFormatReader* reader = nullptr;
  for (const auto& r : FileFormatReaders()) {
    if (r->Extension == "ico") reader = r.get();
  }
  if (!reader) return 0;
  try {
    TMemoryStream stream(data, size);
    TImageInfo info;
    reader->GetImageInfo(stream, 0, info);
  } catch (const EPixelGraphic&) {
  }
  for (int index = 0; index < 4; ++index) {
    try {
      TMemoryStream stream(data, size);
      TPixelGraphic image;
      reader->ReadImage(stream, image, index);
    } catch (const EPixelGraphic&) {
    }
  }
  return 0;
}
