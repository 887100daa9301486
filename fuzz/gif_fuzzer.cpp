// Fuzz target of the GIF readers: the registry's reader (every image, and the
// information pass) and the animated display's model (frames and composition).
#include <cstddef>
#include <cstdint>

#include "imaging/core/exceptions.h"
#include "imaging/core/pixel_graphic.h"
#include "imaging/core/registry.h"
#include "imaging/core/size_limits.h"
#include "imaging/core/stream.h"
#include "imaging/view/gif_movie.h"

using namespace lumora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  // Keep pictures small so the fuzzer explores structure, not allocation: with 64 MiB
  // every input that declares a large screen spends its time clearing memory.
  TScopedImageLimits limits({4096, std::int64_t(8) << 20});
  TFileFormatReader* reader = nullptr;
  for (const auto& r : FileFormatReaders()) {
    if (r->Extension == "gif") reader = r.get();
  }
  for (int index = 0; index < 3 && reader; ++index) {
    try {
      TMemoryStream stream(data, size);
      TImageInfo info;
      reader->GetImageInfo(stream, index, info);
    } catch (const EPixelGraphic&) {
    }
    try {
      TMemoryStream stream(data, size);
      TPixelGraphic image;
      reader->ReadImage(stream, image, index);
    } catch (const EPixelGraphic&) {
    }
  }
  TGIFMovie movie;
  TGIFMovieOptions options;
  options.MemoryBudget = std::int64_t(8) << 20;
  if (movie.Load(data, size, options)) {
    movie.ResetComposition();
    for (int i = 1; i <= movie.FrameCount(); ++i) {
      if (i > 1) movie.DisposeFrame(i - 1);
      movie.DrawFrame(i);
    }
  }
  return 0;
}
