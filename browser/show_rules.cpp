#include "browser/show_rules.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace lumora::browser {

QString ShownTypeOf(const QString& path) {
  // The name, not the whole path: a dot in a folder name is no extension.
  const QString name = QFileInfo(path).fileName();
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  if (dot < 0) return QString();
  return name.mid(dot + 1, 3).toUpper();
}

TDisplayKind DisplayKindFor(const QString& type) {
  if (type == QLatin1String("AVI")) return TDisplayKind::Video;
  if (type == QLatin1String("GIF")) return TDisplayKind::AnimatedGif;
  if (type == QLatin1String("WMF") || type == QLatin1String("ICO")) return TDisplayKind::Picture;
  return TDisplayKind::Viewer;
}

QString FileSizeText(qint64 bytes) { return QString::number(bytes / 1024 + 1) + QLatin1Char('K'); }

QString NameLabel(const QString& fileName) { return QLatin1Char(' ') + fileName; }

QString NameAndSizeText(const QString& fileName, int width, int height) {
  return NameLabel(fileName) + QStringLiteral("  (%1 x %2)").arg(width).arg(height);
}

bool FitsPaneWithMargin(QSize content, QSize pane) {
  return pane.width() >= content.width() + kPaneMargin && pane.height() >= content.height() + kPaneMargin;
}

std::optional<QSize> FitToPaneSize(QSize content, QSize pane) {
  if (content.width() <= 0 || content.height() <= 0) return std::nullopt;
  if (pane.width() <= kPaneMargin || pane.height() <= kPaneMargin) return std::nullopt;
  const double contentRatio = double(content.height()) / content.width();
  const double paneRatio = double(pane.height()) / pane.width();
  // std::nearbyint rounds halves to even in the default rounding mode. A very thin
  // picture keeps at least one pixel on its short side.
  const auto rounded = [](double v) { return std::max(1, int(std::nearbyint(v))); };
  if (paneRatio >= contentRatio) {
    const int width = pane.width() - kPaneMargin;
    return QSize(width, rounded(contentRatio * width));
  }
  const int height = pane.height() - kPaneMargin;
  return QSize(rounded(height / contentRatio), height);
}

QSize ShrinkOversizeAviSize(QSize frame) {
  if (frame.width() <= 0 || frame.height() <= 0) return frame;
  const double ratio = double(frame.height()) / frame.width();
  if (ratio > 1.0) return QSize(int(std::nearbyint(kShrunkVideoSide / ratio)), kShrunkVideoSide);
  return QSize(kShrunkVideoSide, int(std::nearbyint(ratio * kShrunkVideoSide)));
}

int NextRow(int count, int focused) {
  if (count <= 0) return -1;
  const int next = focused < 0 ? 0 : focused + 1;
  return next >= count ? 0 : next;
}

int PreviousRow(int count, int focused) {
  if (count <= 0) return -1;
  const int previous = (focused < 0 ? count : focused) - 1;
  return previous < 0 ? count - 1 : previous;
}

}  // namespace lumora::browser
