// The viewer control on the offscreen platform: properties, loading, layout, painting
// probed pixel by pixel, display copies, the paint worker and the mouse.
#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>
#include <fstream>

#include "imaging/core/exceptions.h"
#include "imaging/widgets/pg_image.h"
#include "imaging/widgets/pg_paint_worker.h"
#include "imaging/widgets/screen_info.h"

using namespace lumora;

namespace {

// A 24-bit picture whose every pixel has its own colour: red = x, green = y, blue = x ^ y.
std::unique_ptr<TPixelGraphic> Gradient(int w, int h) {
  auto image = std::make_unique<TPixelGraphic>();
  image->Allocate(w, h, 3);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image->SetPixel(x, y, RGBColor(x & 255, y & 255, (x ^ y) & 255));
  return image;
}

QRgb Rgb(TColor c) { return qRgb(GetRValue(c), GetGValue(c), GetBValue(c)); }

QImage Grab(TPGImage& viewer) { return viewer.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); }

// Mouse events go straight to the viewport, as the platform delivers them during a drag.
void Mouse(TPGImage& viewer, QEvent::Type type, QPoint pos, Qt::MouseButtons buttons) {
  QMouseEvent e(type, QPointF(pos), viewer.viewport()->mapToGlobal(QPointF(pos)), Qt::LeftButton, buttons,
                Qt::NoModifier);
  QCoreApplication::sendEvent(viewer.viewport(), &e);
}
void Press(TPGImage& v, QPoint p) { Mouse(v, QEvent::MouseButtonPress, p, Qt::LeftButton); }
void MoveTo(TPGImage& v, QPoint p) { Mouse(v, QEvent::MouseMove, p, Qt::LeftButton); }
void Release(TPGImage& v, QPoint p) { Mouse(v, QEvent::MouseButtonRelease, p, Qt::NoButton); }

std::string WriteBmp(const QTemporaryDir& dir, const char* name, const TPixelGraphic& image) {
  const std::string path = dir.filePath(name).toStdString();
  const_cast<TPixelGraphic&>(image).SaveToFile(path);
  return path;
}

}  // namespace

class ViewerImageTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { SetScreenDepthForTest(0); }

  void defaults() {
    TPGImage v;
    QCOMPARE(v.width(), 100);
    QCOMPARE(v.height(), 100);
    QCOMPARE(v.ActionMode(), amMoveImage);
    QCOMPARE(v.Stretch(), sNeverKAR);
    QCOMPARE(v.StretchMode(), smFast);
    QCOMPARE(v.Tiling(), tNone);
    QVERIFY(v.UseThread());
    QVERIFY(v.Dither());
    QCOMPARE(int(v.DitherErrorLimit()), 32);
    QVERIFY(v.RGBWeighting());
    QVERIFY(v.ProgressClockVisible());
    QVERIFY(v.Progress5Clocks());
    QVERIFY(v.ShowHourGlass());
    QVERIFY(!v.Selection());
    QCOMPARE(v.SelectionBounds(), (TSelectionBounds{0, 0, 1, 1}));
    QCOMPARE(v.SelectionColor1(), TColor(16777215));
    QCOMPARE(v.SelectionColor2(), TColor(255));
    QCOMPARE(v.Palette8BitSys24BitGraphic(), pOptimized252Sys16);
    QCOMPARE(v.Palette8BitSys8BitGraphic(), pOptimized252Sys16);
    QCOMPARE(v.AutoSizeBounds().MaxWidth, 2147483647);
    QCOMPARE(v.ReadWarningAction(), pgwaOKCancelBox);
    QCOMPARE(v.ZoomFactor(), 1.0);
    QCOMPARE(v.EffectiveScale(), 1.0);
    QVERIFY(v.IsEmpty());
  }

  void failedLoadLeavesTheViewerEmptyAndStillReports() {
    QTemporaryDir dir;
    const std::string good = WriteBmp(dir, "good.bmp", *Gradient(8, 6));
    const std::string bad = dir.filePath("bad.bmp").toStdString();
    std::ofstream(bad) << "not an image at all";
    TPGImage v;
    v.LoadFromFile(good);
    QCOMPARE(v.ImageWidth(), 8);
    QCOMPARE(v.FileName(), good);
    int changes = 0;
    v.OnPixelGraphicChange = [&](TPGImage&) { ++changes; };
    for (const std::string& name : {bad, dir.filePath("missing.bmp").toStdString()}) {
      changes = 0;
      bool raised = false;
      try {
        v.LoadFromFile(name);
      } catch (const std::exception&) {
        raised = true;
      }
      QVERIFY(raised);
      QVERIFY(v.IsEmpty());
      QVERIFY(v.FileName().empty());
      QCOMPARE(v.ImageWidth(), 0);
      QCOMPARE(changes, 1);
      QVERIFY(!QGuiApplication::overrideCursor());
    }
  }

  void saveEmptyRaises() {
    TPGImage v;
    try {
      v.SaveToFile("/tmp/never-written.bmp");
      QFAIL("no exception");
    } catch (const EPGEmpty& e) {
      QCOMPARE(QString(e.what()), QString("PixelGraphic is empty"));
    }
  }

  void fitLayoutAndZoomEvent() {
    TPGImage v;
    v.SetBounds(0, 0, 204, 204);  // 200 x 200 inside the border
    int zoomEvents = 0;
    v.OnZoomFactorChange = [&](TPGImage&) { ++zoomEvents; };
    v.TakePixelGraphic(Gradient(400, 300));
    v.SetStretch(sAlwaysKAR);
    QCOMPARE(v.PicBoxRect(), QRect(0, 0, 200, 150));
    QCOMPARE(v.EffectiveScale(), 0.5);
    QCOMPARE(zoomEvents, 1);
    v.SetZoomFactor(3.0);  // ignored by this rule
    QCOMPARE(zoomEvents, 1);
    v.SetStretch(sZoomKAR);
    QCOMPARE(v.PicBoxRect(), QRect(0, 0, 1200, 900));
    QCOMPARE(zoomEvents, 2);
    QCOMPARE(v.ZoomFactor(), 3.0);
  }

  void centreScrollsToTheMiddle() {
    TPGImage v;
    v.SetBounds(0, 0, 204, 204);
    v.TakePixelGraphic(Gradient(1000, 800));
    v.SetCenter(true);
    v.show();
    const int bar = v.ScrollBarExtents().VerticalWidth;
    QCOMPARE(v.viewport()->width(), 200 - bar);
    QCOMPARE(v.viewport()->height(), 200 - bar);
    QCOMPARE(v.horizontalScrollBar()->value(), (1000 - (200 - bar)) / 2);
    QCOMPARE(v.verticalScrollBar()->value(), (800 - (200 - bar)) / 2);
    // A small picture is centred in the frame instead.
    v.TakePixelGraphic(Gradient(50, 20));
    QCOMPARE(v.PicBoxRect(), QRect(75, 90, 50, 20));
  }

  void autoSizeFollowsThePicture() {
    TPGImage v;
    int w = -1, h = -1;
    v.OnNewAutoSize = [&](TPGImage&, int aw, int ah) { w = aw, h = ah; };
    v.TakePixelGraphic(Gradient(60, 40));
    QCOMPARE(w, 64);
    QCOMPARE(h, 44);
    QCOMPARE(v.width(), 100);  // AutoSize is off
    v.SetAutoSize(true);
    QCOMPARE(v.width(), 64);
    QCOMPARE(v.height(), 44);
  }

  void paintsThePictureUpright() {
    TPGImage v;
    v.SetBounds(0, 0, 104, 104);
    v.TakePixelGraphic(Gradient(30, 20));
    v.show();
    const QImage shot = Grab(v);
    for (QPoint p : {QPoint(0, 0), QPoint(29, 0), QPoint(0, 19), QPoint(17, 11)})
      QCOMPARE(shot.pixel(p), Rgb(v.PeekPixelGraphic()->GetPixel(p.x(), p.y())));
    QCOMPARE(shot.pixel(50, 50), v.Color().rgb());
  }

  void flipsAndMirroredTiles() {
    TPGImage v;
    v.SetBounds(0, 0, 104, 104);
    v.TakePixelGraphic(Gradient(30, 20));
    v.SetCenter(true);  // box at (35, 40)
    v.show();
    const TPixelGraphic& img = *v.PeekPixelGraphic();
    v.SetFlipHorizontal(true);
    QImage shot = Grab(v);
    QCOMPARE(shot.pixel(35, 40), Rgb(img.GetPixel(29, 0)));
    QCOMPARE(shot.pixel(35 + 29, 40 + 19), Rgb(img.GetPixel(0, 19)));
    v.SetFlipHorizontal(false);
    v.SetTiling(tMirror);
    shot = Grab(v);
    QCOMPARE(shot.pixel(35, 40), Rgb(img.GetPixel(0, 0)));
    // Column 1 is mirrored left-right, row -1 top-bottom, tile (-1, -1) both ways.
    QCOMPARE(shot.pixel(65, 40), Rgb(img.GetPixel(29, 0)));
    QCOMPARE(shot.pixel(35, 39), Rgb(img.GetPixel(0, 0)));
    QCOMPARE(shot.pixel(35, 20), Rgb(img.GetPixel(0, 19)));
    QCOMPARE(shot.pixel(34, 39), Rgb(img.GetPixel(0, 0)));
    QCOMPARE(shot.pixel(5, 20), Rgb(img.GetPixel(29, 19)));
    v.SetTiling(tRepeat);
    shot = Grab(v);
    QCOMPARE(shot.pixel(65, 40), Rgb(img.GetPixel(0, 0)));
    QCOMPARE(shot.pixel(34, 39), Rgb(img.GetPixel(29, 19)));
  }

  void resampledCopyIsBuiltAtTheBoxSize() {
    TPGImage v;
    v.SetBounds(0, 0, 104, 104);
    v.SetUseThread(false);
    v.SetStretchMode(smPrecise);
    v.SetStretch(sAlwaysKAR);
    v.TakePixelGraphic(Gradient(400, 200));
    v.show();
    Grab(v);
    QVERIFY(v.PaintCopy());
    QCOMPARE(v.PaintCopy()->Width(), 100);
    QCOMPARE(v.PaintCopy()->Height(), 50);
    QCOMPARE(v.PaintCopy()->BitCount(), 24);
  }

  void zoomedCopyHoldsOnlyTheVisiblePartWithIdenticalPixels() {
    TPGImage v;
    v.SetBounds(0, 0, 404, 304);
    v.SetUseThread(false);
    v.SetStretchMode(smPrecise);
    v.SetStretch(sZoomKAR);
    v.SetZoomFactor(8.0);
    v.TakePixelGraphic(Gradient(300, 200));  // box 2400 x 1600
    v.horizontalScrollBar()->setValue(1000);
    v.verticalScrollBar()->setValue(700);
    v.show();
    Grab(v);
    const TPixelGraphic* copy = v.PaintCopy();
    QVERIFY(copy);
    const TViewRect region = v.PaintCopyRegion();
    QVERIFY(region.Width() < 2400 && region.Height() < 1600);
    QCOMPARE(copy->Width(), region.Width());
    QVERIFY(region.Left <= 1000 && region.Right >= 1000 + v.viewport()->width());
    // The same pixels as the copy of the whole box.
    TPaintCopyJob job;
    job.Source = v.PeekPixelGraphic();
    job.Decision.Resample = true;
    job.Decision.CopyBitCountNum = 3;
    job.BoxWidth = 2400;
    job.BoxHeight = 1600;
    job.Region = {0, 0, 2400, 1600};
    job.StretchMode = smPrecise;
    const auto full = BuildPaintCopy(job);
    for (int y = 0; y < copy->Height(); y += 7)
      for (int x = 0; x < copy->Width(); x += 5)
        QCOMPARE(copy->GetPixel(x, y), full->GetPixel(region.Left + x, region.Top + y));
    // Scrolling far away builds a new part.
    v.horizontalScrollBar()->setValue(0);
    v.verticalScrollBar()->setValue(0);
    Grab(v);
    QCOMPARE(v.PaintCopyRegion().Left, 0);
    QCOMPARE(v.PaintCopyRegion().Top, 0);
  }

  void hugeZoomDoesNotAllocateTheWholeBox() {
    TPGImage v;
    v.SetBounds(0, 0, 1604, 1004);
    v.SetUseThread(false);
    v.SetStretchMode(smPrecise);
    v.SetStretch(sZoomKAR);
    v.SetZoomFactor(8.0);
    v.TakePixelGraphic(Gradient(6000, 4000));
    QCOMPARE(v.PicBoxRect().size(), QSize(48000, 32000));
    v.show();
    Grab(v);
    QVERIFY(v.PaintCopy());
    QVERIFY(std::int64_t(v.PaintCopy()->Width()) * v.PaintCopy()->Height() <= 2200LL * 1600);
  }

  void lowColourScreensReduceTheCopy() {
    TPGImage v;
    v.SetUseThread(false);
    v.TakePixelGraphic(Gradient(40, 30));
    v.show();
    SetScreenDepthForTest(8);
    v.DisplayChanged();
    Grab(v);
    QVERIFY(v.PaintCopy());
    QCOMPARE(v.PaintCopy()->BitCount(), 8);
    QCOMPARE(v.PaintCopy()->Width(), 40);
    SetScreenDepthForTest(4);
    v.DisplayChanged();
    Grab(v);
    QVERIFY(v.PaintCopy());
    QCOMPARE(v.PaintCopy()->BitCount(), 4);
    TPixelGraphic sys16;
    sys16.Allocate(1, 1, 1);
    sys16.SetPaletteIdent(pSys16);
    QCOMPARE(v.PaintCopy()->PaletteColors(), sys16.PaletteColors());
    SetScreenDepthForTest(24);
    v.DisplayChanged();
    Grab(v);
    QVERIFY(!v.PaintCopy());
  }

  void workerIsStoppedBeforeTheImageIsTouched() {
    TPGImage v;
    v.SetBounds(0, 0, 304, 304);
    v.SetStretchMode(smPrecise);
    v.SetStretch(sAlwaysKAR);
    v.TakePixelGraphic(Gradient(3000, 2000));
    v.show();
    Grab(v);  // starts a build
    QVERIFY(v.PaintWorkerRunning());
    QVERIFY(v.PixelGraphic());
    QVERIFY(!v.PaintWorkerRunning());
    Grab(v);
    QVERIFY(v.PaintWorkerRunning());
    const int builds = v.BuildsStarted();
    v.TakePixelGraphic(Gradient(200, 100));  // replaces the image under a running build
    QVERIFY(!v.PaintWorkerRunning());
    Grab(v);
    QCOMPARE(v.BuildsStarted(), builds + 1);
    v.WaitForPaintCopy();
    QVERIFY(v.PaintCopy());
    QCOMPARE(v.PaintCopy()->Width(), 300);
    QCOMPARE(v.PaintCopy()->Height(), 150);
    // A copy of the old image that was still queued is ignored.
    QCOMPARE(v.PaintCopy()->Width(), v.PicBoxRect().width());
  }

  void closingDuringABuildIsClean() {
    auto v = std::make_unique<TPGImage>();
    v->SetBounds(0, 0, 304, 304);
    v->SetStretchMode(smPrecise);
    v->SetStretch(sAlwaysKAR);
    v->TakePixelGraphic(Gradient(3000, 2000));
    v->show();
    Grab(*v);
    QVERIFY(v->PaintWorkerRunning());
    v.reset();
    QCoreApplication::processEvents();  // queued progress for the dead viewer is dropped
  }

  void keepOldCopyStaysVisibleUntilReplaced() {
    TPGImage v;
    v.SetBounds(0, 0, 204, 204);
    v.SetStretchMode(smPrecise);
    v.SetStretch(sAlways);
    v.SetKeepOldPaintPixelGraphic(true);
    v.SetPicBoxColor(QColor(10, 20, 30));
    v.TakePixelGraphic(Gradient(400, 300));
    v.show();
    Grab(v);
    v.WaitForPaintCopy();
    const TPixelGraphic* old = v.PaintCopy();
    QVERIFY(old);
    v.SetBounds(0, 0, 154, 154);  // a new box size needs a new copy
    const QImage shot = Grab(v);
    QVERIFY(v.PaintWorkerRunning());
    QCOMPARE(v.PaintCopy(), old);  // still shown, not the placeholder
    QVERIFY(shot.pixel(75, 75) != QColor(10, 20, 30).rgb());
    v.WaitForPaintCopy();
    QCOMPARE(v.PaintCopy()->Width(), 150);
    // Without the option the old copy goes at once.
    v.SetKeepOldPaintPixelGraphic(false);
    v.SetBounds(0, 0, 124, 124);
    Grab(v);
    QVERIFY(!v.PaintCopy());
    v.WaitForPaintCopy();
    QCOMPARE(v.PaintCopy()->Width(), 120);
  }

  void reduceOnLoadReplacesTheImage() {
    TPGImage v;
    v.SetBounds(0, 0, 104, 104);
    v.SetStretchMode(smPrecise);
    v.SetStretch(sAlwaysKAR);
    v.SetReduceOnLoad(true);
    v.TakePixelGraphic(Gradient(400, 200));
    v.show();
    Grab(v);
    Grab(v);  // a paint while the build runs leaves it alone
    QVERIFY(v.PaintWorkerRunning());
    v.WaitForPaintCopy();
    QVERIFY(!v.PaintCopy());
    QCOMPARE(v.PeekPixelGraphic()->Width(), 100);
    QCOMPARE(v.PeekPixelGraphic()->Height(), 50);
    // Resizing the frame builds no new copy.
    const int builds = v.BuildsStarted();
    v.SetBounds(0, 0, 84, 84);
    Grab(v);
    QCOMPARE(v.BuildsStarted(), builds);
    QVERIFY(!v.PaintWorkerRunning());
  }

  void outlineAnimates() {
    TPGImage v;
    v.TakePixelGraphic(Gradient(50, 50));
    v.SetSelection(true);
    QTRY_VERIFY_WITH_TIMEOUT(v.OutlinePhase() > 0, 2000);
  }

  void placeholderShowsTheClocks() {
    TPGImage v;
    v.SetBounds(0, 0, 204, 204);
    v.SetStretchMode(smPrecise);
    v.SetStretch(sAlways);
    v.SetPicBoxColor(QColor(10, 20, 30));
    v.SetProgressClockBkColor(QColor(200, 0, 0));
    v.TakePixelGraphic(Gradient(3000, 2000));
    v.show();
    const QImage shot = Grab(v);  // the worker has not delivered yet
    QCOMPARE(shot.pixel(50, 50), QColor(10, 20, 30).rgb());
    QCOMPARE(shot.pixel(100, 94), QColor(200, 0, 0).rgb());  // centre clock face
    QCOMPARE(shot.pixel(10, 10), QColor(200, 0, 0).rgb());   // a corner clock
    v.WaitForPaintCopy();
  }

  void panningMovesTheScrollPositions() {
    TPGImage v;
    v.SetBounds(0, 0, 104, 104);
    v.TakePixelGraphic(Gradient(400, 300));
    QVERIFY(v.CanPan());
    Press(v, {50, 50});
    QCOMPARE(v.DragState(), int(dsPan));
    MoveTo(v, {30, 40});
    QCOMPARE(v.horizontalScrollBar()->value(), 20);
    QCOMPARE(v.verticalScrollBar()->value(), 10);
    MoveTo(v, {10, 45});
    QCOMPARE(v.horizontalScrollBar()->value(), 40);
    QCOMPARE(v.verticalScrollBar()->value(), 5);
    MoveTo(v, {90, 90});  // clamped at 0: the grab point stays under the mouse
    QCOMPARE(v.horizontalScrollBar()->value(), 0);
    QCOMPARE(v.verticalScrollBar()->value(), 0);
    Release(v, {90, 90});
    QCOMPARE(v.DragState(), 0);
    QVERIFY(!v.Selection());
  }

  void clickCreatesOnePixelSelectionAndEventsComeInOrder() {
    TPGImage v;
    v.SetBounds(0, 0, 104, 104);
    v.TakePixelGraphic(Gradient(50, 50));
    v.SetActionMode(amCreateSelection);
    QStringList log;
    v.PicBoxOnMouseDown = [&](TPGImage& s, QMouseEvent&, QPoint) { log << QString("down %1").arg(s.DragState()); };
    v.PicBoxOnMouseUp = [&](TPGImage& s, QMouseEvent&, QPoint) { log << QString("up %1").arg(s.DragState()); };
    v.OnSelectionMade = [&](TPGImage&) { log << "made"; };
    Press(v, {10, 12});
    Release(v, {10, 12});
    QVERIFY(v.Selection());
    QCOMPARE(v.SelectionBounds(), (TSelectionBounds{10, 12, 1, 1}));
    QCOMPARE(log, QStringList({"down 3", "up 3", "made"}));
    Press(v, {20, 25});
    MoveTo(v, {10, 10});
    Release(v, {10, 10});
    QCOMPARE(v.SelectionBounds(), (TSelectionBounds{10, 10, 11, 16}));
  }

  void movingTheSelectionIsClamped() {
    TPGImage v;
    v.SetBounds(0, 0, 104, 104);
    v.TakePixelGraphic(Gradient(50, 50));
    v.SetActionMode(amMoveResizeCreateSelection);
    v.SetSelection(true);
    v.SetSelectionBounds(10, 10, 20, 20);
    int made = 0;
    v.OnSelectionMade = [&](TPGImage&) { ++made; };
    Press(v, {15, 15});
    QCOMPARE(v.DragState(), int(dsMove));
    MoveTo(v, {-60, -60});
    QCOMPARE(v.SelectionBounds(), (TSelectionBounds{-19, -19, 20, 20}));
    MoveTo(v, {95, 20});
    QCOMPARE(v.SelectionBounds(), (TSelectionBounds{49, 15, 20, 20}));
    Release(v, {95, 20});
    QCOMPARE(made, 1);
  }

  void resizingByEachHandle_data() {
    QTest::addColumn<QPoint>("press");
    QTest::addColumn<int>("state");
    QTest::addColumn<QRect>("result");  // left, top, width, height
    QTest::newRow("top-left") << QPoint(14, 14) << int(dsTopLeft) << QRect(25, 27, 15, 13);
    QTest::newRow("top-middle") << QPoint(30, 14) << int(dsTopMiddle) << QRect(20, 27, 20, 13);
    QTest::newRow("top-right") << QPoint(45, 14) << int(dsTopRight) << QRect(20, 27, 25, 13);
    QTest::newRow("middle-left") << QPoint(14, 30) << int(dsMiddleLeft) << QRect(25, 20, 15, 20);
    QTest::newRow("middle-right") << QPoint(45, 30) << int(dsMiddleRight) << QRect(20, 20, 25, 20);
    QTest::newRow("bottom-left") << QPoint(14, 45) << int(dsBottomLeft) << QRect(25, 20, 15, 27);
    QTest::newRow("bottom-middle") << QPoint(30, 45) << int(dsBottomMiddle) << QRect(20, 20, 20, 27);
    QTest::newRow("bottom-right") << QPoint(45, 45) << int(dsBottomRight) << QRect(20, 20, 25, 27);
  }

  void resizingByEachHandle() {
    QFETCH(QPoint, press);
    QFETCH(int, state);
    QFETCH(QRect, result);
    TPGImage v;
    v.SetBounds(0, 0, 104, 104);
    v.TakePixelGraphic(Gradient(80, 80));
    v.SetActionMode(amMoveResizeCreateSelection);
    v.SetSelection(true);
    v.SetSelectionBounds(20, 20, 20, 20);
    Press(v, press);
    QCOMPARE(v.DragState(), state);
    MoveTo(v, press + QPoint(5, 7));
    Release(v, press + QPoint(5, 7));
    const TSelectionBounds s = v.SelectionBounds();
    QCOMPARE(QRect(s.Left, s.Top, s.Width, s.Height), result);
  }

  void outlineIsDrawnWithBothColours() {
    TPGImage v;
    v.SetBounds(0, 0, 104, 104);
    v.TakePixelGraphic(Gradient(50, 50));
    v.SetActionMode(amCreateSelection);
    v.SetSelection(true);
    v.SetSelectionBounds(10, 10, 20, 20);
    v.show();
    const QImage shot = Grab(v);
    int first = 0, second = 0;
    for (int x = 9; x <= 30; ++x) {
      const QRgb c = shot.pixel(x, 9);
      first += c == qRgb(255, 255, 255);
      second += c == qRgb(255, 0, 0);
    }
    QCOMPARE(first + second, 22);
    QVERIFY(first >= 8 && second >= 8);
    QCOMPARE(shot.pixel(15, 15), Rgb(v.PeekPixelGraphic()->GetPixel(15, 15)));
  }

  void selectionChangeEventOnlyOnChange() {
    TPGImage v;
    int changes = 0;
    v.OnSelectionChange = [&](TPGImage&) { ++changes; };
    v.SetSelectionBounds(0, 0, 1, 1);
    QCOMPARE(changes, 0);
    v.SetSelectionBounds(1, 2, 3, 4);
    QCOMPARE(changes, 1);
    v.SetSelection(true);
    v.SetSelection(true);
    QCOMPARE(changes, 2);
    QCOMPARE(v.SelectionRect(), (TViewRect{1, 2, 4, 6}));
  }

  void cursorsFollowTheRules() {
    TPGImage v;
    v.SetBounds(0, 0, 104, 104);
    v.TakePixelGraphic(Gradient(50, 50));
    v.SetActionMode(amMoveResizeCreateSelection);
    v.SetSelection(true);
    v.SetSelectionBounds(20, 20, 20, 20);
    QCOMPARE(v.CursorAt({14, 14}).shape(), Qt::SizeFDiagCursor);
    QCOMPARE(v.CursorAt({45, 14}).shape(), Qt::SizeBDiagCursor);
    QCOMPARE(v.CursorAt({30, 45}).shape(), Qt::SizeVerCursor);
    QCOMPARE(v.CursorAt({25, 25}).shape(), Qt::BitmapCursor);  // the four-way arrow
    QCOMPARE(v.CursorAt({80, 80}).shape(), Qt::ArrowCursor);    // outside the picture
    v.PicBoxOnSetCursor = [](TPGImage&, QCursor& c) { c = QCursor(Qt::IBeamCursor); };
    v.OnSetCursor = [](TPGImage&, QCursor& c) { c = QCursor(Qt::WaitCursor); };
    QCOMPARE(v.CursorAt({14, 14}).shape(), Qt::IBeamCursor);
    QCOMPARE(v.CursorAt({80, 80}).shape(), Qt::WaitCursor);
  }
};

QTEST_MAIN(ViewerImageTest)
#include "viewer_image_test.moc"
