// Showing the selected file in the preview pane: the deferred show, the four display
// controls, the fit to the pane and the zoom commands.
#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QToolButton>

#include <exception>

#include "browser/browser_texts.h"
#include "browser/list_folder.h"
#include "browser/main_window.h"
#include "browser/show_rules.h"
#include "imaging/core/pixel_graphic.h"
#include "imaging/widgets/gif_image.h"
#include "imaging/widgets/pg_draw.h"
#include "imaging/widgets/pg_image.h"
#include "platform/message_box.h"
#include "ui/file_list_view.h"
#include "ui/led.h"
#include "ui/picture_control.h"
#include "ui/status_bar.h"
#include "ui/video_player.h"

namespace lumora::browser {
namespace {

constexpr int kSizePanel = 2;
constexpr int kNamePanel = 3;

// Icons and metafiles through the image library, with the icon's transparent colour
// made see-through. A null image when the library cannot read the file.
QImage LoadPicture(const QString& path) {
  try {
    TPixelGraphic graphic;
    graphic.ReadWarningAction = pgwaIgnore;
    graphic.LoadFromFile(QFile::encodeName(path).toStdString());
    QImage picture = ToQImage(graphic);
    if (graphic.Transparent) {
      const QRgb key = qRgb(int(graphic.TransparentColor & 0xFF), int((graphic.TransparentColor >> 8) & 0xFF),
                            int((graphic.TransparentColor >> 16) & 0xFF));
      picture = picture.convertToFormat(QImage::Format_ARGB32);
      for (int y = 0; y < picture.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x)
          if ((row[x] & 0xFFFFFF) == (key & 0xFFFFFF)) row[x] = 0;
      }
    }
    return picture;
  } catch (const std::exception&) {
    return {};
  }
}

// The status light is on while a show runs and goes off on every way out.
class TActivityLight {
 public:
  explicit TActivityLight(ui::TLed* led) : led_(led) { led_->SetOn(true); }
  ~TActivityLight() { led_->SetOn(false); }
  TActivityLight(const TActivityLight&) = delete;
  TActivityLight& operator=(const TActivityLight&) = delete;

 private:
  ui::TLed* led_;
};

}  // namespace

void TForm1::BuildDisplayControls() {
  PGImage1 = new TPGImage(RightMain);
  PGImage1->setObjectName(QStringLiteral("PGImage1"));
  PGImage1->SetAutoSize(true);
  PGImage1->SetStretch(sAlwaysKAR);
  PGImage1->SetUseThread(false);
  PGImage1->SetShowHourGlass(false);
  PGImage1->SetReadWarningAction(pgwaIgnore);
  PGImage1->SetBorderWidth(0);
  PGImage1->SetZoomFactor(1.0);

  GIFImage1 = new TGIFImage(RightMain);
  GIFImage1->setObjectName(QStringLiteral("GIFImage1"));
  GIFImage1->SetStretch(true);
  GIFImage1->SetLoop(true);
  GIFImage1->SetOpaque(false);
  GIFImage1->SetAnimate(false);

  Image1 = new ui::TPictureControl(RightMain);
  Image1->setObjectName(QStringLiteral("Image1"));

  AVIPlay1 = ui::CreateVideoPlayer(RightMain);
  AVIPlay1->setObjectName(QStringLiteral("AVIPlay1"));
  connect(AVIPlay1, &ui::TVideoPlayer::FrameSizeKnown, this, &TForm1::ShowVideo);

  for (QWidget* control : DisplayControls()) {
    control->move(kPaneInset, kPaneInset);
    control->hide();
  }
  RightMain->installEventFilter(this);
  ApplyPaneColor();
}

std::array<QWidget*, 4> TForm1::DisplayControls() const { return {PGImage1, GIFImage1, Image1, AVIPlay1}; }

void TForm1::ShowFile(const QString& path) {
  CurrentFile = path;
  ShownType = ShownTypeOf(path);
  ShowFileRequests << path;
  QMetaObject::invokeMethod(this, &TForm1::RunShow, Qt::QueuedConnection);
}

void TForm1::HideDisplayControls() {
  AVIPlay1->SetActive(false);
  AVIPlay1->hide();
  Image1->hide();
  GIFImage1->SetAnimate(false);
  GIFImage1->hide();
  PGImage1->hide();
}

void TForm1::RunShow() {
  const TActivityLight light(ALed1);
  const QString path = CurrentFile;
  const QFileInfo info(path);
  const QString name = info.fileName();
  const QString type = ShownTypeOf(path);
  if (info.exists()) SB1->SetPanelText(kSizePanel, FileSizeText(info.size()));
  const QString label = NameLabel(name);
  // The name goes up before the picture is read, so a failed show never leaves the
  // previous file's name and size beside this file's size.
  SB1->SetPanelText(kNamePanel, label);
  HideDisplayControls();
  try {
    switch (DisplayKindFor(type)) {
      case TDisplayKind::Video:
        // The frame size arrives from the media back end; the rest of the show follows
        // it in ShowVideo. A player that cannot play treats the file as not shown.
        if (!AVIPlay1->Available()) return;
        AVIPlay1->SetFileName(path);
        return;
      case TDisplayKind::AnimatedGif: {
        if (!GIFImage1->LoadFromFile(QFile::encodeName(path).toStdString())) return;
        const QSize size(GIFImage1->ImageWidth(), GIFImage1->ImageHeight());
        SB1->SetPanelText(kNamePanel, NameAndSizeText(name, size.width(), size.height()));
        SizeToPicture(GIFImage1, size);
        GIFImage1->show();
        if (GIFImage1->IsAnimated()) GIFImage1->SetAnimate(true);
        return;
      }
      case TDisplayKind::Picture: {
        QImage picture = LoadPicture(path);
        if (picture.isNull()) {
          ALed1->SetOn(false);
          platform::ShowMessage(texts::kErrorReadingImageFile, this);
          return;
        }
        const QSize size = picture.size();
        Image1->SetPicture(std::move(picture));
        SB1->SetPanelText(kNamePanel, NameAndSizeText(name, size.width(), size.height()));
        SizeToPicture(Image1, size);
        Image1->show();
        return;
      }
      case TDisplayKind::Viewer: {
        PGImage1->SetFileName(QFile::encodeName(path).toStdString());
        const QSize size(PGImage1->ImageWidth(), PGImage1->ImageHeight());
        SB1->SetPanelText(kNamePanel, NameAndSizeText(name, size.width(), size.height()));
        SizeToPicture(PGImage1, size);
        PGImage1->show();
        return;
      }
    }
  } catch (...) {
    // A file the library cannot read, or any other failure: nothing is shown, no message.
    HideDisplayControls();
  }
}

void TForm1::ShowVideo(QSize frame) {
  // A size that comes after another file was asked for belongs to an old show.
  if (DisplayKindFor(ShownType) != TDisplayKind::Video || AVIPlay1->FileName() != CurrentFile) return;
  const TActivityLight light(ALed1);
  AVIPlay1->resize(frame);
  const QSize pane = RightMain->size();
  if (frame.height() > pane.height() - kPaneMargin || frame.width() > pane.width() - kPaneMargin)
    AVIPlay1->resize(ShrinkOversizeAviSize(frame));
  SB1->SetPanelText(kNamePanel, NameAndSizeText(QFileInfo(CurrentFile).fileName(), frame.width(), frame.height()));
  if (ToolButton(QStringLiteral("AutoZoom"))->isChecked()) FitToPane();
  AVIPlay1->show();
  AVIPlay1->SetActive(true);
}

// Own size when the picture fits the pane with the margin, else (and always with Auto
// Zoom) fitted.
void TForm1::SizeToPicture(QWidget* control, QSize content) {
  if (!FitsPaneWithMargin(content, RightMain->size())) {
    FitToPane();
    return;
  }
  control->resize(content);
  if (ToolButton(QStringLiteral("AutoZoom"))->isChecked()) FitToPane();
}

QWidget* TForm1::ControlFor(const QString& type) const {
  switch (DisplayKindFor(type)) {
    case TDisplayKind::Video: return AVIPlay1;
    case TDisplayKind::AnimatedGif: return GIFImage1;
    case TDisplayKind::Picture: return Image1;
    case TDisplayKind::Viewer: break;
  }
  return PGImage1;
}

QSize TForm1::ShownContentSize() const {
  switch (DisplayKindFor(ShownType)) {
    case TDisplayKind::Video: return AVIPlay1->FrameSize();
    case TDisplayKind::AnimatedGif: return {GIFImage1->ImageWidth(), GIFImage1->ImageHeight()};
    case TDisplayKind::Picture: return Image1->Picture().size();
    case TDisplayKind::Viewer: break;
  }
  return {PGImage1->ImageWidth(), PGImage1->ImageHeight()};
}

void TForm1::FitToPane() {
  const std::optional<QSize> size = FitToPaneSize(ShownContentSize(), RightMain->size());
  if (!size) return;
  ControlFor(ShownType)->resize(*size);
}

QWidget* TForm1::ShownControl() const {
  for (QWidget* control : DisplayControls())
    if (control->isVisibleTo(RightMain)) return control;
  return nullptr;
}

void TForm1::ZoomIn1Click() { FitToPane(); }

void TForm1::RefreshFile1Click() { ReshowSelected(); }

void TForm1::ReshowSelected() {
  const QStringList selected = SLV1->SelectedNames();
  if (selected.isEmpty()) return;
  const QString path = SLV1->PathOf(selected.front());
  if (!path.isEmpty()) ShowFile(path);
}

void TForm1::AutoZoomClick() {
  if (ToolButton(QStringLiteral("AutoZoom"))->isChecked()) {
    FitToPane();
  } else {
    ReshowSelected();
  }
}

void TForm1::RightMainResize() {
  if (SLV1->SelectedCount() == 1) FitToPane();
}

void TForm1::SLV1Change() {
  const int selected = SLV1->SelectedCount();
  QAction* copy = Command(QStringLiteral("Copy1"));
  if (selected != 1) {
    if (copy) copy->setVisible(false);
    return;
  }
  const QString name = SLV1->SelectedNames().front();
  if (name == LastShownName) return;
  LastShownName = name;
  const QString path = SLV1->PathOf(name);
  if (!path.isEmpty() && QFileInfo::exists(path)) ShowFile(path);
  if (copy) copy->setVisible(IsImageTypeText(ShownType));
}

}  // namespace lumora::browser
