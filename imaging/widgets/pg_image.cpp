#include "imaging/widgets/pg_image.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <chrono>

#include "imaging/core/exceptions.h"
#include "imaging/core/messages.h"
#include "imaging/widgets/pg_cursors.h"
#include "imaging/widgets/pg_draw.h"
#include "imaging/widgets/pg_paint_worker.h"
#include "imaging/widgets/screen_info.h"

namespace lumora {
namespace {

// Extra pixels of a zoomed picture held around the visible part, so that panning a
// little does not need a new copy.
constexpr int kCopyMargin = 256;

QColor ToQColor(TColor c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

QRect ToQRect(const TViewRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }

TViewRect ToViewRect(const QRect& r) { return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

bool HasFileNamePart(const std::string& name) { return !name.empty() && name.back() != '/'; }

// Shows the hourglass for its lifetime when asked to.
class TWaitCursor {
 public:
  explicit TWaitCursor(bool on) : on_(on) {
    if (on_) QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  }
  ~TWaitCursor() {
    if (on_) QGuiApplication::restoreOverrideCursor();
  }

 private:
  bool on_;
};

}  // namespace

TPGImage::TPGImage(QWidget* parent) : QAbstractScrollArea(parent) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setLineWidth(2);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  viewport()->setMouseTracking(true);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  color_ = palette().color(QPalette::Window);
  picBoxColor_ = color_;
  picBoxFrameColor_ = palette().color(QPalette::Dark);
  progressClockBkColor_ = palette().color(QPalette::Button);
  progressClockLineColor_ = palette().color(QPalette::Dark);
  resize(100, 100);
}

TPGImage::~TPGImage() {
  StopPaintWorker();
  animationTimer_.reset();
  autoScrollTimer_.reset();
  image_.reset();
  paintCopy_.reset();
}

// ---- Image ----

void TPGImage::StopPaintWorker() {
  if (!worker_) return;
  worker_->Terminate();
  worker_->WaitFor();
  worker_.reset();
  ++generation_;  // a copy or progress still queued from it is ignored
}

bool TPGImage::PaintWorkerRunning() const { return worker_ != nullptr; }

void TPGImage::WaitForPaintCopy() {
  QElapsedTimer timer;
  timer.start();
  while (worker_ && timer.elapsed() < 60000) {
    const bool finished = !worker_->Running();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    if (finished && worker_) {  // finished without a copy
      QCoreApplication::processEvents();
      break;
    }
  }
}

void TPGImage::AttachEvents(TPixelGraphic& image, bool withChange) {
  if (withChange) image.OnChange = [this](TPixelGraphic&) { PixelGraphicChanged(); };
  image.OnProgress = [this](TPixelGraphic& s, int step, int max, bool& abort) {
    if (OnPixelGraphicProgress) OnPixelGraphicProgress(s, step, max, abort);
  };
  image.OnProgressStart = [this](TPixelGraphic& s) {
    if (OnPixelGraphicProgressStart) OnPixelGraphicProgressStart(s);
  };
  image.OnProgressEnd = [this](TPixelGraphic& s) {
    if (OnPixelGraphicProgressEnd) OnPixelGraphicProgressEnd(s);
  };
}

void TPGImage::FreeImage() { image_.reset(); }

void TPGImage::DropPaintCopy(bool keepVisible) {
  if (!keepVisible) paintCopy_.reset();
  copyInvalid_ = true;
}

void TPGImage::InvalidatePaintCopy() { copyInvalid_ = true; }

void TPGImage::LoadFromFileEx(const std::string& fileName, int index) {
  fileName_.clear();
  std::exception_ptr failure;
  {
    TWaitCursor wait(showHourGlass_);
    StopPaintWorker();
    FreeImage();
    DropPaintCopy(keepOldPaintPixelGraphic_ && useThread_);
    try {
      if (HasFileNamePart(fileName)) {
        auto image = std::make_unique<TPixelGraphic>();
        image->ReadWarningAction = readWarningAction_;
        image->SetFillColor(backGroundColor_);
        AttachEvents(*image, false);
        image->LoadFromFileEx(fileName, index);
        AttachEvents(*image, true);
        image_ = std::move(image);
      }
      fileName_ = fileName;
    } catch (...) {
      failure = std::current_exception();
    }
  }
  PixelGraphicChanged();
  if (failure) std::rethrow_exception(failure);
}

void TPGImage::SaveToFile(const std::string& fileName) {
  if (!image_) throw EPGEmpty(PGMessage(msgIsEmpty, {"PixelGraphic"}));
  StopPaintWorker();
  image_->SaveColorResWarningAction = saveColorResWarningAction_;
  image_->SaveToFile(fileName);
  fileName_ = fileName;
}

TPixelGraphic* TPGImage::PixelGraphic() {
  StopPaintWorker();
  return image_.get();
}

void TPGImage::AssignPixelGraphic(const TPixelGraphic* image) {
  StopPaintWorker();
  std::unique_ptr<TPixelGraphic> copy;
  if (image) {
    copy = std::make_unique<TPixelGraphic>();
    copy->Assign(image);
  }
  TakePixelGraphic(std::move(copy));
}

void TPGImage::TakePixelGraphic(std::unique_ptr<TPixelGraphic> image) {
  StopPaintWorker();
  FreeImage();
  DropPaintCopy(false);
  if (image) {
    AttachEvents(*image, true);
    image_ = std::move(image);
  }
  PixelGraphicChanged();
}

std::unique_ptr<TPixelGraphic> TPGImage::CopyPixelGraphic() {
  StopPaintWorker();
  if (!image_) return nullptr;
  auto copy = std::make_unique<TPixelGraphic>();
  copy->Assign(image_.get());
  return copy;
}

void TPGImage::PixelGraphicChanged() {
  StopPaintWorker();
  imageWidth_ = image_ ? image_->Width() : 0;
  imageHeight_ = image_ ? image_->Height() : 0;
  const TSize2 size = ComputeAutoSize(imageWidth_, imageHeight_, border_, autoSizeBounds_, ScrollBarExtents());
  if (OnNewAutoSize) OnNewAutoSize(*this, size.Width, size.Height);
  InvalidatePaintCopy();
  if (autoSize_ && (size.Width != width() || size.Height != height()))
    SetBounds(x(), y(), size.Width, size.Height);
  else
    Arrange(false);
  if (OnPixelGraphicChange) OnPixelGraphicChange(*this);
}

// ---- Layout ----

TScrollBarExtent TPGImage::ScrollBarExtents() const {
  const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
  return {extent, extent};
}

void TPGImage::SetBorderWidth(int width) {
  border_ = std::clamp(width, 0, 2);
  if (border_ == 0) {
    setFrameStyle(QFrame::NoFrame);
  } else {
    setFrameStyle(border_ == 1 ? (QFrame::Box | QFrame::Plain) : (QFrame::Panel | QFrame::Sunken));
    setLineWidth(border_);
  }
  Arrange(true);
}

void TPGImage::SetBounds(int left, int top, int w, int h) {
  setGeometry(left, top, w, h);
  Arrange(true);
}

void TPGImage::DisplayChanged() {
  InvalidatePaintCopy();
  viewport()->update();
}

QRect TPGImage::PicBoxViewportRect() const {
  return QRect(boxLeft_ - horizontalScrollBar()->value(), boxTop_ - verticalScrollBar()->value(), boxWidth_,
               boxHeight_);
}

void TPGImage::ApplyScrollBars(const TScrollBars& bars) {
  clientWidth_ = std::max(bars.ClientWidth, 0);
  clientHeight_ = std::max(bars.ClientHeight, 0);
  setHorizontalScrollBarPolicy(bars.Horizontal ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(bars.Vertical ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
  horizontalScrollBar()->setRange(0, std::max(0, boxLeft_ + boxWidth_ - bars.ClientWidth));
  verticalScrollBar()->setRange(0, std::max(0, boxTop_ + boxHeight_ - bars.ClientHeight));
  horizontalScrollBar()->setPageStep(std::max(1, bars.ClientWidth));
  verticalScrollBar()->setPageStep(std::max(1, bars.ClientHeight));
  horizontalScrollBar()->setSingleStep(16);
  verticalScrollBar()->setSingleStep(16);
}

void TPGImage::Arrange(bool force) {
  arrangedSize_ = size();
  const int aw = width() - 2 * border_, ah = height() - 2 * border_;
  const TArrangeResult r =
      ComputeArrange(stretch_, center_, imageWidth_, imageHeight_, aw, ah, zoomFactor_, ScrollBarExtents());
  if (r.Box.Scale != lastScale_) {
    lastScale_ = r.Box.Scale;
    if (OnZoomFactorChange) OnZoomFactorChange(*this);
  }
  const bool sameSize = boxWidth_ == r.Box.Width && boxHeight_ == r.Box.Height;
  const bool inPlace = boxLeft_ == r.Left && boxTop_ == r.Top && horizontalScrollBar()->value() == r.ScrollX &&
                       verticalScrollBar()->value() == r.ScrollY;
  if (sameSize && ((!rearrangeAlways_ && !force) || inPlace)) {
    // The frame may have changed: the bars follow, the scroll positions stay.
    ApplyScrollBars(r.Bars);
    viewport()->update();
    return;
  }
  suppressPaint_ = true;
  horizontalScrollBar()->setValue(0);
  verticalScrollBar()->setValue(0);
  boxLeft_ = r.Left;
  boxTop_ = r.Top;
  boxWidth_ = r.Box.Width;
  boxHeight_ = r.Box.Height;
  ApplyScrollBars(r.Bars);
  if (center_) {
    if (r.Bars.Horizontal) horizontalScrollBar()->setValue(r.ScrollX);
    if (r.Bars.Vertical) verticalScrollBar()->setValue(r.ScrollY);
  }
  suppressPaint_ = false;
  viewport()->update();
}

bool TPGImage::event(QEvent* e) {
  const bool result = QAbstractScrollArea::event(e);
  // A resize the platform delivers late (when the viewer is first shown) is no change.
  if (e->type() == QEvent::Resize && size() != arrangedSize_) Arrange(true);
  return result;
}

void TPGImage::scrollContentsBy(int, int) {
  if (!suppressPaint_) viewport()->update();
}

// ---- Properties ----

#define LUMORA_CHANGED_SETTER(Name, member, action) \
  void TPGImage::Set##Name(decltype(member) value) { \
    if (member == value) return;                     \
    member = value;                                  \
    action;                                          \
  }

LUMORA_CHANGED_SETTER(ActionMode, actionMode_, viewport()->update())
LUMORA_CHANGED_SETTER(Allow24BitStretch, allow24BitStretch_, PixelGraphicChanged())
LUMORA_CHANGED_SETTER(AutoSize, autoSize_, PixelGraphicChanged())
LUMORA_CHANGED_SETTER(Center, center_, Arrange(true))
LUMORA_CHANGED_SETTER(Dither, dither_, PixelGraphicChanged())
LUMORA_CHANGED_SETTER(DitherErrorLimit, ditherErrorLimit_, if (dither_) PixelGraphicChanged())
LUMORA_CHANGED_SETTER(DitherErrorLimitAuto, ditherErrorLimitAuto_, if (dither_) PixelGraphicChanged())
LUMORA_CHANGED_SETTER(DitherErrorLimitSoft, ditherErrorLimitSoft_, if (dither_) PixelGraphicChanged())
LUMORA_CHANGED_SETTER(FlipHorizontal, flipHorizontal_, viewport()->update())
LUMORA_CHANGED_SETTER(FlipVertical, flipVertical_, viewport()->update())
LUMORA_CHANGED_SETTER(Palette8BitSys24BitGraphic, palette8Sys24_, PixelGraphicChanged())
LUMORA_CHANGED_SETTER(Palette8BitSys8BitGraphic, palette8Sys8_, PixelGraphicChanged())
LUMORA_CHANGED_SETTER(PicBoxColor, picBoxColor_, viewport()->update())
LUMORA_CHANGED_SETTER(PicBoxFrameColor, picBoxFrameColor_, viewport()->update())
LUMORA_CHANGED_SETTER(Color, color_, viewport()->update())
LUMORA_CHANGED_SETTER(Progress5Clocks, progress5Clocks_, viewport()->update())
LUMORA_CHANGED_SETTER(ProgressClockBkColor, progressClockBkColor_, viewport()->update())
LUMORA_CHANGED_SETTER(ProgressClockLineColor, progressClockLineColor_, viewport()->update())
LUMORA_CHANGED_SETTER(ProgressClockVisible, progressClockVisible_, viewport()->update())
LUMORA_CHANGED_SETTER(RGBWeighting, rgbWeighting_, PixelGraphicChanged())
LUMORA_CHANGED_SETTER(Stretch, stretch_, Arrange(true))
LUMORA_CHANGED_SETTER(StretchMode, stretchMode_, PixelGraphicChanged())
LUMORA_CHANGED_SETTER(Tiling, tiling_, viewport()->update())
LUMORA_CHANGED_SETTER(ZoomFactor, zoomFactor_, Arrange(true))

#undef LUMORA_CHANGED_SETTER

void TPGImage::SetAutoSizeBounds(const TAutoSizeBounds& b) {
  const bool changed = b.MinWidth != autoSizeBounds_.MinWidth || b.MinHeight != autoSizeBounds_.MinHeight ||
                       b.MaxWidth != autoSizeBounds_.MaxWidth || b.MaxHeight != autoSizeBounds_.MaxHeight;
  autoSizeBounds_ = b;
  if (changed && autoSize_) PixelGraphicChanged();
}

void TPGImage::SetUseThread(bool on) {
  if (useThread_ == on) return;
  useThread_ = on;
  StopPaintWorker();
  InvalidatePaintCopy();
  viewport()->update();
}

void TPGImage::SetSelectionColor1(TColor color) {
  if (selectionColor1_ == color) return;
  selectionColor1_ = color;
  for (auto& b : patternBrushes_) b.reset();
}

void TPGImage::SetSelectionColor2(TColor color) {
  if (selectionColor2_ == color) return;
  selectionColor2_ = color;
  for (auto& b : patternBrushes_) b.reset();
}

// ---- Display copy ----

TViewRect TPGImage::WantedCopyRegion(bool resampledRegion) const {
  if (!resampledRegion) return {0, 0, boxWidth_, boxHeight_};
  const QRect box = PicBoxViewportRect();
  const TTileRange tiles = ComputeTileRange(tiling_, ToViewRect(box), clientWidth_, clientHeight_);
  return ComputeCopyRegion(ToViewRect(box), clientWidth_, clientHeight_, flipHorizontal_,
                           flipVertical_, tiles.FirstColumn != tiles.LastColumn, tiles.FirstRow != tiles.LastRow,
                           kCopyMargin);
}

const TPixelGraphic* TPGImage::PreparePaintCopy() {
  if (!image_) return nullptr;
  TDisplayCopyInput in;
  in.CopyInvalid = copyInvalid_;
  in.CopyExists = paintCopy_ != nullptr;
  in.WorkerRunning = PaintWorkerRunning();
  in.LastCopyWidth = lastCopyWidth_;
  in.LastCopyHeight = lastCopyHeight_;
  in.StretchMode = stretchMode_;
  in.ReduceOnLoad = reduceOnLoad_;
  in.KeepOldPaintPixelGraphic = keepOldPaintPixelGraphic_;
  in.UseThread = useThread_;
  in.Allow24BitStretch = allow24BitStretch_;
  in.Palette8BitSys8BitGraphic = palette8Sys8_;
  in.Palette8BitSys24BitGraphic = palette8Sys24_;
  in.BoxWidth = boxWidth_;
  in.BoxHeight = boxHeight_;
  in.ImageWidth = image_->Width();
  in.ImageHeight = image_->Height();
  in.ImageBitCount = image_->BitCount();
  in.ImagePalette = image_->PaletteIdent();
  in.ScreenDepth = ScreenDepth();
  const TDisplayCopyDecision d = DecideDisplayCopy(in);
  copyInvalid_ = d.Invalid;
  if (d.DropCopy) {
    StopPaintWorker();
    paintCopy_.reset();
  }
  if (!d.Needed) return image_.get();
  if (d.StartBuild) {
    StartPaintBuild(d);
  } else if (paintCopy_ && copyResampled_ && !worker_ && !reduceOnLoad_) {
    // A copy of part of a zoomed picture: a new one when the visible part moved out.
    const TViewRect wanted = WantedCopyRegion(true);
    const TViewRect visible = ComputeCopyRegion(ToViewRect(PicBoxViewportRect()), clientWidth_,
                                                clientHeight_, flipHorizontal_, flipVertical_,
                                                wanted.Width() == boxWidth_, wanted.Height() == boxHeight_, 0);
    const bool covered = visible.Left >= copyRegion_.Left && visible.Right <= copyRegion_.Right &&
                         visible.Top >= copyRegion_.Top && visible.Bottom <= copyRegion_.Bottom;
    if (!covered) StartPaintBuild(lastDecision_);
  }
  if (!paintCopy_ && !worker_ && reduceOnLoad_) return image_.get();
  return paintCopy_.get();
}

void TPGImage::StartPaintBuild(const TDisplayCopyDecision& d) {
  StopPaintWorker();
  lastDecision_ = d;
  stage_ = 1;
  stages_ = d.Stages;
  percent_ = 0;
  lastCopyWidth_ = boxWidth_;
  lastCopyHeight_ = boxHeight_;
  copyInvalid_ = false;
  ++buildsStarted_;
  // Only a 24-bit copy has pixels independent of each other (no dithering), so only
  // it may hold just the visible part of the box.
  const bool region = d.Resample && d.CopyBitCountNum == 3 && !d.UseIntermediate && !reduceOnLoad_;
  TPaintCopyJob job;
  job.Source = image_.get();
  job.Decision = d;
  job.BoxWidth = boxWidth_;
  job.BoxHeight = boxHeight_;
  job.Region = WantedCopyRegion(region);
  job.StretchMode = stretchMode_;
  job.Dither = dither_;
  job.DitherErrorLimit = ditherErrorLimit_;
  job.DitherErrorLimitAuto = ditherErrorLimitAuto_;
  job.DitherErrorLimitSoft = ditherErrorLimitSoft_;
  job.RGBWeighting = rgbWeighting_;
  pendingRegion_ = job.Region;
  pendingResampled_ = d.Resample;
  regionBuild_ = region;
  const int generation = ++generation_;
  if (!useThread_) {
    // Built here and now; the worker lives on this stack, not in worker_, because the
    // delivery it makes drops whatever worker_ holds.
    TCreatePaintPGThread inPlace(job, nullptr, [this, generation](std::unique_ptr<TPixelGraphic> c) {
      DeliverPaintCopy(generation, std::move(c));
    });
    inPlace.Execute();
    return;
  }
  auto limiter = std::make_shared<TProgressRateLimiter>();
  auto progress = [this, generation, limiter](int stage, int percent) {
    if (!limiter->ShouldReport(percent, NowMs())) return;
    QMetaObject::invokeMethod(
        this, [this, generation, stage, percent] { WorkerProgress(generation, stage, percent); },
        Qt::QueuedConnection);
  };
  auto deliver = [this, generation](std::unique_ptr<TPixelGraphic> copy) {
    auto holder = std::make_shared<std::unique_ptr<TPixelGraphic>>(std::move(copy));
    QMetaObject::invokeMethod(
        this, [this, generation, holder] { DeliverPaintCopy(generation, std::move(*holder)); },
        Qt::QueuedConnection);
  };
  worker_ = std::make_unique<TCreatePaintPGThread>(job, progress, deliver);
  worker_->Start();
}

void TPGImage::WorkerProgress(int generation, int stage, int percent) {
  if (generation != generation_) return;
  stage_ = stage;
  percent_ = percent;
  viewport()->update(PicBoxViewportRect());
}

void TPGImage::DeliverPaintCopy(int generation, std::unique_ptr<TPixelGraphic> copy) {
  if (generation != generation_ || !copy) return;
  if (worker_) {
    worker_->WaitFor();
    worker_.reset();
  }
  paintCopy_.reset();
  if (reduceOnLoad_) {
    AttachEvents(*copy, true);
    image_ = std::move(copy);
  } else {
    paintCopy_ = std::move(copy);
    copyRegion_ = pendingRegion_;
    copyResampled_ = pendingResampled_;
  }
  viewport()->update();
}

// ---- Painting ----

void TPGImage::paintEvent(QPaintEvent* e) {
  if (suppressPaint_) return;
  QPainter p(viewport());
  struct FirePaint {
    TPGImage& viewer;
    ~FirePaint() {
      if (viewer.OnPaint) viewer.OnPaint(viewer);
    }
  } firePaint{*this};
  if (OnPainting) OnPainting(*this);
  const TPixelGraphic* picture = PreparePaintCopy();
  const QRect box = PicBoxViewportRect();
  const QRect client = viewport()->rect();
  if (tiling_ == tNone || !picture) {
    QRegion bands(client);
    bands -= box;
    for (const QRect& r : bands) p.fillRect(r, color_);
  }
  if (picture)
    PaintPicture(p, *picture, e->rect());
  else
    PaintPlaceholder(p);
  PaintSelectionOutline(p);
  if (PicBoxOnPaint) {
    p.save();
    p.translate(box.topLeft());
    PicBoxOnPaint(*this, p);
    p.restore();
  }
}

void TPGImage::PaintPicture(QPainter& p, const TPixelGraphic& picture, const QRect& paintRect) {
  const QRect box = PicBoxViewportRect();
  if (box.isEmpty()) return;
  const TTileRange tiles = ComputeTileRange(tiling_, ToViewRect(box), clientWidth_, clientHeight_);
  const QImage view = PixelBlockView(picture);
  const bool boxScaleCopy = &picture == paintCopy_.get() && copyResampled_;
  const bool partial = boxScaleCopy && !(copyRegion_ == TViewRect{0, 0, boxWidth_, boxHeight_});
  const QRectF whole(0, 0, picture.Width(), picture.Height());
  for (int row = tiles.FirstRow; row <= tiles.LastRow; ++row) {
    for (int col = tiles.FirstColumn; col <= tiles.LastColumn; ++col) {
      const QRect tile = box.translated(col * box.width(), row * box.height());
      if (!tile.intersects(paintRect)) continue;
      const bool mh = TileMirroredHorizontally(tiling_, flipHorizontal_, col);
      const bool mv = TileMirroredVertically(tiling_, flipVertical_, row);
      QRectF target = tile;
      if (boxScaleCopy) {
        const TViewRect& r = copyRegion_;
        const int x0 = mh ? boxWidth_ - r.Right : r.Left;
        const int y0 = mv ? boxHeight_ - r.Bottom : r.Top;
        target = QRectF(tile.left() + x0, tile.top() + y0, r.Width(), r.Height());
        if (partial) p.fillRect(tile, picBoxColor_);
      }
      DrawBlockView(p, target, view, whole, mh, mv);
    }
  }
}

void TPGImage::PaintPlaceholder(QPainter& p) {
  const QRect box = PicBoxViewportRect();
  if (box.isEmpty()) return;
  p.fillRect(box, picBoxColor_);
  p.setPen(picBoxFrameColor_);
  p.setBrush(Qt::NoBrush);
  p.drawRect(box.adjusted(0, 0, -1, -1));
  if (!progressClockVisible_ || !image_) return;
  const TClockPlaces places = ComputeClockPlaces(ToViewRect(box), progress5Clocks_);
  for (int i = 0; i < places.Count; ++i) PaintClock(p, places.X[i], places.Y[i]);
}

void TPGImage::PaintClock(QPainter& p, int x, int y) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(progressClockLineColor_);
  p.setBrush(progressClockBkColor_);
  p.drawEllipse(QRect(x, y, 14, 14));
  const TClockHands h = ComputeClockHands(stage_, percent_);
  const QPoint c(x + 7, y + 7);
  p.drawLine(c, c + QPoint(h.LongX, h.LongY));
  p.drawLine(c, c + QPoint(h.ShortX, h.ShortY));
  p.restore();
}

const QBrush& TPGImage::PatternBrush(int index) {
  auto& brush = patternBrushes_[index];
  if (!brush) {
    QImage pattern(8, 8, QImage::Format_RGB32);
    const QRgb c1 = ToQColor(selectionColor1_).rgb(), c2 = ToQColor(selectionColor2_).rgb();
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) pattern.setPixel(x, y, OutlinePatternSecondColor(index, x, y) ? c2 : c1);
    brush = std::make_unique<QBrush>(pattern);
  }
  return *brush;
}

void TPGImage::PaintSelectionOutline(QPainter& p) {
  if (!selection_) return;
  const QRect box = PicBoxViewportRect();
  const TViewRect r = SelectionBoxRect(sel_, imageWidth_, imageHeight_, boxWidth_, boxHeight_);
  const QBrush& brush = PatternBrush(OutlinePatternIndex(outlinePhase_, r.Left, r.Top));
  p.save();
  p.translate(box.topLeft());
  p.setBrushOrigin(0, 0);
  auto frame = [&](const TViewRect& f) {
    const int w = f.Width(), h = f.Height();
    p.fillRect(QRect(f.Left, f.Top, w, 1), brush);
    p.fillRect(QRect(f.Left, f.Bottom - 1, w, 1), brush);
    p.fillRect(QRect(f.Left, f.Top, 1, h), brush);
    p.fillRect(QRect(f.Right - 1, f.Top, 1, h), brush);
  };
  frame({r.Left - 1, r.Top - 1, r.Right + 1, r.Bottom + 1});
  if (actionMode_ == amMoveResizeCreateSelection) {
    TViewRect handles[8];
    HandleRects(r, handles);
    for (const TViewRect& h : handles) frame(h);
  }
  p.restore();
}

QRegion TPGImage::OutlineRegion() const {
  const QPoint origin = PicBoxViewportRect().topLeft();
  const TViewRect r = SelectionBoxRect(sel_, imageWidth_, imageHeight_, boxWidth_, boxHeight_);
  TViewRect strips[4];
  OutlineStrips(r, actionMode_ == amMoveResizeCreateSelection ? 8 : 1, strips);
  QRegion region;
  for (const TViewRect& s : strips) region += ToQRect(s).translated(origin);
  return region;
}

// ---- Selection ----

void TPGImage::SetSelection(bool on) {
  if (selection_ == on) return;
  selection_ = on;
  if (on) {
    animationTimer_ = std::make_unique<QTimer>();
    animationTimer_->setInterval(50);
    QObject::connect(animationTimer_.get(), &QTimer::timeout, this, [this] { AnimationTick(); });
    animationTimer_->start();
  } else {
    animationTimer_.reset();
  }
  viewport()->update();
  if (OnSelectionChange) OnSelectionChange(*this);
}

void TPGImage::SetSelectionBounds(int left, int top, int w, int h) {
  if (sel_ == TSelectionBounds{left, top, w, h}) return;
  QRegion dirty;
  if (selection_) dirty += OutlineRegion();
  sel_ = {left, top, w, h};
  if (selection_) dirty += OutlineRegion();
  if (OnSelectionChange) OnSelectionChange(*this);
  if (selection_) viewport()->repaint(dirty);
}

void TPGImage::AnimationTick() {
  outlinePhase_ = (outlinePhase_ + 1) % 8;
  viewport()->update(OutlineRegion());
}

bool TPGImage::CanPan() const {
  return (boxWidth_ > clientWidth_ && horizontalScrollBarPolicy() == Qt::ScrollBarAlwaysOn) ||
         (boxHeight_ > clientHeight_ && verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOn);
}

QPoint TPGImage::ToBox(QPoint viewportPoint) const { return viewportPoint - PicBoxViewportRect().topLeft(); }

bool TPGImage::InSelectionAt(QPoint bp) const {
  if (!selection_) return false;
  return SelectionBoxRect(sel_, imageWidth_, imageHeight_, boxWidth_, boxHeight_).Contains(bp.x(), bp.y());
}

int TPGImage::HandleAt(QPoint bp) const {
  if (actionMode_ != amMoveResizeCreateSelection || !selection_) return -1;
  return HitHandle(SelectionBoxRect(sel_, imageWidth_, imageHeight_, boxWidth_, boxHeight_), bp.x(), bp.y());
}

QCursor TPGImage::CursorAt(QPoint vp) {
  QCursor cursor(Qt::ArrowCursor);
  if (PicBoxViewportRect().contains(vp)) {
    const QPoint bp = ToBox(vp);
    TCursorInput in{actionMode_, CanPan(), dragState_ == dsPan, InSelectionAt(bp), HandleAt(bp)};
    cursor = ViewerCursor(ChooseBoxCursor(in));
    if (PicBoxOnSetCursor) PicBoxOnSetCursor(*this, cursor);
  } else if (OnSetCursor) {
    OnSetCursor(*this, cursor);
  }
  return cursor;
}

void TPGImage::UpdateHoverCursor(QPoint vp) {
  if (QGuiApplication::overrideCursor()) return;
  viewport()->setCursor(CursorAt(vp));
}

void TPGImage::AutoScrollTick() {
  const QPoint m = viewport()->mapFromGlobal(QCursor::pos());
  QScrollBar* h = horizontalScrollBar();
  QScrollBar* v = verticalScrollBar();
  h->setValue(AutoScrollStep(m.x(), clientWidth_, h->value(), boxLeft_ + boxWidth_));
  v->setValue(AutoScrollStep(m.y(), clientHeight_, v->value(), boxTop_ + boxHeight_));
}

// ---- Mouse ----

void TPGImage::mousePressEvent(QMouseEvent* e) {
  const QPoint vp = e->position().toPoint();
  if (!PicBoxViewportRect().contains(vp)) {
    QAbstractScrollArea::mousePressEvent(e);
    return;
  }
  boxPressed_ = true;
  const QPoint bp = ToBox(vp);
  if (e->button() == Qt::LeftButton) {
    const int ix = BoxToImageX(bp.x()), iy = BoxToImageY(bp.y());
    const TMouseDownInput in{actionMode_, selection_, InSelectionAt(bp), CanPan(), HandleAt(bp)};
    const TDragState state = DecideMouseDown(in);
    if (state == dsPan) {
      dragStart_ = bp;
      if (!QGuiApplication::overrideCursor()) {
        QCursor cursor = ViewerCursor(vcGrabbingHand);
        if (PicBoxOnSetCursor) PicBoxOnSetCursor(*this, cursor);
        viewport()->setCursor(cursor);
      }
    } else if (state == dsCreate) {
      SetSelection(true);
      anchorX_ = ix;
      anchorY_ = iy;
      const TSelectionBounds n = DragSelection(dsCreate, ix, iy, 0, 0, ix, iy, sel_, imageWidth_, imageHeight_);
      SetSelectionBounds(n.Left, n.Top, n.Width, n.Height);
    } else if (state != dsNone) {
      GrabOffset(state, ix, iy, sel_, grabX_, grabY_);
    }
    dragState_ = state;
    if (state >= dsMove) {
      autoScrollTimer_ = std::make_unique<QTimer>();
      autoScrollTimer_->setInterval(50);
      QObject::connect(autoScrollTimer_.get(), &QTimer::timeout, this, [this] { AutoScrollTick(); });
      autoScrollTimer_->start();
    }
  }
  if (PicBoxOnMouseDown) PicBoxOnMouseDown(*this, *e, bp);
}

void TPGImage::mouseMoveEvent(QMouseEvent* e) {
  const QPoint vp = e->position().toPoint();
  const QPoint bp = ToBox(vp);
  const bool inBox = PicBoxViewportRect().contains(vp);
  if (dragState_ == dsNone) {
    UpdateHoverCursor(vp);
  } else if (dragState_ == dsPan) {
    QScrollBar* h = horizontalScrollBar();
    QScrollBar* v = verticalScrollBar();
    const int oldX = h->value(), oldY = v->value();
    h->setValue(oldX + dragStart_.x() - bp.x());
    v->setValue(oldY + dragStart_.y() - bp.y());
    dragStart_ = bp + QPoint(h->value() - oldX, v->value() - oldY);
    viewport()->repaint();
  } else {
    const int ix = BoxToImageX(bp.x()), iy = BoxToImageY(bp.y());
    const TSelectionBounds n = DragSelection(static_cast<TDragState>(dragState_), ix, iy, grabX_, grabY_, anchorX_,
                                             anchorY_, sel_, imageWidth_, imageHeight_);
    SetSelectionBounds(n.Left, n.Top, n.Width, n.Height);
  }
  if ((boxPressed_ || inBox) && PicBoxOnMouseMove) PicBoxOnMouseMove(*this, *e, ToBox(vp));
}

void TPGImage::mouseReleaseEvent(QMouseEvent* e) {
  const QPoint vp = e->position().toPoint();
  const QPoint bp = ToBox(vp);
  const bool inBox = PicBoxViewportRect().contains(vp);
  const bool wasPressed = boxPressed_;
  if ((wasPressed || inBox) && PicBoxOnMouseUp) PicBoxOnMouseUp(*this, *e, bp);
  if (e->button() == Qt::LeftButton && dragState_ != dsNone) {
    const int was = dragState_;
    if (was > dsPan) {
      SetSelection(true);
      if (OnSelectionMade) OnSelectionMade(*this);
    }
    autoScrollTimer_.reset();
    dragState_ = dsNone;
    UpdateHoverCursor(vp);
  }
  if (e->buttons() == Qt::NoButton) boxPressed_ = false;
  if (wasPressed && inBox && e->button() == Qt::LeftButton && PicBoxOnClick) PicBoxOnClick(*this);
  if (!wasPressed && !inBox) QAbstractScrollArea::mouseReleaseEvent(e);
}

void TPGImage::mouseDoubleClickEvent(QMouseEvent* e) {
  if (PicBoxViewportRect().contains(e->position().toPoint()) && PicBoxOnDblClick) PicBoxOnDblClick(*this);
  mousePressEvent(e);
}

}  // namespace lumora
