#include "imaging/widgets/pg_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <cstring>

#include "imaging/core/stream.h"
#include "imaging/widgets/pg_draw.h"

namespace lumora {
namespace {
constexpr int kFileHeaderSize = 14;
}

QMimeData* MakeClipboardData(const TPixelGraphic& image) {
  auto* data = new QMimeData;
  int format = 0;
  std::vector<std::uint8_t> dib;
  image.SaveToClipboardFormat(format, dib);
  // A BMP file: the 14-byte file header, then the packed DIB.
  QByteArray bmp(kFileHeaderSize, '\0');
  bmp[0] = 'B';
  bmp[1] = 'M';
  std::uint8_t field[4];
  PutLE32(field, static_cast<std::uint32_t>(kFileHeaderSize + dib.size()));
  std::memcpy(bmp.data() + 2, field, 4);
  PutLE32(field, static_cast<std::uint32_t>(kFileHeaderSize + 40 + 4 * std::int64_t(image.FormatPaletteSize())));
  std::memcpy(bmp.data() + 10, field, 4);
  bmp.append(reinterpret_cast<const char*>(dib.data()), static_cast<qsizetype>(dib.size()));
  data->setData(kClipboardBmpMime, bmp);
  data->setImageData(ToQImage(image));
  return data;
}

void CopyToClipboard(const TPixelGraphic& image) { QGuiApplication::clipboard()->setMimeData(MakeClipboardData(image)); }

bool PasteFromMimeData(TPixelGraphic& image, const QMimeData& data) {
  if (data.hasFormat(kClipboardBmpMime)) {
    const QByteArray bmp = data.data(kClipboardBmpMime);
    const int skip = (bmp.size() >= kFileHeaderSize && bmp[0] == 'B' && bmp[1] == 'M') ? kFileHeaderSize : 0;
    std::vector<std::uint8_t> dib(bmp.begin() + skip, bmp.end());
    image.LoadFromClipboardFormat(CF_DIB_FORMAT, dib);
    return true;
  }
  if (!data.hasImage()) return false;
  const QImage q = qvariant_cast<QImage>(data.imageData()).convertToFormat(QImage::Format_RGB32);
  if (q.isNull()) return false;
  TUpdateScope update(image);
  image.Allocate(q.width(), q.height(), 3);
  for (int y = 0; y < q.height(); ++y) {
    const QRgb* src = reinterpret_cast<const QRgb*>(q.constScanLine(y));
    std::uint8_t* dst = image.ScanLine(y);
    for (int x = 0; x < q.width(); ++x) {
      dst[3 * x] = static_cast<std::uint8_t>(qBlue(src[x]));
      dst[3 * x + 1] = static_cast<std::uint8_t>(qGreen(src[x]));
      dst[3 * x + 2] = static_cast<std::uint8_t>(qRed(src[x]));
    }
  }
  image.DeterminePaletteIdent();
  return true;
}

bool PasteFromClipboard(TPixelGraphic& image) {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  return data && PasteFromMimeData(image, *data);
}

}  // namespace lumora
