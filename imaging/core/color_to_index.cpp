// ColorToIndex and its colour cache; the candidate tables of the system colours and of
// the 252-colour palette.
#include <algorithm>
#include <cstring>

#include "imaging/core/color_index_kernels.h"
#include "imaging/core/fixed_palettes.h"

namespace lumora {

namespace color_detail {

// Cell (R div 64, G div 64, B div 64) lists its candidates; the first is taken and a
// later one replaces it only when strictly nearer. This is a fixed table, not a nearest
// search: (150, 150, 150) in cell 222 weighs silver against gray and gets gray.
const std::uint8_t kSys16Candidates[64][4] = {
    // R 0
    {1, 0}, {1, 4}, {1, 4}, {1, 12}, {1, 2}, {1, 6}, {1, 6}, {2, 6, 12},
    {1, 2}, {1, 6}, {1, 6}, {2, 6, 14}, {1, 10}, {2, 6, 10}, {2, 6, 14}, {1, 14},
    // R 1
    {1, 1}, {1, 5}, {1, 5}, {2, 5, 12}, {1, 3}, {1, 8}, {1, 8}, {2, 8, 12},
    {1, 3}, {1, 8}, {1, 8}, {3, 7, 8, 14}, {2, 3, 10}, {2, 8, 10}, {3, 7, 8, 14}, {2, 7, 14},
    // R 2
    {1, 1}, {1, 5}, {1, 5}, {2, 5, 13}, {1, 3}, {1, 8}, {1, 8}, {3, 7, 8, 13},
    {1, 3}, {1, 8}, {2, 7, 8}, {1, 7}, {2, 3, 11}, {3, 7, 8, 11}, {1, 7}, {1, 7},
    // R 3
    {1, 9}, {2, 5, 9}, {2, 5, 13}, {1, 13}, {2, 3, 9}, {2, 8, 9}, {3, 7, 8, 13}, {2, 7, 13},
    {2, 3, 11}, {3, 7, 8, 11}, {1, 7}, {1, 7}, {1, 11}, {2, 7, 11}, {1, 7}, {2, 7, 15},
};

namespace {

// The range of components c with (c + 16) div 32 = level.
void LevelRange(int level, int& lo, int& hi) {
  lo = level == 0 ? 0 : 32 * level - 16;
  hi = level == 8 ? 255 : 32 * level + 15;
}

// For each cell (a box of colours), the entries that can be the first nearest one for
// some colour of the box. The squared-distance difference between two entries is affine
// in the colour, so its extremes over the box lie at the box's corners: an entry q
// beats entry p everywhere in the box when, at all eight corners, q is strictly nearer,
// or equally near with the lower index. Entries beaten everywhere are dropped; the
// first nearest entry of any colour is never beaten there, so it stays listed. A
// distance bound removes most entries before the pairwise test.
TCandidateTable BuildSpecial252Candidates() {
  const std::vector<TColor>& palette = FixedPaletteColors(pSpecial252);
  const int n = static_cast<int>(palette.size());
  TCandidateTable table{};
  for (int cell = 0; cell < 729; ++cell) {
    int lo[3], hi[3];
    LevelRange(cell / 81, lo[0], hi[0]);
    LevelRange(cell / 9 % 9, lo[1], hi[1]);
    LevelRange(cell % 9, lo[2], hi[2]);
    auto component = [&](int k, int axis) {
      const TColor c = palette[k];
      return axis == 0 ? GetRValue(c) : axis == 1 ? GetGValue(c) : GetBValue(c);
    };
    // Nearest and farthest squared distance of each entry to the box.
    std::vector<int> minD(n), maxD(n);
    int bound = INT_MAX;
    for (int k = 0; k < n; ++k) {
      int mn = 0, mx = 0;
      for (int axis = 0; axis < 3; ++axis) {
        const int v = component(k, axis);
        const int below = v < lo[axis] ? lo[axis] - v : v > hi[axis] ? v - hi[axis] : 0;
        const int far = std::max(std::abs(v - lo[axis]), std::abs(v - hi[axis]));
        mn += below * below;
        mx += far * far;
      }
      minD[k] = mn;
      maxD[k] = mx;
      bound = std::min(bound, mx);
    }
    std::vector<int> near;
    for (int k = 0; k < n; ++k)
      if (minD[k] <= bound) near.push_back(k);
    auto distance = [&](int k, int r, int g, int b) { return SquaredDistance(palette[k], r, g, b); };
    auto beatsEverywhere = [&](int q, int p) {
      for (int corner = 0; corner < 8; ++corner) {
        const int r = corner & 4 ? hi[0] : lo[0], g = corner & 2 ? hi[1] : lo[1], b = corner & 1 ? hi[2] : lo[2];
        const int dq = distance(q, r, g, b), dp = distance(p, r, g, b);
        if (dq > dp || (dq == dp && q > p)) return false;
      }
      return true;
    };
    table.Start[cell] = static_cast<std::uint16_t>(table.List.size());
    for (int p : near) {
      bool beaten = false;
      for (int q : near)
        if (q != p && beatsEverywhere(q, p)) {
          beaten = true;
          break;
        }
      if (!beaten) table.List.push_back(static_cast<std::uint8_t>(p));
    }
  }
  table.Start[729] = static_cast<std::uint16_t>(table.List.size());
  return table;
}

}  // namespace

const TCandidateTable& Special252Candidates() {
  static const TCandidateTable kTable = BuildSpecial252Candidates();
  return kTable;
}

// Seeding hands every cell within 4 cells (the largest per-axis cell distance) of a
// palette entry's own cell to the nearest such entry, the first one in index order on
// equal distance: the same cells the rings r = 0..4 fill in order. Seeded cells count as
// known, which is what trades exactness for speed: a colour of a seeded cell gets that
// cell's entry even when another entry is nearer.
void EnsureColorCache(TColorResolutionState& state, const TColor* palette, int count) {
  if (!state.CacheNeedsSeeding && state.ColorCache) return;
  constexpr int kCells = TColorResolutionState::kCacheCells;
  state.ColorCache.reset(new std::uint8_t[kCells]());
  state.CacheKnown.reset(new std::uint8_t[kCells / 8]());
  std::vector<std::uint8_t> ring(kCells, 0xFF);  // ring that seeded the cell; 0xFF: none
  for (int k = 0; k < count; ++k) {
    const int pr = GetRValue(palette[k]) >> 3, pg = GetGValue(palette[k]) >> 2, pb = GetBValue(palette[k]) >> 3;
    for (int r = std::max(0, pr - 4); r <= std::min(31, pr + 4); ++r)
      for (int g = std::max(0, pg - 4); g <= std::min(63, pg + 4); ++g)
        for (int b = std::max(0, pb - 4); b <= std::min(31, pb + 4); ++b) {
          const int d = std::max({std::abs(r - pr), std::abs(g - pg), std::abs(b - pb)});
          const int cell = (r << 11) | (g << 5) | b;
          if (d < ring[cell]) {
            ring[cell] = static_cast<std::uint8_t>(d);
            state.ColorCache[cell] = static_cast<std::uint8_t>(k);
            state.CacheKnown[cell >> 3] |= std::uint8_t(1u << (cell & 7));
          }
        }
  }
  state.CacheNeedsSeeding = false;
}

}  // namespace color_detail

std::uint32_t TPixelGraphic::ColorToIndex(TColor color) {
  if (!color_.MemoInvalid && color == color_.LastColor) return color_.LastIndex;
  const int r = GetRValue(color), g = GetGValue(color), b = GetBValue(color);
  std::uint32_t index;
  if (paletteIdent_ == pTrueColor) {
    index = color;  // the colour itself, as given
  } else {
    index = color_detail::WithColorKernel(*this, [&](auto kernel) { return kernel.Index(r, g, b); });
  }
  color_.LastColor = color;
  color_.LastIndex = index;
  color_.MemoInvalid = false;
  return index;
}

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

}  // namespace lumora
