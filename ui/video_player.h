#pragma once
// The video player of the preview pane, behind a small interface so the windows can be
// tested with a fake. The frame size of a file is known only once the media back end has
// opened it, so it arrives as a signal; a file that cannot be played reports Failed.
#include <QSize>
#include <QWidget>

#include <functional>
#include <memory>

namespace lumora::ui {

class TVideoPlayer : public QWidget {
  Q_OBJECT
 public:
  using QWidget::QWidget;

  // False when no media back end can play anything on this system.
  virtual bool Available() const = 0;
  // Opens a file; FrameSizeKnown or Failed follows (possibly before this returns).
  virtual void SetFileName(const QString& path) = 0;
  virtual QString FileName() const = 0;
  // The native frame size of the open file; empty until known.
  virtual QSize FrameSize() const = 0;
  // Playing (looping) on or off; off also rewinds.
  virtual void SetActive(bool on) = 0;
  virtual bool Active() const = 0;

 signals:
  void FrameSizeKnown(QSize size);
  void Failed();
};

// Makes the player of a window; tests replace it with a fake.
using TVideoPlayerFactory = std::function<TVideoPlayer*(QWidget* parent)>;
TVideoPlayer* CreateVideoPlayer(QWidget* parent);
void SetVideoPlayerFactory(TVideoPlayerFactory factory);  // empty: the media back end

}  // namespace lumora::ui
