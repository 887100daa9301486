// TGIFImage on the offscreen platform: the animation plays frames in order at the
// file's delays scaled by Speed, loops as Loop and the file's loop count say, stops
// when Animate goes off; placement, painting, and the corpus's composed frames.
// The timer is driven by TTimerEx::Trigger and the clock is the test's.
#include <QImage>
#include <QPainter>
#include <QtTest>

#include <cstdlib>
#include <filesystem>

#include "imaging/widgets/gif_image.h"
#include "tests/imaging/gif_test_util.h"

using namespace lumora;
using lumora::test::TGIFBuilder;

namespace {

constexpr std::uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF;
const std::uint32_t kFrameColours[4] = {kRed, kGreen, kBlue, kWhite};

// Four 2x2 frames in the four colours with the given delays (hundredths).
std::vector<std::uint8_t> FourFrames(const std::vector<int>& delays, int loop = -1) {
  TGIFBuilder b(2, 2, {kRed, kGreen, kBlue, kWhite});
  if (loop >= 0) b.Loop(loop);
  for (int i = 0; i < 4; ++i) b.Control(1, delays[size_t(i)]).Image(0, 0, 2, 2, std::vector<std::uint8_t>(4, std::uint8_t(i)));
  return b.Bytes();
}

int ShownColourIndex(const TGIFImage& gif) {
  const std::uint32_t p = gif.Movie().ComposedPixel(0, 0) & 0xFFFFFF;
  for (int i = 0; i < 4; ++i) {
    if (kFrameColours[i] == p) return i + 1;
  }
  return 0;
}

std::filesystem::path CorpusDir() {
  if (const char* env = std::getenv("LUMORA_CORPUS")) return env;
  for (const std::filesystem::path& p : {std::filesystem::path(LUMORA_SOURCE_DIR) / ".." / "shared" / "corpus",
                                        std::filesystem::path("/work/shared/corpus")}) {
    if (std::filesystem::exists(p / "MANIFEST.tsv")) return p;
  }
  return {};
}

struct TTick {
  int shown;     // frame on show after the tick
  int interval;  // the timer's interval after the tick (0: no timer)
};

}  // namespace

class GIFImageTest : public QObject {
  Q_OBJECT

  std::int64_t now_ = 0;

  void UseTestClock(TGIFImage& gif) {
    now_ = 1000;
    gif.Clock = [this] { return now_; };
  }

  // Ticks the animation once and records what it shows and how long it waits.
  TTick Tick(TGIFImage& gif) {
    TTimerEx* timer = gif.AnimationTimer();
    if (!timer) return {ShownColourIndex(gif), 0};
    timer->Trigger();
    return {ShownColourIndex(gif), gif.AnimationTimer() ? int(gif.AnimationTimer()->Interval()) : 0};
  }

 private slots:
  void PlaysFramesInOrderAtTheFilesDelaysScaledBySpeed_data() {
    QTest::addColumn<int>("speed");
    QTest::addColumn<QList<int>>("intervals");
    // Delays 0, 3, 10 and 20 hundredths: below 50 ms counts as 50 ms.
    QTest::newRow("speed 100") << 100 << QList<int>{50, 50, 100, 200};
    QTest::newRow("speed 200") << 200 << QList<int>{25, 25, 50, 100};
    QTest::newRow("speed 50") << 50 << QList<int>{100, 100, 200, 400};
    QTest::newRow("speed 0 is 1") << 0 << QList<int>{5000, 5000, 10000, 20000};
  }

  void PlaysFramesInOrderAtTheFilesDelaysScaledBySpeed() {
    QFETCH(int, speed);
    QFETCH(QList<int>, intervals);
    TGIFImage gif;
    UseTestClock(gif);
    QVERIFY(gif.LoadFromData(FourFrames({0, 3, 10, 20}, 0)));
    gif.SetSpeed(speed);
    QCOMPARE(gif.Speed(), std::max(1, speed));
    QCOMPARE(gif.CurrentFrame(), 1);
    QCOMPARE(ShownColourIndex(gif), 1);
    QVERIFY(gif.AnimationTimer() == nullptr);
    gif.SetAnimate(true);
    QVERIFY(gif.AnimationTimer() != nullptr);
    QCOMPARE(int(gif.AnimationTimer()->Interval()), intervals[0]);
    // The first tick only re-arms: frame 1 stays for two of its intervals.
    TTick t = Tick(gif);
    QCOMPARE(t.shown, 1);
    QCOMPARE(t.interval, intervals[0]);
    for (int pass = 0; pass < 2; ++pass) {
      for (int frame : {2, 3, 4, 1}) {
        t = Tick(gif);
        QCOMPARE(t.shown, frame);
        QCOMPARE(t.interval, intervals[frame - 1]);
      }
    }
  }

  void TimeSpentInATickIsTakenOffTheNextInterval() {
    TGIFImage gif;
    UseTestClock(gif);
    QVERIFY(gif.LoadFromData(FourFrames({10, 10, 10, 10}, 0)));
    int calls = 0;
    gif.Clock = [&] { return std::int64_t(1000 + 30 * (calls++ % 2)); };  // each tick takes 30 ms
    gif.SetAnimate(true);
    QCOMPARE(Tick(gif).interval, 70);
    QCOMPARE(Tick(gif).interval, 70);
  }

  void LoopsAsLoopAndTheFilesCountSay_data() {
    QTest::addColumn<int>("fileLoop");  // -1: no NETSCAPE2.0 block
    QTest::addColumn<bool>("loop");
    QTest::addColumn<int>("passes");  // -1: for ever
    QTest::newRow("no block, Loop off: one pass") << -1 << false << 1;
    QTest::newRow("no block, Loop on: for ever") << -1 << true << -1;
    QTest::newRow("count 0: for ever") << 0 << false << -1;
    QTest::newRow("count 3: three passes") << 3 << false << 3;
    QTest::newRow("count 3, Loop on: for ever") << 3 << true << -1;
  }

  void LoopsAsLoopAndTheFilesCountSay() {
    QFETCH(int, fileLoop);
    QFETCH(bool, loop);
    QFETCH(int, passes);
    TGIFImage gif;
    UseTestClock(gif);
    int wraps = 0;
    gif.OnWrapAnimation = [&](TGIFImage&) { ++wraps; };
    QVERIFY(gif.LoadFromData(FourFrames({5, 5, 5, 5}, fileLoop)));
    QCOMPARE(gif.LoopCount(), fileLoop < 0 ? 1 : fileLoop);
    gif.SetLoop(loop);
    gif.SetAnimate(true);
    int ticks = 0;
    while (gif.AnimationTimer() && ticks < 200) {
      Tick(gif);
      ++ticks;
    }
    if (passes < 0) {
      QVERIFY(gif.AnimationTimer() != nullptr);
      QVERIFY(wraps >= 40);
      return;
    }
    QCOMPARE(wraps, passes);
    QCOMPARE(ticks, 4 * passes);  // the first tick plus three draws, then four draws a pass
    QCOMPARE(gif.CurrentFrame(), 4);
    QCOMPARE(ShownColourIndex(gif), 4);  // it ends on the last frame
    // A paint does not restart an ended animation...
    gif.resize(10, 10);
    gif.grab();
    QVERIFY(gif.AnimationTimer() == nullptr);
    // ... but setting Loop on does, from frame 1.
    gif.SetLoop(true);
    QCOMPARE(gif.CurrentFrame(), 1);
    QVERIFY(gif.AnimationTimer() != nullptr);
    QCOMPARE(int(gif.AnimationTimer()->Interval()), 50);
  }

  void StopsAndReturnsToFrameOneWhenAnimateGoesOff() {
    TGIFImage gif;
    UseTestClock(gif);
    QVERIFY(gif.LoadFromData(FourFrames({5, 5, 5, 5}, 0)));
    gif.SetAnimate(true);
    Tick(gif);
    Tick(gif);
    Tick(gif);
    QCOMPARE(ShownColourIndex(gif), 3);
    gif.SetAnimate(false);
    QVERIFY(gif.AnimationTimer() == nullptr);
    QCOMPARE(gif.CurrentFrame(), 1);
    QCOMPARE(ShownColourIndex(gif), 1);
    gif.grab();  // painting does not start it again
    QVERIFY(gif.AnimationTimer() == nullptr);
  }

  void SpeedChangeWhileRunningTicksAtOnce() {
    TGIFImage gif;
    UseTestClock(gif);
    QVERIFY(gif.LoadFromData(FourFrames({10, 10, 10, 10}, 0)));
    gif.SetAnimate(true);
    Tick(gif);
    gif.SetSpeed(400);
    QCOMPARE(int(gif.AnimationTimer()->Interval()), 1);
    QCOMPARE(Tick(gif).interval, 25);
  }

  void SingleFrameNeverAnimates() {
    TGIFImage gif;
    QVERIFY(gif.LoadFromData(TGIFBuilder(2, 2, {kRed, kGreen}).Image(0, 0, 2, 2, {1, 1, 1, 1}).Bytes()));
    QVERIFY(!gif.IsAnimated());
    gif.SetAnimate(true);
    QVERIFY(gif.AnimationTimer() == nullptr);
  }

  void CurrentFrameSetterShowsTheFrameAndIgnoresOthers() {
    TGIFImage gif;
    QVERIFY(gif.LoadFromData(FourFrames({5, 5, 5, 5}, 0)));
    int changing = 0, changed = 0;
    gif.OnChanging = [&](TGIFImage&) { ++changing; };
    gif.OnChange = [&](TGIFImage&) { ++changed; };
    for (int bad : {0, 5, -1, 1}) gif.SetCurrentFrame(bad);
    QCOMPARE(changing, 0);
    QCOMPARE(gif.CurrentFrame(), 1);
    gif.SetCurrentFrame(3);
    QCOMPARE(gif.CurrentFrame(), 3);
    QCOMPARE(ShownColourIndex(gif), 3);
    QCOMPARE(changing, 1);
    QCOMPARE(changed, 1);
  }

  void LoadingKeepsOrClearsThePicture() {
    TGIFImage gif;
    QVERIFY(gif.LoadFromData(TGIFBuilder(6, 5, {kRed, kGreen}).Image(1, 1, 3, 2, std::vector<std::uint8_t>(6, 1)).Bytes()));
    QCOMPARE(gif.ImageWidth(), 6);
    QCOMPARE(gif.FirstFrameBitmap().size(), QSize(3, 2));
    QCOMPARE(gif.Version(), gvGIF89a);
    QVERIFY(!gif.LoadFromFile("/nonexistent/file.gif"));
    QCOMPARE(gif.ImageWidth(), 6);  // a missing file changes nothing
    QVERIFY(!gif.LoadFromData({'G', 'I', 'X'}));
    QVERIFY(gif.Empty());
    QVERIFY(gif.FirstFrameBitmap().isNull());
    TGIFImage other;
    QVERIFY(other.LoadFromData(FourFrames({1, 1, 1, 1}, 0)));
    gif.Assign(&other);
    QCOMPARE(gif.FrameCount(), 4);
    gif.Assign(nullptr);
    QVERIFY(gif.Empty());
    bool cancelled = false;
    gif.OnProgress = [&](TGIFImage&, int done, int total, int percent, bool& keepOn) {
      QVERIFY(done <= total);
      QCOMPARE(percent, int(std::nearbyint(100.0 * done / total)));
      if (percent > 50) {
        keepOn = false;
        cancelled = true;
      }
    };
    QVERIFY(!gif.LoadFromData(FourFrames({1, 1, 1, 1}, 0)));
    QVERIFY(cancelled);
    QVERIFY(gif.Empty());
  }

  void Placement_data() {
    QTest::addColumn<int>("flags");  // 1 Stretch, 2 StretchRatio, 4 StretchBigOnly, 8 Tile, 16 Center
    QTest::addColumn<QSize>("control");
    QTest::addColumn<QList<QRect>>("rects");
    const QSize pic(20, 10);
    Q_UNUSED(pic);
    QTest::newRow("origin") << 0 << QSize(50, 50) << QList<QRect>{QRect(0, 0, 20, 10)};
    QTest::newRow("centre") << 16 << QSize(51, 50) << QList<QRect>{QRect(15, 20, 20, 10)};
    QTest::newRow("centre in a smaller control") << 16 << QSize(11, 5) << QList<QRect>{QRect(-4, -2, 20, 10)};
    QTest::newRow("stretch") << 1 << QSize(50, 40) << QList<QRect>{QRect(0, 0, 50, 40)};
    QTest::newRow("ratio, wide control") << 2 << QSize(100, 20) << QList<QRect>{QRect(30, 0, 40, 20)};
    QTest::newRow("ratio, tall control") << 2 << QSize(40, 100) << QList<QRect>{QRect(0, 40, 40, 20)};
    QTest::newRow("big only, bigger control") << 5 << QSize(50, 40) << QList<QRect>{QRect(0, 0, 20, 10)};
    QTest::newRow("big only, smaller control") << 5 << QSize(10, 40) << QList<QRect>{QRect(0, 0, 10, 40)};
    QTest::newRow("tile") << 8 << QSize(30, 15)
                          << QList<QRect>{QRect(0, 0, 20, 10), QRect(20, 0, 20, 10), QRect(0, 10, 20, 10),
                                          QRect(20, 10, 20, 10)};
  }

  void Placement() {
    QFETCH(int, flags);
    QFETCH(QSize, control);
    QFETCH(QList<QRect>, rects);
    TGIFImage gif;
    QVERIFY(gif.LoadFromData(TGIFBuilder(20, 10, {kRed, kGreen}).Image(0, 0, 20, 10, std::vector<std::uint8_t>(200, 1)).Bytes()));
    gif.SetStretch(flags & 1);
    gif.SetStretchRatio(flags & 2);
    gif.SetStretchBigOnly(flags & 4);
    gif.SetTile(flags & 8);
    gif.SetCenter(flags & 16);
    gif.resize(control);
    QList<QRect> got;
    for (const TGIFRect& r : gif.PictureRects()) got.push_back(QRect(r.Left, r.Top, r.Width(), r.Height()));
    QCOMPARE(got, rects);
  }

  void TransparentPartsShowWhatLiesBehind() {
    QWidget parent;
    parent.resize(4, 2);
    parent.setAutoFillBackground(true);
    QPalette pal = parent.palette();
    pal.setColor(QPalette::Window, QColor(10, 20, 30));
    parent.setPalette(pal);
    auto* gif = new TGIFImage(&parent);
    // A 2x1 frame on a 3x1 screen: pixel 0 transparent, pixel 1 green, pixel 2 outside.
    QVERIFY(gif->LoadFromData(TGIFBuilder(3, 1, {kRed, kGreen}).Control(0, 0, true, 0).Image(0, 0, 2, 1, {0, 1}).Bytes()));
    gif->setGeometry(0, 0, 4, 2);
    QVERIFY(!gif->CoversControl());
    const QImage shot = parent.grab().toImage();
    QCOMPARE(shot.pixelColor(0, 0), QColor(10, 20, 30));
    QCOMPARE(shot.pixelColor(1, 0), QColor(0, 255, 0));
    QCOMPARE(shot.pixelColor(2, 0), QColor(10, 20, 30));
    QCOMPARE(shot.pixelColor(3, 1), QColor(10, 20, 30));  // beyond the picture
  }

  void OpaqueFramesPaintBlackOutsideAndStretchWithoutSmoothing() {
    TGIFImage gif;
    QVERIFY(gif.LoadFromData(TGIFBuilder(2, 1, {kRed, kGreen}).Image(0, 0, 1, 1, {1}).Bytes()));
    gif.resize(4, 2);
    gif.SetStretch(true);
    QVERIFY(gif.CoversControl());
    QVERIFY(gif.testAttribute(Qt::WA_OpaquePaintEvent));
    const QImage shot = gif.grab().toImage();
    QCOMPARE(shot.pixelColor(0, 0), QColor(0, 255, 0));
    QCOMPARE(shot.pixelColor(1, 1), QColor(0, 255, 0));
    QCOMPARE(shot.pixelColor(2, 0), QColor(0, 0, 0));
    QCOMPARE(shot.pixelColor(3, 1), QColor(0, 0, 0));
  }

  void ThreadedTimerDeliversTicksOnTheUserInterfaceThread() {
    TTimerEx timer;
    int ticks = 0;
    bool onUiThread = true;
    timer.SetInterval(2);
    timer.SetThreaded(true);
    timer.SetOnTimer([&] {
      ++ticks;
      onUiThread = onUiThread && QThread::currentThread() == qApp->thread();
    });
    QVERIFY(timer.Running());
    QTRY_VERIFY_WITH_TIMEOUT(ticks >= 3, 5000);
    timer.SetEnabled(false);
    QVERIFY(!timer.Running());
    QVERIFY(onUiThread);
    // Nothing runs without an interval or a handler.
    TTimerEx idle;
    idle.SetInterval(0);
    idle.SetOnTimer([] {});
    QVERIFY(!idle.Running());
  }

  // The composed frames of the peterdn suite, against its PNG frames.
  void CorpusComposedFramesMatchTheSuite() {
    const auto corpus = CorpusDir();
    if (corpus.empty()) QSKIP("conformance corpus not found");
    const auto dir = corpus / "gif" / "peterdn-gif-test-suite";
    int compared = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
      if (entry.path().extension() != ".gif") continue;
      const std::string stem = entry.path().stem().string();
      TGIFImage gif;
      QVERIFY2(gif.LoadFromFile(entry.path().string()), stem.c_str());
      for (int frame = 1; frame <= gif.FrameCount(); ++frame) {
        if (frame > 1) gif.SetCurrentFrame(frame);
        auto png = dir / "frames" / (stem + "-" + std::to_string(frame - 1) + ".png");
        if (gif.FrameCount() == 1) png = dir / "frames" / (stem + ".png");
        QImage want(QString::fromStdString(png.string()));
        QVERIFY2(!want.isNull(), png.string().c_str());
        want = want.convertToFormat(QImage::Format_ARGB32);
        // The suite clips frames to the screen; the display enlarges its picture to
        // cover them, so the screen part is compared.
        QCOMPARE(gif.Movie().ScreenWidth(), want.width());
        QCOMPARE(gif.Movie().ScreenHeight(), want.height());
        int wrong = 0;
        for (int y = 0; y < want.height(); ++y) {
          for (int x = 0; x < want.width(); ++x) {
            const QRgb w = want.pixel(x, y);
            const std::uint32_t got = gif.Movie().ComposedPixel(x, y);
            const std::uint32_t expect = qAlpha(w) == 0 ? kGIFTransparent : (0xFF000000u | (w & 0xFFFFFF));
            const std::uint32_t gotShown = gif.Movie().Frame(1).Transparent ? got : (got | 0xFF000000u);
            if (gotShown != expect) ++wrong;
          }
        }
        QVERIFY2(wrong == 0, (stem + " frame " + std::to_string(frame) + ": " + std::to_string(wrong)).c_str());
        ++compared;
      }
    }
    QVERIFY(compared >= 40);
  }
};

QTEST_MAIN(GIFImageTest)
#include "gif_image_test.moc"
