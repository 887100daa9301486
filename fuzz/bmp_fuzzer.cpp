// Feeds arbitrary bytes to the BMP reader: the full load through the registry (which
// picks the reader by signature), the file information, and a packed DIB as the
// clipboard delivers it. Any failure must be a clean exception, never a crash.
#include <cstdint>
#include <exception>

#include "imaging/core/pixel_graphic.h"
#include "imaging/core/registry.h"
#include "imaging/core/size_limits.h"
#include "imaging/core/stream.h"

using namespace lumora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  // Keep single allocations well inside the fuzzer's memory limit.
  static TScopedImageLimits limits(TImageLimits{65535, std::int64_t(256) << 20});
  try {
    TMemoryStream stream(data, size);
    TPixelGraphic image;
    image.LoadFromStreamEx(stream, "bmp", 0);
    // Touch every pixel the decoder produced.
    volatile std::uint32_t sum = 0;
    for (int y = 0; y < image.Height(); y += 7)
      for (int x = 0; x < image.Width(); x += 7) sum = sum + image.GetRGBPixel(x, y);
  } catch (const std::exception&) {
  }
  try {
    TMemoryStream stream(data, size);
    TImageInfo info;
    StandaloneBMPReader().GetImageInfo(stream, 0, info);
  } catch (const std::exception&) {
  }
  try {
    TPixelGraphic image;
    image.LoadFromClipboardFormat(CF_DIB_FORMAT, std::vector<std::uint8_t>(data, data + size));
  } catch (const std::exception&) {
  }
  return 0;
}
