#include "imaging/core/size_limits.h"

#include <mutex>

#include "imaging/core/exceptions.h"
#include "imaging/core/messages.h"

namespace lumora {
namespace {
std::mutex g_mutex;
TImageLimits g_limits;
}  // namespace

TImageLimits GetImageLimits() {
  std::lock_guard lock(g_mutex);
  return g_limits;
}

void SetImageLimits(const TImageLimits& limits) {
  std::lock_guard lock(g_mutex);
  g_limits = limits;
}

bool ImageSizeAllowed(int64_t width, int64_t height, int bitCount) {
  if (width < 0 || height < 0) return false;
  const TImageLimits limits = GetImageLimits();
  if (width > limits.MaxDimension || height > limits.MaxDimension) return false;
  const int64_t stride = RowStride(width, bitCount);
  if (height != 0 && stride > limits.MaxPixelBytes / height) return false;
  return stride * height <= limits.MaxPixelBytes;
}

void CheckImageSize(int64_t width, int64_t height, int bitCount) {
  if (!ImageSizeAllowed(width, height, bitCount)) throw EPixelGraphic(PGMessage(msgFailed, {"CreateDIBSection"}));
}

bool DeclaredSizePlausible(int64_t width, int64_t height, int64_t availableBytes, int64_t maxPixelsPerInputByte) {
  if (width < 0 || height < 0) return false;
  if (width == 0 || height == 0) return true;
  // Pixels the input could describe at best; compare in 64 bits without overflow.
  const int64_t bytes = availableBytes < 0 ? 0 : availableBytes;
  const int64_t maxPixels = bytes > (int64_t(1) << 40) ? (int64_t(1) << 62) : (bytes + 1) * maxPixelsPerInputByte;
  if (width > maxPixels) return false;
  return height <= maxPixels / width;
}

}  // namespace lumora
