#include "imaging/widgets/gif_image.h"

#include <QElapsedTimer>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "imaging/core/stream.h"

namespace lumora {
namespace {

std::int64_t SteadyMilliseconds() {
  static QElapsedTimer started = [] {
    QElapsedTimer t;
    t.start();
    return t;
  }();
  return started.elapsed();
}

}  // namespace

TGIFImage::TGIFImage(QWidget* parent) : QWidget(parent), Clock(SteadyMilliseconds) {
  resize(105, 105);
  color_ = palette().color(QPalette::Window);
  setAttribute(Qt::WA_NoSystemBackground, false);
}

TGIFImage::~TGIFImage() { timer_.reset(); }

// ---- Loading ----

bool TGIFImage::LoadFromFile(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return false;  // the picture shown stays
  std::vector<std::uint8_t> bytes;
  try {
    bytes = ReadWholeFile(path);
  } catch (const std::exception&) {
    return false;
  }
  return LoadFromData(std::move(bytes));
}

bool TGIFImage::LoadFromStream(TStream& stream) {
  std::vector<std::uint8_t> bytes(size_t(std::max<std::int64_t>(0, stream.Remaining())));
  bytes.resize(stream.Read(bytes.data(), bytes.size()));
  return LoadFromData(std::move(bytes));
}

void TGIFImage::ClearPicture() {
  FreeTimer();
  movie_.Clear();
  data_.clear();
  firstFrame_ = QImage();
  currentFrame_ = 1;
  repetition_ = 1;
  firstTick_ = true;
  covers_ = false;
  UpdateOpaqueAttribute();
}

bool TGIFImage::LoadFromData(std::vector<std::uint8_t> data) {
  ClearPicture();
  data_ = std::move(data);
  TGIFMovieOptions options;
  options.FirstImageOnly = firstImageOnly_;
  if (OnProgress) {
    options.OnProgress = [this](std::int64_t position, std::int64_t size) {
      bool keepOn = true;
      const int percent = size > 0 ? int(std::nearbyint(100.0 * double(position) / double(size))) : 100;
      OnProgress(*this, int(position), int(size), percent, keepOn);
      return keepOn;
    };
  }
  if (!movie_.Load(data_.data(), data_.size(), options)) {
    ClearPicture();
    update();
    return false;
  }
  version_ = movie_.Is89a() ? gvGIF89a : gvGIF87a;
  if (autoSize_) resize(movie_.ImageWidth(), movie_.ImageHeight());
  UpdateOpaqueAttribute();
  if (movie_.FrameCount() > 0) {
    Changing();
    movie_.DrawFrame(1);
    Changed();
  }
  update();
  return true;
}

void TGIFImage::Assign(const TGIFImage* source) {
  if (source == this) return;
  if (!source || source->Empty()) {
    ClearPicture();
    update();
    return;
  }
  LoadFromData(source->data_);
}

QImage TGIFImage::FirstFrameBitmap() {
  if (movie_.Empty() || movie_.FrameCount() == 0) return QImage();
  if (firstFrame_.isNull()) {
    const TGIFFrame& f = movie_.Frame(1);
    const std::vector<std::uint32_t> pixels = movie_.FramePicture(1);
    QImage image(f.Width, f.Height, QImage::Format_RGB32);
    for (int y = 0; y < f.Height; ++y) {
      std::copy_n(pixels.data() + size_t(y) * size_t(f.Width), f.Width, reinterpret_cast<std::uint32_t*>(image.scanLine(y)));
    }
    firstFrame_ = image;
  }
  return firstFrame_;
}

// ---- Animation ----

int TGIFImage::FrameInterval(int number) const {
  if (number < 1 || number > movie_.FrameCount()) return 1;
  return std::max(1, std::max(movie_.Frame(number).Delay, 50) * 100 / speed_);
}

bool TGIFImage::AnimationEnded() const {
  return !loop_ && movie_.LoopCount() > 0 && repetition_ > movie_.LoopCount();
}

bool TGIFImage::AnimationMayRun() const {
  return !movie_.Empty() && movie_.FrameCount() > 1 && animate_ && !AnimationEnded();
}

void TGIFImage::CreateTimer() {
  if (timer_) return;
  timer_ = std::make_unique<TTimerEx>();
  timer_->SetThreaded(threaded_);
  timer_->SetThreadPriority(priority_);
  timer_->SetOnTimer([this] { Tick(); });
}

// The timer may be freed from inside its own tick: stop it now, delete it later.
void TGIFImage::FreeTimer() {
  if (!timer_) return;
  timer_->SetEnabled(false);
  timer_.release()->deleteLater();
}

void TGIFImage::SetTimer(int ms) {
  CreateTimer();
  timer_->SetInterval(unsigned(std::max(1, ms)));
}

void TGIFImage::SetAnimate(bool on) {
  if (on == animate_) return;
  animate_ = on;
  repetition_ = 1;
  if (on) {
    if (!movie_.Empty() && movie_.FrameCount() > 1) SetTimer(FrameInterval(currentFrame_));
    return;
  }
  FreeTimer();
  if (currentFrame_ > 1 && currentFrame_ <= movie_.FrameCount()) {
    movie_.DisposeFrame(currentFrame_);
    currentFrame_ = 1;
    movie_.DrawFrame(1);
    update();
  }
}

void TGIFImage::Tick() {
  if (movie_.Empty() || movie_.FrameCount() == 0 || !animate_ || !timer_) return;
  const std::int64_t t0 = Clock();
  const int count = movie_.FrameCount();
  if (currentFrame_ < 1 || currentFrame_ > count) currentFrame_ = 1;
  Changing();
  if (firstTick_) {
    firstTick_ = false;  // frame 1 is on show since the load
  } else {
    movie_.DisposeFrame(currentFrame_ == 1 ? count : currentFrame_ - 1);
    movie_.DrawFrame(currentFrame_);
    update();
  }
  SetTimer(int(FrameInterval(currentFrame_) - (Clock() - t0)));
  ++currentFrame_;
  bool wrapped = false;
  if (currentFrame_ > count) {
    wrapped = true;
    if (!loop_ && movie_.LoopCount() > 0) {
      ++repetition_;
      if (movie_.LoopCount() >= repetition_) {
        currentFrame_ = 1;
      } else {
        currentFrame_ = count;  // the animation ends on its last frame
        FreeTimer();
      }
    } else {
      currentFrame_ = 1;
    }
  }
  Changed();
  if (wrapped && OnWrapAnimation) OnWrapAnimation(*this);
}

void TGIFImage::SetSpeed(int percent) {
  speed_ = std::max(1, percent);
  if (timer_ && AnimationMayRun()) SetTimer(1);  // the next tick comes at once, at the new speed
}

void TGIFImage::SetLoop(bool on) {
  const bool wasEnded = movie_.LoopCount() > 0 && repetition_ > movie_.LoopCount();
  loop_ = on;
  if (on && wasEnded) {
    currentFrame_ = 1;
    repetition_ = 1;
    if (animate_ && movie_.FrameCount() > 1) {
      SetTimer(FrameInterval(1));
    } else {
      FreeTimer();
    }
  }
}

void TGIFImage::SetCurrentFrame(int number) {
  if (number < 1 || number > movie_.FrameCount() || number == currentFrame_) return;
  Changing();
  movie_.DisposeFrame(currentFrame_);
  currentFrame_ = number;
  movie_.DrawFrame(number);
  update();
  Changed();
}

void TGIFImage::SetThreaded(bool on) {
  threaded_ = on;
  if (timer_) timer_->SetThreaded(on);
}

void TGIFImage::SetThreadPriority(TThreadPriority priority) {
  priority_ = priority;
  if (timer_) timer_->SetThreadPriority(priority);
}

void TGIFImage::Changing() {
  if (OnChanging) OnChanging(*this);
}

void TGIFImage::Changed() {
  if (OnChange) OnChange(*this);
}

// ---- Placement and painting ----

void TGIFImage::SetFlag(bool& flag, bool on) {
  flag = on;
  UpdateOpaqueAttribute();
  update();
}

void TGIFImage::SetOpaque(bool on) {
  opaque_ = on;
  update();
}

void TGIFImage::SetPictureVisible(bool on) {
  pictureVisible_ = on;
  UpdateOpaqueAttribute();
  update();
}

void TGIFImage::SetColor(const QColor& color) {
  color_ = color;
  update();
}

bool TGIFImage::Stretched() const { return GIFStretched(width(), height(), ImageWidth(), ImageHeight(), flags_); }

std::vector<TGIFRect> TGIFImage::PictureRects() const {
  if (movie_.Empty()) return {};
  return GIFPictureRects(width(), height(), ImageWidth(), ImageHeight(), flags_);
}

bool TGIFImage::CoversControl() const {
  if (!pictureVisible_ || movie_.Empty() || movie_.FrameCount() == 0 || movie_.Frame(1).Transparent) return false;
  const std::vector<TGIFRect> rects = PictureRects();
  if (rects.empty()) return false;
  if (rects.size() > 1) return true;  // tiles reach past every edge
  const TGIFRect& r = rects.front();
  return r.Left <= 0 && r.Top <= 0 && r.Right >= width() && r.Bottom >= height();
}

void TGIFImage::UpdateOpaqueAttribute() {
  covers_ = CoversControl();
  setAttribute(Qt::WA_OpaquePaintEvent, covers_);
}

QImage TGIFImage::ComposedImage() const {
  if (movie_.Empty() || ImageWidth() == 0 || ImageHeight() == 0) return QImage();
  const bool seeThrough = movie_.FrameCount() > 0 && movie_.Frame(1).Transparent;
  QImage view(reinterpret_cast<const uchar*>(movie_.Composed()), ImageWidth(), ImageHeight(), ImageWidth() * 4,
              seeThrough ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
  if (seeThrough || !movie_.HasTransparency()) return view;
  // Later frames are transparent but frame 1 is not: transparent parts show black.
  QImage opaque = view.copy();
  for (int y = 0; y < opaque.height(); ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(opaque.scanLine(y));
    for (int x = 0; x < opaque.width(); ++x) row[x] |= 0xFF000000u;
  }
  return opaque;
}

void TGIFImage::paintEvent(QPaintEvent*) {
  const bool covers = CoversControl();
  if (covers != covers_) {
    covers_ = covers;
    setAttribute(Qt::WA_OpaquePaintEvent, covers_);
    update();
  }
  QPainter painter(this);
  if (opaque_ && !covers_) painter.fillRect(rect(), color_);
  if (pictureVisible_ && !movie_.Empty() && movie_.FrameCount() > 0) {
    const QImage picture = ComposedImage();
    for (const TGIFRect& r : PictureRects()) {
      painter.drawImage(QRect(r.Left, r.Top, r.Width(), r.Height()), picture);
    }
  }
  // A paint keeps the animation's timer in step with its state. A countdown already
  // running is left alone, so an expose never delays the next frame.
  if (AnimationMayRun()) {
    if (!timer_) SetTimer(FrameInterval(currentFrame_));
  } else {
    FreeTimer();
  }
}

}  // namespace lumora
