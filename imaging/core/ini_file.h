#pragma once
// A small INI document: named sections holding ordered name=value pairs. It is the
// on-disk form of the program's settings (one file per settings key, one section per
// subkey, values before any section header belong to the key itself).
//
// Text format, one entry per line:
//   [Section]
//   Name=Value
// Lines starting with ';' or '#' are comments; lines without '=' are ignored. Names are
// trimmed; values are kept as written. Backslash escapes (\\, \n, \r, \t, \xHH) let
// names and values carry any bytes, so everything written reads back unchanged.
// Names and sections are matched without regard to ASCII letter case.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumora {

class TIniDocument {
 public:
  struct TEntry {
    std::string name;
    std::string value;
  };
  struct TSection {
    std::string name;  // "" for the entries before the first header
    std::vector<TEntry> entries;
  };

  // Reads a document; never fails. Bytes that make no sense are skipped or kept as text.
  static TIniDocument Parse(std::string_view text);
  std::string Serialize() const;

  std::optional<std::string> Get(std::string_view section, std::string_view name) const;
  void Set(std::string_view section, std::string_view name, std::string_view value);
  bool Remove(std::string_view section, std::string_view name);

  const std::vector<TSection>& Sections() const { return sections_; }
  bool operator==(const TIniDocument& other) const;

 private:
  TSection* FindSection(std::string_view name);
  const TSection* FindSection(std::string_view name) const;

  std::vector<TSection> sections_;
};

// The largest settings file that is read; a bigger file reads as empty.
inline constexpr std::size_t kMaxIniFileBytes = 1 << 20;

}  // namespace lumora
