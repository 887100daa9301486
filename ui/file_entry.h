#pragma once
// One file of a report list and the texts and order of its four columns:
// name, "Size (KB)", "Type", "Modified".
#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace lumora::ui {

struct TFileEntry {
  QString name;          // file name without folder
  qint64 size = 0;       // bytes
  qint64 modified = 0;   // last write, seconds since 1970 (UTC)
};

enum TFileColumn { kNameColumn = 0, kSizeColumn = 1, kTypeColumn = 2, kModifiedColumn = 3 };

// Bytes divided by 1024 with the remainder dropped, plus 1: 0 -> "1", 1024 -> "2".
qint64 FileSizeKB(qint64 bytes);
QString FileSizeKBText(qint64 bytes);
// The first three characters after the last "." of the name, upper-cased; "" without ".".
QString FileTypeText(const QString& name);
// The local short date followed by the time with seconds.
QString FileTimeText(qint64 modified);
// The format FileTimeText uses (built once from the system locale).
const QString& FileTimeFormat();
// ASCII letters upper-cased, every other character kept.
QString AsciiUpper(const QString& text);

// The precomputed sort keys of an entry.
struct TFileSortKeys {
  QByteArray name;      // AsciiUpper(name), UTF-8
  qint64 sizeKB = 0;
  QByteArray typeName;  // AsciiUpper(type text + name), UTF-8
  qint64 modified = 0;
  static TFileSortKeys For(const TFileEntry& entry);
};

// -1 when `a` comes before `b` in the list sorted by `column`, 1 when after, 0 when the
// keys are equal. Names break ties for type and time; descending swaps before and after.
int CompareFileKeys(const TFileSortKeys& a, const TFileSortKeys& b, int column, bool ascending);

}  // namespace lumora::ui
