// The fixed palettes and SetPaletteIdent, which installs one of them.
#include "imaging/core/fixed_palettes.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "imaging/core/pixel_graphic.h"

namespace lumora {

const TColor kSystemColors[16] = {
    RGBColor(0, 0, 0),       RGBColor(128, 0, 0),   RGBColor(0, 128, 0),   RGBColor(128, 128, 0),
    RGBColor(0, 0, 128),     RGBColor(128, 0, 128), RGBColor(0, 128, 128), RGBColor(192, 192, 192),
    RGBColor(128, 128, 128), RGBColor(255, 0, 0),   RGBColor(0, 255, 0),   RGBColor(255, 255, 0),
    RGBColor(0, 0, 255),     RGBColor(255, 0, 255), RGBColor(0, 255, 255), RGBColor(255, 255, 255),
};

namespace {

// Entries 125..251 of the 252-colour palette: light and mid tints that fill the gaps
// of the 5-level cube, as (R, G, B).
constexpr std::uint8_t kSpecial252Tints[127][3] = {
    {32, 32, 32},    {96, 96, 96},    {160, 160, 160}, {224, 224, 224}, {255, 224, 255}, {224, 224, 255},
    {224, 255, 255}, {224, 255, 224}, {255, 255, 224}, {255, 224, 224}, {255, 192, 224}, {224, 192, 255},
    {192, 224, 255}, {192, 255, 224}, {224, 255, 192}, {255, 224, 192}, {224, 192, 224}, {192, 192, 224},
    {192, 224, 224}, {192, 224, 192}, {224, 224, 192}, {224, 192, 192}, {255, 160, 192}, {255, 160, 224},
    {255, 160, 255}, {224, 160, 255}, {192, 160, 255}, {160, 160, 255}, {160, 192, 255}, {160, 224, 255},
    {160, 255, 255}, {160, 255, 224}, {160, 255, 192}, {160, 255, 160}, {192, 255, 160}, {224, 255, 160},
    {255, 255, 160}, {255, 224, 160}, {255, 192, 160}, {255, 160, 160}, {224, 160, 192}, {224, 160, 224},
    {192, 160, 224}, {160, 160, 224}, {160, 192, 224}, {160, 224, 224}, {160, 224, 192}, {160, 224, 160},
    {192, 224, 160}, {224, 224, 160}, {224, 192, 160}, {224, 160, 160}, {255, 128, 160}, {255, 128, 224},
    {224, 128, 255}, {160, 128, 255}, {128, 160, 255}, {128, 224, 255}, {128, 255, 224}, {128, 255, 160},
    {160, 255, 128}, {224, 255, 128}, {255, 224, 128}, {255, 160, 128}, {192, 160, 192}, {160, 160, 192},
    {160, 192, 192}, {160, 192, 160}, {192, 192, 160}, {192, 160, 160}, {224, 128, 160}, {224, 128, 192},
    {224, 128, 224}, {192, 128, 224}, {160, 128, 224}, {128, 128, 224}, {128, 160, 224}, {128, 192, 224},
    {128, 224, 224}, {128, 224, 192}, {128, 224, 160}, {128, 224, 128}, {160, 224, 128}, {192, 224, 128},
    {224, 224, 128}, {224, 192, 128}, {224, 160, 128}, {224, 128, 128}, {255, 96, 128},  {255, 96, 160},
    {255, 96, 192},  {255, 96, 224},  {255, 96, 255},  {224, 96, 255},  {192, 96, 255},  {160, 96, 255},
    {128, 96, 255},  {96, 96, 255},   {96, 128, 255},  {96, 160, 255},  {96, 192, 255},  {96, 224, 255},
    {96, 255, 255},  {96, 255, 224},  {96, 255, 192},  {96, 255, 160},  {96, 255, 128},  {96, 255, 96},
    {128, 255, 96},  {160, 255, 96},  {192, 255, 96},  {224, 255, 96},  {255, 255, 96},  {255, 224, 96},
    {255, 192, 96},  {255, 160, 96},  {255, 128, 96},  {255, 96, 96},   {192, 128, 160}, {160, 128, 192},
    {128, 160, 192}, {128, 192, 160}, {160, 192, 128}, {192, 160, 128}, {224, 96, 128},  {224, 96, 160},
    {224, 96, 192},
};

TColor Gray(int level) { return RGBColor(level, level, level); }

std::vector<TColor> BuildFixedPalette(TPaletteIdent ident) {
  std::vector<TColor> colors;
  switch (ident) {
    case pBlackWhite: colors = {Gray(0), Gray(255)}; break;
    case pSysGray4: colors = {Gray(0), Gray(128), Gray(192), Gray(255)}; break;
    case pSys16: colors.assign(std::begin(kSystemColors), std::end(kSystemColors)); break;
    case pGray4:
      for (int i = 0; i < 4; ++i) colors.push_back(Gray(i * 255 / 3));
      break;
    case pGray16:
      for (int i = 0; i < 16; ++i) colors.push_back(Gray(i * 255 / 15));
      break;
    case pGray236:
      // i * 255 / 235 never lies exactly halfway between two integers.
      for (int i = 0; i < 236; ++i) colors.push_back(Gray(static_cast<int>(std::nearbyint(i * 255.0 / 235.0))));
      break;
    case pGray256:
      for (int i = 0; i < 256; ++i) colors.push_back(Gray(i));
      break;
    case pSpecial125:
      for (int r = 0; r < 5; ++r)
        for (int g = 0; g < 5; ++g)
          for (int b = 0; b < 5; ++b)
            colors.push_back(RGBColor((r * 255 + 3) / 4, (g * 255 + 3) / 4, (b * 255 + 3) / 4));
      break;
    case pSpecial216:
      for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
          for (int b = 0; b < 6; ++b)
            colors.push_back(RGBColor((r * 255 + 4) / 5, (g * 255 + 4) / 5, (b * 255 + 4) / 5));
      break;
    case pSpecial252: {
      colors.assign(std::begin(kSystemColors), std::end(kSystemColors));
      // The 5-level cube in (R, G, B) order without the system colours already listed.
      static constexpr int kLevels[5] = {0, 64, 128, 192, 255};
      for (int r : kLevels)
        for (int g : kLevels)
          for (int b : kLevels) {
            const TColor c = RGBColor(r, g, b);
            if (std::find(std::begin(kSystemColors), std::end(kSystemColors), c) == std::end(kSystemColors))
              colors.push_back(c);
          }
      for (const auto& t : kSpecial252Tints) colors.push_back(RGBColor(t[0], t[1], t[2]));
      break;
    }
    default: break;
  }
  return colors;
}

}  // namespace

const std::vector<TColor>& FixedPaletteColors(TPaletteIdent ident) {
  static const std::array<std::vector<TColor>, pSource + 1> kPalettes = [] {
    std::array<std::vector<TColor>, pSource + 1> all;
    for (int i = 0; i <= pSource; ++i) all[i] = BuildFixedPalette(static_cast<TPaletteIdent>(i));
    return all;
  }();
  return kPalettes[ident <= pSource ? ident : pNone];
}

void TPixelGraphic::SetPaletteIdent(TPaletteIdent ident) {
  if (ident == paletteIdent_) return;
  switch (ident) {
    case pNone:
    case pTrueColor:
      FlushPendingDrawing();
      palette_.clear();
      break;
    case pUnknown: break;
    case pOptimized252Sys16:
    case pSource:
      // Requests of the viewer and the dialogs; an image never carries them.
      return;
    default:
      FlushPendingDrawing();
      palette_ = FixedPaletteColors(ident);
      break;
  }
  paletteIdent_ = ident;
  InvalidatePaletteCaches();
}

}  // namespace lumora
