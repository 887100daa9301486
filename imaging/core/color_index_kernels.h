#pragma once
// The colour-to-index rule of each palette identity as a small inline kernel, so the
// row loops pick the rule once and inline it. Used by ColorToIndex, the dithered store
// and the row mappers; not meant for code outside the colour mapping.
#include <array>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/core/color_resolution_state.h"
#include "imaging/core/exceptions.h"
#include "imaging/core/messages.h"
#include "imaging/core/pixel_graphic.h"

namespace lumora::color_detail {

inline int Luminance(bool weighted, int r, int g, int b) {
  return weighted ? (897 * r + 1761 * g + 342 * b) / 1000 : r + g + b;
}

// Exhaustive search in index order; the first minimum of the squared distance wins.
inline std::uint32_t NearestEntry(const TColor* palette, int count, int r, int g, int b) {
  int best = 0;
  int bestDistance = INT_MAX;
  for (int i = 0; i < count; ++i) {
    const TColor p = palette[i];
    const int dr = r - GetRValue(p), dg = g - GetGValue(p), db = b - GetBValue(p);
    const int d = dr * dr + dg * dg + db * db;
    if (d < bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  return static_cast<std::uint32_t>(best);
}

// Candidate lists per cell: the indices of cell c are List[Start[c] .. Start[c + 1]).
struct TCandidateTable {
  std::uint16_t Start[730];
  std::vector<std::uint8_t> List;
};
// The 729 cells of the 252-colour palette, cell ((R + 16) div 32, (G + 16) div 32,
// (B + 16) div 32). Every entry that is the nearest one (first minimum) for some colour
// of a cell is listed for it, in index order.
const TCandidateTable& Special252Candidates();
// The 64 cells (R div 64, G div 64, B div 64) of the system colours.
extern const std::uint8_t kSys16Candidates[64][4];  // count, then up to three indices

// Lookup tables of the formula identities.
template <size_t N, class F>
constexpr std::array<std::uint8_t, N> MakeByteTable(F f) {
  std::array<std::uint8_t, N> table{};
  for (size_t i = 0; i < N; ++i) table[i] = static_cast<std::uint8_t>(f(static_cast<int>(i)));
  return table;
}
// Gray level of entry i of the 236 grays: the nearest integer to i * 255 / 235 (never a tie).
constexpr int Gray236Level(int i) { return (510 * i + 235) / 470; }
// The entry whose level is nearest to lum / 3, ties to the lower index: compared as
// |3 * level - lum| to stay in integers. The levels lie about 255 / 235 apart, so the
// nearest entry is within one of lum * 235 / 765 rounded; the window of five around it
// keeps the table cheap to build at compile time.
inline constexpr auto kGray236OfLuminance = MakeByteTable<766>([](int lum) {
  const int guess = (2 * 235 * lum + 765) / (2 * 765);
  const int first = guess < 2 ? 0 : guess - 2, last = guess > 233 ? 235 : guess + 2;
  int best = first;
  for (int i = first + 1; i <= last; ++i) {
    const int d = 3 * Gray236Level(i) - lum, bestD = 3 * Gray236Level(best) - lum;
    if ((d < 0 ? -d : d) < (bestD < 0 ? -bestD : bestD)) best = i;
  }
  return best;
});
// A component 224 counts as 225, so it reaches level 4 (255).
inline constexpr auto kSpecial125Level = MakeByteTable<256>([](int c) { return ((c == 224 ? 225 : c) + 31) / 64; });
inline constexpr auto kSpecial216Level = MakeByteTable<256>([](int c) { return (c + 24) / 51; });
inline constexpr auto kSpecial252Level = MakeByteTable<256>([](int c) { return (c + 16) / 32; });

// Allocates and seeds the colour cache when it needs it.
void EnsureColorCache(TColorResolutionState& state, const TColor* palette, int count);

struct TKernelBase {
  // The answer depends on the colour only (no cache that fills as colours arrive).
  static constexpr bool kStateless = true;
  const TColor* Palette;
  int Count;
  // Palette entry k with colour-table semantics: entries beyond the palette read as 0.
  TColor Entry(std::uint32_t k) const { return k < std::uint32_t(Count) ? Palette[k] : (Count ? Palette[0] : 0); }
};

struct TTrueColorKernel : TKernelBase {
  std::uint32_t Index(int r, int g, int b) const { return RGBColor(r, g, b); }
  // The palette of a true-colour image passes the index through as the colour.
  TColor Entry(std::uint32_t k) const { return k; }
};

struct TBlackWhiteKernel : TKernelBase {
  bool Weighted;
  std::uint32_t Index(int r, int g, int b) const { return std::uint32_t(Luminance(Weighted, r, g, b) + 1) / 384; }
};

struct TSysGray4Kernel : TKernelBase {
  bool Weighted;
  std::uint32_t Index(int r, int g, int b) const {
    const int lum = Luminance(Weighted, r, g, b);
    return lum <= 192 ? 0 : lum <= 480 ? 1 : lum <= 670 ? 2 : 3;
  }
};

struct TGray4Kernel : TKernelBase {
  bool Weighted;
  std::uint32_t Index(int r, int g, int b) const { return std::uint32_t(Luminance(Weighted, r, g, b) + 127) / 255; }
};

struct TGray16Kernel : TKernelBase {
  bool Weighted;
  std::uint32_t Index(int r, int g, int b) const { return std::uint32_t(Luminance(Weighted, r, g, b) + 25) / 51; }
};

struct TGray236Kernel : TKernelBase {
  bool Weighted;
  std::uint32_t Index(int r, int g, int b) const { return kGray236OfLuminance[Luminance(Weighted, r, g, b)]; }
};

struct TGray256Kernel : TKernelBase {
  bool Weighted;
  std::uint32_t Index(int r, int g, int b) const { return std::uint32_t(Luminance(Weighted, r, g, b) + 1) / 3; }
};

struct TSpecial125Kernel : TKernelBase {
  std::uint32_t Index(int r, int g, int b) const {
    return kSpecial125Level[r] * 25u + kSpecial125Level[g] * 5u + kSpecial125Level[b];
  }
};

struct TSpecial216Kernel : TKernelBase {
  std::uint32_t Index(int r, int g, int b) const {
    return kSpecial216Level[r] * 36u + kSpecial216Level[g] * 6u + kSpecial216Level[b];
  }
};

inline int SquaredDistance(TColor p, int r, int g, int b) {
  const int dr = r - GetRValue(p), dg = g - GetGValue(p), db = b - GetBValue(p);
  return dr * dr + dg * dg + db * db;
}

struct TSys16Kernel : TKernelBase {
  std::uint32_t Index(int r, int g, int b) const {
    const std::uint8_t* c = kSys16Candidates[(r >> 6) * 16 + (g >> 6) * 4 + (b >> 6)];
    std::uint32_t best = c[1];
    if (c[0] > 1) {
      int bestDistance = SquaredDistance(Palette[best], r, g, b);
      for (int i = 2; i <= c[0]; ++i) {
        const int d = SquaredDistance(Palette[c[i]], r, g, b);
        if (d < bestDistance) {
          bestDistance = d;
          best = c[i];
        }
      }
    }
    return best;
  }
};

struct TSpecial252Kernel : TKernelBase {
  const TCandidateTable* Table;
  std::uint32_t Index(int r, int g, int b) const {
    const int cell = kSpecial252Level[r] * 81 + kSpecial252Level[g] * 9 + kSpecial252Level[b];
    const int first = Table->Start[cell], end = Table->Start[cell + 1];
    std::uint32_t best = Table->List[first];
    if (end - first == 1) return best;  // a cell with one candidate needs no distance
    int bestDistance = SquaredDistance(Palette[best], r, g, b);
    for (int i = first + 1; i < end; ++i) {
      const std::uint32_t k = Table->List[i];
      const int d = SquaredDistance(Palette[k], r, g, b);
      best = d < bestDistance ? k : best;
      bestDistance = d < bestDistance ? d : bestDistance;
    }
    return best;
  }
};

struct TExhaustiveKernel : TKernelBase {
  std::uint32_t Index(int r, int g, int b) const { return NearestEntry(Palette, Count, r, g, b); }
};

struct TCachedKernel : TKernelBase {
  static constexpr bool kStateless = false;
  std::uint8_t* Cache;
  std::uint8_t* Known;
  std::uint32_t Index(int r, int g, int b) const {
    const int cell = ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
    const std::uint8_t bit = std::uint8_t(1u << (cell & 7));
    if (Known[cell >> 3] & bit) return Cache[cell];
    const std::uint32_t k = NearestEntry(Palette, Count, r, g, b);
    Cache[cell] = static_cast<std::uint8_t>(k);
    Known[cell >> 3] |= bit;
    return k;
  }
};

// Calls f(kernel) with the kernel of the image's palette identity. An image without a
// palette (pNone) raises EPGNoPalette.
template <class F>
decltype(auto) WithColorKernel(TPixelGraphic& image, F&& f) {
  const std::vector<TColor>& palette = image.PaletteColors();
  const TKernelBase base{palette.data(), static_cast<int>(palette.size())};
  const bool weighted = image.RGBWeighting();
  switch (image.PaletteIdent()) {
    case pNone: throw EPGNoPalette(PGMessage(msgNoPalette));
    case pTrueColor: return f(TTrueColorKernel{base});
    case pBlackWhite: return f(TBlackWhiteKernel{base, weighted});
    case pSysGray4: return f(TSysGray4Kernel{base, weighted});
    case pSys16: return f(TSys16Kernel{base});
    case pGray4: return f(TGray4Kernel{base, weighted});
    case pGray16: return f(TGray16Kernel{base, weighted});
    case pGray236: return f(TGray236Kernel{base, weighted});
    case pGray256: return f(TGray256Kernel{base, weighted});
    case pSpecial125: return f(TSpecial125Kernel{base});
    case pSpecial216: return f(TSpecial216Kernel{base});
    case pSpecial252: return f(TSpecial252Kernel{base, &Special252Candidates()});
    default: break;  // pUnknown
  }
  // The cache holds byte indices, so a palette beyond 256 entries is searched directly.
  if (image.UsePaletteCache() && base.Count <= 256) {
    TColorResolutionState& state = image.ColorResolutionState();
    EnsureColorCache(state, base.Palette, base.Count);
    return f(TCachedKernel{base, state.ColorCache.get(), state.CacheKnown.get()});
  }
  return f(TExhaustiveKernel{base});
}

// The one-entry memo of ColorToIndex, held in locals for a row and written back after.
struct TMemo {
  std::uint32_t Color, Index;
  bool Valid;
  explicit TMemo(const TColorResolutionState& s) : Color(s.LastColor), Index(s.LastIndex), Valid(!s.MemoInvalid) {}
  void Store(TColorResolutionState& s) const {
    s.LastColor = Color;
    s.LastIndex = Index;
    s.MemoInvalid = !Valid;
  }
  template <class K>
  std::uint32_t Lookup(K& kernel, std::uint32_t color, int r, int g, int b) {
    if (Valid && color == Color) return Index;
    Index = kernel.Index(r, g, b);
    Color = color;
    Valid = true;
    return Index;
  }
};

}  // namespace lumora::color_detail
