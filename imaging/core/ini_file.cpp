#include "imaging/core/ini_file.h"

#include <algorithm>

namespace lumora {
namespace {

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = AsciiLower(c);
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Undoes Escape(); a backslash that starts no known escape stays as it is.
std::string Unescape(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 >= s.size()) {
      out += s[i];
      continue;
    }
    const char next = s[i + 1];
    if (next == '\\') { out += '\\'; ++i; }
    else if (next == 'n') { out += '\n'; ++i; }
    else if (next == 'r') { out += '\r'; ++i; }
    else if (next == 't') { out += '\t'; ++i; }
    else if (next == 'x' && i + 3 < s.size() && HexDigit(s[i + 2]) >= 0 && HexDigit(s[i + 3]) >= 0) {
      out += char(HexDigit(s[i + 2]) * 16 + HexDigit(s[i + 3]));
      i += 3;
    } else {
      out += '\\';
    }
  }
  return out;
}

void AppendHex(std::string& out, unsigned char c) {
  static const char kDigits[] = "0123456789ABCDEF";
  out += "\\x";
  out += kDigits[c >> 4];
  out += kDigits[c & 15];
}

enum class Field { Name, Value, Section };

// Escapes what the parser would otherwise read differently: control bytes, the
// backslash, blanks at either end (trimmed for names, kept for values but escaped so
// editors do not lose them), '=' in names, ']' in section names, and a leading comment
// or header character (and a first byte that could pass for a byte-order mark).
std::string Escape(std::string_view s, Field field) {
  std::string out;
  out.reserve(s.size() + 8);
  for (size_t i = 0; i < s.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    const bool atEdge = i == 0 || i + 1 == s.size();
    if (c == '\\') out += "\\\\";
    else if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (c == '\t') out += "\\t";
    else if (c < 0x20 || c == 0x7F) AppendHex(out, c);
    else if (c == ' ' && atEdge) AppendHex(out, c);
    else if (field == Field::Name && (c == '=' || (i == 0 && (c == ';' || c == '#' || c == '[' || c == 0xEF)))) AppendHex(out, c);
    else if (field == Field::Section && c == ']') AppendHex(out, c);
    else out += char(c);
  }
  return out;
}

}  // namespace

TIniDocument TIniDocument::Parse(std::string_view text) {
  TIniDocument doc;
  if (text.size() > kMaxIniFileBytes) return doc;
  if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  std::string section;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::string_view trimmed = Trim(line);
    if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '#') continue;
    if (trimmed.front() == '[') {
      const size_t close = trimmed.find(']');
      if (close != std::string_view::npos) section = Unescape(trimmed.substr(1, close - 1));
      continue;
    }
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string name = Unescape(Trim(line.substr(0, equals)));
    if (name.empty()) continue;
    std::string_view value = line.substr(equals + 1);
    while (!value.empty() && IsBlank(value.front())) value.remove_prefix(1);
    doc.Set(section, name, Unescape(value));
  }
  return doc;
}

std::string TIniDocument::Serialize() const {
  std::string out;
  bool first = true;
  for (const TSection& section : sections_) {
    if (section.entries.empty()) continue;
    if (!section.name.empty()) {
      if (!first) out += '\n';
      out += '[' + Escape(section.name, Field::Section) + "]\n";
    } else if (!first) {
      // Entries without a section must come first to read back as such.
      continue;
    }
    first = false;
    for (const TEntry& entry : section.entries)
      out += Escape(entry.name, Field::Name) + '=' + Escape(entry.value, Field::Value) + '\n';
  }
  return out;
}

TIniDocument::TSection* TIniDocument::FindSection(std::string_view name) {
  for (TSection& s : sections_)
    if (SameName(s.name, name)) return &s;
  return nullptr;
}

const TIniDocument::TSection* TIniDocument::FindSection(std::string_view name) const {
  for (const TSection& s : sections_)
    if (SameName(s.name, name)) return &s;
  return nullptr;
}

std::optional<std::string> TIniDocument::Get(std::string_view section, std::string_view name) const {
  if (const TSection* s = FindSection(section))
    for (const TEntry& e : s->entries)
      if (SameName(e.name, name)) return e.value;
  return std::nullopt;
}

void TIniDocument::Set(std::string_view section, std::string_view name, std::string_view value) {
  TSection* s = FindSection(section);
  if (!s) {
    TSection fresh{std::string(section), {}};
    // The unnamed section always stays in front so that it serialises without a header.
    if (section.empty()) {
      sections_.insert(sections_.begin(), std::move(fresh));
      s = &sections_.front();
    } else {
      sections_.push_back(std::move(fresh));
      s = &sections_.back();
    }
  }
  for (TEntry& e : s->entries)
    if (SameName(e.name, name)) {
      e.value = std::string(value);
      return;
    }
  s->entries.push_back({std::string(name), std::string(value)});
}

bool TIniDocument::Remove(std::string_view section, std::string_view name) {
  TSection* s = FindSection(section);
  if (!s) return false;
  auto it = std::find_if(s->entries.begin(), s->entries.end(), [&](const TEntry& e) { return SameName(e.name, name); });
  if (it == s->entries.end()) return false;
  s->entries.erase(it);
  return true;
}

bool TIniDocument::operator==(const TIniDocument& other) const {
  // Equal when every non-empty section holds the same entries in the same order.
  auto nonEmpty = [](const TIniDocument& d) {
    std::vector<const TSection*> v;
    for (const TSection& s : d.sections_)
      if (!s.entries.empty()) v.push_back(&s);
    return v;
  };
  const auto a = nonEmpty(*this), b = nonEmpty(other);
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i]->name != b[i]->name || a[i]->entries.size() != b[i]->entries.size()) return false;
    for (size_t j = 0; j < a[i]->entries.size(); ++j)
      if (a[i]->entries[j].name != b[i]->entries[j].name || a[i]->entries[j].value != b[i]->entries[j].value)
        return false;
  }
  return true;
}

}  // namespace lumora
