// Colour-resolution options of `convert`: --bits, --palette and --no-dither. Adjacent
// colour options form one conversion, so `--bits 4 --palette gray16 --no-dither`
// converts once.
#include <map>
#include <memory>
#include <string>

#include "app/cli/cli_options.h"
#include "imaging/core/color_resolution.h"

namespace lumora::cli {

namespace {

enum class TPaletteChoice { kNone, kFixed, kOptimized };

struct TColorConversion {
  int bits = 0;  // 0: from the palette
  TPaletteChoice choice = TPaletteChoice::kNone;
  TPaletteIdent ident = pNone;
  int entries = 0;  // entries of the fixed palette
  bool dither = true;
};

struct TPaletteName {
  TPaletteIdent ident;
  int entries;  // 0 for the optimised palette
};

const std::map<std::string, TPaletteName>& PaletteNames() {
  static const std::map<std::string, TPaletteName> kNames = {
      {"bw", {pBlackWhite, 2}},         {"gray4", {pGray4, 4}},           {"gray16", {pGray16, 16}},
      {"gray256", {pGray256, 256}},     {"sys16", {pSys16, 16}},          {"special216", {pSpecial216, 216}},
      {"special252", {pSpecial252, 252}}, {"optimized", {pUnknown, 0}},
  };
  return kNames;
}

// The smallest pixel format that holds a palette of that many entries.
int BitsFor(int entries) { return entries <= 2 ? 1 : entries <= 16 ? 4 : 8; }

// Converts the picture into a new image of the chosen depth and palette.
void Convert(const TColorConversion& c, std::unique_ptr<TPixelGraphic>& image) {
  const int bitCountNum = TPixelGraphic::BitCountToNum(c.bits);
  auto converted = std::make_unique<TPixelGraphic>();
  converted->OnProgress = image->OnProgress;
  converted->OnProgressStart = image->OnProgressStart;
  converted->OnProgressEnd = image->OnProgressEnd;
  converted->Dither = c.dither;
  converted->Gamma = image->Gamma;
  converted->SetBitCountNum(bitCountNum);
  if (c.choice == TPaletteChoice::kFixed) {
    converted->SetPaletteIdent(c.ident);
  } else if (c.choice == TPaletteChoice::kOptimized) {
    // The counts the save path uses for 2, 16 and 256 colours.
    switch (c.bits) {
      case 1: OptimizePalette(*converted, *image, 2, false); break;
      case 4: OptimizePalette(*converted, *image, 16, false); break;
      default: OptimizePalette(*converted, *image, 252, true); break;
    }
  }
  converted->Allocate(image->Width(), image->Height(), bitCountNum);
  converted->StretchFrom(*image);
  converted->DeterminePaletteIdent();
  image = std::move(converted);
}

bool IsColorOption(const std::string& a) { return a == "--bits" || a == "--palette" || a == "--no-dither"; }

}  // namespace

bool ParseColorOption(const std::vector<std::string>& args, size_t& i, TConvertOptions& options) {
  if (!IsColorOption(args[i])) return false;
  TColorConversion c;
  bool bitsGiven = false, paletteGiven = false;
  std::string paletteName;
  for (;; ++i) {
    const std::string& a = args[i];
    if (a == "--bits") {
      if (bitsGiven) throw TUsageError{"--bits given twice for one conversion"};
      const std::string& v = OptionValue(args, i);
      if (v != "1" && v != "4" && v != "8" && v != "24") throw TUsageError{"--bits takes 1, 4, 8 or 24, not " + v};
      c.bits = std::stoi(v);
      bitsGiven = true;
    } else if (a == "--palette") {
      if (paletteGiven) throw TUsageError{"--palette given twice for one conversion"};
      const std::string& v = OptionValue(args, i);
      const auto found = PaletteNames().find(v);
      if (found == PaletteNames().end()) throw TUsageError{"unknown palette " + v};
      c.ident = found->second.ident;
      c.entries = found->second.entries;
      c.choice = c.entries ? TPaletteChoice::kFixed : TPaletteChoice::kOptimized;
      paletteName = v;
      paletteGiven = true;
    } else {
      c.dither = false;
    }
    if (i + 1 >= args.size() || !IsColorOption(args[i + 1])) break;
  }
  if (!bitsGiven && !paletteGiven) throw TUsageError{"--no-dither needs --bits or --palette"};
  if (!bitsGiven) c.bits = c.choice == TPaletteChoice::kFixed ? BitsFor(c.entries) : 8;
  if (c.bits == 24) {
    if (paletteGiven) throw TUsageError{"--palette needs 1, 4 or 8 bits"};
  } else if (!paletteGiven) {
    c.choice = c.bits == 1 ? TPaletteChoice::kFixed : TPaletteChoice::kOptimized;
    c.ident = pBlackWhite;
    c.entries = 2;
  } else if (c.choice == TPaletteChoice::kFixed && c.entries > (1 << c.bits)) {
    throw TUsageError{"--palette " + paletteName + " does not fit in " + std::to_string(c.bits) + " bits"};
  }
  options.steps.push_back([c](std::unique_ptr<TPixelGraphic>& image) { Convert(c, image); });
  return true;
}

}  // namespace lumora::cli
