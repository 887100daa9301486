#include "ui/video_player.h"

#ifdef LUMORA_HAVE_MULTIMEDIA
#include <QAudioOutput>
#include <QMediaPlayer>
#include <QUrl>
#include <QVBoxLayout>
#include <QVideoSink>
#include <QVideoWidget>
#endif

namespace lumora::ui {
namespace {

#ifdef LUMORA_HAVE_MULTIMEDIA
// Qt Multimedia: a video widget stretched over the whole control on a black ground. The
// media back end starts with the first file, so windows that never show a video never
// load it.
class TMediaVideoPlayer final : public TVideoPlayer {
 public:
  explicit TMediaVideoPlayer(QWidget* parent) : TVideoPlayer(parent) {
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
  }

  bool Available() const override { return Player()->isAvailable(); }

  void SetFileName(const QString& path) override {
    path_ = path;
    size_ = QSize();
    reported_ = false;
    QMediaPlayer* player = Player();
    player->stop();
    player->setSource(QUrl::fromLocalFile(path));
    // The back end decodes the first frame only while playing: start muted, and pause
    // at the first frame, so its size becomes known without sound.
    audio_->setMuted(true);
    player->play();
  }
  QString FileName() const override { return path_; }
  QSize FrameSize() const override { return size_; }

  void SetActive(bool on) override {
    active_ = on;
    if (!player_) return;
    audio_->setMuted(!on);
    if (on) {
      player_->play();
    } else {
      player_->stop();
    }
  }
  bool Active() const override { return active_; }

 private:
  QMediaPlayer* Player() const {
    if (!player_) const_cast<TMediaVideoPlayer*>(this)->CreatePlayer();
    return player_;
  }
  void CreatePlayer() {
    // Qt's FFmpeg back end needs nothing beyond the libraries Qt Multimedia itself
    // depends on; the GStreamer one needs plugin packages that may be missing.
    // It is chosen when the first media object is made.
    if (!qEnvironmentVariableIsSet("QT_MEDIA_BACKEND")) qputenv("QT_MEDIA_BACKEND", "ffmpeg");
    video_ = new QVideoWidget(this);
    video_->setAspectRatioMode(Qt::IgnoreAspectRatio);
    layout()->addWidget(video_);
    player_ = new QMediaPlayer(this);
    audio_ = new QAudioOutput(this);
    player_->setAudioOutput(audio_);
    player_->setVideoOutput(video_);
    player_->setLoops(QMediaPlayer::Infinite);
    connect(video_->videoSink(), &QVideoSink::videoSizeChanged, this, [this] { ReportSize(); });
    connect(player_, &QMediaPlayer::mediaStatusChanged, this, [this](QMediaPlayer::MediaStatus status) {
      if (status == QMediaPlayer::InvalidMedia) Fail();
      if (status == QMediaPlayer::LoadedMedia && !player_->hasVideo()) Fail();
    });
    connect(player_, &QMediaPlayer::errorOccurred, this, [this] { Fail(); });
  }

 private:
  void ReportSize() {
    const QSize size = video_->videoSink()->videoSize();
    if (reported_ || size.isEmpty()) return;
    reported_ = true;
    size_ = size;
    if (!active_) player_->pause();
    emit FrameSizeKnown(size);
  }
  void Fail() {
    if (reported_) return;
    reported_ = true;
    emit Failed();
  }

  QVideoWidget* video_ = nullptr;
  QMediaPlayer* player_ = nullptr;
  QAudioOutput* audio_ = nullptr;
  QString path_;
  QSize size_;
  bool active_ = false;
  bool reported_ = false;
};
#endif

// Without a media back end every file fails, which the windows treat as "not shown".
class TNoVideoPlayer final : public TVideoPlayer {
 public:
  using TVideoPlayer::TVideoPlayer;
  bool Available() const override { return false; }
  void SetFileName(const QString& path) override {
    path_ = path;
    emit Failed();
  }
  QString FileName() const override { return path_; }
  QSize FrameSize() const override { return {}; }
  void SetActive(bool) override {}
  bool Active() const override { return false; }

 private:
  QString path_;
};

TVideoPlayerFactory& Factory() {
  static TVideoPlayerFactory factory;
  return factory;
}

}  // namespace

TVideoPlayer* CreateVideoPlayer(QWidget* parent) {
  if (Factory()) return Factory()(parent);
#ifdef LUMORA_HAVE_MULTIMEDIA
  return new TMediaVideoPlayer(parent);
#else
  return new TNoVideoPlayer(parent);
#endif
}

void SetVideoPlayerFactory(TVideoPlayerFactory factory) { Factory() = std::move(factory); }

}  // namespace lumora::ui
