#include "browser/list_folder.h"

#include <QFile>
#include <QFileInfo>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "browser/browser_texts.h"
#include "platform/wait_cursor.h"
#include "ui/file_list_view.h"
#include "ui/status_bar.h"

namespace lumora::browser {

const QString kImageTypeList = QStringLiteral(".JPG.GIF.BMP.ICO.TIF.PNG.PCX.TGA.WMF");

namespace {

constexpr const char* kTypeMasks[10] = {"*.jpg;", "*.gif;", "*.bmp;", "*.ico;", "*.wmf;",
                                        "*.avi;", "*.pcx;", "*.png;", "*.tga;", "*.tif;"};

bool g_viewAllFiles = false;

// Wildcard match on case-folded text: "*" any run, "?" one character.
bool GlobMatch(QStringView name, QStringView mask) {
  qsizetype n = 0, m = 0, starMask = -1, starName = 0;
  while (n < name.size()) {
    if (m < mask.size() && (mask[m] == QLatin1Char('?') || mask[m] == name[n])) {
      ++n;
      ++m;
    } else if (m < mask.size() && mask[m] == QLatin1Char('*')) {
      starMask = m++;
      starName = n;
    } else if (starMask >= 0) {
      m = starMask + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == QLatin1Char('*')) ++m;
  return m == mask.size();
}

QString NormalisedMask(const QString& mask) {
  // "*.*" means every file, also those without a dot in their name.
  if (mask == QLatin1String("*.*")) return QStringLiteral("*");
  return mask.toCaseFolded();
}

}  // namespace

QString BuildFileMasks(const QString& fileTypes) {
  QString masks;
  for (int i = 0; i < 10; ++i)
    if (i < fileTypes.size() && fileTypes[i] == QLatin1Char('1')) masks += QLatin1String(kTypeMasks[i]);
  return masks;
}

QStringList SplitFileMasks(const QString& masks) {
  QStringList result;
  QString rest = masks;
  for (qsizetype semicolon = rest.indexOf(QLatin1Char(';')); semicolon >= 0; semicolon = rest.indexOf(QLatin1Char(';'))) {
    result << rest.left(semicolon);
    rest = rest.mid(semicolon + 1, 100);
  }
  return result;
}

bool MatchesMask(const QString& name, const QString& mask) {
  return GlobMatch(name.toCaseFolded(), NormalisedMask(mask));
}

bool IsImageFileName(const QString& name) {
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  if (dot < 0) return false;
  return kImageTypeList.contains(name.mid(dot).toUpper());
}

bool IsImageTypeText(const QString& type) { return !type.isEmpty() && kImageTypeList.contains(type.toUpper()); }

bool ViewAllFiles() { return g_viewAllFiles; }
void SetViewAllFiles(bool on) { g_viewAllFiles = on; }

QList<ui::TFileEntry> ListFolderEntries(const QString& folder, const QString& masks, bool viewAll) {
  QList<ui::TFileEntry> result;
  if (folder.isEmpty()) return result;
  const QByteArray encoded = QFile::encodeName(folder);
  const int dirFd = open(encoded.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd < 0) return result;
  DIR* dir = fdopendir(dirFd);
  if (!dir) {
    close(dirFd);
    return result;
  }
  // Read the folder once, in the order the file system returns it; the masks then pick
  // from that snapshot. Nothing is opened, so a FIFO cannot block the listing.
  struct TCandidate {
    ui::TFileEntry entry;
    QString folded;
  };
  QList<TCandidate> files;
  while (const dirent* d = readdir(dir)) {
    if (d->d_name[0] == '.') continue;  // hidden, and the "." and ".." entries
    struct stat st;
    if (fstatat(dirFd, d->d_name, &st, 0) != 0 || !S_ISREG(st.st_mode)) continue;
    TCandidate c;
    c.entry.name = QFile::decodeName(d->d_name);
    c.entry.size = qint64(st.st_size);
    c.entry.modified = qint64(st.st_mtim.tv_sec);
    c.folded = c.entry.name.toCaseFolded();
    files.push_back(std::move(c));
  }
  closedir(dir);

  const QStringList maskList = viewAll ? QStringList{QStringLiteral("*")} : SplitFileMasks(masks);
  for (const QString& mask : maskList) {
    const QString pattern = NormalisedMask(mask);
    for (const TCandidate& c : files)
      if (GlobMatch(c.folded, pattern)) result.push_back(c.entry);
  }
  return result;
}

void ListFolder(ui::TFileListView* list, const QString& folder, ui::TStatusBar* statusBar, const QString& masks) {
  if (!list) return;
  {
    const platform::WaitCursor hourglass;
    if (QFileInfo(folder).isDir()) list->Fill(folder, ListFolderEntries(folder, masks, ViewAllFiles()));
    else list->Clear();
  }
  if (statusBar) statusBar->SetPanelText(1, QString::number(list->Count()) + texts::kFilesSuffix);
}

}  // namespace lumora::browser
