#pragma once
// Per-image state of the colour mapping and error diffusion: the colour cache and its
// known-bits, the one-entry memo, the error limit table and the two error rows.
#include <cstdint>
#include <memory>
#include <vector>

namespace lumora {

struct TColorResolutionState {
  std::unique_ptr<std::uint8_t[]> ColorCache;  // 32 x 64 x 32 cells, one palette index each
  std::unique_ptr<std::uint8_t[]> CacheKnown;  // one bit per cell
  bool CacheNeedsSeeding = true;
  std::uint32_t LastColor = 0;
  std::uint32_t LastIndex = 0;
  bool MemoInvalid = true;
  std::vector<int> ErrorLimitTable;            // 511 entries for errors -255..255
  std::vector<int> ErrorRows[2];               // current and next row, (Width + 2) x 3 each
  int CurrentErrorRow = 0;
};

}  // namespace lumora
