#include "browser/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QSplitter>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

#include "browser/about_window.h"
#include "browser/browser_texts.h"
#include "browser/help_window.h"
#include "browser/list_folder.h"
#include "browser/main_window_commands.h"
#include "imaging/widgets/gif_image.h"
#include "imaging/widgets/pg_image.h"
#include "platform/colors.h"
#include "platform/desktop.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "platform/screen_info.h"
#include "platform/settings.h"
#include "platform/wait_cursor.h"
#include "platform/window_bounds.h"
#include "ui/file_list_view.h"
#include "ui/folder_tree.h"
#include "ui/led.h"
#include "ui/status_bar.h"
#include "ui/video_player.h"
#include "ui/up_down.h"

namespace lumora::browser {

using platform::ReadSetting;
using platform::WriteSetting;

namespace {

constexpr int kListTag = 1;
constexpr int kToolBarHeight = 34;
constexpr int kSecondsMinimum = 1;
constexpr int kSecondsMaximum = 60;

QIcon ColorSwatchIcon() {
  QPixmap pixmap(20, 20);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  const QColor colors[] = {QColor(220, 40, 40), QColor(40, 170, 60), QColor(40, 80, 220), QColor(240, 200, 40)};
  for (int i = 0; i < 4; ++i) p.fillRect(QRect((i % 2) * 9 + 1, (i / 2) * 9 + 1, 9, 9), colors[i]);
  p.setPen(Qt::black);
  p.drawRect(1, 1, 17, 17);
  return QIcon(pixmap);
}

}  // namespace

TForm1::TForm1(QStringList arguments, QWidget* parent)
    : QMainWindow(parent), TitleVersion(texts::kTitleVersion), arguments_(std::move(arguments)) {
  setObjectName(QStringLiteral("Form1"));
  BuildLayout();
  BuildToolBar();
  BuildMenus();
  BuildDisplayControls();
  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
  qApp->installEventFilter(this);
  FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::BuildLayout() {
  columnSplitter_ = new QSplitter(Qt::Horizontal, this);
  columnSplitter_->setObjectName(QStringLiteral("Splitter1"));
  columnSplitter_->setChildrenCollapsible(false);

  LeftMain = new QWidget(columnSplitter_);
  LeftMain->setObjectName(QStringLiteral("LeftMain"));
  auto* leftLayout = new QVBoxLayout(LeftMain);
  leftLayout->setContentsMargins(4, 4, 4, 4);
  treeSplitter_ = new QSplitter(Qt::Vertical, LeftMain);
  treeSplitter_->setObjectName(QStringLiteral("Splitter2"));
  treeSplitter_->setChildrenCollapsible(false);
  leftLayout->addWidget(treeSplitter_);

  LeftTop = new QWidget(treeSplitter_);
  LeftTop->setObjectName(QStringLiteral("LeftTop"));
  auto* topLayout = new QVBoxLayout(LeftTop);
  topLayout->setContentsMargins(0, 0, 0, 0);
  STV1 = new ui::TFolderTree(LeftTop);
  STV1->setObjectName(QStringLiteral("STV1"));
  topLayout->addWidget(STV1);

  SLV1 = new ui::TFileListView(treeSplitter_);
  SLV1->setObjectName(QStringLiteral("SLV1"));
  SLV1->SetTag(kListTag);
  SLV1->SetNameCaption(ViewAllFiles() ? texts::kNameAll : texts::kNameImages);
  treeSplitter_->setStretchFactor(0, 0);
  treeSplitter_->setStretchFactor(1, 1);

  // The preview pane; the picture controls are placed into it by the viewer code.
  RightMain = new QWidget(columnSplitter_);
  RightMain->setObjectName(QStringLiteral("RightMain"));
  RightMain->setAutoFillBackground(true);
  RightMain->setBackgroundRole(QPalette::Button);
  columnSplitter_->setStretchFactor(0, 0);
  columnSplitter_->setStretchFactor(1, 1);
  setCentralWidget(columnSplitter_);

  SB1 = new ui::TStatusBar({{25, Qt::AlignHCenter},
                            {80, Qt::AlignHCenter},
                            {60, Qt::AlignHCenter},
                            {250, Qt::AlignLeft},
                            {50, Qt::AlignLeft}},
                           this);
  SB1->setObjectName(QStringLiteral("SB1"));
  ALed1 = new ui::TLed;
  ALed1->setObjectName(QStringLiteral("ALed1"));
  SB1->SetPanelWidget(0, ALed1);
  setStatusBar(SB1);

  connect(STV1, &ui::TFolderTree::Changed, this, &TForm1::STV1Change);
  connect(SLV1, &ui::TFileListView::ColumnClicked, this, &TForm1::SLV1ColumnClick);
  connect(SLV1, &QTreeWidget::itemSelectionChanged, this, &TForm1::SLV1Change);
}

void TForm1::BuildToolBar() {
  auto* bar = new QToolBar(QStringLiteral("Tools"), this);
  bar->setObjectName(QStringLiteral("ToolBar1"));
  bar->setMovable(false);
  bar->setFloatable(false);
  bar->setFixedHeight(kToolBarHeight);
  bar->setIconSize(QSize(20, 20));
  addToolBar(Qt::TopToolBarArea, bar);
  for (const TToolButtonSpec& spec : MainWindowToolButtons()) {
    const QString name = QString::fromLatin1(spec.objectName);
    if (name.isEmpty()) {
      bar->addSeparator();
      continue;
    }
    if (name == QLatin1String("Seconds")) {
      Seconds = new QLineEdit(bar);
      Seconds->setObjectName(name);
      Seconds->setReadOnly(true);
      Seconds->setAlignment(Qt::AlignRight);
      Seconds->setFixedWidth(28);
      bar->addWidget(Seconds);
      UpDown1 = new ui::TUpDown(kSecondsMinimum, kSecondsMaximum, bar);
      UpDown1->setObjectName(QStringLiteral("UpDown1"));
      bar->addWidget(UpDown1);
      connect(UpDown1, &ui::TUpDown::Clicked, this, &TForm1::UpDown1Click);
      continue;
    }
    auto* button = new QToolButton(bar);
    button->setObjectName(name);
    button->setToolTip(QString::fromLatin1(spec.hint));
    button->setIcon(spec.icon == QStyle::SP_CustomBase ? ColorSwatchIcon() : style()->standardIcon(spec.icon));
    button->setCheckable(spec.checkable);
    button->setAutoRaise(true);
    button->setEnabled(spec.handler != nullptr);
    if (spec.handler) connect(button, &QToolButton::clicked, this, [this, h = spec.handler] { (this->*h)(); });
    bar->addWidget(button);
    toolButtons_.push_back(button);
  }
}

void TForm1::BuildMenus() {
  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
  PopupMenu2 = new QMenu(this);
  PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));

  // Menus by path, created in the order they first appear.
  std::vector<std::pair<QString, QMenu*>> menus{{QStringLiteral("Popup"), PopupMenu1},
                                                {QStringLiteral("TreePopup"), PopupMenu2}};
  auto menuFor = [&](const QString& path) -> QMenu* {
    for (auto& [p, m] : menus)
      if (p == path) return m;
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    QMenu* menu = nullptr;
    if (slash < 0) {
      menu = menuBar()->addMenu(path);
    } else {
      QMenu* parentMenu = nullptr;
      for (auto& [p, m] : menus)
        if (p == path.left(slash)) parentMenu = m;
      if (!parentMenu) return nullptr;
      menu = parentMenu->addMenu(path.mid(slash + 1));
    }
    QString name = path.mid(slash + 1);
    name.remove(QLatin1Char(' ')).remove(QLatin1Char('.'));
    menu->setObjectName(name + QStringLiteral("1"));
    menus.emplace_back(path, menu);
    return menu;
  };

  for (const TCommandSpec& spec : MainWindowCommands()) {
    QMenu* menu = menuFor(QString::fromLatin1(spec.menu));
    if (!menu) continue;
    if (!*spec.objectName) {
      menu->addSeparator();
      continue;
    }
    auto* action = new QAction(QString::fromLatin1(spec.caption), this);
    action->setObjectName(QString::fromLatin1(spec.objectName));
    action->setCheckable(spec.checkable);
    action->setEnabled(spec.handler != nullptr);
    if (spec.key) {
      // The menus show the key; the window's key handler acts on it (FormKeyDown), so
      // the focused control still receives the key as well.
      action->setShortcut(QKeySequence(spec.key));
      action->setShortcutContext(Qt::WidgetShortcut);
    }
    if (spec.handler) connect(action, &QAction::triggered, this, [this, h = spec.handler] { (this->*h)(); });
    menu->addAction(action);
  }
  ViewAllFiles1 = Command(QStringLiteral("ViewAllFiles1"));
  if (ViewAllFiles1) ViewAllFiles1->setChecked(ViewAllFiles());
  if (QAction* copy = Command(QStringLiteral("Copy1"))) copy->setVisible(IsImageTypeText(ShownType));

  SLV1->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(SLV1, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    PopupMenu1Popup();
    PopupMenu1->popup(SLV1->viewport()->mapToGlobal(at));
  });
  STV1->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(STV1, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { PopupMenu2->popup(STV1->viewport()->mapToGlobal(at)); });
}

QAction* TForm1::Command(const QString& objectName) const {
  return findChild<QAction*>(objectName, Qt::FindDirectChildrenOnly);
}

QToolButton* TForm1::ToolButton(const QString& objectName) const {
  for (QToolButton* button : toolButtons_)
    if (button->objectName() == objectName) return button;
  return nullptr;
}

void TForm1::FormCreate() {
  setWindowTitle(TitleVersion + texts::kTitleSuffix);
  SortColumn = 0;
  SortAscending = true;
  BookmarkList.clear();

  DeletionMode = platform::ReadIntSetting(QStringLiteral("Deletions"), 0);
  const QRect wanted(platform::ReadIntSetting(QStringLiteral("Left"), 0), platform::ReadIntSetting(QStringLiteral("Top"), 0),
                     platform::ReadIntSetting(QStringLiteral("Width"), 620, 1),
                     platform::ReadIntSetting(QStringLiteral("Height"), 460, 1));
  const QRect bounds = platform::ClampWindowBounds(wanted, platform::ScreenInfo().AvailableAreas());
  move(bounds.topLeft());
  resize(bounds.size());
  // The column and the tree panel keep room for the pane and the list beside them.
  leftWidth_ = std::clamp(platform::ReadIntSetting(QStringLiteral("LeftWidth"), 180, 0), 20,
                          std::max(20, bounds.width() - 40));
  leftHeight_ = std::clamp(platform::ReadIntSetting(QStringLiteral("LeftHeight"), 120, 0), 20,
                           std::max(20, bounds.height() - 120));
  const int seconds = std::clamp(platform::ReadIntSetting(QStringLiteral("Seconds"), 4), kSecondsMinimum, kSecondsMaximum);
  UpDown1->SetPosition(seconds);
  Seconds->setText(QString::number(seconds));
  ConfirmDeletions = ReadSetting(QStringLiteral("Confirm Deletions"), QStringLiteral("1")) == QLatin1String("1");
  bool ok = false;
  const qint64 background = ReadSetting(QStringLiteral("BG Color"), QStringLiteral("-1")).trimmed().toLongLong(&ok);
  if (ok) {
    if (const auto color = platform::ColorFromSetting(background, RightMain->palette())) {
      QPalette palette = RightMain->palette();
      palette.setColor(QPalette::Button, *color);
      RightMain->setPalette(palette);
    }
  }
  ApplyPaneColor();
}

void TForm1::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shown_) return;
  shown_ = true;
  if (layout()) layout()->activate();
  columnSplitter_->setSizes({leftWidth_, std::max(1, columnSplitter_->width() - leftWidth_)});
  treeSplitter_->setSizes({leftHeight_, std::max(1, treeSplitter_->height() - leftHeight_)});
  FormShow();
}

void TForm1::FormShow() {
  BuildFileMasks();
  if (arguments_.size() == 1) {
    OpenArgument(arguments_.front());
    return;
  }
  const QString folder = platform::ResolveStoredFolder(ReadSetting(QStringLiteral("Directory"), QStringLiteral("c:\\")));
  if (folder.isEmpty() || !QFileInfo(folder).isDir()) return;
  {
    const QSignalBlocker blocker(STV1);
    STV1->SelectPath(folder);
  }
  ListInto(QFileInfo(folder).absoluteFilePath());
}

void TForm1::OpenArgument(const QString& argument) {
  QString path = argument;
  if (path.startsWith(QLatin1String("file:"))) path = QUrl(path).toLocalFile();
  if (path.isEmpty()) return;
  const QFileInfo info(path);
  const QString folder = info.absolutePath();
  if (!QFileInfo(folder).isDir()) return;
  {
    const QSignalBlocker blocker(STV1);
    STV1->SelectPath(folder);
  }
  // The argument's own folder is listed even when the tree offers no node for it (a
  // dot-folder), so the file shown is always the one that was named.
  ListInto(folder);
  const int row = SLV1->FindName(info.fileName());
  if (row < 0) return;
  {
    const QSignalBlocker blocker(SLV1);
    SLV1->SelectOnly(row);
  }
  SLV1->viewport()->update();
  LastShownName = SLV1->NameAt(row);
  ShowFile(SLV1->PathOf(LastShownName));
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (!closed_) {
    closed_ = true;
    FormClose();
  }
  event->accept();
}

void TForm1::FormClose() {
  if (SLV1->SelectedCount() > 0) {
    const QSignalBlocker blocker(SLV1);
    SLV1->clearSelection();
  }
  Timer1->stop();
  AVIPlay1->SetActive(false);
  GIFImage1->SetAnimate(false);
  PGImage1->hide();
  BookmarkList.clear();
  WriteSetting(QStringLiteral("LeftWidth"), QString::number(LeftWidth()));
  WriteSetting(QStringLiteral("LeftHeight"), QString::number(LeftHeight()));
  WriteSetting(QStringLiteral("Seconds"), Seconds->text());
  QString folder = STV1->CurrentPath();
  if (folder.isEmpty()) folder = SLV1->ListedFolder();
  if (!folder.isEmpty()) WriteSetting(QStringLiteral("Directory"), folder);
  WriteSetting(QStringLiteral("Left"), QString::number(x()));
  WriteSetting(QStringLiteral("Top"), QString::number(y()));
  WriteSetting(QStringLiteral("Width"), QString::number(width()));
  WriteSetting(QStringLiteral("Height"), QString::number(height()));
  if (ColorChanged) WriteSetting(QStringLiteral("BG Color"), QString::number(platform::ColorToSetting(PaneColor())));
}

int TForm1::LeftWidth() const { return shown_ ? columnSplitter_->sizes().value(0, leftWidth_) : leftWidth_; }
int TForm1::LeftHeight() const { return shown_ ? treeSplitter_->sizes().value(0, leftHeight_) : leftHeight_; }

QColor TForm1::PaneColor() const { return RightMain->palette().color(QPalette::Button); }

void TForm1::SetPaneColor(const QColor& color) {
  QPalette palette = RightMain->palette();
  palette.setColor(QPalette::Button, color);
  RightMain->setPalette(palette);
  ApplyPaneColor();
  ColorChanged = true;
}

void TForm1::BuildFileMasks() {
  FileMasks = browser::BuildFileMasks(ReadSetting(QStringLiteral("FileTypes"), QString::fromLatin1(kDefaultFileTypes)));
}

bool TForm1::SortList() { return SLV1->SortBy(SortColumn, SortAscending); }

void TForm1::ListInto(const QString& folder) {
  // A file of the same name in another folder is another file: it must show when chosen.
  if (folder != SLV1->ListedFolder()) LastShownName.clear();
  ListFolder(SLV1, folder, SB1, FileMasks);
  SortList();
}

void TForm1::STV1Change() {
  const QString path = STV1->CurrentPath();
  if (!path.isEmpty() && QFileInfo(path).isDir()) {
    ListInto(path);
  } else {
    // A node without a folder: an old listing would make commands act on the wrong files.
    SLV1->Clear();
    SB1->SetPanelText(1, QStringLiteral("0") + texts::kFilesSuffix);
  }
}

void TForm1::SLV1ColumnClick(int column) {
  if (column == SortColumn) {
    SortAscending = !SortAscending;
  } else {
    SortColumn = column;
    SortAscending = true;
  }
  if (!SortList()) platform::ShowMessage(texts::kErrorSorting, this);
}

void TForm1::Update1Click() {
  SortColumn = 0;
  const QString folder = SLV1->ListedFolder().isEmpty() ? STV1->CurrentPath() : SLV1->ListedFolder();
  ListInto(folder);
}

void TForm1::ViewAllFiles1Click() {
  SetViewAllFiles(ViewAllFiles1->isChecked());
  SLV1->SetNameCaption(ViewAllFiles() ? texts::kNameAll : texts::kNameImages);
  Update1Click();
}

void TForm1::Refresh1Click() {
  const platform::WaitCursor hourglass;
  STV1->Reload();
}

void TForm1::PopupMenu1Popup() {
  const int selected = SLV1->SelectedCount();
  for (const TCommandSpec& spec : MainWindowCommands()) {
    if (QString::fromLatin1(spec.menu) != QLatin1String("Popup") || !*spec.objectName) continue;
    if (QAction* action = Command(QString::fromLatin1(spec.objectName)))
      action->setEnabled(spec.handler != nullptr && SelectionAllows(spec.rule, selected));
  }
  if (QMenu* wallpaper = PopupMenu1->findChild<QMenu*>(QStringLiteral("SetAsWallpaper1")))
    wallpaper->menuAction()->setEnabled(SelectionAllows(TSelectionRule::ExactlyOne, selected));
}

void TForm1::Quit1Click() { close(); }

void TForm1::ShowHelpTopic(int topic) {
  if (!help_) help_ = new THelpWindow(this);
  help_->ShowTopic(topic);
}

void TForm1::Features1Click() { ShowHelpTopic(kHelpContents); }
void TForm1::Help2Click() { ShowHelpTopic(kHelpContents); }
void TForm1::SearchForHelpOn1Click() { ShowHelpTopic(kHelpKeywordSearch); }
void TForm1::HowToUseHelp1Click() { ShowHelpTopic(kHelpOnHelp); }
void TForm1::Gotoourwebsite1Click() { platform::OpenUrl(QUrl(texts::kWebSite)); }
void TForm1::emailus1Click() { platform::OpenUrl(QUrl(texts::kSupportMail)); }

void TForm1::About1Click() {
  TAboutWindow about(this);
  about.exec();
}

}  // namespace lumora::browser
