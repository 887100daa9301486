// lumora-view FILE [--fast] [--screenshot OUT.png]: shows one picture in the viewer control.
// Keys: + and - zoom (switches to the zoom rule), S next sizing rule, M next stretch
// quality, T next tiling, C centre, H and V flips, A next mouse mode, Q quits.
#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>

#include "imaging/widgets/pg_image.h"

using namespace lumora;

namespace {

const char* const kStretchNames[] = {"sNeverKAR",
                                     "sAlways",
                                     "sAlwaysKAR",
                                     "sShrink",
                                     "sShrinkKAR",
                                     "sEnlarge",
                                     "sEnlargeKAR",
                                     "sAlwaysLongerEdgeKAR",
                                     "sShrinkLongerEdgeKAR",
                                     "sEnlargeShrinkLongerEdgeKAR",
                                     "sEnlargeLongerEdgeKAR",
                                     "sZoomKAR"};
const char* const kModeNames[] = {"smFast", "smMedium", "smPrecise"};
const char* const kTilingNames[] = {"tNone", "tRepeat", "tMirrorHorizontal", "tMirrorVertical", "tMirror"};

class TViewWindow : public TPGImage {
 public:
  TViewWindow() {
    SetStretch(sShrinkKAR);
    SetStretchMode(smPrecise);
    SetCenter(true);
    OnPixelGraphicChange = [this](TPGImage&) { UpdateTitle(); };
    OnZoomFactorChange = [this](TPGImage&) { UpdateTitle(); };
  }

  void UpdateTitle() {
    setWindowTitle(QString("%1  %2x%3  %4 %5 %6 scale %7")
                       .arg(QString::fromStdString(FileName()))
                       .arg(ImageWidth())
                       .arg(ImageHeight())
                       .arg(kStretchNames[Stretch()])
                       .arg(kModeNames[StretchMode()])
                       .arg(kTilingNames[Tiling()])
                       .arg(EffectiveScale(), 0, 'g', 4));
  }

 protected:
  void keyPressEvent(QKeyEvent* e) override {
    switch (e->key()) {
      case Qt::Key_Plus:
      case Qt::Key_Equal:
        SetZoomFactor(ZoomFactor() * 2);
        SetStretch(sZoomKAR);
        break;
      case Qt::Key_Minus:
        SetZoomFactor(ZoomFactor() / 2);
        SetStretch(sZoomKAR);
        break;
      case Qt::Key_S: SetStretch(TStretch((Stretch() + 1) % 12)); break;
      case Qt::Key_M: SetStretchMode(TStretchMode((StretchMode() + 1) % 3)); break;
      case Qt::Key_T: SetTiling(TTiling((Tiling() + 1) % 5)); break;
      case Qt::Key_C: SetCenter(!Center()); break;
      case Qt::Key_H: SetFlipHorizontal(!FlipHorizontal()); break;
      case Qt::Key_V: SetFlipVertical(!FlipVertical()); break;
      case Qt::Key_A: SetActionMode(TActionMode((ActionMode() + 1) % 6)); break;
      case Qt::Key_Q: close(); break;
      default: TPGImage::keyPressEvent(e); return;
    }
    UpdateTitle();
  }
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() < 2) {
    std::fprintf(stderr, "usage: lumora-view FILE [--fast] [--screenshot OUT.png]\n");
    return 2;
  }
  const int shotIndex = args.indexOf("--screenshot");
  TViewWindow viewer;
  if (args.contains("--fast")) viewer.SetStretchMode(smFast);
  viewer.resize(1024, 700);
  viewer.show();
  try {
    viewer.LoadFromFile(args[1].toStdString());
  } catch (const std::exception& e) {
    QMessageBox::warning(nullptr, "lumora-view", QString::fromUtf8(e.what()));
    if (shotIndex > 0) return 1;
  }
  if (shotIndex > 0 && shotIndex + 1 < args.size()) {
    const QString out = args[shotIndex + 1];
    QTimer::singleShot(0, [&] {
      // Paint until no display copy is being built: the first paints may come before
      // the window has its final size.
      QImage shot;
      for (int i = 0; i < 5; ++i) {
        shot = viewer.grab().toImage();
        if (!viewer.PaintWorkerRunning()) break;
        viewer.WaitForPaintCopy();
      }
      shot.save(out);
      app.quit();
    });
  }
  return app.exec();
}
