// Red and blue swapped in rows of 3-byte pixels, in place and while copying, for every
// length around the vector steps and at unaligned starts.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "imaging/codecs/rgb_rows.h"

namespace lumora {
namespace {

std::vector<std::uint8_t> Swapped(const std::vector<std::uint8_t>& row, size_t from, size_t pixels) {
  std::vector<std::uint8_t> out(row);
  for (size_t i = 0; i < pixels; ++i) std::swap(out[from + 3 * i], out[from + 3 * i + 2]);
  return out;
}

TEST(RgbRowsTest, SwapsEveryPixelAndNothingElse) {
  std::mt19937 rng(3);
  for (size_t pixels = 0; pixels <= 70; ++pixels) {
    for (size_t offset : {0, 1, 7}) {
      std::vector<std::uint8_t> row(offset + 3 * pixels + 16);
      for (auto& b : row) b = std::uint8_t(rng());
      const std::vector<std::uint8_t> expected = Swapped(row, offset, pixels);

      std::vector<std::uint8_t> inPlace(row);
      SwapRedBlue(inPlace.data() + offset, pixels);
      EXPECT_EQ(inPlace, expected) << pixels << " pixels at " << offset;

      std::vector<std::uint8_t> copied(row.size(), 0xAB);
      CopySwappingRedBlue(row.data() + offset, copied.data() + offset, pixels);
      for (size_t i = 0; i < copied.size(); ++i) {
        const bool inside = i >= offset && i < offset + 3 * pixels;
        ASSERT_EQ(copied[i], inside ? expected[i] : 0xAB) << pixels << " pixels at " << offset << ", byte " << i;
      }
    }
  }
}

}  // namespace
}  // namespace lumora
