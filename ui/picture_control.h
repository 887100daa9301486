#pragma once
// A picture stretched over the whole control. The control draws no background, so the
// transparent parts of the picture show what lies behind it.
#include <QImage>
#include <QWidget>

namespace lumora::ui {

class TPictureControl : public QWidget {
  Q_OBJECT
 public:
  explicit TPictureControl(QWidget* parent = nullptr);

  void SetPicture(QImage picture);
  const QImage& Picture() const { return picture_; }
  int PictureWidth() const { return picture_.width(); }
  int PictureHeight() const { return picture_.height(); }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QImage picture_;
};

}  // namespace lumora::ui
