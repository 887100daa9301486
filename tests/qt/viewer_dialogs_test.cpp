// The open and save dialogs with their preview (offscreen): debounce, preview worker,
// information lines, filters, type switching and preselection.
#include <QApplication>
#include <QTemporaryDir>
#include <QtTest>

#include "imaging/core/registry.h"
#include "imaging/widgets/pg_file_dialogs.h"

using namespace lumora;

namespace {

QString WriteBmp(const QTemporaryDir& dir, const char* name, int w, int h) {
  TPixelGraphic image;
  image.Allocate(w, h, 3);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.SetPixel(x, y, RGBColor(x, y, 128));
  const QString path = dir.filePath(name);
  image.SaveToFile(path.toStdString());
  return path;
}

}  // namespace

class ViewerDialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void registryFiltersBecomeNameFilters() {
    const QStringList open = QtNameFilters(BuildOpenFilter());
    QVERIFY(open.first().startsWith("Image files ("));
    QVERIFY(open.first().contains("*.bmp"));
    QCOMPARE(open.last(), QString("All files (*.*)"));
    QVERIFY(open.contains("BMP - Bitmap (*.bmp)"));
    QCOMPARE(QtNameFilters(BuildSaveFilter()).first(), QString("BMP - Bitmap (*.bmp)"));
  }

  void previewAfterTheDebounce() {
    QTemporaryDir dir;
    const QString path = WriteBmp(dir, "big.bmp", 300, 200);
    TPGOpenDialog dialog;
    dialog.show();
    dialog.SelectionChanged(path);
    QVERIFY(dialog.DebouncePending());
    QVERIFY(!dialog.PreviewWorkerRunning());
    QVERIFY(!dialog.InfoValid());
    QTRY_VERIFY_WITH_TIMEOUT(!dialog.DebouncePending(), 2000);
    QVERIFY(dialog.InfoValid());
    const QStringList lines = dialog.InfoLines();
    QCOMPARE(lines.first(), QString("Bitmap"));
    // The size line is the registry's description of the file ("300x200x16.7M 24 bit").
    TFileInfo info;
    QVERIFY(GetFileInfo(path.toStdString(), 0, info));
    QCOMPARE(lines.last(), QString::fromStdString(FileInfoSizeLine(info.Info)));
    dialog.WaitForPreview();
    QVERIFY(dialog.Preview());
    const QSize inner = dialog.PreviewInnerSize();
    QVERIFY(dialog.Preview()->Width() <= inner.width());
    QVERIFY(dialog.Preview()->Height() <= inner.height());
    // Aspect ratio kept: the limiting side fills the pane.
    QVERIFY(dialog.Preview()->Width() == inner.width() || dialog.Preview()->Height() == inner.height());
  }

  void newSelectionStopsThePreview() {
    QTemporaryDir dir;
    const QString a = WriteBmp(dir, "a.bmp", 40, 30);
    const QString b = WriteBmp(dir, "b.bmp", 20, 10);
    TPGOpenDialog dialog;
    dialog.SelectionChanged(a);
    dialog.DebounceElapsed();
    QVERIFY(dialog.PreviewWorkerRunning());
    dialog.SelectionChanged(b);  // stops and waits for the running worker
    QVERIFY(!dialog.PreviewWorkerRunning());
    QVERIFY(!dialog.Preview());
    dialog.WaitForPreview();
    QVERIFY(dialog.Preview());
    QCOMPARE(dialog.Preview()->Width(), 20);  // only the last selection is shown
  }

  void unreadableFileGivesNoPreview() {
    QTemporaryDir dir;
    TPGOpenDialog dialog;
    dialog.SelectionChanged(dir.filePath("missing.bmp"));
    dialog.DebounceElapsed();
    QVERIFY(!dialog.InfoValid());
    QVERIFY(!dialog.PreviewWorkerRunning());
    QVERIFY(dialog.InfoLines().isEmpty());
  }

  void closingStopsTheWorker() {
    QTemporaryDir dir;
    const QString a = WriteBmp(dir, "a.bmp", 400, 300);
    auto dialog = std::make_unique<TPGOpenDialog>();
    dialog->SelectionChanged(a);
    dialog->DebounceElapsed();
    dialog->reject();
    QVERIFY(!dialog->PreviewWorkerRunning());
    QVERIFY(!dialog->Preview());
    dialog.reset();
    QCoreApplication::processEvents();
  }

  void saveDialogPreselectsAndSwitchesTheExtension() {
    QTemporaryDir dir;
    TPGSaveDialog dialog;
    dialog.setDirectory(dir.path());
    dialog.SetFileName(dir.filePath("photo.BMP"));
    QCOMPARE(dialog.PreselectForFileName(), 1);
    QCOMPARE(dialog.selectedNameFilter(), QString("BMP - Bitmap (*.bmp)"));
    dialog.SetEditText("photo.xyz");
    dialog.FileTypeSelected("BMP - Bitmap (*.bmp)");
    QCOMPARE(dialog.EditText(), QString("photo.bmp"));
    dialog.SetEditText("noext");
    dialog.FileTypeSelected("BMP - Bitmap (*.bmp)");
    QCOMPARE(dialog.EditText(), QString("noext.bmp"));
    // An existing folder's name is left alone.
    QDir(dir.path()).mkdir("sub.d");
    dialog.SetEditText("sub.d");
    dialog.FileTypeSelected("BMP - Bitmap (*.bmp)");
    QCOMPARE(dialog.EditText(), QString("sub.d"));
  }
};

QTEST_MAIN(ViewerDialogsTest)
#include "viewer_dialogs_test.moc"
