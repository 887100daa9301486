#include "imaging/widgets/pg_draw.h"

#include <QPageLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QTransform>

namespace lumora {

QList<QRgb> QtColorTable(const TPixelGraphic& image) {
  QList<QRgb> table;
  for (TColor c : image.ColorTable()) table.push_back(qRgb(GetRValue(c), GetGValue(c), GetBValue(c)));
  return table;
}

QImage PixelBlockView(const TPixelGraphic& image) {
  if (image.GetEmpty()) return {};
  image.FlushPendingDrawing();
  const int w = image.Width(), h = image.Height(), stride = image.RowStride();
  const uchar* block = image.PixelBlock();
  switch (image.BitCount()) {
    case 24:
      return QImage(block, w, h, stride, QImage::Format_BGR888);
    case 8: {
      QImage view(block, w, h, stride, QImage::Format_Indexed8);
      view.setColorTable(QtColorTable(image));
      return view;
    }
    case 1: {
      QImage view(block, w, h, stride, QImage::Format_Mono);
      view.setColorTable(QtColorTable(image));
      return view;
    }
    default: {  // 4 bits: an 8-bit copy in the same bottom-up order
      QImage copy(w, h, QImage::Format_Indexed8);
      if (copy.isNull()) return {};
      for (int r = 0; r < h; ++r) {
        const uchar* src = block + std::int64_t(stride) * r;
        uchar* dst = copy.scanLine(r);
        for (int x = 0; x < w; ++x) dst[x] = (x & 1) ? (src[x >> 1] & 0x0F) : (src[x >> 1] >> 4);
      }
      QList<QRgb> table = QtColorTable(image);
      table.resize(256, table.isEmpty() ? qRgb(0, 0, 0) : table[0]);
      copy.setColorTable(table);
      return copy;
    }
  }
}

QImage ToQImage(const TPixelGraphic& image) {
  const QImage view = PixelBlockView(image);
  if (view.isNull()) return {};
  return view.convertToFormat(QImage::Format_RGB32).mirrored(false, true);
}

void DrawBlockView(QPainter& painter, const QRectF& target, const QImage& view, const QRectF& source,
                   bool mirrorHorizontal, bool mirrorVertical) {
  if (view.isNull() || target.isEmpty() || source.isEmpty()) return;
  // The view is upside down: its row r is image row Height - 1 - r.
  QRectF src = source;
  src.moveTop(view.height() - source.bottom());
  const bool flipV = !mirrorVertical;
  painter.save();
  QTransform t;
  t.translate(mirrorHorizontal ? target.right() : target.left(), flipV ? target.bottom() : target.top());
  t.scale(mirrorHorizontal ? -1 : 1, flipV ? -1 : 1);
  painter.setTransform(t, true);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
  painter.drawImage(QRectF(0, 0, target.width(), target.height()), view, src);
  painter.restore();
}

void DrawPixelGraphic(QPainter& painter, const QRectF& rect, const TPixelGraphic& image) {
  if (image.GetEmpty()) return;
  const QImage view = PixelBlockView(image);
  DrawBlockView(painter, rect, view, QRectF(0, 0, image.Width(), image.Height()));
}

bool PrintPixelGraphic(const TPixelGraphic& image, QPrinter& printer, bool showDialog, bool autoOrient,
                       QWidget* owner, const QString& applicationTitle) {
  if (image.Width() <= 0 || image.Height() <= 0) return false;
  if (showDialog) {
    QPrintDialog dialog(&printer, owner);
    if (dialog.exec() != QDialog::Accepted) return false;
  }
  const QPageLayout::Orientation saved = printer.pageLayout().orientation();
  struct RestoreOrientation {
    QPrinter& printer;
    QPageLayout::Orientation orientation;
    ~RestoreOrientation() { printer.setPageOrientation(orientation); }
  } restore{printer, saved};
  if (autoOrient && image.Width() != image.Height())
    printer.setPageOrientation(image.Height() < image.Width() ? QPageLayout::Landscape : QPageLayout::Portrait);
  printer.setDocName(QString::fromStdString(PrintDocumentTitle(applicationTitle.toStdString(), image)));
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  // Relative pixel width and height: a pixel is 1/dpiX wide and 1/dpiY high.
  const int aspectX = printer.logicalDpiY(), aspectY = printer.logicalDpiX();
  const TPrintRect r =
      ComputePrintRect(image.Width(), image.Height(), printer.width(), printer.height(), aspectX, aspectY);
  DrawPixelGraphic(painter, QRectF(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top), image);
  painter.end();
  return true;
}

}  // namespace lumora
