// The preview pane of the main window: which control shows a file, the status texts,
// own size against fitted, Auto Zoom and the zoom keys, failures, the deferred show,
// videos through a fake player, Next/Previous, the slide show, the window's keys and the
// background colour.
#include <QLineEdit>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <memory>

#include "browser/browser_texts.h"
#include "browser/main_window.h"
#include "imaging/core/pixel_graphic.h"
#include "imaging/widgets/gif_image.h"
#include "imaging/widgets/pg_image.h"
#include "platform/color_dialog.h"
#include "platform/message_box.h"
#include "platform/screen_info.h"
#include "platform/settings.h"
#include "qt_test_support.h"
#include "tests/imaging/gif_test_util.h"
#include "tests/support/icon_test_builder.h"
#include "ui/file_list_view.h"
#include "ui/folder_tree.h"
#include "ui/led.h"
#include "ui/picture_control.h"
#include "ui/status_bar.h"
#include "ui/up_down.h"
#include "ui/video_player.h"

using namespace lumora;
using namespace lumora::browser;

namespace {

void WriteBytes(const QString& path, const std::vector<std::uint8_t>& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
}

// A 24-bit picture of one colour, written by the library's writer for the extension.
void WritePicture(const QString& path, int width, int height, TColor color = 0x3366CC) {
  TPixelGraphic image;
  image.Allocate(width, height, 3);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.SetRGBPixel(x, y, color);
  image.SaveToFile(QFile::encodeName(path).toStdString());
}

std::vector<std::uint8_t> TwoFrameGif(int width, int height) {
  std::vector<std::uint8_t> indices(size_t(width) * size_t(height), 1);
  test::TGIFBuilder gif(width, height, {0x000000, 0xFF0000, 0x00FF00, 0x0000FF});
  gif.Loop(0).Control(0, 10).Image(0, 0, width, height, indices);
  std::fill(indices.begin(), indices.end(), 2);
  gif.Control(0, 10).Image(0, 0, width, height, indices);
  return gif.Bytes();
}

// A player that knows every file's frame size at once, after the event loop turns, as
// the media back end does.
class TFakeVideoPlayer : public ui::TVideoPlayer {
 public:
  static inline QSize frameSize{640, 480};
  static inline bool available = true;

  using TVideoPlayer::TVideoPlayer;
  bool Available() const override { return available; }
  void SetFileName(const QString& path) override {
    path_ = path;
    QTimer::singleShot(0, this, [this] { emit FrameSizeKnown(frameSize); });
  }
  QString FileName() const override { return path_; }
  QSize FrameSize() const override { return frameSize; }
  void SetActive(bool on) override { active_ = on; }
  bool Active() const override { return active_; }

 private:
  QString path_;
  bool active_ = false;
};

// Counts the key presses a widget receives.
class TKeyCounter : public QObject {
 public:
  int presses = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) ++presses;
    return false;
  }
};

}  // namespace

class PreviewPaneTest : public QObject {
  Q_OBJECT
  QTemporaryDir root_;
  QString pics_, steps_, single_, empty_, twinA_, twinB_;
  std::shared_ptr<platform::TMemorySettingsStore> store_;
  std::shared_ptr<platform::TRecordingMessageBoxes> messages_;

  // The main window on `folder`, its pane at `pane`.
  std::unique_ptr<TForm1> Open(const QString& folder, QSize pane = {600, 400}) {
    store_->Write("Directory", folder);
    auto form = std::make_unique<TForm1>();
    form->show();
    QCoreApplication::processEvents();
    // The pane takes every pixel the window grows by.
    form->resize(form->size() + pane - form->RightMain->size());
    QCoreApplication::processEvents();
    return form;
  }
  static void Select(TForm1& form, const QString& name) {
    const int row = form.SLV1->FindName(name);
    QVERIFY2(row >= 0, qPrintable(name));
    form.SLV1->SelectOnly(row);
    QCoreApplication::processEvents();  // the show runs when the event loop turns
  }
  static QString Shown(const TForm1& form) {
    const QWidget* control = form.ShownControl();
    return control ? control->objectName() : QString();
  }
  static QToolButton* Button(TForm1& form, const char* name) { return form.ToolButton(QString::fromLatin1(name)); }

 private slots:
  void initTestCase() {
    QVERIFY(root_.isValid());
    const QString home = root_.path() + "/home";
    pics_ = home + "/pics";
    steps_ = home + "/steps";
    single_ = home + "/single";
    empty_ = home + "/empty";
    twinA_ = home + "/100CAMERA";
    twinB_ = home + "/101CAMERA";
    for (const QString& dir : {pics_, steps_, single_, empty_, twinA_, twinB_}) QVERIFY(QDir().mkpath(dir));
    qputenv("HOME", QFile::encodeName(home));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(root_.path() + "/config"));

    WritePicture(pics_ + "/chart.bmp", 640, 480);
    WritePicture(pics_ + "/small.png", 100, 50);
    WritePicture(pics_ + "/edge.bmp", 592, 392);
    WritePicture(pics_ + "/photo.jpg", 64, 48);
    QVERIFY(QFile::rename(pics_ + "/photo.jpg", pics_ + "/photo.jpeg"));
    WriteBytes(pics_ + "/anim.gif", TwoFrameGif(40, 30));
    WriteBytes(pics_ + "/icon.ico", test::IconFile({{32, 32, 4}}));
    WriteBytes(pics_ + "/clip.avi", {'R', 'I', 'F', 'F'});
    QVERIFY(test::MakeFile(pics_ + "/broken.jpg", 3000));
    QVERIFY(test::MakeFile(pics_ + "/broken.gif", 200));
    QVERIFY(test::MakeFile(pics_ + "/drawing.wmf", 100));
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) WritePicture(steps_ + "/" + name, 20, 10);
    WritePicture(single_ + "/only.bmp", 20, 10);
    WritePicture(twinA_ + "/IMG_0001.bmp", 20, 10);
    WritePicture(twinB_ + "/IMG_0001.bmp", 30, 10);
  }

  void init() {
    store_ = std::make_shared<platform::TMemorySettingsStore>();
    platform::SetSettingsStore(store_);
    platform::SetScreenInfo(std::make_shared<platform::TFixedScreenInfo>(24, QList<QRect>{QRect(0, 0, 1280, 800)}));
    messages_ = std::make_shared<platform::TRecordingMessageBoxes>();
    platform::SetMessageBoxes(messages_);
    ui::SetVideoPlayerFactory([](QWidget* parent) { return new TFakeVideoPlayer(parent); });
    TFakeVideoPlayer::frameSize = QSize(640, 480);
    TFakeVideoPlayer::available = true;
  }

  void cleanup() {
    platform::SetSettingsStore(nullptr);
    platform::SetScreenInfo(nullptr);
    platform::SetMessageBoxes(nullptr);
    platform::SetColorAsker(nullptr);
    ui::SetVideoPlayerFactory(nullptr);
  }

  void eachTypeShowsInItsControl_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("sizeText");
    QTest::addColumn<QString>("nameText");
    QTest::addColumn<QSize>("size");
    QTest::newRow("large picture is fitted") << "chart.bmp" << "PGImage1" << "901K" << " chart.bmp  (640 x 480)"
                                             << QSize(523, 392);
    QTest::newRow("small picture at its own size")
        << "small.png" << "PGImage1" << "" << " small.png  (100 x 50)" << QSize(100, 50);
    QTest::newRow("8 pixels smaller than the pane") << "edge.bmp" << "PGImage1" << "" << " edge.bmp  (592 x 392)"
                                                    << QSize(592, 392);
    QTest::newRow("jpeg is read by the library")
        << "photo.jpeg" << "PGImage1" << "" << " photo.jpeg  (64 x 48)" << QSize(64, 48);
    QTest::newRow("animated gif") << "anim.gif" << "GIFImage1" << "" << " anim.gif  (40 x 30)" << QSize(40, 30);
    QTest::newRow("icon") << "icon.ico" << "Image1" << "" << " icon.ico  (32 x 32)" << QSize(32, 32);
    QTest::newRow("video") << "clip.avi" << "AVIPlay1" << "1K" << " clip.avi  (640 x 480)" << QSize(145, 109);
  }
  void eachTypeShowsInItsControl() {
    QFETCH(QString, name);
    QFETCH(QString, control);
    QFETCH(QString, sizeText);
    QFETCH(QString, nameText);
    QFETCH(QSize, size);
    auto form = Open(pics_);
    QCOMPARE(form->RightMain->size(), QSize(600, 400));
    if (name.endsWith(".jpeg")) {
      // Not listed by the "*.jpg" mask, but shown when asked for (as a search result is).
      form->ShowFile(pics_ + "/" + name);
      QCoreApplication::processEvents();
    } else {
      Select(*form, name);
    }
    QTRY_COMPARE(Shown(*form), control);  // a video's size arrives later
    QCOMPARE(form->CurrentFile, pics_ + "/" + name);
    QCOMPARE(form->SB1->PanelText(3), nameText);
    if (!sizeText.isEmpty()) QCOMPARE(form->SB1->PanelText(2), sizeText);
    QCOMPARE(form->SB1->PanelText(2), QString::number(QFileInfo(form->CurrentFile).size() / 1024 + 1) + "K");
    const QWidget* shown = form->ShownControl();
    QCOMPARE(shown->geometry(), QRect(QPoint(4, 4), size));
    QVERIFY(!form->ALed1->IsOn());
    QVERIFY(messages_->shown.isEmpty());
    // "Copy to clipboard" follows the selection: there for image types, not for videos.
    if (!name.endsWith(".jpeg")) QCOMPARE(form->Command("Copy1")->isVisible(), name != "clip.avi");
    if (control == "GIFImage1") QVERIFY(form->GIFImage1->Animate());
    if (control == "AVIPlay1") QVERIFY(form->AVIPlay1->Active());
  }

  void aPictureControlShowsThePicture() {
    auto form = Open(pics_);
    Select(*form, "icon.ico");
    const QImage& picture = form->Image1->Picture();
    QCOMPARE(picture.size(), QSize(32, 32));
    // Masked pixels are see-through, so the pane's colour shows there.
    QCOMPARE(qAlpha(picture.pixel(0, 0)), 0);
    Select(*form, "chart.bmp");
    QCOMPARE(QString::fromStdString(form->PGImage1->FileName()), pics_ + "/chart.bmp");
    const QImage grab = form->RightMain->grab().toImage();
    QCOMPARE(grab.pixelColor(4 + 523 / 2, 4 + 392 / 2), QColor(0xCC, 0x66, 0x33));  // 0x00BBGGRR
  }

  void unreadableFilesShowNothing_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("corrupt jpeg") << "broken.jpg" << QStringList();
    QTest::newRow("corrupt gif") << "broken.gif" << QStringList();
    QTest::newRow("unreadable metafile") << "drawing.wmf" << QStringList{texts::kErrorReadingImageFile};
  }
  void unreadableFilesShowNothing() {
    QFETCH(QString, name);
    QFETCH(QStringList, messages);
    auto form = Open(pics_);
    Select(*form, "chart.bmp");
    QCOMPARE(Shown(*form), QString("PGImage1"));
    Select(*form, name);
    QCOMPARE(Shown(*form), QString());
    QCOMPARE(messages_->shown, messages);
    QVERIFY(!form->ALed1->IsOn());
    // The old picture's name and size do not stay beside the new file's size.
    QCOMPARE(form->SB1->PanelText(3), " " + name);
  }

  void videosWithoutABackEndAreNotShown() {
    TFakeVideoPlayer::available = false;
    auto form = Open(pics_);
    Select(*form, "clip.avi");
    QCoreApplication::processEvents();
    QCOMPARE(Shown(*form), QString());
    QVERIFY(messages_->shown.isEmpty());
    QVERIFY(!form->ALed1->IsOn());
  }

  void videoSizes_data() {
    QTest::addColumn<QSize>("frame");
    QTest::addColumn<bool>("autoZoom");
    QTest::addColumn<QSize>("size");
    QTest::newRow("oversize is shrunk") << QSize(640, 480) << false << QSize(145, 109);
    QTest::newRow("oversize with Auto Zoom") << QSize(640, 480) << true << QSize(392, 294);
    QTest::newRow("small at its own size") << QSize(200, 100) << false << QSize(200, 100);
    QTest::newRow("small with Auto Zoom") << QSize(200, 100) << true << QSize(392, 196);
  }
  void videoSizes() {
    QFETCH(QSize, frame);
    QFETCH(bool, autoZoom);
    QFETCH(QSize, size);
    TFakeVideoPlayer::frameSize = frame;
    auto form = Open(pics_, QSize(400, 300));
    Button(*form, "AutoZoom")->setChecked(autoZoom);
    Select(*form, "clip.avi");
    QTRY_COMPARE(Shown(*form), QString("AVIPlay1"));
    QCOMPARE(form->AVIPlay1->size(), size);
  }

  void autoZoomAndTheZoomKeys() {
    auto form = Open(pics_);
    Select(*form, "small.png");
    QCOMPARE(form->PGImage1->size(), QSize(100, 50));
    Button(*form, "AutoZoom")->click();
    QCOMPARE(form->PGImage1->size(), QSize(592, 296));
    Button(*form, "AutoZoom")->click();
    QCoreApplication::processEvents();
    QCOMPARE(form->PGImage1->size(), QSize(100, 50));

    // Keypad plus fits, keypad minus shows the file again; the list gets the keys too.
    TKeyCounter counter;
    form->SLV1->installEventFilter(&counter);
    QTest::keyClick(form->SLV1, Qt::Key_Plus, Qt::KeypadModifier);
    QCOMPARE(form->PGImage1->size(), QSize(592, 296));
    QTest::keyClick(form->SLV1, Qt::Key_Minus, Qt::KeypadModifier);
    QCoreApplication::processEvents();
    QCOMPARE(form->PGImage1->size(), QSize(100, 50));
    QCOMPARE(counter.presses, 2);
    // The main keyboard's plus is not the zoom key.
    QTest::keyClick(form->SLV1, Qt::Key_Plus);
    QCOMPARE(form->PGImage1->size(), QSize(100, 50));

    // With Auto Zoom down every picture is fitted as it is shown.
    Button(*form, "AutoZoom")->click();
    Select(*form, "chart.bmp");
    Select(*form, "small.png");
    QCOMPARE(form->PGImage1->size(), QSize(592, 296));
  }

  void paneResizeRefits() {
    auto form = Open(pics_);
    Select(*form, "chart.bmp");
    form->resize(form->size() - QSize(200, 100));
    QCoreApplication::processEvents();
    QCOMPARE(form->RightMain->size(), QSize(400, 300));
    QCOMPARE(form->PGImage1->size(), QSize(392, 294));
  }

  void twoQuickShowsBothShowTheLaterPath() {
    auto form = Open(pics_);
    form->ShowFile(pics_ + "/chart.bmp");
    form->ShowFile(pics_ + "/small.png");
    QCOMPARE(Shown(*form), QString());  // nothing has run yet
    QCoreApplication::processEvents();
    QCOMPARE(QString::fromStdString(form->PGImage1->FileName()), pics_ + "/small.png");
    QCOMPARE(form->SB1->PanelText(3), QString(" small.png  (100 x 50)"));
  }

  void sameNameInAnotherFolderIsShown() {
    auto form = Open(twinA_);
    Select(*form, "IMG_0001.bmp");
    QCOMPARE(form->SB1->PanelText(3), QString(" IMG_0001.bmp  (20 x 10)"));
    QVERIFY(form->STV1->SelectPath(twinB_));
    QCOMPARE(form->SLV1->ListedFolder(), twinB_);
    Select(*form, "IMG_0001.bmp");
    QCOMPARE(form->CurrentFile, twinB_ + "/IMG_0001.bmp");
    QCOMPARE(form->SB1->PanelText(3), QString(" IMG_0001.bmp  (30 x 10)"));
    // Choosing the same file again in the same folder does not show it again.
    const qsizetype requests = form->ShowFileRequests.size();
    form->SLV1->clearSelection();
    Select(*form, "IMG_0001.bmp");
    QCOMPARE(form->ShowFileRequests.size(), requests);
  }

  void nextAndPreviousWrap() {
    auto form = Open(steps_);
    ui::TFileListView* list = form->SLV1;
    // Keyboard focus alone makes no row current, so Next starts at the first file.
    list->setFocus(Qt::TabFocusReason);
    QCOMPARE(list->FocusedRow(), -1);
    form->NextImageButtonClick();
    QCoreApplication::processEvents();
    QCOMPARE(list->SelectedNames(), QStringList{"a.bmp"});
    QCOMPARE(form->CurrentFile, steps_ + "/a.bmp");
    Button(*form, "NextImageButton")->click();
    form->NextImageButtonClick();
    QCoreApplication::processEvents();
    QCOMPARE(list->SelectedNames(), QStringList{"c.bmp"});
    QCOMPARE(form->CurrentFile, steps_ + "/c.bmp");
    form->NextImageButtonClick();
    QCOMPARE(list->SelectedNames(), QStringList{"a.bmp"});
    Button(*form, "PreviousImageButton")->click();
    QCOMPARE(list->SelectedNames(), QStringList{"c.bmp"});
    QCOMPARE(list->FocusedRow(), 2);
    // Without a focused item Previous goes to the last file.
    list->clearSelection();
    list->setCurrentItem(nullptr);
    form->PreviousImageButtonClick();
    QCOMPARE(list->SelectedNames(), QStringList{"c.bmp"});
    // Other selected files stay selected, and then nothing new is shown.
    list->selectAll();
    QCoreApplication::processEvents();
    const QString shown = form->CurrentFile;
    form->PreviousImageButtonClick();
    QCoreApplication::processEvents();
    QCOMPARE(list->SelectedNames(), (QStringList{"a.bmp", "b.bmp"}));
    QCOMPARE(list->FocusedRow(), 1);
    QCOMPARE(form->CurrentFile, shown);
  }

  void nextInAOneFileListDoesNotShowAgain() {
    auto form = Open(single_);
    form->NextImageButtonClick();
    QCoreApplication::processEvents();
    QCOMPARE(form->ShowFileRequests.size(), 1);
    form->NextImageButtonClick();
    QCoreApplication::processEvents();
    QCOMPARE(form->SLV1->SelectedNames(), QStringList{"only.bmp"});
    QCOMPARE(form->ShowFileRequests.size(), 1);
  }

  void emptyListRefusesASlideShow() {
    auto form = Open(empty_);
    QToolButton* button = Button(*form, "LumoraBtn");
    button->click();
    QCOMPARE(messages_->shown, QStringList{texts::kNoFilesForShow});
    QVERIFY(!button->isChecked());
    QVERIFY(!form->Timer1->isActive());
  }

  void slideShowStepsOnItsTimer() {
    auto form = Open(steps_);
    QToolButton* button = Button(*form, "LumoraBtn");
    QMenu* bookmarks = form->menuBar()->findChild<QMenu*>("Bookmarks1");
    QVERIFY(bookmarks);
    button->click();
    QVERIFY(button->isChecked());
    QCoreApplication::processEvents();
    // The first file at once, the next one on each tick.
    QCOMPARE(form->CurrentFile, steps_ + "/a.bmp");
    QCOMPARE(form->ShowFileRequests.size(), 1);
    QVERIFY(form->Timer1->isActive());
    QCOMPARE(form->Timer1->interval(), 4000);
    QVERIFY(!bookmarks->menuAction()->isEnabled());
    form->Timer1Timer();
    QCoreApplication::processEvents();
    QCOMPARE(form->CurrentFile, steps_ + "/b.bmp");
    // The spin arrows change the interval of the running show.
    form->UpDown1->StepUp();
    QCOMPARE(form->Seconds->text(), QString("5"));
    QCOMPARE(form->Timer1->interval(), 5000);
    form->Timer1Timer();
    form->Timer1Timer();
    QCoreApplication::processEvents();
    QCOMPARE(form->CurrentFile, steps_ + "/a.bmp");  // round again after the last file
    button->click();
    QVERIFY(!form->Timer1->isActive());
    QVERIFY(bookmarks->menuAction()->isEnabled());
  }

  void slideShowOverSeveralSelectedFilesStillShows() {
    auto form = Open(steps_);
    form->SLV1->topLevelItem(0)->setSelected(true);
    form->SLV1->topLevelItem(2)->setSelected(true);
    form->SLV1->setCurrentItem(form->SLV1->topLevelItem(2), 0, QItemSelectionModel::NoUpdate);
    QCoreApplication::processEvents();
    Button(*form, "LumoraBtn")->click();
    QCoreApplication::processEvents();
    QCOMPARE(form->SLV1->SelectedNames(), QStringList{"c.bmp"});
    QCOMPARE(form->CurrentFile, steps_ + "/c.bmp");
    form->SLV1->topLevelItem(1)->setSelected(true);  // the user adds one during the show
    form->Timer1Timer();
    QCoreApplication::processEvents();
    QCOMPARE(form->SLV1->SelectedNames(), QStringList{"a.bmp"});
    QCOMPARE(form->CurrentFile, steps_ + "/a.bmp");
  }

  void escapeAndClosingStopTheShow() {
    auto form = Open(steps_);
    Button(*form, "LumoraBtn")->click();
    QVERIFY(form->Timer1->isActive());
    QTest::keyClick(form->SLV1, Qt::Key_Escape);
    QVERIFY(!form->Timer1->isActive());
    QVERIFY(!Button(*form, "LumoraBtn")->isChecked());
    Button(*form, "LumoraBtn")->click();
    form->close();
    QVERIFY(!form->Timer1->isActive());
  }

  void windowKeysActOnceAndReachTheFocusedControl() {
    auto form = Open(steps_);
    QVERIFY(test::MakeFile(steps_ + "/d.bmp", 10));
    TKeyCounter counter;
    form->STV1->installEventFilter(&counter);
    QSignalSpy refreshes(form->Command("Update1"), &QAction::triggered);
    QTest::keyClick(form->STV1, Qt::Key_F5);
    QCOMPARE(refreshes.size(), 1);
    QCOMPARE(counter.presses, 1);
    QCOMPARE(form->SLV1->Count(), 4);
    QVERIFY(QFile::remove(steps_ + "/d.bmp"));
    // A key the focused control leaves alone travels to its parents; it still acts once.
    QTest::keyClick(form->Seconds, Qt::Key_F5);
    QCOMPARE(refreshes.size(), 2);
    QCOMPARE(form->SLV1->Count(), 3);
  }

  void backgroundColour() {
    QList<QColor> offered;
    std::optional<QColor> answer = QColor(Qt::red);
    platform::SetColorAsker([&](const QColor& initial, QWidget*) {
      offered << initial;
      return answer;
    });
    auto form = Open(pics_);
    Button(*form, "SetColor")->click();
    QCOMPARE(form->PaneColor(), QColor(Qt::red));
    QCOMPARE(form->PGImage1->PicBoxColor(), QColor(Qt::red));
    QVERIFY(form->ColorChanged);
    answer = std::nullopt;  // cancelled: nothing changes
    form->Command("SetColor1")->trigger();
    QCOMPARE(form->PaneColor(), QColor(Qt::red));
    QCOMPARE(offered, (QList<QColor>{QColor(Qt::black), QColor(Qt::red)}));
    form->close();
    QCOMPARE(store_->Read("BG Color").value_or(""), QString::number(0x0000FF));
  }
};

QTEST_MAIN(PreviewPaneTest)
#include "preview_pane_test.moc"
