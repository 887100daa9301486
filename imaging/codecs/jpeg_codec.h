#pragma once
// The JPEG codec's operations, used by its registry entries (jpeg_codec.cpp).
#include <cstdint>

#include "imaging/core/registry.h"

namespace lumora {

class TStream;

void ReadJpegImage(TStream& stream, TPixelGraphic& image, int index);
void GetJpegImageInfo(TStream& stream, int index, TImageInfo& info);
void WriteJpegImage(TStream& stream, TPixelGraphic& image);

// The DCT scale denominator (1, 2, 4 or 8) for a preview of a width x height picture
// shown in a boxWidth x boxHeight box: the largest reduction whose result still covers
// the size the picture is fitted to. 1 when there is no box.
int JpegPreviewScaleDenominator(std::int64_t width, std::int64_t height, int boxWidth, int boxHeight);

}  // namespace lumora
