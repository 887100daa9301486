#pragma once
// The PNG codec's operations, used by its registry entry (png_codec.cpp).
#include "imaging/core/registry.h"

namespace lumora {

class TStream;

void ReadPngImage(TStream& stream, TPixelGraphic& image, int index);
void GetPngImageInfo(TStream& stream, int index, TImageInfo& info);
void WritePngImage(TStream& stream, TPixelGraphic& image);

}  // namespace lumora
