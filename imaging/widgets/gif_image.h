#pragma once
// TGIFImage: the animated GIF display. It reads a whole GIF file once (through the
// Qt-free TGIFMovie), composes the frames as their disposal methods say and plays
// them on a TTimerEx; the picture is drawn stretched, centred, tiled or at the origin.
#include <QColor>
#include <QImage>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imaging/view/gif_movie.h"
#include "imaging/view/gif_placement.h"
#include "imaging/widgets/timer_ex.h"

namespace lumora {

class TStream;

enum TGIFVersion { gvGIF87a, gvGIF89a };

class TGIFImage : public QWidget {
  Q_OBJECT

 public:
  using TNotify = std::function<void(TGIFImage& sender)>;
  using TProgressEvent = std::function<void(TGIFImage& sender, int bytesProcessed, int bytesToProcess,
                                            int percentageProcessed, bool& keepOnProcessing)>;

  explicit TGIFImage(QWidget* parent = nullptr);
  ~TGIFImage() override;

  // ---- Loading ----
  bool LoadFromFile(const std::string& path);
  bool LoadFromStream(TStream& stream);
  bool LoadFromData(std::vector<std::uint8_t> data);
  // Loads the other control's file; nullptr or an empty control clears this one.
  void Assign(const TGIFImage* source);
  // Frame 1's own picture (its size, not the composed one); null while empty.
  QImage FirstFrameBitmap();

  // ---- Properties ----
  bool Animate() const { return animate_; }
  void SetAnimate(bool on);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool on) { autoSize_ = on; }
  bool Center() const { return flags_.Center; }
  void SetCenter(bool on) { SetFlag(flags_.Center, on); }
  int CurrentFrame() const { return currentFrame_; }
  void SetCurrentFrame(int number);
  bool DoubleBuffered() const { return doubleBuffered_; }
  void SetDoubleBuffered(bool on) { doubleBuffered_ = on; }
  bool FirstImageOnly() const { return firstImageOnly_; }
  void SetFirstImageOnly(bool on) { firstImageOnly_ = on; }
  bool Loop() const { return loop_; }
  void SetLoop(bool on);
  bool Opaque() const { return opaque_; }
  void SetOpaque(bool on);
  int Speed() const { return speed_; }
  void SetSpeed(int percent);
  bool Stretch() const { return flags_.Stretch; }
  void SetStretch(bool on) { SetFlag(flags_.Stretch, on); }
  bool StretchRatio() const { return flags_.StretchRatio; }
  void SetStretchRatio(bool on) { SetFlag(flags_.StretchRatio, on); }
  bool StretchBigOnly() const { return flags_.StretchBigOnly; }
  void SetStretchBigOnly(bool on) { SetFlag(flags_.StretchBigOnly, on); }
  bool Tile() const { return flags_.Tile; }
  void SetTile(bool on) { SetFlag(flags_.Tile, on); }
  bool Threaded() const { return threaded_; }
  void SetThreaded(bool on);
  TThreadPriority ThreadPriority() const { return priority_; }
  void SetThreadPriority(TThreadPriority priority);
  // The control's own "draw the picture" flag (apart from showing and hiding the widget).
  bool PictureVisible() const { return pictureVisible_; }
  void SetPictureVisible(bool on);
  QColor Color() const { return color_; }
  void SetColor(const QColor& color);
  TGIFVersion Version() const { return version_; }

  TNotify OnChanging;
  TNotify OnChange;
  TProgressEvent OnProgress;
  TNotify OnWrapAnimation;

  // ---- State ----
  bool Empty() const { return movie_.Empty(); }
  int ImageWidth() const { return movie_.ImageWidth(); }
  int ImageHeight() const { return movie_.ImageHeight(); }
  bool IsAnimated() const { return movie_.FrameCount() > 1; }
  int FrameCount() const { return movie_.FrameCount(); }
  int LoopCount() const { return movie_.LoopCount(); }
  const TGIFMovie& Movie() const { return movie_; }
  // The composed picture as painted (transparent parts see-through when frame 1 is transparent).
  QImage ComposedImage() const;
  // The rectangles the picture is drawn into at the control's present size.
  std::vector<TGIFRect> PictureRects() const;
  bool Stretched() const;
  bool CoversControl() const;
  // The animation timer: it exists only while the animation may run.
  TTimerEx* AnimationTimer() const { return timer_.get(); }
  // Milliseconds since an arbitrary start; replaceable so tests control time.
  std::function<std::int64_t()> Clock;
  // Interval of frame `number` at the present speed.
  int FrameInterval(int number) const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void ClearPicture();
  void Tick();
  void SetTimer(int ms);
  void CreateTimer();
  void FreeTimer();
  bool AnimationMayRun() const;
  bool AnimationEnded() const;
  void UpdateOpaqueAttribute();
  void SetFlag(bool& flag, bool on);
  void Changing();
  void Changed();

  TGIFMovie movie_;
  std::vector<std::uint8_t> data_;
  std::unique_ptr<TTimerEx> timer_;
  QImage firstFrame_;
  TGIFPlacementFlags flags_;
  bool animate_ = false;
  bool autoSize_ = false;
  bool doubleBuffered_ = true;
  bool firstImageOnly_ = false;
  bool loop_ = false;
  bool opaque_ = false;
  bool threaded_ = false;
  bool pictureVisible_ = true;
  TThreadPriority priority_ = tpNormal;
  int speed_ = 100;
  int currentFrame_ = 0;
  int repetition_ = 1;
  bool firstTick_ = true;
  bool covers_ = false;
  QColor color_;
  TGIFVersion version_ = gvGIF87a;
};

}  // namespace lumora
