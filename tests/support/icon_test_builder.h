#pragma once
// Builds icon files in code: one bitmap per entry with its colour table, XOR rows and
// AND mask, and the directory in front.
#include <cstdint>
#include <vector>

#include "imaging/core/size_limits.h"

namespace lumora::test {

struct TIconSpec {
  int width, height, bitCount;
};

inline void Put16(std::vector<std::uint8_t>& v, int x) {
  v.push_back(std::uint8_t(x));
  v.push_back(std::uint8_t(x >> 8));
}
inline void Put32(std::vector<std::uint8_t>& v, std::uint32_t x) {
  Put16(v, int(x & 0xFFFF));
  Put16(v, int(x >> 16));
}

// The bitmap of one entry: palette entry i = (i*3, i*5, i*7); pixel (x, y) has index
// (x + y) mod colours; the mask is set where (x + 2y) mod 5 == 0.
inline std::vector<std::uint8_t> IconBitmap(const TIconSpec& s) {
  std::vector<std::uint8_t> b;
  Put32(b, 40);
  Put32(b, std::uint32_t(s.width));
  Put32(b, std::uint32_t(2 * s.height));
  Put16(b, 1);
  Put16(b, s.bitCount);
  for (int i = 0; i < 6; ++i) Put32(b, 0);
  const int colors = s.bitCount <= 8 ? 1 << s.bitCount : 0;
  for (int i = 0; i < colors; ++i) b.insert(b.end(), {std::uint8_t(i * 7), std::uint8_t(i * 5), std::uint8_t(i * 3), 0});
  const int64_t xorStride = RowStride(s.width, s.bitCount), andStride = RowStride(s.width, 1);
  for (int fileRow = 0; fileRow < s.height; ++fileRow) {
    const int y = s.height - 1 - fileRow;
    std::vector<std::uint8_t> row(static_cast<size_t>(xorStride));
    for (int x = 0; x < s.width; ++x) {
      const int v = colors ? (x + y) % colors : 0;
      if (s.bitCount == 1) row[size_t(x >> 3)] |= std::uint8_t(v << (7 - (x & 7)));
      if (s.bitCount == 4) row[size_t(x >> 1)] |= std::uint8_t((x & 1) ? v : v << 4);
      if (s.bitCount == 8) row[size_t(x)] = std::uint8_t(v);
    }
    b.insert(b.end(), row.begin(), row.end());
  }
  for (int fileRow = 0; fileRow < s.height; ++fileRow) {
    const int y = s.height - 1 - fileRow;
    std::vector<std::uint8_t> row(static_cast<size_t>(andStride));
    for (int x = 0; x < s.width; ++x) {
      if ((x + 2 * y) % 5 == 0) row[size_t(x >> 3)] |= std::uint8_t(0x80 >> (x & 7));
    }
    b.insert(b.end(), row.begin(), row.end());
  }
  return b;
}

inline std::vector<std::uint8_t> IconFile(const std::vector<TIconSpec>& specs, int type = 1) {
  std::vector<std::uint8_t> f;
  Put16(f, 0);
  Put16(f, type);
  Put16(f, int(specs.size()));
  std::vector<std::vector<std::uint8_t>> bitmaps;
  for (const auto& s : specs) bitmaps.push_back(IconBitmap(s));
  std::uint32_t offset = 6 + 16 * std::uint32_t(specs.size());
  for (size_t i = 0; i < specs.size(); ++i) {
    f.push_back(std::uint8_t(specs[i].width));
    f.push_back(std::uint8_t(specs[i].height));
    f.push_back(0);
    f.push_back(0);
    Put16(f, 1);
    Put16(f, specs[i].bitCount);
    Put32(f, std::uint32_t(bitmaps[i].size()));
    Put32(f, offset);
    offset += std::uint32_t(bitmaps[i].size());
  }
  for (const auto& b : bitmaps) f.insert(f.end(), b.begin(), b.end());
  return f;
}

}  // namespace lumora::test
