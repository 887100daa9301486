#pragma once
// Per-image state of the colour mapping and error diffusion: the colour cache and its
// known-bits, the one-entry memo, the error limit table and the two error rows.
#include <cstdint>
#include <memory>
#include <vector>

namespace lumora {

struct TColorResolutionState {
  // 32 x 64 x 32 cells, one palette index each; cell (R div 8, G div 4, B div 8).
  static constexpr int kCacheCells = 32 * 64 * 32;
  std::unique_ptr<std::uint8_t[]> ColorCache;
  std::unique_ptr<std::uint8_t[]> CacheKnown;  // one bit per cell
  bool CacheNeedsSeeding = true;

  // One-entry memo of ColorToIndex.
  std::uint32_t LastColor = 0;
  std::uint32_t LastIndex = 0;
  bool MemoInvalid = true;

  // Error diffusion: the limit table T[-255..255] stored from index 0, and two rows of
  // (Width + 2) cells of red, green and blue errors in sixteenths; cell X sits at
  // 3 * (X + 1), so X = -1 and X = Width are the spare cells.
  std::vector<int> ErrorLimitTable;
  std::vector<int> ErrorRows[2];
  int CurrentErrorRow = 0;
  // T[e(v)] for accumulated errors v = -4095..4095 (entry v + 4095), so the row loops
  // take the rounded, limited step in one load.
  std::vector<std::int16_t> ErrorStepTable;

  bool DitherActive(int width) const {
    return ErrorLimitTable.size() == 511 && ErrorStepTable.size() == 8191 && ErrorRows[0].size() == 3 * (static_cast<size_t>(width) + 2);
  }
  int* CurrentErrors() { return ErrorRows[CurrentErrorRow].data(); }
  int* NextErrors() { return ErrorRows[CurrentErrorRow ^ 1].data(); }
  const int* LimitTable() const { return ErrorLimitTable.data() + 255; }
};

}  // namespace lumora
