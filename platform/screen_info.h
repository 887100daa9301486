#pragma once
// What the program asks of the screens, behind a seam that tests can set.
#include <QList>
#include <QRect>

#include <memory>

namespace lumora::platform {

class TScreenInfo {
 public:
  virtual ~TScreenInfo() = default;
  // Colour depth of the primary screen in bits per pixel.
  virtual int Depth() const = 0;
  // The usable area of every screen (without panels and docks), primary first.
  virtual QList<QRect> AvailableAreas() const = 0;
};

// Fixed answers for tests.
class TFixedScreenInfo : public TScreenInfo {
 public:
  TFixedScreenInfo(int depth, QList<QRect> areas) : depth_(depth), areas_(std::move(areas)) {}
  int Depth() const override { return depth_; }
  QList<QRect> AvailableAreas() const override { return areas_; }

 private:
  int depth_;
  QList<QRect> areas_;
};

const TScreenInfo& ScreenInfo();
void SetScreenInfo(std::shared_ptr<TScreenInfo> info);  // nullptr: the real screens

}  // namespace lumora::platform
