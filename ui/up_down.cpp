#include "ui/up_down.h"

#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace lumora::ui {

TUpDown::TUpDown(int minimum, int maximum, QWidget* parent)
    : QWidget(parent), minimum_(minimum), maximum_(std::max(minimum, maximum)), position_(minimum) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  up_ = new QToolButton(this);
  down_ = new QToolButton(this);
  up_->setArrowType(Qt::UpArrow);
  down_->setArrowType(Qt::DownArrow);
  for (QToolButton* b : {up_, down_}) {
    b->setAutoRepeat(true);
    b->setFixedSize(16, 11);
    layout->addWidget(b);
  }
  connect(up_, &QToolButton::clicked, this, [this] { StepUp(); });
  connect(down_, &QToolButton::clicked, this, [this] { StepDown(); });
}

void TUpDown::SetPosition(int position) { position_ = std::clamp(position, minimum_, maximum_); }

void TUpDown::SetPositionFromUser(int position) {
  const int old = position_;
  SetPosition(position);
  if (position_ != old) emit Clicked(position_ > old);
}

}  // namespace lumora::ui
