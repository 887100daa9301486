#include "ui/file_entry.h"

#include <QLocale>

namespace lumora::ui {

qint64 FileSizeKB(qint64 bytes) { return bytes / 1024 + 1; }

QString FileSizeKBText(qint64 bytes) { return QString::number(FileSizeKB(bytes)); }

QString FileTypeText(const QString& name) {
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  if (dot < 0) return QString();
  return name.mid(dot + 1, 3).toUpper();
}

const QString& FileTimeFormat() {
  static const QString format = QLocale::system().dateFormat(QLocale::ShortFormat) + QStringLiteral(" HH:mm:ss");
  return format;
}

QString FileTimeText(qint64 modified) {
  return QLocale::system().toString(QDateTime::fromSecsSinceEpoch(modified), FileTimeFormat());
}

QString AsciiUpper(const QString& text) {
  QString out = text;
  for (QChar& c : out)
    if (c.unicode() >= 'a' && c.unicode() <= 'z') c = QChar(char16_t(c.unicode() - 'a' + 'A'));
  return out;
}

TFileSortKeys TFileSortKeys::For(const TFileEntry& entry) {
  TFileSortKeys keys;
  const QString upperName = AsciiUpper(entry.name);
  keys.name = upperName.toUtf8();
  keys.sizeKB = FileSizeKB(entry.size);
  keys.typeName = (AsciiUpper(FileTypeText(entry.name)) + upperName).toUtf8();
  keys.modified = entry.modified;
  return keys;
}

namespace {
template <typename T>
int Order(const T& a, const T& b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}
}  // namespace

int CompareFileKeys(const TFileSortKeys& a, const TFileSortKeys& b, int column, bool ascending) {
  int result = 0;
  switch (column) {
    case kSizeColumn: result = Order(a.sizeKB, b.sizeKB); break;
    case kTypeColumn: result = Order(a.typeName, b.typeName); break;
    case kModifiedColumn:
      result = Order(a.modified, b.modified);
      if (result == 0) result = Order(a.name, b.name);
      break;
    default: result = Order(a.name, b.name); break;
  }
  return ascending ? result : -result;
}

}  // namespace lumora::ui
