// The arithmetic and texts of the preview pane: types, status texts, the fit with its
// margin and rounding, the video shrink, and the Next/Previous positions.
#include <QtTest>

#include "browser/show_rules.h"

using namespace lumora::browser;

Q_DECLARE_METATYPE(std::optional<QSize>)

class ShowRulesTest : public QObject {
  Q_OBJECT

 private slots:
  void fitToPane_data() {
    QTest::addColumn<QSize>("content");
    QTest::addColumn<QSize>("pane");
    QTest::addColumn<std::optional<QSize>>("fitted");
    auto row = [](const char* name, QSize content, QSize pane, std::optional<QSize> fitted) {
      QTest::newRow(name) << content << pane << fitted;
    };
    // 392 / 0.75 = 522.67.
    row("640x480 in 600x400 by height", {640, 480}, {600, 400}, QSize(523, 392));
    row("100x50 grows to the width", {100, 50}, {600, 400}, QSize(592, 296));
    row("same ratio as the pane", {300, 200}, {600, 400}, QSize(592, 395));
    row("portrait", {300, 600}, {600, 400}, QSize(196, 392));
    // 513/1024 x 512 = 256.5 exactly: halves go to the even neighbour, not up.
    row("tie rounds to even", {1024, 513}, {520, 400}, QSize(512, 256));
    row("thin strip keeps a pixel", {100000, 1}, {600, 400}, QSize(592, 1));
    row("empty content", {0, 480}, {600, 400}, std::nullopt);
    row("no width", {640, 0}, {600, 400}, std::nullopt);
    row("pane within the margin", {640, 480}, {8, 300}, std::nullopt);
  }
  void fitToPane() {
    QFETCH(QSize, content);
    QFETCH(QSize, pane);
    QFETCH(std::optional<QSize>, fitted);
    QCOMPARE(FitToPaneSize(content, pane), fitted);
  }

  void fitsWithMargin_data() {
    QTest::addColumn<QSize>("content");
    QTest::addColumn<bool>("fits");
    QTest::newRow("8 smaller both ways") << QSize(592, 392) << true;
    QTest::newRow("7 smaller in width") << QSize(593, 392) << false;
    QTest::newRow("7 smaller in height") << QSize(592, 393) << false;
    QTest::newRow("small") << QSize(100, 50) << true;
  }
  void fitsWithMargin() {
    QFETCH(QSize, content);
    QFETCH(bool, fits);
    QCOMPARE(FitsPaneWithMargin(content, QSize(600, 400)), fits);
  }

  void shrinkOversizeVideo_data() {
    QTest::addColumn<QSize>("frame");
    QTest::addColumn<QSize>("shrunk");
    QTest::newRow("landscape: 145 x 0.75 = 108.75") << QSize(640, 480) << QSize(145, 109);
    QTest::newRow("portrait") << QSize(480, 640) << QSize(109, 145);
    QTest::newRow("square") << QSize(500, 500) << QSize(145, 145);
    QTest::newRow("no size is left alone") << QSize(0, 0) << QSize(0, 0);
  }
  void shrinkOversizeVideo() {
    QFETCH(QSize, frame);
    QFETCH(QSize, shrunk);
    QCOMPARE(ShrinkOversizeAviSize(frame), shrunk);
  }

  void types_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("type");
    QTest::addColumn<int>("kind");
    auto row = [](const char* path, const char* type, TDisplayKind kind) {
      QTest::newRow(path) << QString(path) << QString(type) << int(kind);
    };
    row("/p/photo.jpeg", "JPE", TDisplayKind::Viewer);
    row("/p/anim.Gif", "GIF", TDisplayKind::AnimatedGif);
    row("/p/clip.avi", "AVI", TDisplayKind::Video);
    row("/p/icon.ico", "ICO", TDisplayKind::Picture);
    row("/p/drawing.WMF", "WMF", TDisplayKind::Picture);
    row("/p/a.tar.gz", "GZ", TDisplayKind::Viewer);
    row("/p/folder.d/README", "", TDisplayKind::Viewer);
    row("/p/trailing.", "", TDisplayKind::Viewer);
  }
  void types() {
    QFETCH(QString, path);
    QFETCH(QString, type);
    QFETCH(int, kind);
    QCOMPARE(ShownTypeOf(path), type);
    QCOMPARE(int(DisplayKindFor(ShownTypeOf(path))), kind);
  }

  void statusTexts() {
    QCOMPARE(FileSizeText(1500), QString("2K"));
    QCOMPARE(FileSizeText(0), QString("1K"));
    QCOMPARE(FileSizeText(1023), QString("1K"));
    QCOMPARE(FileSizeText(1024), QString("2K"));
    QCOMPARE(FileSizeText(5'000'000'000), QString("4882813K"));
    QCOMPARE(NameLabel("photo.jpg"), QString(" photo.jpg"));
    QCOMPARE(NameAndSizeText("photo.jpg", 640, 480), QString(" photo.jpg  (640 x 480)"));
  }

  void navigation_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("focused");
    QTest::addColumn<int>("next");
    QTest::addColumn<int>("previous");
    QTest::newRow("empty list") << 0 << -1 << -1 << -1;
    QTest::newRow("nothing focused") << 3 << -1 << 0 << 2;
    QTest::newRow("first") << 3 << 0 << 1 << 2;
    QTest::newRow("middle") << 3 << 1 << 2 << 0;
    QTest::newRow("last") << 3 << 2 << 0 << 1;
    QTest::newRow("one item") << 1 << 0 << 0 << 0;
  }
  void navigation() {
    QFETCH(int, count);
    QFETCH(int, focused);
    QFETCH(int, next);
    QFETCH(int, previous);
    QCOMPARE(NextRow(count, focused), next);
    QCOMPARE(PreviousRow(count, focused), previous);
  }
};

QTEST_GUILESS_MAIN(ShowRulesTest)
#include "show_rules_test.moc"
