#pragma once
// Stores rows of computed colours into a destination image: a 24-bit destination takes
// the colours as they are; an indexed one maps them to its palette pixel by pixel in
// serpentine order (even rows left to right, odd rows right to left), through the
// error-diffusion store when its Dither switch is on, else to the nearest entry.
#include <cstdint>

#include "imaging/core/pixel_graphic.h"

namespace lumora {

class TColorRowStore {
 public:
  explicit TColorRowStore(TPixelGraphic& dest);
  ~TColorRowStore();
  TColorRowStore(const TColorRowStore&) = delete;
  TColorRowStore& operator=(const TColorRowStore&) = delete;

  // Stores `count` BGR triplets at columns x0.. of row y. `mask` (may be null) marks the
  // pixels to write; the others keep their value. Every visited row of an operation goes
  // through here once, in order, so the diffusion moves on by one row each time.
  // Safe to call from several threads for different rows only when the destination is
  // 24-bit.
  void StoreRow(int y, int x0, int count, const std::uint8_t* bgr, const std::uint8_t* mask);

  bool Indexed() const { return indexed_; }

 private:
  void StoreIndexedRow(int y, int x0, int count, const std::uint8_t* bgr, const std::uint8_t* mask);

  TPixelGraphic& dest_;
  bool indexed_;
  bool dithered_;
};

}  // namespace lumora
