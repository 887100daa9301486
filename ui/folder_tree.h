#pragma once
// The folder tree: the home folder and every mounted file system, with their folders
// (dot-folders left out) filled in as nodes are opened. Offers what the windows need:
// the selected folder's path, selecting a folder by path, reloading, and a signal when
// the selection changes.
#include <QList>
#include <QTreeWidget>

namespace lumora::ui {

struct TFolderRoot {
  QString caption;
  QString path;
};

// Home first, then "/" and the mounted volumes under /media, /mnt and /run/media.
QList<TFolderRoot> DefaultFolderRoots();

class TFolderTree : public QTreeWidget {
  Q_OBJECT
 public:
  explicit TFolderTree(QWidget* parent = nullptr, QList<TFolderRoot> roots = DefaultFolderRoots());

  // The selected node's folder; "" when nothing is selected.
  QString CurrentPath() const;
  // Selects the node of `path` (opening the nodes above it); false, with the selection
  // unchanged, when no node leads there (a missing or hidden folder).
  bool SelectPath(const QString& path);
  // Rebuilds every node and selects the same folder again when it still exists.
  void Reload();
  void SetRoots(QList<TFolderRoot> roots);

 signals:
  void Changed();

 private:
  void Build();
  void Populate(QTreeWidgetItem* item);
  QTreeWidgetItem* AddNode(QTreeWidgetItem* parent, const QString& caption, const QString& path);

  QList<TFolderRoot> roots_;
};

}  // namespace lumora::ui
