#pragma once
// Listing a folder into a file list: the file-type switches, the mask list built from
// them, the program-wide "View All Files" switch, and the image-type test.
#include <QList>
#include <QString>
#include <QStringList>

#include "ui/file_entry.h"

namespace lumora::ui {
class TFileListView;
class TStatusBar;
}  // namespace lumora::ui

namespace lumora::browser {

// ".JPG.GIF.BMP.ICO.TIF.PNG.PCX.TGA.WMF"
extern const QString kImageTypeList;
inline constexpr char kDefaultFileTypes[] = "1111111111";

// One mask per enabled type ("1" at its position of the ten), in the fixed order
// jpg gif bmp ico wmf avi pcx png tga tif, each ending in ";".
QString BuildFileMasks(const QString& fileTypes);
// The masks of a mask list: every piece that ends in ";" (a last piece without it is
// not a mask); after each mask at most 100 characters of the rest are kept.
QStringList SplitFileMasks(const QString& masks);
// Case-insensitive match of a name against a mask with "*" and "?"; "*.*" matches every
// name, with or without a dot.
bool MatchesMask(const QString& name, const QString& mask);

// The extension with its dot ("" without a dot), upper-cased, found in kImageTypeList.
// An empty extension is no image type.
bool IsImageFileName(const QString& name);
// The same test for a type without its dot (as kept for the file shown last).
bool IsImageTypeText(const QString& type);

// The program-wide "View All Files" switch that every ListFolder obeys.
bool ViewAllFiles();
void SetViewAllFiles(bool on);

// The files of `folder` for the masks, in the order of the masks and, within a mask, in
// the order the file system returns them (a file matching two masks comes twice).
// Dot-files, folders and anything that is not a regular file (FIFOs, sockets, devices,
// broken links) are left out; links to regular files are listed. With `viewAll` the
// masks are replaced by "*". A folder that cannot be read gives no files.
QList<ui::TFileEntry> ListFolderEntries(const QString& folder, const QString& masks, bool viewAll);

// Fills `list` with the files of `folder` (see ListFolderEntries, with ViewAllFiles())
// and writes the count followed by " files" into panel 1 of `statusBar`. The list is
// left unsorted. A folder that does not exist empties the list. Never changes the
// process's working folder.
void ListFolder(ui::TFileListView* list, const QString& folder, ui::TStatusBar* statusBar, const QString& masks);

}  // namespace lumora::browser
