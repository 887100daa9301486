#pragma once
// The main window: folder tree and file list on the left, the preview pane on the right,
// tool bar, menus and status bar. It owns the state that the browsing windows share.
#include <QColor>
#include <QMainWindow>
#include <QStringList>

#include <array>
#include <vector>

class QAction;
class QKeyEvent;
class QLineEdit;
class QMenu;
class QSplitter;
class QTimer;
class QToolButton;

namespace lumora {
class TGIFImage;
class TPGImage;
}  // namespace lumora

namespace lumora::ui {
class TFileListView;
class TFolderTree;
class TLed;
class TPictureControl;
class TStatusBar;
class TUpDown;
class TVideoPlayer;
}  // namespace lumora::ui

namespace lumora::browser {

class THelpWindow;

class TForm1 : public QMainWindow {
  Q_OBJECT
 public:
  // `arguments` are the command-line arguments after the program name (Qt's own
  // options already removed); exactly one is taken as a file to show.
  explicit TForm1(QStringList arguments = {}, QWidget* parent = nullptr);
  ~TForm1() override;

  // State the browsing windows share.
  QString CurrentFile;
  QString FileMasks;
  int SortColumn = 0;
  bool SortAscending = true;
  QString LastShownName;
  QString ShownType;
  bool ConfirmDeletions = true;
  int DeletionMode = 0;
  bool ColorChanged = false;
  QStringList BookmarkList;
  const QString TitleVersion;

  // Widgets other windows and tests reach.
  ui::TFolderTree* STV1 = nullptr;
  ui::TFileListView* SLV1 = nullptr;
  ui::TStatusBar* SB1 = nullptr;
  ui::TLed* ALed1 = nullptr;
  QWidget* LeftMain = nullptr;
  QWidget* LeftTop = nullptr;
  QWidget* RightMain = nullptr;
  QLineEdit* Seconds = nullptr;
  ui::TUpDown* UpDown1 = nullptr;
  QMenu* PopupMenu1 = nullptr;  // the list's menu
  QMenu* PopupMenu2 = nullptr;  // the tree's menu
  QAction* ViewAllFiles1 = nullptr;
  // The display controls of the preview pane; at most one is visible.
  TPGImage* PGImage1 = nullptr;
  TGIFImage* GIFImage1 = nullptr;
  ui::TPictureControl* Image1 = nullptr;
  ui::TVideoPlayer* AVIPlay1 = nullptr;
  QTimer* Timer1 = nullptr;  // the slide show

  // The action or tool button of a command by object name (tests, later windows).
  QAction* Command(const QString& objectName) const;
  QToolButton* ToolButton(const QString& objectName) const;

  void BuildFileMasks();
  void STV1Change();
  void SLV1Change();
  void SLV1ColumnClick(int column);
  void Update1Click();
  void ViewAllFiles1Click();
  void Refresh1Click();
  void PopupMenu1Popup();
  void UpDown1Click(bool up);
  void Quit1Click();
  void Features1Click();
  void Help2Click();
  void SearchForHelpOn1Click();
  void HowToUseHelp1Click();
  void Gotoourwebsite1Click();
  void emailus1Click();
  void About1Click();

  // Shows a file in the preview pane. Returns at once: the show runs when the event loop
  // next turns and takes CurrentFile as it is then, so two quick calls both show the later
  // path. Every request is recorded in ShowFileRequests.
  void ShowFile(const QString& path);
  QStringList ShowFileRequests;
  void FitToPane();
  void ZoomIn1Click();
  void RefreshFile1Click();
  void AutoZoomClick();
  void RightMainResize();
  // The visible display control, or nullptr when nothing is shown.
  QWidget* ShownControl() const;

  void NextImageButtonClick();
  void PreviousImageButtonClick();
  void LumoraBtnClick();
  void Timer1Timer();
  void SetColorClick();
  // The window's own keys, seen before the focused control, which still gets them.
  void FormKeyDown(QKeyEvent* event);

  // The preview pane's colour; setting it counts as the user's pick.
  QColor PaneColor() const;
  void SetPaneColor(const QColor& color);

  int LeftWidth() const;
  int LeftHeight() const;
  THelpWindow* HelpWindow() const { return help_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FormCreate();
  void FormShow();
  void FormClose();
  void BuildToolBar();
  void BuildMenus();
  void BuildLayout();
  bool SortList();
  void ListInto(const QString& folder);
  void OpenArgument(const QString& argument);
  void ShowHelpTopic(int topic);
  void BuildDisplayControls();
  void RunShow();
  void ShowVideo(QSize frame);
  void HideDisplayControls();
  void SizeToPicture(QWidget* control, QSize content);
  void ApplyPaneColor();
  QSize ShownContentSize() const;
  QWidget* ControlFor(const QString& type) const;
  std::array<QWidget*, 4> DisplayControls() const;
  void ReshowSelected();

  QStringList arguments_;
  bool shown_ = false;
  bool closed_ = false;
  int leftWidth_ = 180;
  int leftHeight_ = 120;
  QSplitter* columnSplitter_ = nullptr;
  QSplitter* treeSplitter_ = nullptr;
  THelpWindow* help_ = nullptr;
  std::vector<QToolButton*> toolButtons_;
  QColor lastPickedColor_ = Qt::black;
  const QEvent* handledKey_ = nullptr;
};

}  // namespace lumora::browser
