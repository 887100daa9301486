#pragma once
// A two-state status light: red when on, maroon when off.
#include <QColor>
#include <QWidget>

namespace lumora::ui {

class TLed : public QWidget {
  Q_OBJECT
 public:
  explicit TLed(QWidget* parent = nullptr);
  void SetOn(bool on);
  bool IsOn() const { return on_; }
  QColor Color() const;
  QSize sizeHint() const override { return {14, 14}; }

  static constexpr QRgb kOnColor = 0xFFFF0000;   // red
  static constexpr QRgb kOffColor = 0xFF800000;  // maroon

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  bool on_ = false;
};

}  // namespace lumora::ui
