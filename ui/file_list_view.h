#pragma once
// A report list of the files of one folder. The list remembers the folder it was filled
// from; every path it hands out is built from that folder. It is a drag source: a drag
// carries the selected files as text/uri-list plus the list's tag, so windows that take
// drops can tell which list the files came from.
#include <QTreeWidget>

#include "ui/file_entry.h"

namespace lumora::ui {

inline constexpr char kListTagMimeType[] = "application/x-lumora-list-tag";

class TFileListView : public QTreeWidget {
  Q_OBJECT
 public:
  explicit TFileListView(QWidget* parent = nullptr);

  int Tag() const { return tag_; }
  void SetTag(int tag) { tag_ = tag; }

  // The folder of the last fill; empty when the list holds nothing of any folder.
  const QString& ListedFolder() const { return folder_; }
  // Replaces every item with `entries` of `folder`, in the given order.
  void Fill(const QString& folder, const QList<TFileEntry>& entries);
  void Clear();

  // Orders the items by a column; the selection and the current item stay. Returns
  // false when the sort could not be done.
  bool SortBy(int column, bool ascending);

  int Count() const { return topLevelItemCount(); }
  TFileEntry EntryAt(int row) const;
  QString NameAt(int row) const;
  int SelectedCount() const;
  QStringList SelectedNames() const;  // in list order
  QString FocusedName() const;        // the current item's name, or ""
  int FocusedRow() const;             // the current item's row, or -1
  QList<int> SelectedRows() const;    // in list order
  // Absolute path of a name in the listed folder; "" when no folder is listed.
  QString PathOf(const QString& name) const;
  // The row of the item named `name`: an exact match first, else one that differs
  // only in letter case; -1 when there is none.
  int FindName(const QString& name) const;
  // Makes `row` the only selected item and the current one, scrolled into view.
  void SelectOnly(int row);
  // Makes `row` current and selected; other selected items stay, nothing scrolls.
  void FocusAndSelect(int row);
  void Deselect(int row);

  void SetNameCaption(const QString& caption);
  // What a drag of `items` carries; nullptr when no folder is listed.
  QMimeData* DragData(const QList<QTreeWidgetItem*>& items) const;

 signals:
  void ColumnClicked(int column);

 protected:
  QStringList mimeTypes() const override;
  QMimeData* mimeData(const QList<QTreeWidgetItem*>& items) const override;
  // Keyboard focus does not make the first row current: the current row is always one
  // the user or a command chose.
  void focusInEvent(QFocusEvent* event) override;

 private:
  int tag_ = 0;
  QString folder_;
};

}  // namespace lumora::ui
