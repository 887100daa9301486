// Options of `lumora-cli convert` for multi-image input and GIF output:
//   --index N               load image number N (0-based) of a multi-image file
//   --gif-interlaced        write the GIF interlaced
//   --gif-transparent R,G,B mark that colour transparent in the GIF
#include <cstdio>
#include <string>

#include "app/cli/cli_options.h"
#include "imaging/codecs/gif_writer.h"
#include "imaging/core/registry.h"

namespace lumora::cli {
namespace {

int ParseNumber(const std::string& option, const std::string& text, int low, int high) {
  size_t used = 0;
  int value = 0;
  try {
    value = std::stoi(text, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used != text.size() || text.empty() || value < low || value > high) {
    throw TUsageError{option + " needs a number from " + std::to_string(low) + " to " + std::to_string(high)};
  }
  return value;
}

}  // namespace

bool ParseGIFOption(const std::vector<std::string>& args, size_t& i, TConvertOptions& options) {
  const std::string& a = args[i];
  if (a == "--index") {
    options.index = ParseNumber(a, OptionValue(args, i), 0, 65535);
  } else if (a == "--gif-interlaced") {
    options.gif.interlaced = true;
  } else if (a == "--gif-transparent") {
    const std::string value = OptionValue(args, i);
    int rgb[3];
    size_t start = 0;
    for (int c = 0; c < 3; ++c) {
      const size_t comma = value.find(',', start);
      if ((c < 2) == (comma == std::string::npos)) throw TUsageError{a + " needs R,G,B"};
      rgb[c] = ParseNumber(a, value.substr(start, c < 2 ? comma - start : std::string::npos), 0, 255);
      start = comma + 1;
    }
    options.gif.transparent = true;
    options.gif.transparentColor = RGBColor(rgb[0], rgb[1], rgb[2]);
  } else {
    return false;
  }
  return true;
}

bool IsGIFTarget(const std::string& path) { return FileExtensionLower(path) == "gif"; }

std::string SaveAsGIF(const TPixelGraphic& image, const std::string& path, const TConvertOptions& options) {
  if (SaveBitmapAsGIF(path, image, options.gif.interlaced, options.gif.transparentColor, options.gif.transparent)) {
    return "";
  }
  return "Error exporting GIF  (code " + std::to_string(GIFWriteError()) + ")";
}

}  // namespace lumora::cli
