#pragma once
// Name and filter arithmetic of the open and save dialogs: the bar-separated registry
// filters as name-filter entries, the save dialog's file-type switching and
// preselection, the preview size and the preview progress rate limit. No Qt.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lumora {

struct TDialogFilterEntry {
  std::string Label;                  // "BMP - Bitmap"
  std::vector<std::string> Patterns;  // "*.bmp"
  bool operator==(const TDialogFilterEntry&) const = default;
};

// "Image files|*.bmp; *.dib|BMP - Bitmap|*.bmp|" -> two entries.
std::vector<TDialogFilterEntry> ParseDialogFilter(const std::string& filter);
// "BMP - Bitmap (*.bmp)", the form a file chooser takes.
std::string NameFilterText(const TDialogFilterEntry& entry);
// The extension of an entry with a single "*.ext" pattern ("" otherwise), lower case.
std::string EntryExtension(const TDialogFilterEntry& entry);

// The extension of a path's file part, without the dot ("" for none).
std::string PathExtension(const std::string& path);

// 1-based index of the first entry whose extension equals the file name's (case
// insensitive), 0 when none does.
int PreselectFilterIndex(const std::vector<TDialogFilterEntry>& entries, const std::string& fileName);

// The edit-box text after the user picked a file type with extension `newExtension`:
// nothing (nullopt) for several selected files or a name that is an existing folder;
// a name without extension first gets ".xxx", then its extension is replaced; the name
// is shown without its folder when that folder is `currentFolder`.
std::optional<std::string> RenameForFileType(const std::string& name, const std::string& newExtension,
                                             bool severalSelected, bool isExistingFolder,
                                             const std::string& currentFolder);

// A chosen name without extension gets `extension`.
std::string WithDefaultExtension(const std::string& name, const std::string& extension);

// The size a preview of width x height takes in a pane: unchanged when it fits, else the
// largest size inside the pane with the same aspect ratio (the other side truncated,
// at least 1 and at most the picture's own size).
struct TPreviewSize {
  int Width = 0, Height = 0;
  bool operator==(const TPreviewSize&) const = default;
};
TPreviewSize PreviewFitSize(int width, int height, int paneWidth, int paneHeight);

// The preview worker reports a percentage only when it changed and either a new tenth
// of a second began or it crossed a multiple of 16.
class TPreviewProgressLimiter {
 public:
  bool ShouldReport(int percent, std::int64_t nowMs);

 private:
  int lastPercent_ = -1;
  std::int64_t lastTenth_ = -1;
};

}  // namespace lumora
