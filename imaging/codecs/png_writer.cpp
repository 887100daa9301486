// PNG encoding: palette files for indexed images (8-bit gray for the 256-gray palette),
// RGB for 24 bits; rows taken straight from the pixel block; an optional gamma chunk.
#include <algorithm>
#include <vector>

#include "imaging/codecs/gray_palette.h"
#include "imaging/codecs/png_codec.h"
#include "imaging/codecs/png_support.h"
#include "imaging/core/codec_settings.h"
#include "imaging/core/messages.h"

namespace lumora {
namespace {

// The highest palette index the pixels use.
int MaxPaletteIndex(const TPixelGraphic& image) {
  int max = 0;
  const int width = image.Width();
  for (int y = 0; y < image.Height(); ++y) {
    const std::uint8_t* row = image.ScanLine(y);
    switch (image.BitCountNum()) {
      case 0:
        for (int x = 0; x < width; ++x) max = std::max(max, (row[x >> 3] >> (7 - (x & 7))) & 1);
        break;
      case 1:
        for (int x = 0; x < width; ++x) max = std::max(max, (x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4);
        break;
      default:
        for (int x = 0; x < width; ++x) max = std::max(max, int(row[x]));
    }
  }
  return max;
}

// The palette chunk: the image's palette, lengthened with entry 0 when pixels use indices
// beyond it (they show as entry 0 here), so the file is valid and looks the same.
std::vector<png_color> PaletteChunk(const TPixelGraphic& image) {
  const int count = std::max(image.PaletteCount(), MaxPaletteIndex(image) + 1);
  std::vector<png_color> palette(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    const TColor c = image.ColorTableEntry(i);
    palette[i] = png_color{png_byte(GetRValue(c)), png_byte(GetGValue(c)), png_byte(GetBValue(c))};
  }
  return palette;
}

}  // namespace

void WritePngImage(TStream& stream, TPixelGraphic& image) {
  const TCodecSettings settings = CodecSettings();
  TPngWriteStructs s(stream, image.ReadWarningAction);
  png_structp png = s.png;
  png_infop info = s.info;
  image.FlushPendingDrawing();

  const bool trueColor = image.BitCountNum() == 3;
  const bool gray = HasGray256Palette(image);
  const int bitDepth = trueColor ? 8 : image.BitCount();
  const int colorType = trueColor ? PNG_COLOR_TYPE_RGB : gray ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_PALETTE;
  const auto width = static_cast<png_uint_32>(image.Width());
  const auto height = static_cast<png_uint_32>(image.Height());
  std::vector<png_color> palette;
  if (colorType == PNG_COLOR_TYPE_PALETTE) palette = PaletteChunk(image);
  const png_color* paletteData = palette.data();
  const int paletteCount = static_cast<int>(palette.size());
  const bool writeGamma = settings.PNGWriteGamma && image.Gamma > 0;
  const double fileGamma = writeGamma ? 1.0 / image.Gamma : 0;

  s.Call([=] {
    png_set_IHDR(png, info, width, height, bitDepth, colorType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_PLTE(png, info, paletteData, paletteCount);
    if (writeGamma) png_set_gAMA(png, info, fileGamma);
    png_write_info(png, info);
    if (trueColor) png_set_bgr(png);
  });

  {
    TProgressScope progress(image);
    const int h = image.Height();
    for (int y = 0; y < h; ++y) {
      png_const_bytep row = static_cast<const TPixelGraphic&>(image).ScanLine(y);
      s.Call([png, row] { png_write_row(png, row); });
      progress.Step(y, h - 1);  // writing is not abortable
    }
  }
  s.Call([png, info] { png_write_end(png, info); });
}

}  // namespace lumora
