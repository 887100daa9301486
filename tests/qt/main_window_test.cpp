// The main window: start-up from the settings, the command-line file, the write-back at
// close, the command table, the list's sort keys and the help.
#include <QDir>
#include <QHeaderView>
#include <QMenuBar>
#include <QToolBar>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QToolButton>
#include <QtTest>

#include <memory>

#include "browser/browser_texts.h"
#include "browser/help_window.h"
#include "browser/list_folder.h"
#include "browser/main_window.h"
#include "browser/main_window_commands.h"
#include "platform/desktop.h"
#include "platform/message_box.h"
#include "platform/screen_info.h"
#include "platform/settings.h"
#include "qt_test_support.h"
#include "ui/file_list_view.h"
#include "ui/folder_tree.h"
#include "ui/led.h"
#include "ui/status_bar.h"
#include "ui/up_down.h"

using namespace lumora;
using namespace lumora::browser;
using platform::TMemorySettingsStore;

namespace {

QStringList ListNames(const ui::TFileListView* list) {
  QStringList names;
  for (int row = 0; row < list->Count(); ++row) names << list->NameAt(row);
  return names;
}

QString MenuOf(const QAction* action) {
  for (QObject* object : action->associatedObjects())
    if (auto* menu = qobject_cast<QMenu*>(object)) return menu->objectName();
  return QString();
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT
  QTemporaryDir root_;
  QString home_, pics_, other_;
  std::shared_ptr<TMemorySettingsStore> store_;
  std::shared_ptr<platform::TRecordingMessageBoxes> messages_;
  QList<QUrl> opened_;

  std::unique_ptr<TForm1> Start(const QStringList& arguments = {}) {
    auto form = std::make_unique<TForm1>(arguments);
    form->show();
    return form;
  }
  QString Stored(const QString& name) { return store_->Read(name).value_or("<missing>"); }

 private slots:
  void initTestCase() {
    QVERIFY(root_.isValid());
    home_ = root_.path() + "/home";
    pics_ = home_ + "/pics";
    other_ = home_ + "/other";
    qputenv("HOME", QFile::encodeName(home_));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(root_.path() + "/config"));
    using test::MakeFile;
    QVERIFY(MakeFile(home_ + "/start.png", 10));
    QVERIFY(MakeFile(pics_ + "/sunset.jpg", 5000, 1'700'000'300));
    QVERIFY(MakeFile(pics_ + "/a.bmp", 3000, 1'700'000'100));
    QVERIFY(MakeFile(pics_ + "/Beach.png", 1000, 1'700'000'200));
    QVERIFY(MakeFile(pics_ + "/notes.txt", 10));
    QVERIFY(MakeFile(other_ + "/one.gif", 10));
    QVERIFY(MakeFile(home_ + "/.secret/hidden.jpg", 10));
  }

  void init() {
    store_ = std::make_shared<TMemorySettingsStore>();
    platform::SetSettingsStore(store_);
    platform::SetScreenInfo(std::make_shared<platform::TFixedScreenInfo>(24, QList<QRect>{QRect(0, 0, 1280, 800)}));
    messages_ = std::make_shared<platform::TRecordingMessageBoxes>();
    platform::SetMessageBoxes(messages_);
    opened_.clear();
    platform::SetUrlOpener([this](const QUrl& url) {
      opened_ << url;
      return true;
    });
    SetViewAllFiles(false);
  }

  void cleanup() {
    platform::SetSettingsStore(nullptr);
    platform::SetScreenInfo(nullptr);
    platform::SetMessageBoxes(nullptr);
    platform::SetUrlOpener(nullptr);
    SetViewAllFiles(false);
  }

  void firstStartGivesTheDefaultsAndWritesThemBack() {
    auto form = Start();
    QCOMPARE(form->windowTitle(), QString("Lumora 7.8 by Halvane Software"));
    QCOMPARE(form->pos(), QPoint(0, 0));
    QCOMPARE(form->size(), QSize(620, 460));
    QCOMPARE(form->LeftWidth(), 180);
    QCOMPARE(form->LeftMain->width(), 180);
    QCOMPARE(form->LeftHeight(), 120);
    QCOMPARE(form->Seconds->text(), QString("4"));
    QCOMPARE(form->UpDown1->Position(), 4);
    QVERIFY(form->ConfirmDeletions);
    QCOMPARE(form->DeletionMode, 0);
    QVERIFY(!form->ColorChanged);
    QCOMPARE(form->SortColumn, 0);
    QVERIFY(form->SortAscending);
    QCOMPARE(form->FileMasks, QString("*.jpg;*.gif;*.bmp;*.ico;*.wmf;*.avi;*.pcx;*.png;*.tga;*.tif;"));
    // The default folder is the home folder.
    QCOMPARE(form->SLV1->ListedFolder(), home_);
    QCOMPARE(form->STV1->CurrentPath(), home_);
    QCOMPARE(ListNames(form->SLV1), QStringList{"start.png"});
    QCOMPARE(form->SB1->PanelText(1), QString("1 files"));
    QVERIFY(form->ShowFileRequests.isEmpty());
    form->close();
    const QList<QPair<QString, QString>> expected{{"Left", "0"},      {"Top", "0"},        {"Width", "620"},
                                                  {"Height", "460"},  {"LeftWidth", "180"}, {"LeftHeight", "120"},
                                                  {"Seconds", "4"},   {"Directory", home_}};
    for (const auto& [name, text] : expected) QCOMPARE(Stored(name), text);
    QCOMPARE(Stored("BG Color"), QString("<missing>"));
  }

  void storedValuesRoundTrip() {
    const QList<QPair<QString, QString>> values{{"Left", "30"},      {"Top", "40"},         {"Width", "700"},
                                                {"Height", "520"},   {"LeftWidth", "220"},  {"LeftHeight", "150"},
                                                {"Seconds", "9"},    {"Directory", other_}};
    for (const auto& [name, text] : values) store_->Write(name, text);
    store_->Write("Deletions", "1");
    store_->Write("Confirm Deletions", "0");
    auto form = Start();
    // Left and Top place the window with its frame; Width and Height are its client size.
    QCOMPARE(form->pos(), QPoint(30, 40));
    QCOMPARE(form->size(), QSize(700, 520));
    QCOMPARE(form->LeftWidth(), 220);
    QCOMPARE(form->LeftHeight(), 150);
    QCOMPARE(form->Seconds->text(), QString("9"));
    QCOMPARE(form->DeletionMode, 1);
    QVERIFY(!form->ConfirmDeletions);
    QCOMPARE(form->SLV1->ListedFolder(), other_);
    QCOMPARE(ListNames(form->SLV1), QStringList{"one.gif"});
    form->close();
    for (const auto& [name, text] : values) QCOMPARE(Stored(name), text);
  }

  void boundsWrittenAreTheCurrentOnes() {
    auto form = Start();
    form->move(50, 60);
    form->resize(800, 560);
    form->UpDown1->StepUp();
    QCOMPARE(form->Seconds->text(), QString("5"));
    form->close();
    QCOMPARE(Stored("Left"), QString("50"));
    QCOMPARE(Stored("Top"), QString("60"));
    QCOMPARE(Stored("Width"), QString("800"));
    QCOMPARE(Stored("Height"), QString("560"));
    QCOMPARE(Stored("Seconds"), QString("5"));
  }

  void badStoredValuesFallBackOrAreClamped_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("writtenBack");
    QTest::newRow("width word") << "Width" << "abc" << "620";
    QTest::newRow("width huge") << "Width" << "100000" << "1280";
    QTest::newRow("width negative") << "Width" << "-5" << "620";
    QTest::newRow("height empty") << "Height" << "" << "460";
    QTest::newRow("left far off") << "Left" << "-5000" << "0";
    QTest::newRow("top far off") << "Top" << "99999" << QString::number(800 - 460);
    QTest::newRow("seconds zero") << "Seconds" << "0" << "1";
    QTest::newRow("seconds big") << "Seconds" << "99" << "60";
    QTest::newRow("seconds word") << "Seconds" << "x" << "4";
    QTest::newRow("left width word") << "LeftWidth" << "wide" << "180";
    QTest::newRow("left width too big") << "LeftWidth" << "5000" << "580";
    // The tree panel is clamped to at most the window height less 120; the splitter may
    // give it less, to keep the list's minimum height.
    QTest::newRow("left height too big") << "LeftHeight" << "5000" << "<=340";
    QTest::newRow("directory missing") << "Directory" << "/no/such/folder" << "/no/such/folder";
  }
  void badStoredValuesFallBackOrAreClamped() {
    QFETCH(QString, name);
    QFETCH(QString, stored);
    QFETCH(QString, writtenBack);
    store_->Write(name, stored);
    store_->Write("Deletions", "nonsense");
    auto form = Start();
    QCOMPARE(form->DeletionMode, 0);
    if (name == "Directory") {
      QCOMPARE(form->SLV1->Count(), 0);  // nothing listed
      QCOMPARE(form->SLV1->ListedFolder(), QString());
    }
    form->close();
    if (writtenBack.startsWith("<=")) {
      const int value = Stored(name).toInt();
      QVERIFY2(value >= 20 && value <= writtenBack.mid(2).toInt(), qPrintable(Stored(name)));
    } else {
      QCOMPARE(Stored(name), writtenBack);
    }
  }

  void commandLineFile_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("listed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("file") << QStringList{"@pics/sunset.jpg"} << "@pics" << "@pics/sunset.jpg";
    QTest::newRow("other case") << QStringList{"@pics/SUNSET.JPG"} << "@pics" << "@pics/sunset.jpg";
    QTest::newRow("url") << QStringList{"file://@pics/Beach.png"} << "@pics" << "@pics/Beach.png";
    QTest::newRow("missing") << QStringList{"@pics/gone.jpg"} << "@pics" << "";
    QTest::newRow("unlisted type") << QStringList{"@pics/notes.txt"} << "@pics" << "";
    QTest::newRow("hidden folder") << QStringList{"@.secret/hidden.jpg"} << "@.secret" << "@.secret/hidden.jpg";
    QTest::newRow("missing folder") << QStringList{"@nowhere/x.jpg"} << "" << "";
    QTest::newRow("two arguments") << QStringList{"@pics/sunset.jpg", "@pics/a.bmp"} << "@other" << "";
  }
  void commandLineFile() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, listed);
    QFETCH(QString, shown);
    for (QString& a : arguments) a.replace("@", home_ + "/");
    listed.replace("@", home_ + "/");
    if (listed.endsWith('/')) listed.chop(1);
    shown.replace("@", home_ + "/");
    store_->Write("Directory", other_);
    auto form = Start(arguments);
    QCOMPARE(form->SLV1->ListedFolder(), listed);
    QCOMPARE(form->CurrentFile, shown);
    if (shown.isEmpty()) {
      QVERIFY(form->ShowFileRequests.isEmpty());
      QCOMPARE(form->SLV1->SelectedCount(), 0);
      QCOMPARE(form->LastShownName, QString());
    } else {
      QCOMPARE(form->ShowFileRequests, QStringList{shown});
      QCOMPARE(form->SLV1->SelectedNames(), QStringList{QFileInfo(shown).fileName()});
      QCOMPARE(form->LastShownName, QFileInfo(shown).fileName());
    }
    form->close();
    // Closing deselects without showing anything more.
    QCOMPARE(form->SLV1->SelectedCount(), 0);
    QCOMPARE(form->ShowFileRequests.size(), shown.isEmpty() ? 0 : 1);
  }

  void backgroundColorIsWrittenOnlyAfterAPick() {
    store_->Write("BG Color", "-16777201");  // the button face, as a system colour
    {
      auto form = Start();
      form->close();
    }
    QCOMPARE(Stored("BG Color"), QString("-16777201"));

    store_->Write("BG Color", "255");
    {
      auto form = Start();
      QCOMPARE(form->PaneColor(), QColor(255, 0, 0));
      form->close();
    }
    QCOMPARE(Stored("BG Color"), QString("255"));
    {
      auto form = Start();
      form->SetPaneColor(QColor(0, 0, 255));
      QVERIFY(form->ColorChanged);
      form->close();
    }
    QCOMPARE(Stored("BG Color"), QString("16711680"));
  }

  void everyCommandIsThere_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QKeySequence>("key");
    const QKeySequence none;
    auto row = [&](const char* name, const char* menu, const char* caption, bool enabled, QKeySequence key) {
      QTest::newRow(name) << QString(name) << QString(menu) << QString(caption) << enabled << key;
    };
    row("Movefilestoselecteddirectory1", "File1", "Move files...", false, none);
    row("EditFileinLumora1", "EditFile1", "In Lumora", false, QKeySequence(Qt::Key_F8));
    row("EditFile1", "EditFile1", "In External Editor", false, none);
    row("RenameFile1", "File1", "Rename File...", false, QKeySequence(Qt::Key_F2));
    row("DeleteFile1", "File1", "Delete File", false, QKeySequence(Qt::Key_Delete));
    row("FileAttributes1", "File1", "File Attributes...", false, none);
    row("SearchFiles1", "File1", "Search Files...", false, QKeySequence(Qt::Key_F3));
    row("PageSetup1", "File1", "Page Setup...", false, none);
    row("Print1", "File1", "Print Folder Listing", false, none);
    row("PrintImage1", "File1", "Print Image", false, none);
    row("SetPreferences1", "File1", "Set Preferences...", false, none);
    row("SetColor1", "File1", "Set Color...", true, none);
    row("Quit1", "File1", "Quit", true, none);
    row("Copy1", "Edit1", "Copy to clipboard", false, none);
    row("OpenLumoraEditor1", "Edit1", "Open Lumora Editor", false, none);
    row("OpenExternalEditor1", "Edit1", "Open External Editor", false, none);
    row("AddBookmark1", "Bookmarks1", "Add Bookmark", false, none);
    row("EditBookmarks1", "Bookmarks1", "Edit Bookmarks...", false, none);
    row("LumoMover1", "Tools1", "LumoMover", false, none);
    row("LumoSearch1", "Tools1", "LumoSearch", false, none);
    row("LumoEditor1", "Tools1", "LumoEditor", false, none);
    row("AlbumMaker1", "Tools1", "LumoAlbums", false, none);
    row("LumoConverter1", "Tools1", "LumoConverter", false, none);
    row("ThumbnailExplorer1", "Tools1", "Thumbnail Explorer", false, none);
    row("ThumbLumoCreator1", "Tools1", "ThumbLumo Creator", false, none);
    row("Features1", "Help1", "Feature Overview...", true, QKeySequence(Qt::Key_F1));
    row("Help2", "Help1", "Contents", true, none);
    row("SearchForHelpOn1", "Help1", "Search For Help On...", true, none);
    row("HowToUseHelp1", "Help1", "How To Use Help...", true, none);
    row("Gotoourwebsite1", "Contactingus1", "Go to our web site", true, none);
    row("emailus1", "Contactingus1", "email us", true, none);
    row("About1", "Help1", "About Lumora", true, none);
    row("EditwithLumora1", "PopupMenu1", "Edit with Lumora...", false, none);
    row("EditwithExternalEditor1", "PopupMenu1", "Edit with External Editor...", false, none);
    row("ConvertwithLumoConverter1", "PopupMenu1", "Convert with LumoConverter...", false, none);
    row("RenameFile2", "PopupMenu1", "Rename File (F2)", false, none);
    row("Delete1", "PopupMenu1", "Delete Files (Del)", false, none);
    row("FileAttributes2", "PopupMenu1", "File Attributes...", false, none);
    row("IncrementalRenameFiles1", "PopupMenu1", "Incremental Rename...", false, none);
    row("EXIFData1", "PopupMenu1", "EXIF Data...", false, none);
    row("ImageProperties1", "PopupMenu1", "Image Properties...", false, none);
    row("PrintImage2", "PopupMenu1", "Print Image", false, none);
    row("ZoomIn1", "PopupMenu1", "Zoom In (+)", true, QKeySequence(Qt::KeypadModifier | Qt::Key_Plus));
    row("ZoomOut1", "PopupMenu1", "Zoom Out (-)", true, QKeySequence(Qt::KeypadModifier | Qt::Key_Minus));
    row("ViewAllFiles1", "PopupMenu1", "View All Files", true, none);
    row("Update1", "PopupMenu1", "Refresh List (F5)", true, QKeySequence(Qt::Key_F5));
    row("Centered1", "SetAsWallpaper1", "Centered", false, none);
    row("Tiled1", "SetAsWallpaper1", "Tiled", false, none);
    row("Stretched1", "SetAsWallpaper1", "Stretched", false, none);
    row("RemoveWallpaper1", "PopupMenu1", "Remove Wallpaper", false, none);
    row("AddFolder1", "PopupMenu2", "Add Folder...", false, none);
    row("DeleteFolder1", "PopupMenu2", "Delete Folder", false, none);
    row("Refresh1", "PopupMenu2", "Refresh", true, none);
  }
  void everyCommandIsThere() {
    QFETCH(QString, name);
    QFETCH(QString, menu);
    QFETCH(QString, caption);
    QFETCH(bool, enabled);
    QFETCH(QKeySequence, key);
    TForm1 form;
    QAction* action = form.Command(name);
    QVERIFY2(action, qPrintable(name));
    QCOMPARE(action->text(), caption);
    QCOMPARE(MenuOf(action), menu);
    QCOMPARE(action->isEnabled(), enabled);
    QCOMPARE(action->shortcut(), key);
  }

  void menusInOrder() {
    TForm1 form;
    QStringList titles;
    for (QAction* a : form.menuBar()->actions()) titles << a->text();
    QCOMPARE(titles, (QStringList{"File", "Edit", "Bookmarks", "Tools", "Help"}));
    QVERIFY(!form.Command("Copy1")->isVisible());  // nothing shown yet
    QVERIFY(form.Command("ViewAllFiles1")->isCheckable());
  }

  void toolBarButtons_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("hint");
    QTest::addColumn<bool>("checkable");
    QTest::addColumn<bool>("enabled");  // false: its window is not part of the program yet
    auto row = [](const char* name, const char* hint, bool checkable, bool enabled = false) {
      QTest::newRow(name) << QString(name) << QString(hint) << checkable << enabled;
    };
    row("PreviousImageButton", "Previous Image", false, true);
    row("NextImageButton", "Next Image", false, true);
    row("LumoraBtn", "Run a Lumora", true, true);
    row("MoveButton", "LumoMover", false);
    row("tbAcquire", "Image Editor / Acquire Images from Twain Device", false);
    row("tbPhotoAlbum", "LumoAlbums", false);
    row("ToolButton1", "LumoConverter", false);
    row("SearchButton", "Search Engine", false);
    row("tbThumbLumo", "Thumbnail Explorer", false);
    row("ToolButton5", "ThumbLumo Creator", false);
    row("SetColor", "Set Background Color", false, true);
    row("AutoZoom", "Auto Zoom", true, true);
  }
  void toolBarButtons() {
    QFETCH(QString, name);
    QFETCH(QString, hint);
    QFETCH(bool, checkable);
    QFETCH(bool, enabled);
    TForm1 form;
    QToolButton* button = form.ToolButton(name);
    QVERIFY2(button, qPrintable(name));
    QCOMPARE(button->toolTip(), hint);
    QCOMPARE(button->isCheckable(), checkable);
    QCOMPARE(button->isEnabled(), enabled);
  }

  void toolBarOrder() {
    TForm1 form;
    QStringList names;
    auto* bar = form.findChild<QToolBar*>("ToolBar1");
    QVERIFY(bar);
    QCOMPARE(bar->height() <= 34 || !bar->isVisible(), true);
    for (QAction* a : bar->actions()) {
      if (a->isSeparator()) names << "|";
      else if (QWidget* w = bar->widgetForAction(a)) names << w->objectName();
    }
    QCOMPARE(names.join(' '), QString("PreviousImageButton NextImageButton | Seconds UpDown1 LumoraBtn | MoveButton "
                                      "tbAcquire tbPhotoAlbum ToolButton1 SearchButton tbThumbLumo ToolButton5 | "
                                      "SetColor AutoZoom"));
  }

  void statusBarPanels() {
    TForm1 form;
    const int widths[] = {25, 80, 60, 250, 50};
    const Qt::Alignment alignments[] = {Qt::AlignHCenter, Qt::AlignHCenter, Qt::AlignHCenter, Qt::AlignLeft,
                                        Qt::AlignLeft};
    QCOMPARE(form.SB1->PanelCount(), 5);
    for (int i = 0; i < 5; ++i) {
      QCOMPARE(form.SB1->PanelWidth(i), widths[i]);
      QCOMPARE(form.SB1->PanelAlignment(i), alignments[i]);
    }
    QCOMPARE(form.ALed1->parentWidget(), form.SB1);
    QVERIFY(!form.ALed1->IsOn());
    QCOMPARE(form.ALed1->Color(), QColor(128, 0, 0));
    form.ALed1->SetOn(true);
    QCOMPARE(form.ALed1->Color(), QColor(255, 0, 0));
    form.SB1->ShowGauge(4, 40);
    QVERIFY(form.SB1->GaugeVisible());
    QCOMPARE(form.SB1->GaugeValue(), 40);
    form.SB1->HideGauge();
    QVERIFY(!form.SB1->GaugeVisible());
  }

  void columnClicksAndRefresh() {
    store_->Write("Directory", pics_);
    auto form = Start();
    QCOMPARE(ListNames(form->SLV1), (QStringList{"a.bmp", "Beach.png", "sunset.jpg"}));
    form->SLV1ColumnClick(1);
    QCOMPARE(ListNames(form->SLV1), (QStringList{"Beach.png", "a.bmp", "sunset.jpg"}));
    form->SLV1ColumnClick(1);
    QCOMPARE(ListNames(form->SLV1), (QStringList{"sunset.jpg", "a.bmp", "Beach.png"}));
    QVERIFY(!form->SortAscending);
    // F5 goes back to the name column and keeps the direction.
    QCOMPARE(form->Command("Update1")->shortcut(), QKeySequence(Qt::Key_F5));
    form->Command("Update1")->trigger();
    QCOMPARE(form->SortColumn, 0);
    QCOMPARE(ListNames(form->SLV1), (QStringList{"sunset.jpg", "Beach.png", "a.bmp"}));
    form->SLV1ColumnClick(3);
    QVERIFY(form->SortAscending);
    QCOMPARE(ListNames(form->SLV1), (QStringList{"a.bmp", "Beach.png", "sunset.jpg"}));
    form->SLV1ColumnClick(2);
    QCOMPARE(ListNames(form->SLV1), (QStringList{"a.bmp", "sunset.jpg", "Beach.png"}));
    QVERIFY(messages_->shown.isEmpty());
    // A header click reaches the same handler.
    const int x = form->SLV1->header()->sectionViewportPosition(0) + 5;
    QTest::mouseClick(form->SLV1->header()->viewport(), Qt::LeftButton, {}, QPoint(x, 5));
    QCOMPARE(form->SortColumn, 0);
  }

  void refreshSeesNewFiles() {
    store_->Write("Directory", other_);
    auto form = Start();
    QCOMPARE(form->SLV1->Count(), 1);
    QVERIFY(test::MakeFile(other_ + "/two.tif", 10));
    QCOMPARE(form->SLV1->Count(), 1);  // nothing watches the folder
    form->Command("Update1")->trigger();
    QCOMPARE(form->SLV1->Count(), 2);
    QCOMPARE(form->SB1->PanelText(1), QString("2 files"));
    QFile::remove(other_ + "/two.tif");
  }

  void viewAllFilesSwitch() {
    store_->Write("Directory", pics_);
    auto form = Start();
    QCOMPARE(form->SLV1->headerItem()->text(0), QString("Name (Images)"));
    form->ViewAllFiles1->trigger();
    QVERIFY(ViewAllFiles());
    QCOMPARE(form->SLV1->headerItem()->text(0), QString("Name (All)"));
    QCOMPARE(ListNames(form->SLV1), (QStringList{"a.bmp", "Beach.png", "notes.txt", "sunset.jpg"}));
    form->ViewAllFiles1->trigger();
    QVERIFY(!ViewAllFiles());
    QCOMPARE(form->SLV1->headerItem()->text(0), QString("Name (Images)"));
    QCOMPARE(form->SLV1->Count(), 3);
  }

  void noFileTypesListsNothing() {
    store_->Write("FileTypes", "0000000000");
    store_->Write("Directory", pics_);
    auto form = Start();
    QCOMPARE(form->FileMasks, QString());
    QCOMPARE(form->SLV1->Count(), 0);
    QCOMPARE(form->SB1->PanelText(1), QString("0 files"));
  }

  void treeSelectionListsTheFolder() {
    auto form = Start();
    QVERIFY(form->STV1->SelectPath(pics_));
    QCOMPARE(form->SLV1->ListedFolder(), pics_);
    QCOMPARE(form->SLV1->Count(), 3);
    QVERIFY(!form->STV1->SelectPath(home_ + "/.secret"));  // dot-folders have no node
    QVERIFY(!form->STV1->SelectPath(home_ + "/missing"));
    QCOMPARE(form->STV1->CurrentPath(), pics_);
    // A selection without a folder empties the list instead of keeping stale items.
    form->STV1->setCurrentItem(nullptr);
    QCOMPARE(form->SLV1->Count(), 0);
    QCOMPARE(form->SLV1->ListedFolder(), QString());
    QCOMPARE(form->SB1->PanelText(1), QString("0 files"));
    QVERIFY(form->STV1->SelectPath(pics_));
    form->Command("Refresh1")->trigger();
    QCOMPARE(form->STV1->CurrentPath(), pics_);
  }

  void popupEnabling_data() {
    QTest::addColumn<int>("selected");
    QTest::newRow("none") << 0;
    QTest::newRow("one") << 1;
    QTest::newRow("two") << 2;
  }
  void popupEnabling() {
    QFETCH(int, selected);
    QCOMPARE(SelectionAllows(TSelectionRule::ExactlyOne, selected), selected == 1);
    QCOMPARE(SelectionAllows(TSelectionRule::AtLeastOne, selected), selected >= 1);
    QVERIFY(SelectionAllows(TSelectionRule::Always, selected));
    store_->Write("Directory", pics_);
    auto form = Start();
    for (int row = 0; row < selected; ++row) form->SLV1->topLevelItem(row)->setSelected(true);
    QCOMPARE(form->SLV1->SelectedCount(), selected);
    form->PopupMenu1Popup();
    QVERIFY(form->Command("ViewAllFiles1")->isEnabled());
    QVERIFY(form->Command("Update1")->isEnabled());
    QVERIFY(!form->Command("RenameFile2")->isEnabled());  // its window comes later
    QMenu* wallpaper = form->PopupMenu1->findChild<QMenu*>("SetAsWallpaper1");
    QVERIFY(wallpaper);
    QCOMPARE(wallpaper->menuAction()->isEnabled(), selected == 1);
  }

  void helpOpensTheTopic_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("anchor");
    QTest::newRow("features") << "Features1" << "contents";
    QTest::newRow("contents") << "Help2" << "contents";
    QTest::newRow("search") << "SearchForHelpOn1" << "index";
    QTest::newRow("help on help") << "HowToUseHelp1" << "using-help";
  }
  void helpOpensTheTopic() {
    QFETCH(QString, command);
    QFETCH(QString, anchor);
    auto form = Start();
    form->Command(command)->trigger();
    QVERIFY(form->HelpWindow());
    QVERIFY(form->HelpWindow()->isVisible());
    QCOMPARE(form->HelpWindow()->CurrentAnchor(), anchor);
    QCOMPARE(form->HelpWindow()->Browser()->source().fragment(), anchor);
    QVERIFY(form->HelpWindow()->Browser()->toPlainText().contains("Lumora 7.8 Help"));
  }

  void helpTopicsMapToAnchors() {
    QCOMPARE(HelpAnchorForTopic(kHelpContents), QString("contents"));
    QCOMPARE(HelpAnchorForTopic(130), QString("file-manager"));
    QCOMPARE(HelpAnchorForTopic(370), QString("acquire"));
    QCOMPARE(HelpAnchorForTopic(380), QString("editing"));
    QCOMPARE(HelpAnchorForTopic(12345), QString("contents"));
    // Every anchor a topic names is in the document.
    THelpWindow help;
    for (int topic : {0, 261, -1, 130, 370, 380, 560, 590, 600}) {
      help.ShowTopic(topic);
      QVERIFY2(help.Browser()->toHtml().contains("name=\"" + HelpAnchorForTopic(topic) + "\""),
               qPrintable(HelpAnchorForTopic(topic)));
    }
  }

  void contactCommandsOpenAddresses() {
    TForm1 form;
    form.Command("Gotoourwebsite1")->trigger();
    form.Command("emailus1")->trigger();
    QCOMPARE(opened_.size(), 2);
    QCOMPARE(opened_[0].scheme(), QString("https"));
    QCOMPARE(opened_[1].scheme(), QString("mailto"));
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
