#pragma once
// The fixed palettes of the colour mapping and the 16 system colours.
#include <vector>

#include "imaging/core/pg_types.h"

namespace lumora {

// The 16 system colours in index order (black, dark red, ..., white).
extern const TColor kSystemColors[16];

// The entries of the fixed palette of `ident`; empty for identities that name no fixed
// palette (pNone, pTrueColor, pUnknown and the requests after pSpecial252).
const std::vector<TColor>& FixedPaletteColors(TPaletteIdent ident);

// True when every entry has red = green = blue (also for an empty palette).
bool AllEntriesGray(const std::vector<TColor>& palette);

}  // namespace lumora
