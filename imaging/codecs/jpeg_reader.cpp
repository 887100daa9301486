// JPEG decoding: straight into the pixel rows (blue, green, red or gray), optionally at
// a reduced DCT scale for previews; and the header description of GetImageInfo.
#include <algorithm>
#include <memory>

#include "imaging/codecs/jpeg_codec.h"
#include "imaging/codecs/jpeg_support.h"
#include "imaging/core/codec_settings.h"
#include "imaging/core/messages.h"
#include "imaging/core/size_limits.h"

namespace lumora {
namespace {

// A decompressor with its error manager and source; destroyed in every case.
struct TJpegDecompressor {
  jpeg_decompress_struct cinfo{};
  TJpegErrorManager err;
  TJpegStreamSource source;
  bool created = false;

  TJpegDecompressor(TStream& stream, TPGWarningAction action) {
    cinfo.err = err.Install(action);
    JpegCall(err, [this] {
      jpeg_create_decompress(&cinfo);
      created = true;
    });
    source.Attach(&cinfo, stream, err);
    // libjpeg's own buffers (whole-image coefficients of progressive files) stay within
    // twice the pixel budget; beyond it libjpeg refuses for want of a backing store.
    cinfo.mem->max_memory_to_use = static_cast<long>(2 * GetImageLimits().MaxPixelBytes + (64 << 20));
  }
  ~TJpegDecompressor() {
    if (created) jpeg_destroy_decompress(&cinfo);
  }
  TJpegDecompressor(const TJpegDecompressor&) = delete;
  TJpegDecompressor& operator=(const TJpegDecompressor&) = delete;

  void ReadHeader() {
    JpegCall(err, [this] { jpeg_read_header(&cinfo, TRUE); });
  }
};

}  // namespace

int JpegPreviewScaleDenominator(std::int64_t width, std::int64_t height, int boxWidth, int boxHeight) {
  if (boxWidth <= 0 || boxHeight <= 0) return 1;
  // The picture is fitted with the factor min(box/size) over both sides; a reduction by d
  // keeps enough pixels when d <= size/box on at least one side.
  for (int d : {8, 4, 2}) {
    if (width >= std::int64_t(boxWidth) * d || height >= std::int64_t(boxHeight) * d) return d;
  }
  return 1;
}

void ReadJpegImage(TStream& stream, TPixelGraphic& image, int index) {
  if (index != 0) RaiseJpg(JpgMessage(msgInvalid, {"Index"}));
  const TCodecSettings settings = CodecSettings();
  image.Gamma = settings.DisplayGamma;  // JPEG files carry no gamma

  auto d = std::make_unique<TJpegDecompressor>(stream, image.ReadWarningAction);
  j_decompress_ptr cinfo = &d->cinfo;
  d->ReadHeader();

  cinfo->scale_num = 1;
  cinfo->scale_denom = 1;
  if (image.PreviewLoad)
    cinfo->scale_denom = static_cast<unsigned>(JpegPreviewScaleDenominator(
        cinfo->image_width, cinfo->image_height, image.PreviewWidth, image.PreviewHeight));
  cinfo->dct_method = image.PreviewLoad ? JDCT_IFAST : JpegDCTMethod(settings.JPEGReadDCTMethod);
  cinfo->quantize_colors = FALSE;
  cinfo->dither_mode = JDITHER_NONE;
  cinfo->two_pass_quantize = FALSE;
  // Colour pixels come out in the pixel image's own order.
  if (cinfo->out_color_space == JCS_RGB) cinfo->out_color_space = JCS_EXT_BGR;
  JpegCall(d->err, [cinfo] { jpeg_calc_output_dimensions(cinfo); });

  const int components = cinfo->output_components;
  if (components != 1 && components != 3) RaiseJpg(JpgMessage(msgNotSupportedSubformat));
  const int bitCountNum = components == 1 ? 2 : 3;
  // Refuse a hostile size before libjpeg or we allocate anything for it.
  CheckImageSize(cinfo->output_width, cinfo->output_height, TPixelGraphic::BitCountOfNum(bitCountNum));

  JpegCall(d->err, [cinfo] { jpeg_start_decompress(cinfo); });
  const int height = static_cast<int>(cinfo->output_height);
  image.Allocate(static_cast<int>(cinfo->output_width), height, bitCountNum);
  if (components == 1) image.SetPaletteIdent(pGray256);

  bool aborted = false;
  {
    TProgressScope progress(image);
    // Several rows per call spare libjpeg a round through its controllers per row; each
    // row still gets its progress step.
    constexpr int kRowsPerCall = 4;
    while (!aborted && cinfo->output_scanline < cinfo->output_height) {
      const int first = static_cast<int>(cinfo->output_scanline);
      JSAMPROW rows[kRowsPerCall];
      const int count = std::min(kRowsPerCall, height - first);
      for (int i = 0; i < count; ++i) rows[i] = image.ScanLine(first + i);
      JDIMENSION got = 0;
      JpegCall(d->err, [cinfo, &rows, count, &got] { got = jpeg_read_scanlines(cinfo, rows, JDIMENSION(count)); });
      if (got == 0) RaiseJpg(JpgMessage(msgUnexpectedEOF));  // cannot happen with a blocking source
      for (int row = first + 1; row <= first + static_cast<int>(got); ++row) {
        if (progress.Step(row, height)) {
          aborted = true;
          break;
        }
      }
    }
  }
  if (aborted) jpeg_abort_decompress(cinfo);
  else JpegCall(d->err, [cinfo] { jpeg_finish_decompress(cinfo); });
}

void GetJpegImageInfo(TStream& stream, int index, TImageInfo& info) {
  if (index != 0) RaiseJpg(JpgMessage(msgInvalidValue, {"Index"}));
  auto d = std::make_unique<TJpegDecompressor>(stream, pgwaRaise);
  d->ReadHeader();
  const jpeg_decompress_struct& c = d->cinfo;

  info = TImageInfo{};
  info.Width = static_cast<int>(c.image_width);
  info.Height = static_cast<int>(c.image_height);
  info.BitCount = 8 * c.num_components;
  switch (c.num_components) {
    case 1: info.ColorsText = "256"; break;
    case 2: info.ColorsText = "64K"; break;
    case 3: info.ColorsText = "16.7M"; break;
    case 4: info.ColorsText = "4294.9M"; break;
    default: info.ColorsText = "?";
  }
  info.ImageCount = 1;
  static constexpr const char* kColorSpaces[] = {"unknown", "GrayScale", "RGB", "YCbCr", "CMYK", "YCbCrK"};
  const int space = static_cast<int>(c.jpeg_color_space);
  std::string text = space >= 0 && space < 6 ? kColorSpaces[space] : "";
  if (c.progressive_mode) text += ", Progressive";
  if (c.saw_Adobe_marker) text = "Adope, " + text;
  if (c.saw_JFIF_marker) text = "JFIF, " + text;
  info.InfoText = text;
}

}  // namespace lumora
