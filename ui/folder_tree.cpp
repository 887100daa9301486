#include "ui/folder_tree.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QStorageInfo>
#include <QStyle>

namespace lumora::ui {
namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kFilledRole = Qt::UserRole + 1;

bool IsUnder(const QString& path, const QString& root) {
  if (root == QLatin1String("/")) return path.startsWith(QLatin1Char('/'));
  return path == root || path.startsWith(root + QLatin1Char('/'));
}

}  // namespace

QList<TFolderRoot> DefaultFolderRoots() {
  QList<TFolderRoot> roots{{QStringLiteral("Home"), QDir::homePath()}, {QStringLiteral("File System"), QStringLiteral("/")}};
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    const QString root = volume.rootPath();
    if (!volume.isValid() || !volume.isReady()) continue;
    if (!root.startsWith(QLatin1String("/media/")) && !root.startsWith(QLatin1String("/mnt/")) &&
        !root.startsWith(QLatin1String("/run/media/")))
      continue;
    const QString name = volume.displayName().isEmpty() ? QFileInfo(root).fileName() : volume.displayName();
    roots.push_back({name, root});
  }
  return roots;
}

TFolderTree::TFolderTree(QWidget* parent, QList<TFolderRoot> roots) : QTreeWidget(parent), roots_(std::move(roots)) {
  setHeaderHidden(true);
  setColumnCount(1);
  setUniformRowHeights(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  header()->setStretchLastSection(false);
  connect(this, &QTreeWidget::itemExpanded, this, &TFolderTree::Populate);
  connect(this, &QTreeWidget::currentItemChanged, this, [this] { emit Changed(); });
  Build();
}

void TFolderTree::SetRoots(QList<TFolderRoot> roots) {
  roots_ = std::move(roots);
  Reload();
}

QTreeWidgetItem* TFolderTree::AddNode(QTreeWidgetItem* parent, const QString& caption, const QString& path) {
  auto* item = new QTreeWidgetItem(QStringList{caption});
  item->setData(0, kPathRole, path);
  item->setData(0, kFilledRole, false);
  item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
  item->setIcon(0, style()->standardIcon(parent ? QStyle::SP_DirIcon
                                                : (path == QDir::homePath() ? QStyle::SP_DirHomeIcon
                                                                            : QStyle::SP_DriveHDIcon)));
  if (parent) parent->addChild(item);
  else addTopLevelItem(item);
  return item;
}

void TFolderTree::Build() {
  clear();
  for (const TFolderRoot& root : roots_) AddNode(nullptr, root.caption, QDir::cleanPath(root.path));
}

void TFolderTree::Populate(QTreeWidgetItem* item) {
  if (!item || item->data(0, kFilledRole).toBool()) return;
  item->setData(0, kFilledRole, true);
  const QString path = item->data(0, kPathRole).toString();
  // Without QDir::Hidden the dot-folders stay out, as they do in every file manager.
  const QStringList names =
      QDir(path).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
  for (const QString& name : names)
    AddNode(item, name, path == QLatin1String("/") ? QLatin1Char('/') + name : path + QLatin1Char('/') + name);
  item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

QString TFolderTree::CurrentPath() const {
  const QTreeWidgetItem* item = currentItem();
  return item ? item->data(0, kPathRole).toString() : QString();
}

bool TFolderTree::SelectPath(const QString& wanted) {
  if (wanted.isEmpty()) return false;
  const QString path = QDir::cleanPath(QDir(wanted).absolutePath());
  // The deepest root that holds the path (the home folder before "/").
  QTreeWidgetItem* node = nullptr;
  qsizetype bestLength = -1;
  for (int i = 0; i < topLevelItemCount(); ++i) {
    const QString root = topLevelItem(i)->data(0, kPathRole).toString();
    if (IsUnder(path, root) && root.size() > bestLength) {
      node = topLevelItem(i);
      bestLength = root.size();
    }
  }
  if (!node || !QFileInfo(path).isDir()) return false;
  const QString root = node->data(0, kPathRole).toString();
  const QStringList parts = path.mid(root.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts);
  for (const QString& part : parts) {
    Populate(node);
    QTreeWidgetItem* next = nullptr;
    for (int i = 0; i < node->childCount() && !next; ++i)
      if (node->child(i)->text(0) == part) next = node->child(i);
    if (!next) return false;
    node = next;
  }
  for (QTreeWidgetItem* up = node->parent(); up; up = up->parent()) up->setExpanded(true);
  setCurrentItem(node);
  scrollToItem(node);
  return true;
}

void TFolderTree::Reload() {
  const QString path = CurrentPath();
  {
    const QSignalBlocker blocker(this);
    Build();
    SelectPath(path);
  }
  if (CurrentPath() != path) emit Changed();
}

}  // namespace lumora::ui
