#include "imaging/codecs/rgb_rows.h"

#include <immintrin.h>

#include <array>
#include <utility>

namespace lumora {
namespace {

// Sixteen pixels are 48 bytes, three vectors. Output byte j comes from input byte
// j - 2, j or j + 2 of its pixel, which can lie in the neighbouring vector, so each
// output vector is the OR of byte shuffles of the three inputs; kShuffles[o][i] picks
// the bytes of input vector i for output vector o (0x80 gives a zero byte).
using TShuffle = std::array<std::uint8_t, 16>;

constexpr std::array<std::array<TShuffle, 3>, 3> MakeShuffles() {
  std::array<std::array<TShuffle, 3>, 3> m{};
  for (int o = 0; o < 3; ++o)
    for (int i = 0; i < 3; ++i)
      for (int k = 0; k < 16; ++k) m[o][i][k] = 0x80;
  for (int j = 0; j < 48; ++j) {
    const int from = j - j % 3 + (2 - j % 3);
    m[j / 16][from / 16][j % 16] = std::uint8_t(from % 16);
  }
  return m;
}
constexpr auto kShuffles = MakeShuffles();

// Loads all three vectors of a block before storing any, so the rows may be the same.
__attribute__((target("ssse3"))) size_t SwapSsse3(const std::uint8_t* from, std::uint8_t* to, size_t pixels) {
  __m128i masks[3][3];
  for (int o = 0; o < 3; ++o)
    for (int i = 0; i < 3; ++i) masks[o][i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kShuffles[o][i].data()));
  size_t p = 0;
  for (; p + 16 <= pixels; p += 16) {
    const auto* in = reinterpret_cast<const __m128i*>(from + 3 * p);
    const __m128i v[3] = {_mm_loadu_si128(in), _mm_loadu_si128(in + 1), _mm_loadu_si128(in + 2)};
    auto* out = reinterpret_cast<__m128i*>(to + 3 * p);
    for (int o = 0; o < 3; ++o) {
      const __m128i r = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(v[0], masks[o][0]), _mm_shuffle_epi8(v[1], masks[o][1])),
                                     _mm_shuffle_epi8(v[2], masks[o][2]));
      _mm_storeu_si128(out + o, r);
    }
  }
  return p;
}

bool HasSsse3() {
  static const bool has = __builtin_cpu_supports("ssse3");
  return has;
}

}  // namespace

void SwapRedBlue(std::uint8_t* row, size_t pixels) {
  size_t i = HasSsse3() ? SwapSsse3(row, row, pixels) : 0;
  for (std::uint8_t* p = row + 3 * i; i < pixels; ++i, p += 3) std::swap(p[0], p[2]);
}

void CopySwappingRedBlue(const std::uint8_t* from, std::uint8_t* to, size_t pixels) {
  size_t i = HasSsse3() ? SwapSsse3(from, to, pixels) : 0;
  for (; i < pixels; ++i) {
    to[3 * i] = from[3 * i + 2];
    to[3 * i + 1] = from[3 * i + 1];
    to[3 * i + 2] = from[3 * i];
  }
}

}  // namespace lumora
