// Colour resolution, first cut: a few fixed palettes, recognition of the simplest
// ones and exact nearest-colour mapping. The full set arrives with its own work.
#include "imaging/core/color_resolution.h"

#include "imaging/core/exceptions.h"
#include "imaging/core/messages.h"

namespace lumora {

void TPixelGraphic::ClearColorCache() {
  color_.ColorCache.reset();
  color_.CacheKnown.reset();
  color_.CacheNeedsSeeding = true;
}

void TPixelGraphic::SetUsePaletteCache(bool on) {
  if (on == usePaletteCache_) return;
  usePaletteCache_ = on;
  color_.MemoInvalid = true;
  Changed();
}

void TPixelGraphic::SetRGBWeighting(bool on) {
  if (on == rgbWeighting_) return;
  rgbWeighting_ = on;
  color_.MemoInvalid = true;
}

void TPixelGraphic::SetPaletteIdent(TPaletteIdent ident) {
  if (ident == paletteIdent_) return;
  std::vector<TColor> colors;
  switch (ident) {
    case pNone:
    case pTrueColor:
      palette_.clear();
      paletteIdent_ = ident;
      InvalidatePaletteCaches();
      return;
    case pUnknown:
      paletteIdent_ = ident;
      InvalidatePaletteCaches();
      return;
    case pBlackWhite: colors = {0, 0xFFFFFF}; break;
    case pGray16:
      for (int i = 0; i < 16; ++i) colors.push_back(RGBColor(i * 255 / 15, i * 255 / 15, i * 255 / 15));
      break;
    case pGray256:
      for (int i = 0; i < 256; ++i) colors.push_back(RGBColor(i, i, i));
      break;
    default: return;
  }
  palette_ = colors;
  paletteIdent_ = ident;
  InvalidatePaletteCaches();
}

void TPixelGraphic::DeterminePaletteIdent() {
  isGrayPalette_ = bitCountNum_ != 3 && !palette_.empty();
  for (TColor c : palette_)
    if (GetRValue(c) != GetGValue(c) || GetGValue(c) != GetBValue(c)) isGrayPalette_ = false;
  if (palette_.size() == 2 && palette_[0] == 0 && palette_[1] == 0xFFFFFF) paletteIdent_ = pBlackWhite;
  else if (palette_.empty()) paletteIdent_ = bitCountNum_ == 3 ? pTrueColor : pNone;
  else paletteIdent_ = pUnknown;
}

std::uint32_t TPixelGraphic::ColorToIndex(TColor color) {
  if (paletteIdent_ == pNone) throw EPGNoPalette(PGMessage(msgNoPalette));
  if (paletteIdent_ == pTrueColor) return color;
  int best = 0;
  long bestDistance = -1;
  for (int i = 0; i < PaletteCount(); ++i) {
    const long dr = GetRValue(color) - GetRValue(palette_[i]);
    const long dg = GetGValue(color) - GetGValue(palette_[i]);
    const long db = GetBValue(color) - GetBValue(palette_[i]);
    const long d = dr * dr + dg * dg + db * db;
    if (bestDistance < 0 || d < bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  return static_cast<std::uint32_t>(best);
}

void TPixelGraphic::BeginDither() {}
void TPixelGraphic::NextDitherRow() {}
void TPixelGraphic::SetRGBPixelDithered(int x, int y, int r, int g, int b) { SetRGBPixel(x, y, RGBColor(r, g, b)); }
void TPixelGraphic::EndDither() {}

void OptimizePalette(TPixelGraphic& target, const TPixelGraphic& source, int count, bool withSystemColors) {
  (void)source, (void)withSystemColors;
  target.SetPaletteCount(count > 0 ? 2 : 0);
  if (count > 0) {
    target.SetPaletteColor(0, 0);
    target.SetPaletteColor(1, 0xFFFFFF);
  }
}

}  // namespace lumora
