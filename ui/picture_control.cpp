#include "ui/picture_control.h"

#include <QPainter>

namespace lumora::ui {

TPictureControl::TPictureControl(QWidget* parent) : QWidget(parent) {
  setAutoFillBackground(false);
}

void TPictureControl::SetPicture(QImage picture) {
  picture_ = std::move(picture);
  update();
}

void TPictureControl::paintEvent(QPaintEvent*) {
  if (picture_.isNull()) return;
  QPainter painter(this);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, size() != picture_.size());
  painter.drawImage(rect(), picture_);
}

}  // namespace lumora::ui
