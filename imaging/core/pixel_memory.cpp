#include "imaging/core/pixel_memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <new>

namespace lumora {
namespace {

// Below this the allocator's own zeroed memory is as fast.
constexpr size_t kMappedBlockBytes = size_t(8) << 20;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kUseMappedBlocks = false;  // keep the sanitizer's guard zones around every block
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kUseMappedBlocks = false;
#else
constexpr bool kUseMappedBlocks = true;
#endif
#else
constexpr bool kUseMappedBlocks = true;
#endif

}  // namespace

void TPixelBlockDeleter::operator()(std::uint8_t* block) const {
  if (!block) return;
  if (MappedBytes) munmap(block, MappedBytes);
  else std::free(block);
}

TPixelBlock AllocatePixelBlock(size_t bytes) {
  if (kUseMappedBlocks && bytes >= kMappedBlockBytes) {
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    const size_t mapped = (bytes + page - 1) / page * page;
    void* block = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
    madvise(block, mapped, MADV_HUGEPAGE);  // a hint; without huge pages the block works the same
#endif
    return TPixelBlock(static_cast<std::uint8_t*>(block), TPixelBlockDeleter{mapped});
  }
  void* block = std::calloc(bytes ? bytes : 1, 1);
  if (!block) throw std::bad_alloc();
  return TPixelBlock(static_cast<std::uint8_t*>(block), TPixelBlockDeleter{0});
}

}  // namespace lumora
