#include "platform/paths.h"

#include <QDir>
#include <QFileInfo>

namespace lumora::platform {

QString AddSlash(const QString& path) {
  if (path.endsWith(QLatin1Char('/'))) return path;
  return path + QLatin1Char('/');
}

QString DefaultFolder() { return QDir::homePath(); }

QString ResolveStoredFolder(const QString& stored) {
  const QString t = stored.trimmed();
  if (t.compare(QLatin1String("c:\\"), Qt::CaseInsensitive) == 0 ||
      t.compare(QLatin1String("c:"), Qt::CaseInsensitive) == 0 ||
      t.compare(QLatin1String("c:/"), Qt::CaseInsensitive) == 0)
    return DefaultFolder();
  return stored;
}

qint64 FileSizeOf(const QString& path) {
  if (path.isEmpty()) return -1;
  const QFileInfo info(QDir::current().absoluteFilePath(path));
  if (!info.exists()) return -1;
  return info.isDir() ? 0 : info.size();
}

}  // namespace lumora::platform
