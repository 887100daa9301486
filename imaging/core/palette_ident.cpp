// Recognition of the fixed palettes (DeterminePaletteIdent).
#include "imaging/core/fixed_palettes.h"
#include "imaging/core/pixel_graphic.h"

namespace lumora {

bool AllEntriesGray(const std::vector<TColor>& palette) {
  for (TColor c : palette)
    if (GetRValue(c) != GetGValue(c) || GetGValue(c) != GetBValue(c)) return false;
  return true;
}

void TPixelGraphic::DeterminePaletteIdent() {
  isGrayPalette_ = bitCountNum_ != 3 && AllEntriesGray(palette_);
  // The order decides between palettes that could both match: sixteen grays are
  // recognised as pGray16 before the system colours are tried.
  static constexpr TPaletteIdent kRecognised[] = {pBlackWhite, pGray4,      pSysGray4,   pGray16,    pGray236,
                                                  pGray256,    pSys16,      pSpecial216, pSpecial125, pSpecial252};
  for (TPaletteIdent ident : kRecognised) {
    if (palette_ == FixedPaletteColors(ident)) {
      if (paletteIdent_ != ident) {
        paletteIdent_ = ident;
        InvalidatePaletteCaches();
      }
      return;
    }
  }
  TPaletteIdent ident = pUnknown;
  if (palette_.empty()) ident = bitCountNum_ == 3 ? pTrueColor : pNone;
  if (paletteIdent_ != ident) {
    paletteIdent_ = ident;
    InvalidatePaletteCaches();
  }
}

}  // namespace lumora
