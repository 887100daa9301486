#include "app/cli/options_jpeg_png.h"

#include <charconv>

namespace lumora::cli {

bool ParseJpegPngOption(const std::vector<std::string>& args, size_t& i, TConvertOptions& options) {
  const std::string& a = args[i];
  if (a == "--jpeg-quality") {
    const std::string& value = OptionValue(args, i);
    int quality = 0;
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), quality);
    if (ec != std::errc() || end != value.data() + value.size() || quality < 1 || quality > 100)
      throw TUsageError{"--jpeg-quality needs a number from 1 to 100, not " + value};
    options.settings.JPEGQuality = quality;
  } else if (a == "--progressive") {
    options.settings.JPEGProgressive = true;
  } else {
    return false;
  }
  return true;
}

}  // namespace lumora::cli
