#pragma once
// Zero-filled memory for pixel blocks. A fresh block of a large picture costs more in
// page faults than in filling: large blocks therefore come straight from the kernel
// (zero already, no second pass) and ask for huge pages, which turns the ~17,000 page
// faults of a 24-megapixel picture into a few dozen.
#include <cstddef>
#include <cstdint>
#include <memory>

namespace lumora {

struct TPixelBlockDeleter {
  size_t MappedBytes = 0;  // 0: the block came from calloc
  void operator()(std::uint8_t* block) const;
};
using TPixelBlock = std::unique_ptr<std::uint8_t[], TPixelBlockDeleter>;

// A zero-filled block of `bytes` bytes; raises std::bad_alloc when there is no memory.
TPixelBlock AllocatePixelBlock(size_t bytes);

}  // namespace lumora
