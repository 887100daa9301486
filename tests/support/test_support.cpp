#include "tests/support/test_support.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>

namespace lumora::test {

std::filesystem::path CorpusDir() {
  if (const char* env = std::getenv("LUMORA_CORPUS"); env && *env) {
    if (std::filesystem::is_directory(env)) return env;
    return {};
  }
  const std::filesystem::path beside = std::filesystem::path(LUMORA_SOURCE_DIR) / ".." / "shared" / "corpus";
  if (std::filesystem::is_directory(beside)) return std::filesystem::weakly_canonical(beside);
  return {};
}

TTempDir::TTempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "lumora-test-XXXXXX").string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (!mkdtemp(name.data())) throw std::runtime_error("mkdtemp failed");
  path_ = name.data();
}

TTempDir::~TTempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void FillRandom(TPixelGraphic& image, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::uint8_t* p = image.PixelBlock();
  for (std::int64_t i = 0; i < image.ImageByteSize(); ++i) p[i] = static_cast<std::uint8_t>(rng());
  // Keep indices inside the palette, so every pixel has a defined colour.
  if (image.BitCountNum() != 3 && image.PaletteCount() > 0) {
    for (int y = 0; y < image.Height(); ++y)
      for (int x = 0; x < image.Width(); ++x)
        image.SetPixel(x, y, image.GetPixel(x, y) % static_cast<std::uint32_t>(image.PaletteCount()));
  }
}

void SetRandomPalette(TPixelGraphic& image, int count, std::uint32_t seed) {
  std::mt19937 rng(seed);
  image.SetPaletteCount(count);
  for (int i = 0; i < count; ++i) image.SetPaletteColor(i, (rng() & 0xFFFFFF) ^ std::uint32_t(i));
}

bool SamePixels(const TPixelGraphic& a, const TPixelGraphic& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height() || a.BitCountNum() != b.BitCountNum()) return false;
  for (int y = 0; y < a.Height(); ++y) {
    for (int x = 0; x < a.Width(); ++x)
      if (a.GetPixel(x, y) != b.GetPixel(x, y)) return false;
  }
  return true;
}

}  // namespace lumora::test
