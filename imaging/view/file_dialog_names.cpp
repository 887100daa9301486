#include "imaging/view/file_dialog_names.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace lumora {
namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string Trim(const std::string& s) {
  const auto b = s.find_first_not_of(' ');
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

// Position of the file part's extension dot, npos for none.
size_t ExtensionDot(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::string::npos;
  return dot;
}

}  // namespace

std::vector<TDialogFilterEntry> ParseDialogFilter(const std::string& filter) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= filter.size()) {
    const size_t bar = filter.find('|', start);
    if (bar == std::string::npos) {
      if (start < filter.size()) parts.push_back(filter.substr(start));
      break;
    }
    parts.push_back(filter.substr(start, bar - start));
    start = bar + 1;
  }
  std::vector<TDialogFilterEntry> entries;
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    TDialogFilterEntry e;
    e.Label = parts[i];
    const std::string& patterns = parts[i + 1];
    size_t p = 0;
    while (p < patterns.size()) {
      size_t semi = patterns.find(';', p);
      if (semi == std::string::npos) semi = patterns.size();
      const std::string one = Trim(patterns.substr(p, semi - p));
      if (!one.empty()) e.Patterns.push_back(one);
      p = semi + 1;
    }
    entries.push_back(std::move(e));
  }
  return entries;
}

std::string NameFilterText(const TDialogFilterEntry& entry) {
  std::string text = entry.Label + " (";
  for (size_t i = 0; i < entry.Patterns.size(); ++i) text += (i ? " " : "") + entry.Patterns[i];
  return text + ")";
}

std::string EntryExtension(const TDialogFilterEntry& entry) {
  if (entry.Patterns.size() != 1) return "";
  const std::string& p = entry.Patterns[0];
  if (p.size() < 3 || p.compare(0, 2, "*.") != 0) return "";
  const std::string ext = p.substr(2);
  if (ext.find_first_of("*?") != std::string::npos) return "";
  return Lower(ext);
}

std::string PathExtension(const std::string& path) {
  const size_t dot = ExtensionDot(path);
  return dot == std::string::npos ? "" : path.substr(dot + 1);
}

int PreselectFilterIndex(const std::vector<TDialogFilterEntry>& entries, const std::string& fileName) {
  const std::string ext = Lower(PathExtension(fileName));
  if (ext.empty()) return 0;
  for (size_t i = 0; i < entries.size(); ++i)
    if (EntryExtension(entries[i]) == ext) return static_cast<int>(i) + 1;
  return 0;
}

std::optional<std::string> RenameForFileType(const std::string& name, const std::string& newExtension,
                                             bool severalSelected, bool isExistingFolder,
                                             const std::string& currentFolder) {
  if (severalSelected || isExistingFolder || newExtension.empty()) return std::nullopt;
  std::string result = name;
  if (ExtensionDot(result) == std::string::npos) result += ".xxx";
  result = result.substr(0, ExtensionDot(result) + 1) + newExtension;
  const size_t slash = result.find_last_of('/');
  if (slash != std::string::npos) {
    const std::string_view folder = slash == 0 ? std::string_view("/") : std::string_view(result).substr(0, slash);
    std::string_view current = currentFolder;
    while (current.size() > 1 && current.back() == '/') current.remove_suffix(1);
    if (folder == current) result.erase(0, slash + 1);
  }
  return result;
}

std::string WithDefaultExtension(const std::string& name, const std::string& extension) {
  if (extension.empty() || ExtensionDot(name) != std::string::npos) return name;
  return name + "." + extension;
}

TPreviewSize PreviewFitSize(int w, int h, int pw, int ph) {
  if (w <= 0 || h <= 0 || pw <= 0 || ph <= 0) return {std::max(w, 0), std::max(h, 0)};
  if (w <= pw && h <= ph) return {w, h};
  TPreviewSize s;
  if (std::int64_t(w) * ph >= std::int64_t(pw) * h) {  // limited by the width
    s.Width = pw;
    s.Height = static_cast<int>(std::int64_t(pw) * h / w);
  } else {
    s.Height = ph;
    s.Width = static_cast<int>(std::int64_t(ph) * w / h);
  }
  s.Width = std::clamp(s.Width, 1, w);
  s.Height = std::clamp(s.Height, 1, h);
  return s;
}

bool TPreviewProgressLimiter::ShouldReport(int percent, std::int64_t nowMs) {
  if (percent == lastPercent_) return false;
  const std::int64_t tenth = nowMs / 100;
  const bool crossed16 = lastPercent_ < 0 || percent / 16 != lastPercent_ / 16;
  if (tenth == lastTenth_ && !crossed16) return false;
  lastPercent_ = percent;
  lastTenth_ = tenth;
  return true;
}

}  // namespace lumora
