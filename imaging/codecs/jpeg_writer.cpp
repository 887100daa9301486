// JPEG encoding of 24-bit and 256-gray images, rows taken straight from the pixel block.
#include <memory>

#include "imaging/codecs/gray_palette.h"
#include "imaging/codecs/jpeg_codec.h"
#include "imaging/codecs/jpeg_support.h"
#include "imaging/core/codec_settings.h"
#include "imaging/core/messages.h"

namespace lumora {
namespace {

struct TJpegCompressor {
  jpeg_compress_struct cinfo{};
  TJpegErrorManager err;
  TJpegStreamDestination destination;
  bool created = false;

  TJpegCompressor(TStream& stream, TPGWarningAction action) {
    cinfo.err = err.Install(action);
    JpegCall(err, [this] {
      jpeg_create_compress(&cinfo);
      created = true;
    });
    destination.Attach(&cinfo, stream, err);
  }
  ~TJpegCompressor() {
    if (created) jpeg_destroy_compress(&cinfo);
  }
  TJpegCompressor(const TJpegCompressor&) = delete;
  TJpegCompressor& operator=(const TJpegCompressor&) = delete;
};

}  // namespace

void WriteJpegImage(TStream& stream, TPixelGraphic& image) {
  const TCodecSettings settings = CodecSettings();
  auto c = std::make_unique<TJpegCompressor>(stream, image.ReadWarningAction);
  j_compress_ptr cinfo = &c->cinfo;

  image.FlushPendingDrawing();
  image.DeterminePaletteIdent();
  const bool gray = HasGray256Palette(image);
  if (!gray && image.BitCountNum() != 3) RaiseJpg(JpgMessage(msgInvalidValue, {"BitCount"}));
  cinfo->image_width = static_cast<JDIMENSION>(image.Width());
  cinfo->image_height = static_cast<JDIMENSION>(image.Height());
  cinfo->input_components = gray ? 1 : 3;
  cinfo->in_color_space = gray ? JCS_GRAYSCALE : JCS_EXT_BGR;

  const bool progressive = settings.JPEGProgressive;
  const int quality = settings.JPEGQuality;
  const J_DCT_METHOD method = JpegDCTMethod(settings.JPEGWriteDCTMethod);
  JpegCall(c->err, [cinfo, progressive, quality, method] {
    jpeg_set_defaults(cinfo);
    if (progressive) jpeg_simple_progression(cinfo);
    jpeg_set_quality(cinfo, quality, TRUE);
    cinfo->dct_method = method;
    jpeg_start_compress(cinfo, TRUE);
  });

  {
    TProgressScope progress(image);
    const int height = image.Height();
    for (int y = 0; y < height; ++y) {
      // libjpeg only reads the row; its interface is not const-correct.
      JSAMPROW row = const_cast<JSAMPROW>(static_cast<const TPixelGraphic&>(image).ScanLine(y));
      JpegCall(c->err, [cinfo, &row] { jpeg_write_scanlines(cinfo, &row, 1); });
      progress.Step(y, height);  // writing is not abortable
    }
  }
  JpegCall(c->err, [cinfo] { jpeg_finish_compress(cinfo); });
}

}  // namespace lumora
