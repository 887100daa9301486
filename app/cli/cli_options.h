#pragma once
// What the option parsers of `lumora-cli convert` share. Each group of options (size,
// colour depth, codec settings, ...) has its own parser in its own file.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imaging/core/codec_settings.h"
#include "imaging/core/pixel_graphic.h"

namespace lumora::cli {

struct TUsageError {
  std::string message;
};

// A step of the conversion pipeline, applied to the loaded picture in command-line order.
using TStep = std::function<void(std::unique_ptr<TPixelGraphic>& image)>;

struct TConvertOptions {
  bool strict = false;
  int index = 0;                              // image number in a multi-image file
  struct {
    bool interlaced = false;
    bool transparent = false;
    TColor transparentColor = 0;
  } gif;                                      // GIF output (OUT ends in .gif)
  TCodecSettings settings = CodecSettings();  // in force for the whole run
  std::vector<TStep> steps;
  bool rotateInterpolate = true;  // --no-interpolate turns it off for every --rotate
  bool rotateFitSize = false;     // --fit-size: rotations get the bounding box of the turned picture
};

// Parses the option at args[i] (advancing i past its values); false when the option is
// not this parser's. Bad values raise TUsageError.
using TOptionParser = bool (*)(const std::vector<std::string>& args, size_t& i, TConvertOptions& options);

// The option groups' parsers, one file each.
bool ParseTransformOption(const std::vector<std::string>& args, size_t& i, TConvertOptions& options);
bool ParseTIFFPNMOption(const std::vector<std::string>& args, size_t& i, TConvertOptions& options);

// The value after args[i]; raises TUsageError when missing.
inline const std::string& OptionValue(const std::vector<std::string>& args, size_t& i) {
  if (i + 1 >= args.size()) throw TUsageError{args[i] + " needs a value"};
  return args[++i];
}

// --bits, --palette, --no-dither (options_color.cpp).
bool ParseColorOption(const std::vector<std::string>& args, size_t& i, TConvertOptions& options);

}  // namespace lumora::cli
