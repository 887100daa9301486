#pragma once
// A drawing surface over a pixel image: a QPainter in top-down image coordinates.
// 24-bit images are painted in place (a BGR888 view of the block with a vertical flip);
// 1-, 4- and 8-bit images are painted on an RGB copy whose changed pixels go back as
// the nearest palette entries when the drawing is flushed. Any direct pixel access of
// the image flushes first, and the image fires its change notification.
#include <QImage>
#include <QPainter>
#include <memory>

#include "imaging/core/pixel_graphic.h"

namespace lumora {

class TPGCanvas {
 public:
  explicit TPGCanvas(TPixelGraphic& image);
  ~TPGCanvas();
  TPGCanvas(const TPGCanvas&) = delete;
  TPGCanvas& operator=(const TPGCanvas&) = delete;

  // The painter; begins drawing on first use. Null for an empty image.
  QPainter* Painter();
  // Ends pending drawing and stores it in the image.
  void Flush();

 private:
  TPixelGraphic& image_;
  QImage surface_;
  QImage before_;  // indexed images: the pixels as they were when drawing began
  std::unique_ptr<QPainter> painter_;
};

}  // namespace lumora
