// Geometric options of `convert`: resizing, rotating and flipping, applied as steps in
// command-line order.
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/cli/cli_options.h"
#include "imaging/core/pixel_graphic.h"

namespace lumora::cli {
namespace {

int ParsePositive(const std::string& text, const std::string& option) {
  int value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || value < 1) throw TUsageError{option + ": bad size " + text};
  return value;
}

// "WxH" with both sides at least 1.
std::pair<int, int> ParseSize(const std::string& text, const std::string& option) {
  const size_t x = text.find('x');
  if (x == std::string::npos) throw TUsageError{option + " needs WxH, got " + text};
  return {ParsePositive(text.substr(0, x), option), ParsePositive(text.substr(x + 1), option)};
}

// A new picture of the given size with the colour resolution, palette and settings of
// `image`, holding the picture resampled into it.
void Resize(std::unique_ptr<TPixelGraphic>& image, int width, int height) {
  auto resized = std::make_unique<TPixelGraphic>();
  resized->Allocate(width, height, image->BitCountNum());
  if (image->BitCountNum() != 3) resized->CopyPalette(*image);
  resized->StretchMode = image->StretchMode;
  resized->InterpolateRotation = image->InterpolateRotation;
  resized->StretchFrom(*image);
  image = std::move(resized);
}

// The largest size inside width x height with the picture's proportions (the other side
// truncated, at least 1).
std::pair<int, int> FitInside(int pictureW, int pictureH, int width, int height) {
  if (pictureW < 1 || pictureH < 1) return {width, height};
  if (std::int64_t(width) * pictureH <= std::int64_t(height) * pictureW) {
    return {width, int(std::max<std::int64_t>(1, std::int64_t(width) * pictureH / pictureW))};
  }
  return {int(std::max<std::int64_t>(1, std::int64_t(height) * pictureW / pictureH)), height};
}

}  // namespace

bool ParseTransformOption(const std::vector<std::string>& args, size_t& i, TConvertOptions& options) {
  const std::string& a = args[i];
  if (a == "--size" || a == "--fit") {
    const auto [w, h] = ParseSize(OptionValue(args, i), a);
    const bool fit = a == "--fit";
    options.steps.push_back([w, h, fit](std::unique_ptr<TPixelGraphic>& image) {
      const auto [width, height] = fit ? FitInside(image->Width(), image->Height(), w, h) : std::pair{w, h};
      Resize(image, width, height);
    });
  } else if (a == "--stretch") {
    const std::string& value = OptionValue(args, i);
    TStretchMode mode;
    if (value == "fast") mode = smFast;
    else if (value == "medium") mode = smMedium;
    else if (value == "precise") mode = smPrecise;
    else throw TUsageError{"--stretch needs fast, medium or precise, got " + value};
    options.steps.push_back([mode](std::unique_ptr<TPixelGraphic>& image) { image->StretchMode = mode; });
  } else if (a == "--rotate") {
    const std::string& value = OptionValue(args, i);
    char* end = nullptr;
    const double angle = std::strtod(value.c_str(), &end);
    if (value.empty() || *end != '\0' || !std::isfinite(angle)) throw TUsageError{"--rotate: bad angle " + value};
    const TConvertOptions* settings = &options;  // outlives the steps; flags may follow
    options.steps.push_back([angle, settings](std::unique_ptr<TPixelGraphic>& image) {
      auto rotated = std::make_unique<TPixelGraphic>();
      rotated->Allocate(image->Width(), image->Height(), image->BitCountNum());
      if (image->BitCountNum() != 3) rotated->CopyPalette(*image);
      rotated->StretchMode = image->StretchMode;
      rotated->InterpolateRotation = settings->rotateInterpolate;
      rotated->RotateFrom(*image, angle, settings->rotateFitSize);
      rotated->InterpolateRotation = image->InterpolateRotation;
      image = std::move(rotated);
    });
  } else if (a == "--no-interpolate") {
    options.rotateInterpolate = false;
  } else if (a == "--fit-size") {
    options.rotateFitSize = true;
  } else if (a == "--flip") {
    const std::string& value = OptionValue(args, i);
    if (value != "h" && value != "v") throw TUsageError{"--flip needs h or v, got " + value};
    const bool horizontal = value == "h";
    options.steps.push_back([horizontal](std::unique_ptr<TPixelGraphic>& image) {
      if (horizontal) image->MirrorHorizontal();
      else image->MirrorVertical();
    });
  } else {
    return false;
  }
  return true;
}

}  // namespace lumora::cli
