#pragma once
// One limits policy for every picture the library allocates, checked before any
// allocation, so a hostile header cannot make us allocate gigabytes.
#include <cstdint>

namespace lumora {

struct TImageLimits {
  int64_t MaxDimension = 65535 * 4;       // pixels per side
  int64_t MaxPixelBytes = int64_t(1) << 31;  // bytes of one pixel block (2 GiB)
};

TImageLimits GetImageLimits();
void SetImageLimits(const TImageLimits& limits);

// Row stride in bytes for a picture of `width` pixels of `bitCount` bits, 4-byte aligned.
constexpr int64_t RowStride(int64_t width, int bitCount) { return ((bitCount * width + 31) / 32) * 4; }

// True when a picture of this size fits the limits (sizes in 64 bits).
bool ImageSizeAllowed(int64_t width, int64_t height, int bitCount);

// Raises EPixelGraphic("CreateDIBSection failed") when the size is beyond the limits.
void CheckImageSize(int64_t width, int64_t height, int bitCount);

// For readers: true when the `availableBytes` left in the input can describe a
// width x height picture at no more than `maxPixelsPerInputByte` pixels per byte
// (8 for 1-bit raw rows, far more for run-length coding).
bool DeclaredSizePlausible(int64_t width, int64_t height, int64_t availableBytes, int64_t maxPixelsPerInputByte);

// RAII override of the limits for tests.
class TScopedImageLimits {
 public:
  explicit TScopedImageLimits(const TImageLimits& limits) : saved_(GetImageLimits()) { SetImageLimits(limits); }
  ~TScopedImageLimits() { SetImageLimits(saved_); }

 private:
  TImageLimits saved_;
};

}  // namespace lumora
