// PNG decoding: 1, 4, 8 or 24-bit images with rows read straight into the pixel block;
// transparency flattened against a background; the file gamma handed to the image.
#include <algorithm>
#include <vector>

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

// Alpha channels, and the transparent colour of 16-bit files, are flattened here rather
// than by libpng: libpng 1.6 composites 16-bit files after cutting them to 8 bits and
// mis-scales the background then. This is the exact integer blend of PNG's compositing,
// at the file's own sample depth, with the high byte kept.
struct TAlphaFlattener {
  int colorChannels = 1;  // 1 gray, 3 blue-green-red
  int bitDepth = 8;       // 8 or 16
  int background[3] = {};  // in the file's depth, in output channel order
  bool keyed = false;      // no alpha channel: pixels equal to `key` are transparent
  int key[3] = {};

  static int Blend8(int fg, int alpha, int bg) {
    const unsigned t = unsigned(fg) * alpha + unsigned(bg) * (255 - alpha) + 128;
    return int((t + (t >> 8)) >> 8);
  }
  static int Blend16(int fg, int alpha, int bg) {
    const std::uint32_t t = std::uint32_t(fg) * alpha + std::uint32_t(bg) * (65535 - alpha) + 32768;
    return int((t + (t >> 16)) >> 16);
  }

  // Flattens pixels first, first + step, ... of a decoded row into the image row.
  void Row(const std::uint8_t* source, std::uint8_t* target, int first, int step, int width) const {
    const int channels = colorChannels + (keyed ? 0 : 1);
    for (int x = first; x < width; x += step) {
      if (keyed) {  // 16-bit samples
        const std::uint8_t* p = source + 2 * std::size_t(x) * channels;
        bool transparent = true;
        for (int k = 0; k < colorChannels; ++k) transparent &= ((p[2 * k] << 8) | p[2 * k + 1]) == key[k];
        for (int k = 0; k < colorChannels; ++k)
          target[x * colorChannels + k] = std::uint8_t(transparent ? background[k] >> 8 : p[2 * k]);
      } else if (bitDepth == 16) {
        const std::uint8_t* p = source + 2 * std::size_t(x) * channels;
        const int alpha = (p[2 * colorChannels] << 8) | p[2 * colorChannels + 1];
        for (int k = 0; k < colorChannels; ++k)
          target[x * colorChannels + k] =
              std::uint8_t(Blend16((p[2 * k] << 8) | p[2 * k + 1], alpha, background[k]) >> 8);
      } else {
        const std::uint8_t* p = source + std::size_t(x) * channels;
        const int alpha = p[colorChannels];
        for (int k = 0; k < colorChannels; ++k)
          target[x * colorChannels + k] = std::uint8_t(Blend8(p[k], alpha, background[k]));
      }
    }
  }
};

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
  image.SetFillColor(fillColor);  // the same colour in the new pixel format

  // Transparency: a transparent colour (tRNS of gray and RGB files) is replaced by libpng;
  // alpha channels are flattened below. The palette was copied above, before any request,
  // so the entries of a palette file keep the file's own colours.
  const bool hasTrns = png_get_valid(png, info, PNG_INFO_tRNS);
  const bool alphaChannel = colorType & PNG_COLOR_MASK_ALPHA;
  // Rows that go through the flattener instead of straight into the image.
  const bool flatten = alphaChannel || (hasTrns && bitDepth == 16);
  TAlphaFlattener flattener;
  if (hasTrns || alphaChannel) {
    png_color_16p fileBackground = nullptr;
    png_color_16 bg;
    int gammaCode = PNG_BACKGROUND_GAMMA_SCREEN;
    if (settings.PNGUseFileBackground && png_get_bKGD(png, info, &fileBackground) && fileBackground) {
      bg = *fileBackground;
      gammaCode = PNG_BACKGROUND_GAMMA_FILE;
      image.SetFillColor(ColorOfBackground(bg, bitDepth, colorType));
    } else {
      bg = BackgroundOf(fillColor, bitDepth, colorType);
    }
    if (flatten) {
      const bool color = colorType & PNG_COLOR_MASK_COLOR;
      flattener.colorChannels = color ? 3 : 1;
      flattener.bitDepth = bitDepth;
      flattener.background[0] = color ? bg.blue : bg.gray;
      flattener.background[1] = bg.green;
      flattener.background[2] = bg.red;
      png_color_16p key = nullptr;
      if (!alphaChannel && png_get_tRNS(png, info, nullptr, nullptr, &key) && key) {
        flattener.keyed = true;
        flattener.key[0] = color ? key->blue : key->gray;
        flattener.key[1] = key->green;
        flattener.key[2] = key->red;
      }
    } else {
      s.Call([png, bg, gammaCode] { png_set_background(png, &bg, gammaCode, 0, 1.0); });
    }
  }

  double fileGamma = 0;
  if (png_get_gAMA(png, info, &fileGamma) && fileGamma > 0) image.Gamma = 1.0 / fileGamma;

  int passes = 1;
  s.Call([png, info, bitDepth, colorType, flatten, &passes] {
    if (bitDepth == 16 && !flatten) png_set_strip_16(png);
    if (colorType & PNG_COLOR_MASK_COLOR) png_set_bgr(png);
    passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
  });
  // libpng writes rowbytes into each row it is given: never more than that row holds.
  const std::size_t rowBytes = png_get_rowbytes(png, info);
  std::vector<std::uint8_t> alphaRow;
  if (flatten) alphaRow.resize(rowBytes);
  else if (rowBytes > static_cast<std::size_t>(image.RowStride())) RaisePng(PngMessage(msgNotSupportedSubformat));

  const int h = static_cast<int>(height);
  const int w = static_cast<int>(width);
  bool aborted = false;
  {
    TProgressScope progress(image);
    const std::int64_t max = std::int64_t(h) * passes;
    for (int pass = 0; pass < passes && !aborted; ++pass) {
      for (int y = 0; y < h; ++y) {
        png_bytep row = flatten ? alphaRow.data() : image.ScanLine(y);
        s.Call([png, row] { png_read_row(png, row, nullptr); });
        if (flatten) {
          // libpng filled in the pixels of this pass only (all of them without interlace).
          if (passes == 1) flattener.Row(row, image.ScanLine(y), 0, 1, w);
          else if (PNG_ROW_IN_INTERLACE_PASS(y, pass))
            flattener.Row(row, image.ScanLine(y), PNG_PASS_START_COL(pass), PNG_PASS_COL_OFFSET(pass), w);
        }
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
