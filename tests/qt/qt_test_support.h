#pragma once
// Helpers for the Qt tests: files with chosen sizes and times in temporary folders.
#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QString>

#include <sys/stat.h>
#include <sys/time.h>

namespace lumora::test {

inline bool MakeFile(const QString& path, qint64 size = 10, qint64 mtime = 0) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  if (size > 0) file.write(QByteArray(size, 'x'));
  file.close();
  if (mtime > 0) {
    struct timeval times[2] = {{time_t(mtime), 0}, {time_t(mtime), 0}};
    return utimes(QFile::encodeName(path).constData(), times) == 0;
  }
  return true;
}

}  // namespace lumora::test
