#include "imaging/widgets/pg_canvas.h"

#include "imaging/widgets/pg_draw.h"

namespace lumora {

TPGCanvas::TPGCanvas(TPixelGraphic& image) : image_(image) {}

TPGCanvas::~TPGCanvas() { Flush(); }

QPainter* TPGCanvas::Painter() {
  if (painter_) return painter_.get();
  if (image_.GetEmpty()) return nullptr;
  image_.FlushPendingDrawing();
  const int w = image_.Width(), h = image_.Height();
  if (image_.BitCount() == 24) {
    surface_ = QImage(image_.PixelBlock(), w, h, image_.RowStride(), QImage::Format_BGR888);
    painter_ = std::make_unique<QPainter>(&surface_);
    painter_->translate(0, h);
    painter_->scale(1, -1);
  } else {
    surface_ = ToQImage(image_);
    before_ = surface_.copy();
    painter_ = std::make_unique<QPainter>(&surface_);
  }
  image_.SetPendingDrawingFlush([this] { Flush(); });
  return painter_.get();
}

void TPGCanvas::Flush() {
  if (!painter_) return;
  image_.SetPendingDrawingFlush(nullptr);
  painter_->end();
  painter_.reset();
  if (image_.BitCount() != 24 && image_.Width() == surface_.width() && image_.Height() == surface_.height()) {
    for (int y = 0; y < surface_.height(); ++y) {
      const QRgb* now = reinterpret_cast<const QRgb*>(surface_.constScanLine(y));
      const QRgb* was = reinterpret_cast<const QRgb*>(before_.constScanLine(y));
      for (int x = 0; x < surface_.width(); ++x)
        if (now[x] != was[x]) image_.SetRGBPixel(x, y, RGBColor(qRed(now[x]), qGreen(now[x]), qBlue(now[x])));
    }
  }
  surface_ = QImage();
  before_ = QImage();
  image_.Changed();
}

}  // namespace lumora
