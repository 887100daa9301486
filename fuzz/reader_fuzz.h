#pragma once
// Shared body of the fuzz targets of the registry readers: ReadImage and GetImageInfo
// on arbitrary bytes must end in a decoded picture or a library exception, within the
// limits policy.
#include <cstdint>
#include <cstring>

#include "imaging/core/codec_settings.h"
#include "imaging/core/exceptions.h"
#include "imaging/core/pixel_graphic.h"
#include "imaging/core/registry.h"
#include "imaging/core/size_limits.h"
#include "imaging/core/stream.h"

namespace {

lumora::TFileFormatReader* RegisteredReader(const char* extension) {
  for (const auto& r : lumora::FileFormatReaders())
    if (r->Extension == extension) return r.get();
  return nullptr;
}

// Runs the registered reader of `extension` over the input.
inline int FuzzRegisteredReader(const char* extension, const std::uint8_t* data, size_t size) {
  using namespace lumora;
  // Small limits keep hostile sizes from exhausting the fuzzer's memory.
  static TScopedImageLimits limits(TImageLimits{4096, 16 << 20});
  TCodecSettings settings = CodecSettings();
  settings.TIFFCountImages = size > 0 && (data[size - 1] & 1);
  TScopedCodecSettings scoped(settings);
  TFileFormatReader* reader = RegisteredReader(extension);
  if (!reader) return 0;
  {
    TMemoryStream stream(data, size);
    TPixelGraphic image;
    image.ReadWarningAction = size > 1 && (data[size - 2] & 1) ? pgwaIgnore : pgwaRaise;
    try {
      reader->ReadImage(stream, image, 0);
    } catch (const EPixelGraphic&) {
    }
  }
  for (int index : {0, 1}) {
    TMemoryStream stream(data, size);
    TImageInfo info;
    try {
      reader->GetImageInfo(stream, index, info);
    } catch (const EPixelGraphic&) {
    }
  }
  return 0;
}

}  // namespace
