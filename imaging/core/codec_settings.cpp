#include "imaging/core/codec_settings.h"

#include <mutex>

namespace lumora {
namespace {
std::mutex g_mutex;
TCodecSettings g_settings;
}  // namespace

TCodecSettings CodecSettings() {
  std::lock_guard lock(g_mutex);
  return g_settings;
}

void SetCodecSettings(const TCodecSettings& settings) {
  std::lock_guard lock(g_mutex);
  g_settings = settings;
}

}  // namespace lumora
