#pragma once
// Rows of 3-byte pixels between the file order red, green, blue and the pixel image's
// blue, green, red: the first and third byte of every pixel change places.
#include <cstddef>
#include <cstdint>

namespace lumora {

// Swaps red and blue of `pixels` pixels in place.
void SwapRedBlue(std::uint8_t* row, size_t pixels);

// Copies `pixels` pixels from `from` to `to` with red and blue swapped; the rows must
// not overlap.
void CopySwappingRedBlue(const std::uint8_t* from, std::uint8_t* to, size_t pixels);

}  // namespace lumora
