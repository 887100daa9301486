#pragma once
// Basic types of the image library: colours, enumerations and event signatures.
#include <cstdint>
#include <functional>

namespace lumora {

// A colour is 0x00BBGGRR: red in the lowest byte.
using TColor = std::uint32_t;

constexpr TColor RGBColor(int r, int g, int b) {
  return TColor(r & 0xFF) | (TColor(g & 0xFF) << 8) | (TColor(b & 0xFF) << 16);
}
constexpr int GetRValue(TColor c) { return int(c & 0xFF); }
constexpr int GetGValue(TColor c) { return int((c >> 8) & 0xFF); }
constexpr int GetBValue(TColor c) { return int((c >> 16) & 0xFF); }

enum TPaletteIdent : std::uint8_t {
  pNone,
  pTrueColor,
  pUnknown,
  pBlackWhite,
  pSysGray4,
  pSys16,
  pGray4,
  pGray16,
  pGray236,
  pGray256,
  pSpecial125,
  pSpecial216,
  pSpecial252,
  pOptimized252Sys16,
  pSource,
};

enum TPGWarningAction : std::uint8_t { pgwaIgnore, pgwaOKBox, pgwaOKCancelBox, pgwaRaise };

enum TStretchMode : std::uint8_t { smFast, smMedium, smPrecise };

class TPixelGraphic;

using TNotifyEvent = std::function<void(TPixelGraphic& sender)>;
// Step counts rows (or tenths of a file) up to Max; setting Abort stops the operation
// after the current step.
using TPGProgressEvent = std::function<void(TPixelGraphic& sender, int step, int max, bool& abort)>;

}  // namespace lumora
