#pragma once
// Helpers shared by the library tests: the conformance corpus, temporary folders,
// small images built in code.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "imaging/core/pixel_graphic.h"

namespace lumora::test {

// The conformance corpus: $LUMORA_CORPUS, else ../shared/corpus beside the checkout.
// Empty when absent; tests then skip with a clear line.
std::filesystem::path CorpusDir();

// A fresh empty folder, removed when the object goes away.
class TTempDir {
 public:
  TTempDir();
  ~TTempDir();
  const std::filesystem::path& path() const { return path_; }
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

std::vector<std::uint8_t> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

// Deterministic pseudo-random pixels in every byte of the block (padding included).
void FillRandom(TPixelGraphic& image, std::uint32_t seed);
// A palette of `count` distinct pseudo-random colours.
void SetRandomPalette(TPixelGraphic& image, int count, std::uint32_t seed);
// Pixel rows equal (padding ignored), same size and format.
bool SamePixels(const TPixelGraphic& a, const TPixelGraphic& b);

}  // namespace lumora::test
