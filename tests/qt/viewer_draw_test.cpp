// Drawing, canvas, clipboard and printing of the pixel image on Qt (offscreen).
#include <QApplication>
#include <QMimeData>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryDir>
#include <QtTest>

#include "imaging/widgets/pg_canvas.h"
#include "imaging/widgets/pg_clipboard.h"
#include "imaging/widgets/pg_draw.h"

using namespace lumora;

namespace {

std::uint32_t g_seed = 12345;
std::uint32_t NextRandom() {
  g_seed = g_seed * 1103515245u + 12345u;
  return g_seed >> 8;
}

// An image of the given format with pseudo-random pixels and a palette of distinct colours.
std::unique_ptr<TPixelGraphic> RandomImage(int w, int h, int bitCountNum) {
  auto image = std::make_unique<TPixelGraphic>();
  image->Allocate(w, h, bitCountNum);
  const int paletteSize = image->FormatPaletteSize();
  if (paletteSize) {
    image->SetPaletteCount(paletteSize);
    for (int i = 0; i < paletteSize; ++i) image->SetPaletteColor(i, RGBColor(i * 37 + 5, 255 - i, (i * 91) & 255));
  }
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      image->SetPixel(x, y, paletteSize ? NextRandom() % paletteSize : NextRandom() & 0xFFFFFF);
  return image;
}

QRgb Rgb(TColor c) { return qRgb(GetRValue(c), GetGValue(c), GetBValue(c)); }

}  // namespace

class ViewerDrawTest : public QObject {
  Q_OBJECT

 private slots:
  void drawsEveryFormatUpright_data() {
    QTest::addColumn<int>("bitCountNum");
    QTest::newRow("1 bit") << 0;
    QTest::newRow("4 bits") << 1;
    QTest::newRow("8 bits") << 2;
    QTest::newRow("24 bits") << 3;
  }

  void drawsEveryFormatUpright() {
    QFETCH(int, bitCountNum);
    const auto image = RandomImage(37, 23, bitCountNum);
    QImage target(37, 23, QImage::Format_RGB32);
    target.fill(Qt::black);
    {
      QPainter p(&target);
      DrawPixelGraphic(p, QRectF(0, 0, 37, 23), *image);
    }
    for (int y = 0; y < 23; ++y)
      for (int x = 0; x < 37; ++x) QCOMPARE(target.pixel(x, y), Rgb(image->GetRGBPixel(x, y)));
    QCOMPARE(ToQImage(*image), target);
  }

  void viewSharesTheBlockForTrueColour() {
    const auto image = RandomImage(5, 3, 3);
    const QImage view = PixelBlockView(*image);
    QCOMPARE(view.constBits(), image->PixelBlock());
    QCOMPARE(view.format(), QImage::Format_BGR888);
    QCOMPARE(PixelBlockView(*RandomImage(5, 3, 0)).format(), QImage::Format_Mono);
    QVERIFY(PixelBlockView(TPixelGraphic()).isNull());
  }

  void stretchedAndMirroredDraw() {
    const auto image = RandomImage(4, 2, 3);
    QImage target(8, 4, QImage::Format_RGB32);
    {
      QPainter p(&target);
      DrawBlockView(p, QRectF(0, 0, 8, 4), PixelBlockView(*image), QRectF(0, 0, 4, 2), true, true);
    }
    // Each source pixel covers 2 x 2 target pixels, mirrored both ways.
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 8; ++x) QCOMPARE(target.pixel(x, y), Rgb(image->GetRGBPixel(3 - x / 2, 1 - y / 2)));
  }

  void canvasDrawsInTopDownCoordinates() {
    TPixelGraphic image;
    image.Allocate(6, 4, 3);
    int changes = 0;
    image.OnChange = [&](TPixelGraphic&) { ++changes; };
    {
      TPGCanvas canvas(image);
      canvas.Painter()->fillRect(QRect(1, 0, 2, 1), QColor(255, 0, 0));
      // Reading a pixel ends the pending drawing first.
      QCOMPARE(image.GetPixel(1, 0), RGBColor(255, 0, 0));
    }
    QCOMPARE(image.GetPixel(2, 0), RGBColor(255, 0, 0));
    QCOMPARE(image.GetPixel(3, 0), TColor(0));
    QCOMPARE(image.GetPixel(1, 1), TColor(0));
    QVERIFY(changes >= 1);
  }

  void canvasOnIndexedImagesStoresNearestEntries() {
    TPixelGraphic image;
    image.Allocate(8, 4, 2);
    image.SetPaletteCount(3);
    image.SetPaletteColor(0, RGBColor(0, 0, 0));
    image.SetPaletteColor(1, RGBColor(250, 250, 250));
    image.SetPaletteColor(2, RGBColor(0, 0, 0));  // a duplicate that drawing must not disturb
    image.SetPixel(7, 3, 2);
    TPGCanvas canvas(image);
    canvas.Painter()->fillRect(QRect(0, 0, 2, 2), QColor(255, 255, 255));
    canvas.Flush();
    QCOMPARE(image.GetPixel(0, 0), 1u);
    QCOMPARE(image.GetPixel(1, 1), 1u);
    QCOMPARE(image.GetPixel(2, 2), 0u);
    QCOMPARE(image.GetPixel(7, 3), 2u);  // untouched pixels keep their index
  }

  void clipboardRoundTripIsExact_data() {
    QTest::addColumn<int>("bitCountNum");
    QTest::newRow("1 bit") << 0;
    QTest::newRow("4 bits") << 1;
    QTest::newRow("8 bits") << 2;
    QTest::newRow("24 bits") << 3;
  }

  void clipboardRoundTripIsExact() {
    QFETCH(int, bitCountNum);
    const auto image = RandomImage(13, 7, bitCountNum);
    std::unique_ptr<QMimeData> data(MakeClipboardData(*image));
    QVERIFY(data->hasFormat(kClipboardBmpMime));
    QVERIFY(data->hasImage());
    QCOMPARE(data->data(kClipboardBmpMime).left(2), QByteArray("BM"));
    TPixelGraphic pasted;
    QVERIFY(PasteFromMimeData(pasted, *data));
    QCOMPARE(pasted.Width(), 13);
    QCOMPARE(pasted.BitCountNum(), bitCountNum);
    QCOMPARE(pasted.PaletteColors(), image->PaletteColors());
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 13; ++x) QCOMPARE(pasted.GetPixel(x, y), image->GetPixel(x, y));
  }

  void pastingAForeignImage() {
    QMimeData data;
    QImage q(3, 2, QImage::Format_RGB32);
    q.fill(qRgb(10, 20, 30));
    q.setPixel(2, 1, qRgb(200, 100, 50));
    data.setImageData(q);
    TPixelGraphic pasted;
    QVERIFY(PasteFromMimeData(pasted, data));
    QCOMPARE(pasted.BitCount(), 24);
    QCOMPARE(pasted.GetPixel(0, 0), RGBColor(10, 20, 30));
    QCOMPARE(pasted.GetPixel(2, 1), RGBColor(200, 100, 50));
    QMimeData empty;
    empty.setText("no picture");
    QVERIFY(!PasteFromMimeData(pasted, empty));
  }

  void truncatedClipboardBitmapRaises() {
    QMimeData data;
    data.setData(kClipboardBmpMime, QByteArray("BM\x10\x00", 4));
    TPixelGraphic pasted;
    bool raised = false;
    try {
      PasteFromMimeData(pasted, data);
    } catch (const std::exception&) {
      raised = true;
    }
    QVERIFY(raised);
  }

  void printsCentredOnAPdfPage() {
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("out.pdf"));
    printer.setPageOrientation(QPageLayout::Portrait);
    const auto image = RandomImage(64, 32, 3);
    QVERIFY(PrintPixelGraphic(*image, printer, false, true, nullptr, "Lumora"));
    QCOMPARE(printer.docName(), QString("Lumora Graphic 64x32x16777216"));
    QCOMPARE(printer.pageLayout().orientation(), QPageLayout::Portrait);  // restored
    QVERIFY(QFileInfo(dir.filePath("out.pdf")).size() > 0);
    QVERIFY(!PrintPixelGraphic(TPixelGraphic(), printer, false, true, nullptr, "Lumora"));
  }
};

QTEST_MAIN(ViewerDrawTest)
#include "viewer_draw_test.moc"
