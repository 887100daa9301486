// PNG decoding: 1, 4, 8 or 24-bit images with rows read straight into the pixel block;
// transparency flattened against a background; the file gamma handed to the image.
#include <algorithm>

#include "imaging/codecs/png_codec.h"
#include "imaging/codecs/png_support.h"
#include "imaging/core/codec_settings.h"
#include "imaging/core/messages.h"
#include "imaging/core/size_limits.h"
#include "imaging/core/stream.h"

namespace lumora {
namespace {

// Deflate expands at most about 1032:1; at one bit per pixel and a little slack this
// bounds the pixels a file of a given size can describe.
constexpr std::int64_t kMaxPixelsPerPngByte = 8 * 1100;

int PngBitCountNum(int channels, int bitDepth) {
  if (channels > 2) return 3;
  switch (bitDepth) {
    case 1: return 0;
    case 2:
    case 4: return 1;
    default: return 2;
  }
}

// A sample of `bitDepth` bits to 8 bits and back (palette colours are 8-bit already).
int SampleTo8(int value, int bitDepth) {
  if (bitDepth == 16) return value >> 8;
  if (bitDepth >= 8) return value & 0xFF;
  const int max = (1 << bitDepth) - 1;
  return std::min(value, max) * 255 / max;
}
int SampleFrom8(int value, int bitDepth) {
  if (bitDepth == 16) return value * 257;
  if (bitDepth >= 8) return value;
  const int max = (1 << bitDepth) - 1;
  return (value * max + 127) / 255;
}

// libpng takes the background in the file's own sample depth (8 bits for palette files).
png_color_16 BackgroundOf(TColor color, int bitDepth, int colorType) {
  const int depth = colorType == PNG_COLOR_TYPE_PALETTE ? 8 : bitDepth;
  const int r = GetRValue(color), g = GetGValue(color), b = GetBValue(color);
  png_color_16 bg{};
  bg.red = static_cast<png_uint_16>(SampleFrom8(r, depth));
  bg.green = static_cast<png_uint_16>(SampleFrom8(g, depth));
  bg.blue = static_cast<png_uint_16>(SampleFrom8(b, depth));
  bg.gray = static_cast<png_uint_16>(SampleFrom8((r + g + b) / 3, depth));
  return bg;
}

TColor ColorOfBackground(const png_color_16& bg, int bitDepth, int colorType) {
  if (colorType == PNG_COLOR_TYPE_PALETTE) return RGBColor(bg.red, bg.green, bg.blue);
  if (!(colorType & PNG_COLOR_MASK_COLOR)) {
    const int v = SampleTo8(bg.gray, bitDepth);
    return RGBColor(v, v, v);
  }
  return RGBColor(SampleTo8(bg.red, bitDepth), SampleTo8(bg.green, bitDepth), SampleTo8(bg.blue, bitDepth));
}

void SetGrayPalette(TPixelGraphic& image, int bitDepth) {
  switch (bitDepth) {
    case 1: image.SetPaletteIdent(pBlackWhite); break;
    case 2:
      image.SetPaletteCount(4);
      for (int i = 0; i < 4; ++i) image.SetPaletteColor(i, RGBColor(85 * i, 85 * i, 85 * i));
      image.SetPaletteIdent(pGray4);
      break;
    case 4: image.SetPaletteIdent(pGray16); break;
    default: image.SetPaletteIdent(pGray256);
  }
}

// 2-bit pixels (four to a byte, first at the top) become 4-bit pixels, in place from the
// right so that no source byte is overwritten before it is read.
void Expand2BitRow(std::uint8_t* row, int width) {
  for (int x = width - 1; x >= 0; --x) {
    const int v = (row[x >> 2] >> (6 - 2 * (x & 3))) & 3;
    std::uint8_t& target = row[x >> 1];
    target = (x & 1) ? std::uint8_t((target & 0xF0) | v) : std::uint8_t((target & 0x0F) | (v << 4));
  }
}

}  // namespace

void ReadPngImage(TStream& stream, TPixelGraphic& image, int index) {
  if (index != 0) RaisePng(PngMessage(msgInvalid, {"Index"}));
  const TCodecSettings settings = CodecSettings();
  image.Gamma = settings.DisplayGamma;
  const TColor fillColor = image.FillColorAsColor();

  TPngReadStructs s(stream, image.ReadWarningAction);
  s.ReadInfo();
  png_structp png = s.png;
  png_infop info = s.info;
  const auto width = png_get_image_width(png, info);
  const auto height = png_get_image_height(png, info);
  const int bitDepth = png_get_bit_depth(png, info);
  const int colorType = png_get_color_type(png, info);
  const int channels = png_get_channels(png, info);
  const int bitCountNum = PngBitCountNum(channels, bitDepth);

  // Refuse hostile sizes before anything is allocated for them.
  CheckImageSize(width, height, TPixelGraphic::BitCountOfNum(bitCountNum));
  if (!DeclaredSizePlausible(width, height, stream.Remaining(), kMaxPixelsPerPngByte))
    RaisePng(PngMessage(msgUnexpectedEOF));

  image.Allocate(static_cast<int>(width), static_cast<int>(height), bitCountNum);
  if (colorType == PNG_COLOR_TYPE_PALETTE) {
    png_colorp palette = nullptr;
    int count = 0;
    png_get_PLTE(png, info, &palette, &count);
    image.SetPaletteCount(count);
    for (int i = 0; i < count; ++i) image.SetPaletteColor(i, RGBColor(palette[i].red, palette[i].green, palette[i].blue));
  } else if (!(colorType & PNG_COLOR_MASK_COLOR)) {
    SetGrayPalette(image, bitDepth);
  }

  // Transparency is flattened by libpng. The palette was copied above, before the request,
  // so the entries of a palette file keep the file's own colours.
  if (png_get_valid(png, info, PNG_INFO_tRNS) || (colorType & PNG_COLOR_MASK_ALPHA)) {
    png_color_16p fileBackground = nullptr;
    if (settings.PNGUseFileBackground && png_get_bKGD(png, info, &fileBackground) && fileBackground) {
      const png_color_16 bg = *fileBackground;
      s.Call([png, bg] { png_set_background(png, &bg, PNG_BACKGROUND_GAMMA_FILE, 0, 1.0); });
      image.SetFillColor(ColorOfBackground(bg, bitDepth, colorType));
    } else {
      const png_color_16 bg = BackgroundOf(fillColor, bitDepth, colorType);
      s.Call([png, bg] { png_set_background(png, &bg, PNG_BACKGROUND_GAMMA_SCREEN, 0, 1.0); });
    }
  }

  double fileGamma = 0;
  if (png_get_gAMA(png, info, &fileGamma) && fileGamma > 0) image.Gamma = 1.0 / fileGamma;

  int passes = 1;
  s.Call([png, info, bitDepth, colorType, &passes] {
    if (bitDepth == 16) png_set_strip_16(png);
    if (colorType & PNG_COLOR_MASK_COLOR) png_set_bgr(png);
    passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
  });
  // libpng writes rowbytes into each row: never more than the image's stride.
  if (png_get_rowbytes(png, info) > static_cast<std::size_t>(image.RowStride()))
    RaisePng(PngMessage(msgNotSupportedSubformat));

  const int h = static_cast<int>(height);
  bool aborted = false;
  {
    TProgressScope progress(image);
    const std::int64_t max = std::int64_t(h) * passes;
    for (int pass = 0; pass < passes && !aborted; ++pass) {
      for (int y = 0; y < h; ++y) {
        png_bytep row = image.ScanLine(y);
        s.Call([png, row] { png_read_row(png, row, nullptr); });
        if (progress.Step(static_cast<int>(y + std::int64_t(h) * pass), static_cast<int>(max))) {
          aborted = true;
          break;
        }
      }
    }
    if (!aborted && bitDepth == 2) {
      for (int y = 0; y < h; ++y) Expand2BitRow(image.ScanLine(y), image.Width());
    }
  }
  if (!aborted) s.Call([png, info] { png_read_end(png, info); });
}

void GetPngImageInfo(TStream& stream, int index, TImageInfo& info) {
  if (index != 0) RaisePng(PngMessage(msgInvalidValue, {"Index"}));
  TPngReadStructs s(stream, pgwaRaise);
  s.ReadInfo();
  const int colorType = png_get_color_type(s.png, s.info);
  const int bitDepth = png_get_bit_depth(s.png, s.info);

  info = TImageInfo{};
  std::string text = "GrayScale";
  if (colorType == PNG_COLOR_TYPE_PALETTE) text = "palette";
  else if (colorType & PNG_COLOR_MASK_COLOR) text = "RGB";
  if (colorType & PNG_COLOR_MASK_ALPHA) text += ", alpha";
  if (png_get_interlace_type(s.png, s.info) == PNG_INTERLACE_ADAM7) text += ", interlaced";
  info.InfoText = text;

  static constexpr struct {
    png_uint_32 flag;
    const char* name;
  } kChunks[] = {{PNG_INFO_gAMA, "gama"}, {PNG_INFO_sBIT, "sbit"}, {PNG_INFO_cHRM, "chrm"}, {PNG_INFO_PLTE, "plte"},
                 {PNG_INFO_tRNS, "trns"}, {PNG_INFO_bKGD, "bkgd"}, {PNG_INFO_hIST, "hist"}, {PNG_INFO_pHYs, "phys"},
                 {PNG_INFO_oFFs, "offs"}, {PNG_INFO_tIME, "time"}};
  std::string chunks;
  for (const auto& chunk : kChunks) {
    if (!png_get_valid(s.png, s.info, chunk.flag)) continue;
    if (!chunks.empty()) chunks += ", ";
    chunks += chunk.name;
  }
  if (!chunks.empty()) info.ExtraText = "(" + chunks + ")";

  info.Width = static_cast<int>(png_get_image_width(s.png, s.info));
  info.Height = static_cast<int>(png_get_image_height(s.png, s.info));
  info.BitCount = png_get_channels(s.png, s.info) * bitDepth;
  switch (info.BitCount) {
    case 1: info.ColorsText = "2"; break;
    case 2: info.ColorsText = "4"; break;
    case 4: info.ColorsText = "16"; break;
    case 8: info.ColorsText = "256"; break;
    case 16: info.ColorsText = "64K?"; break;
    case 24: info.ColorsText = "16.7M"; break;
    case 32: info.ColorsText = "16.7M?"; break;
    default: info.ColorsText = "?";
  }
  info.ImageCount = 1;
}

}  // namespace lumora
