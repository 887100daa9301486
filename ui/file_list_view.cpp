#include "ui/file_list_view.h"

#include <QHeaderView>
#include <QMimeData>
#include <QSet>
#include <QUrl>

#include <algorithm>

#include "platform/paths.h"

namespace lumora::ui {
namespace {

class TFileListItem : public QTreeWidgetItem {
 public:
  explicit TFileListItem(const TFileEntry& entry)
      : QTreeWidgetItem(QStringList{entry.name, FileSizeKBText(entry.size), FileTypeText(entry.name),
                                    FileTimeText(entry.modified)}),
        entry_(entry),
        keys_(TFileSortKeys::For(entry)) {
    for (int column = kSizeColumn; column <= kModifiedColumn; ++column)
      setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
  }
  const TFileEntry& Entry() const { return entry_; }
  const TFileSortKeys& Keys() const { return keys_; }

 private:
  TFileEntry entry_;
  TFileSortKeys keys_;
};

const TFileListItem* AsFileItem(const QTreeWidgetItem* item) { return static_cast<const TFileListItem*>(item); }

}  // namespace

TFileListView::TFileListView(QWidget* parent) : QTreeWidget(parent) {
  setColumnCount(4);
  setHeaderLabels({QString(), QStringLiteral("Size (KB)"), QStringLiteral("Type"), QStringLiteral("Modified")});
  headerItem()->setTextAlignment(kSizeColumn, Qt::AlignRight | Qt::AlignVCenter);
  headerItem()->setTextAlignment(kTypeColumn, Qt::AlignRight | Qt::AlignVCenter);
  headerItem()->setTextAlignment(kModifiedColumn, Qt::AlignRight | Qt::AlignVCenter);
  setColumnWidth(kNameColumn, 160);
  setColumnWidth(kSizeColumn, 60);
  setColumnWidth(kModifiedColumn, 140);
  setRootIsDecorated(false);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setDragEnabled(true);
  setDragDropMode(QAbstractItemView::DragOnly);
  setSortingEnabled(false);
  header()->setSectionsClickable(true);
  header()->setStretchLastSection(false);
  connect(header(), &QHeaderView::sectionClicked, this, &TFileListView::ColumnClicked);
}

void TFileListView::Fill(const QString& folder, const QList<TFileEntry>& entries) {
  setUpdatesEnabled(false);
  clear();
  folder_ = folder;
  QList<QTreeWidgetItem*> items;
  items.reserve(entries.size());
  for (const TFileEntry& entry : entries) items.push_back(new TFileListItem(entry));
  addTopLevelItems(items);
  setUpdatesEnabled(true);
}

void TFileListView::Clear() {
  clear();
  folder_.clear();
}

bool TFileListView::SortBy(int column, bool ascending) {
  if (column < kNameColumn || column > kModifiedColumn) return false;
  setUpdatesEnabled(false);
  const QTreeWidgetItem* current = currentItem();
  QList<QTreeWidgetItem*> selected = selectedItems();
  const bool oldBlock = blockSignals(true);
  QList<QTreeWidgetItem*> items = invisibleRootItem()->takeChildren();
  std::stable_sort(items.begin(), items.end(), [&](const QTreeWidgetItem* a, const QTreeWidgetItem* b) {
    return CompareFileKeys(AsFileItem(a)->Keys(), AsFileItem(b)->Keys(), column, ascending) < 0;
  });
  addTopLevelItems(items);
  for (QTreeWidgetItem* item : selected) item->setSelected(true);
  if (current) setCurrentItem(const_cast<QTreeWidgetItem*>(current), 0, QItemSelectionModel::NoUpdate);
  blockSignals(oldBlock);
  header()->setSortIndicatorShown(true);
  header()->setSortIndicator(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
  setUpdatesEnabled(true);
  return true;
}

TFileEntry TFileListView::EntryAt(int row) const {
  const QTreeWidgetItem* item = topLevelItem(row);
  return item ? AsFileItem(item)->Entry() : TFileEntry{};
}

QString TFileListView::NameAt(int row) const {
  const QTreeWidgetItem* item = topLevelItem(row);
  return item ? AsFileItem(item)->Entry().name : QString();
}

int TFileListView::SelectedCount() const { return int(selectionModel()->selectedRows().size()); }

QStringList TFileListView::SelectedNames() const {
  QStringList names;
  for (int row = 0; row < topLevelItemCount(); ++row)
    if (topLevelItem(row)->isSelected()) names << NameAt(row);
  return names;
}

QString TFileListView::FocusedName() const {
  const QTreeWidgetItem* item = currentItem();
  return item ? AsFileItem(item)->Entry().name : QString();
}

QString TFileListView::PathOf(const QString& name) const {
  if (folder_.isEmpty() || name.isEmpty()) return QString();
  return platform::AddSlash(folder_) + name;
}

int TFileListView::FindName(const QString& name) const {
  int caseless = -1;
  for (int row = 0; row < topLevelItemCount(); ++row) {
    const QString& candidate = AsFileItem(topLevelItem(row))->Entry().name;
    if (candidate == name) return row;
    if (caseless < 0 && candidate.compare(name, Qt::CaseInsensitive) == 0) caseless = row;
  }
  return caseless;
}

void TFileListView::SelectOnly(int row) {
  QTreeWidgetItem* item = topLevelItem(row);
  if (!item) return;
  setCurrentItem(item, 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  scrollToItem(item);
}

void TFileListView::FocusAndSelect(int row) {
  const QModelIndex index = model()->index(row, 0);
  if (!index.isValid()) return;
  const bool scrolls = hasAutoScroll();
  setAutoScroll(false);
  selectionModel()->setCurrentIndex(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
  setAutoScroll(scrolls);
}

void TFileListView::Deselect(int row) {
  const QModelIndex index = model()->index(row, 0);
  if (index.isValid()) selectionModel()->select(index, QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
}

int TFileListView::FocusedRow() const {
  const QModelIndex current = currentIndex();
  return current.isValid() ? current.row() : -1;
}

QList<int> TFileListView::SelectedRows() const {
  QList<int> rows;
  for (int row = 0; row < topLevelItemCount(); ++row)
    if (topLevelItem(row)->isSelected()) rows << row;
  return rows;
}

void TFileListView::focusInEvent(QFocusEvent* event) {
  const bool hadCurrent = currentIndex().isValid();
  QTreeWidget::focusInEvent(event);
  if (!hadCurrent && currentIndex().isValid()) selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
}

void TFileListView::SetNameCaption(const QString& caption) { headerItem()->setText(kNameColumn, caption); }

QStringList TFileListView::mimeTypes() const {
  return {QStringLiteral("text/uri-list"), QString::fromLatin1(kListTagMimeType)};
}

QMimeData* TFileListView::mimeData(const QList<QTreeWidgetItem*>& items) const { return DragData(items); }

QMimeData* TFileListView::DragData(const QList<QTreeWidgetItem*>& items) const {
  if (folder_.isEmpty() || items.isEmpty()) return nullptr;
  const QSet<QTreeWidgetItem*> dragged(items.begin(), items.end());
  QList<QUrl> urls;
  for (int row = 0; row < topLevelItemCount(); ++row) {
    QTreeWidgetItem* item = topLevelItem(row);
    if (dragged.contains(item)) urls << QUrl::fromLocalFile(PathOf(AsFileItem(item)->Entry().name));
  }
  auto* data = new QMimeData;
  data->setUrls(urls);
  data->setData(QString::fromLatin1(kListTagMimeType), QByteArray::number(tag_));
  return data;
}

}  // namespace lumora::ui
