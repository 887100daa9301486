// Error diffusion into indexed images: the error limit table and the per-pixel
// dithered store. Errors are kept in sixteenths and spread Floyd-Steinberg fashion
// (7 ahead in the row; 1, 5, 3 to the next row ahead, below, behind) along serpentine
// rows.
#include <algorithm>

#include "imaging/core/color_mapping.h"
#include "imaging/core/exceptions.h"
#include "imaging/core/fixed_palettes.h"
#include "imaging/core/messages.h"

namespace lumora {

int DitherAutoErrorLimit(TPaletteIdent ident) {
  switch (ident) {
    case pBlackWhite: return 255;
    case pSysGray4:
    case pSys16:
    case pGray4: return 128;
    case pGray236: return 3;
    case pGray256: return 2;
    case pSpecial125:
    case pSpecial252: return 104;
    case pSpecial216: return 86;
    case pOptimized252Sys16:
    case pSource: return 0;
    default: return 32;
  }
}

std::vector<int> DitherErrorLimitTable(int limit, bool soft) {
  const int l = std::clamp(limit, 0, 255);
  std::vector<int> table(511);
  int* t = table.data() + 255;
  for (int i = 0; i <= 255; ++i) t[i] = i;
  if (l != 255)
    for (int i = l; i <= 255; ++i) t[i] = l;
  if (soft)
    for (int i = l / 2; i <= 3 * l / 2 && i < 255; ++i) t[i] = i / 2 + l / 4;
  for (int i = 1; i <= 255; ++i) t[-i] = -t[i];
  return table;
}

void BuildErrorStepTable(TColorResolutionState& state);

void TPixelGraphic::BeginDither() {
  const size_t cells = 3 * (static_cast<size_t>(width_) + 2);
  for (std::vector<int>& row : color_.ErrorRows) row.assign(cells, 0);
  color_.CurrentErrorRow = 0;
  isGrayPalette_ = bitCountNum_ != 3 && AllEntriesGray(palette_);
  const bool autoLimit = DitherErrorLimitAuto;
  color_.ErrorLimitTable = DitherErrorLimitTable(autoLimit ? DitherAutoErrorLimit(paletteIdent_) : DitherErrorLimit,
                                                 autoLimit ? true : DitherErrorLimitSoft);
  BuildErrorStepTable(color_);
}

void TPixelGraphic::NextDitherRow() {
  if (!color_.DitherActive(width_)) BeginDither();
  color_.CurrentErrorRow ^= 1;
  std::vector<int>& next = color_.ErrorRows[color_.CurrentErrorRow ^ 1];
  std::fill(next.begin(), next.end(), 0);
}

void TPixelGraphic::EndDither() {
  for (std::vector<int>& row : color_.ErrorRows) row = {};
  color_.ErrorLimitTable = {};
  color_.ErrorStepTable = {};
  color_.CurrentErrorRow = 0;
}

namespace {
int ErrorStep(int v);
}  // namespace

void BuildErrorStepTable(TColorResolutionState& state) {
  const int* t = state.LimitTable();
  state.ErrorStepTable.resize(8191);
  for (int v = -4095; v <= 4095; ++v) state.ErrorStepTable[v + 4095] = static_cast<std::int16_t>(t[ErrorStep(v)]);
}

namespace {

// The accumulated error in sixteenths, divided by 16 and rounded half away from zero.
// It stays within -255..255 when every pixel is stored once per row; the clamp keeps
// the table lookup inside the table whatever the caller does.
int ErrorStep(int v) {
  const int e = v >= 0 ? (v + 8) >> 4 : -((8 - v) >> 4);
  return std::clamp(e, -255, 255);
}

int Clamp255(int v) { return std::clamp(v, 0, 255); }

}  // namespace

void TPixelGraphic::SetRGBPixelDithered(int x, int y, int r, int g, int b) {
  if (!InImage(x, y)) {
    if (RangeCheck) throw EPGXYIndexOutOfRange(PGMessage(msgXYIndexOutOfRange));
    return;
  }
  if (!color_.DitherActive(width_)) BeginDither();
  const int* t = color_.LimitTable();
  int* current = color_.CurrentErrors();
  int* next = color_.NextErrors();
  const int d = (y & 1) ? -1 : 1;
  int* e = current + 3 * (x + 1);
  auto spread = [&](int channel, int delta) {
    current[3 * (x + 1 + d) + channel] += 7 * delta;
    next[3 * (x + 1 + d) + channel] += delta;
    next[3 * (x + 1) + channel] += 5 * delta;
    next[3 * (x + 1 - d) + channel] += 3 * delta;
  };
  // Entry k as a colour: a true-colour image passes the index through.
  auto entry = [&](std::uint32_t k) {
    return paletteIdent_ == pTrueColor ? TColor(k) : ColorTableEntry(static_cast<int>(k));
  };
  if (!isGrayPalette_) {
    const int r2 = Clamp255(r + t[ErrorStep(e[0])]);
    const int g2 = Clamp255(g + t[ErrorStep(e[1])]);
    const int b2 = Clamp255(b + t[ErrorStep(e[2])]);
    const std::uint32_t k = ColorToIndex(RGBColor(r2, g2, b2));
    SetPixel(x, y, k);
    const TColor p = entry(k);
    spread(0, r2 - GetRValue(p));
    spread(1, g2 - GetGValue(p));
    spread(2, b2 - GetBValue(p));
  } else {
    const int v = Clamp255(Luminance(r, g, b) / 3 + t[ErrorStep(e[1])]);
    const std::uint32_t k = ColorToIndex(RGBColor(v, v, v));
    SetPixel(x, y, k);
    spread(1, v - GetGValue(entry(k)));
  }
}

}  // namespace lumora
