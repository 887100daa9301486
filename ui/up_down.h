#pragma once
// Spin arrows beside an edit: a position between a minimum and a maximum, moved one step
// per click, never wrapping.
#include <QWidget>

class QToolButton;

namespace lumora::ui {

class TUpDown : public QWidget {
  Q_OBJECT
 public:
  TUpDown(int minimum, int maximum, QWidget* parent = nullptr);
  int Position() const { return position_; }
  void SetPosition(int position);  // clamped to the range
  int Minimum() const { return minimum_; }
  int Maximum() const { return maximum_; }
  void StepUp() { SetPositionFromUser(position_ + 1); }
  void StepDown() { SetPositionFromUser(position_ - 1); }

 signals:
  // After a click moved the position (not after SetPosition).
  void Clicked(bool up);

 private:
  void SetPositionFromUser(int position);
  int minimum_, maximum_, position_;
  QToolButton* up_;
  QToolButton* down_;
};

}  // namespace lumora::ui
