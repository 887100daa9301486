#include "app/cli/cli.h"

#include "app/cli/cli_options.h"
#include "app/cli/options_jpeg_png.h"

#include <exception>
#include <functional>
#include <memory>

#include "imaging/core/codec_settings.h"
#include "imaging/core/pixel_graphic.h"
#include "imaging/core/registry.h"
#include "imaging/core/warnings.h"

namespace lumora::cli {
namespace {

constexpr const char* kUsage =
    "Usage: lumora-cli COMMAND [ARGS]\n"
    "\n"
    "Commands:\n"
    "  info FILE...             one line per file: format, size line, information texts\n"
    "  convert IN OUT [OPTIONS] load IN and save it as OUT; the format follows OUT's extension\n"
    "  --help                   this text\n"
    "\n"
    "Options of convert (applied in the order given):\n"
    "  --strict                 treat warnings as errors (default: ignore them)\n"
    "  --no-gamma-correction    keep the stored gamma of the picture\n"
    "  --bits 1|4|8|24          convert to that many bits per pixel\n"
    "  --palette bw|gray4|gray16|gray256|sys16|special216|special252|optimized\n"
    "                           palette of the conversion (default optimized, bw for 1 bit)\n"
    "  --no-dither              convert without error diffusion\n"
    "  --size WxH               resample to W x H pixels\n"
    "  --fit WxH                resample to the largest size inside W x H, proportions kept\n"
    "  --stretch MODE           fast, medium or precise (default) for the resizes that follow\n"
    "  --rotate DEGREES         rotate clockwise about the centre\n"
    "  --no-interpolate         rotate with nearest pixels instead of bilinear sampling\n"
    "  --fit-size               rotations take the size of the turned picture\n"
    "  --flip h|v               mirror left-right or top-bottom\n"
    "  --jpeg-quality N         JPEG quality 1..100 (default 80)\n"
    "  --progressive            write progressive JPEG files\n"
    "  --tiff-compression none|packbits  TIFF writer compression (default none)\n"
    "  --tiff-byte-order ii|mm  TIFF writer byte order (default ii)\n"
    "  --tiff-cmyk              TIFF writer stores colour as CMYK\n"
    "  --tiff-white-is-zero     TIFF writer stores gray as WhiteIsZero\n"
    "  --pnm-binary             PBM/PGM/PPM writer writes the binary variants\n"
    "  --index N                load image N (0-based) of a multi-image file (GIF, ICO, TIFF)\n"
    "  --gif-interlaced         OUT.gif: write the rows interlaced\n"
    "  --gif-transparent R,G,B  OUT.gif: mark that colour transparent\n"
    "\n"
    "Exit status: 0 success, 1 failure, 2 bad usage.\n";


int Info(const std::vector<std::string>& files, std::ostream& out, std::ostream& err) {
  if (files.empty()) throw TUsageError{"info needs at least one FILE"};
  int status = 0;
  for (const std::string& file : files) {
    TFileInfo info;
    if (!GetFileInfo(file, 0, info)) {
      err << file << ": Unknown file format\n";
      status = 1;
      continue;
    }
    out << file << ": " << info.Description << ", " << FileInfoSizeLine(info.Info);
    if (!info.Info.InfoText.empty()) out << ", " << info.Info.InfoText;
    if (!info.Info.ExtraText.empty()) out << ", " << info.Info.ExtraText;
    if (info.Info.ImageCount > 1) out << ", " << info.Info.ImageCount << " images";
    out << "\n";
  }
  return status;
}

// Parses the options of loading and saving; false when args[i] is not one of them.
bool ParseBasicOption(const std::vector<std::string>& args, size_t& i, TConvertOptions& options) {
  (void)args;
  const std::string& a = args[i];
  if (a == "--strict") {
    options.strict = true;
  } else if (a == "--no-gamma-correction") {
    options.settings.GammaCorrectionOnRead = false;
  } else {
    return false;
  }
  return true;
}

}  // namespace

// options_gif.cpp
bool ParseGIFOption(const std::vector<std::string>& args, size_t& i, TConvertOptions& options);
bool IsGIFTarget(const std::string& path);
std::string SaveAsGIF(const TPixelGraphic& image, const std::string& path, const TConvertOptions& options);

namespace {

// Each group of options has its parser; a parser may consume values after args[i].
const TOptionParser kOptionParsers[] = {
    ParseBasicOption,
    ParseColorOption,
    ParseTransformOption,
    ParseJpegPngOption,
    ParseTIFFPNMOption,
    ParseGIFOption,
};

int Convert(const std::vector<std::string>& args, std::ostream& err) {
  if (args.size() < 2) throw TUsageError{"convert needs IN and OUT"};
  TConvertOptions options;
  for (size_t i = 2; i < args.size(); ++i) {
    bool known = false;
    for (const TOptionParser parser : kOptionParsers) {
      if ((known = parser(args, i, options))) break;
    }
    if (!known) throw TUsageError{"unknown option " + args[i]};
  }
  TScopedCodecSettings settings(options.settings);
  TScopedWarningPrompt prompt([&](const std::string&, const std::string& text, bool) {
    if (options.strict) err << text << "\n";
    return !options.strict;
  });
  try {
    auto image = std::make_unique<TPixelGraphic>();
    const TPGWarningAction action = options.strict ? pgwaRaise : pgwaIgnore;
    image->ReadWarningAction = action;
    image->LoadFromFileEx(args[0], options.index);
    for (const TStep& step : options.steps) step(image);
    image->SaveColorResWarningAction = action;
    if (IsGIFTarget(args[1])) {
      const std::string failure = SaveAsGIF(*image, args[1], options);
      if (!failure.empty()) {
        err << failure << "\n";
        return 1;
      }
    } else {
      image->SaveToFile(args[1]);
    }
  } catch (const std::exception& e) {
    err << e.what() << "\n";
    return 1;
  }
  return 0;
}

}  // namespace

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  try {
    if (args.empty()) throw TUsageError{"no command given"};
    const std::string& command = args[0];
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (command == "--help" || command == "-h" || command == "help") {
      out << kUsage;
      return 0;
    }
    if (command == "info") return Info(rest, out, err);
    if (command == "convert") return Convert(rest, err);
    throw TUsageError{"unknown command " + command};
  } catch (const TUsageError& e) {
    err << "lumora-cli: " << e.message << "\n\n" << kUsage;
    return 2;
  }
}

}  // namespace lumora::cli
