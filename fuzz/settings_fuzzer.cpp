// Settings files are read from the user's configuration folder and may hold anything.
// Reading must never fail, and whatever was read must write out and read back the same.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "imaging/core/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto doc = lumora::TIniDocument::Parse(text);
  const std::string written = doc.Serialize();
  if (written.size() > lumora::kMaxIniFileBytes) return 0;
  if (!(lumora::TIniDocument::Parse(written) == doc)) std::abort();
  for (const auto& section : doc.Sections())
    for (const auto& entry : section.entries)
      if (doc.Get(section.name, entry.name) != entry.value) std::abort();
  return 0;
}
