#include "browser/main_window_commands.h"

#include "browser/main_window.h"

namespace lumora::browser {
namespace {

using R = TSelectionRule;
constexpr int kNumPlus = int(Qt::KeypadModifier) | int(Qt::Key_Plus);
constexpr int kNumMinus = int(Qt::KeypadModifier) | int(Qt::Key_Minus);

const TCommandSpec kCommands[] = {
    {"File", "Movefilestoselecteddirectory1", "Move files...", 0, nullptr},
    {"File/Edit File", "EditFileinLumora1", "In Lumora", Qt::Key_F8, nullptr},
    {"File/Edit File", "EditFile1", "In External Editor", 0, nullptr},
    {"File", "RenameFile1", "Rename File...", Qt::Key_F2, nullptr},
    {"File", "DeleteFile1", "Delete File", Qt::Key_Delete, nullptr},
    {"File", "FileAttributes1", "File Attributes...", 0, nullptr},
    {"File", "", "-", 0, nullptr},
    {"File", "SearchFiles1", "Search Files...", Qt::Key_F3, nullptr},
    {"File", "", "-", 0, nullptr},
    {"File", "PageSetup1", "Page Setup...", 0, nullptr},
    {"File", "Print1", "Print Folder Listing", 0, nullptr},
    {"File", "PrintImage1", "Print Image", 0, nullptr},
    {"File", "", "-", 0, nullptr},
    {"File", "SetPreferences1", "Set Preferences...", 0, nullptr},
    {"File", "SetColor1", "Set Color...", 0, &TForm1::SetColorClick},
    {"File", "", "-", 0, nullptr},
    {"File", "Quit1", "Quit", 0, &TForm1::Quit1Click},

    {"Edit", "Copy1", "Copy to clipboard", 0, nullptr},
    {"Edit", "OpenLumoraEditor1", "Open Lumora Editor", 0, nullptr},
    {"Edit", "OpenExternalEditor1", "Open External Editor", 0, nullptr},

    {"Bookmarks", "AddBookmark1", "Add Bookmark", 0, nullptr},
    {"Bookmarks", "EditBookmarks1", "Edit Bookmarks...", 0, nullptr},
    {"Bookmarks", "", "-", 0, nullptr},

    {"Tools", "LumoMover1", "LumoMover", 0, nullptr},
    {"Tools", "LumoSearch1", "LumoSearch", 0, nullptr},
    {"Tools", "LumoEditor1", "LumoEditor", 0, nullptr},
    {"Tools", "AlbumMaker1", "LumoAlbums", 0, nullptr},
    {"Tools", "LumoConverter1", "LumoConverter", 0, nullptr},
    {"Tools", "ThumbnailExplorer1", "Thumbnail Explorer", 0, nullptr},
    {"Tools", "ThumbLumoCreator1", "ThumbLumo Creator", 0, nullptr},

    {"Help", "Features1", "Feature Overview...", Qt::Key_F1, &TForm1::Features1Click},
    {"Help", "Help2", "Contents", 0, &TForm1::Help2Click},
    {"Help", "SearchForHelpOn1", "Search For Help On...", 0, &TForm1::SearchForHelpOn1Click},
    {"Help", "HowToUseHelp1", "How To Use Help...", 0, &TForm1::HowToUseHelp1Click},
    {"Help", "", "-", 0, nullptr},
    {"Help/Contacting us...", "Gotoourwebsite1", "Go to our web site", 0, &TForm1::Gotoourwebsite1Click},
    {"Help/Contacting us...", "emailus1", "email us", 0, &TForm1::emailus1Click},
    {"Help", "", "-", 0, nullptr},
    {"Help", "About1", "About Lumora", 0, &TForm1::About1Click},

    {"Popup", "EditwithLumora1", "Edit with Lumora...", 0, nullptr, R::ExactlyOne},
    {"Popup", "EditwithExternalEditor1", "Edit with External Editor...", 0, nullptr, R::ExactlyOne},
    {"Popup", "ConvertwithLumoConverter1", "Convert with LumoConverter...", 0, nullptr, R::ExactlyOne},
    {"Popup", "", "-", 0, nullptr},
    {"Popup", "RenameFile2", "Rename File (F2)", 0, nullptr, R::ExactlyOne},
    {"Popup", "Delete1", "Delete Files (Del)", 0, nullptr, R::AtLeastOne},
    {"Popup", "FileAttributes2", "File Attributes...", 0, nullptr, R::ExactlyOne},
    {"Popup", "IncrementalRenameFiles1", "Incremental Rename...", 0, nullptr},
    {"Popup", "", "-", 0, nullptr},
    {"Popup", "EXIFData1", "EXIF Data...", 0, nullptr, R::ExactlyOne},
    {"Popup", "ImageProperties1", "Image Properties...", 0, nullptr, R::ExactlyOne},
    {"Popup", "PrintImage2", "Print Image", 0, nullptr},
    {"Popup", "", "-", 0, nullptr},
    {"Popup", "ZoomIn1", "Zoom In (+)", kNumPlus, &TForm1::ZoomIn1Click},
    {"Popup", "ZoomOut1", "Zoom Out (-)", kNumMinus, &TForm1::RefreshFile1Click},
    {"Popup", "", "-", 0, nullptr},
    {"Popup", "ViewAllFiles1", "View All Files", 0, &TForm1::ViewAllFiles1Click, R::Always, true},
    {"Popup", "Update1", "Refresh List (F5)", Qt::Key_F5, &TForm1::Update1Click},
    {"Popup", "", "-", 0, nullptr},
    {"Popup/Set As Wallpaper", "Centered1", "Centered", 0, nullptr},
    {"Popup/Set As Wallpaper", "Tiled1", "Tiled", 0, nullptr},
    {"Popup/Set As Wallpaper", "Stretched1", "Stretched", 0, nullptr},
    {"Popup", "RemoveWallpaper1", "Remove Wallpaper", 0, nullptr},

    {"TreePopup", "AddFolder1", "Add Folder...", 0, nullptr},
    {"TreePopup", "DeleteFolder1", "Delete Folder", 0, nullptr},
    {"TreePopup", "Refresh1", "Refresh", 0, &TForm1::Refresh1Click},
};

const TToolButtonSpec kToolButtons[] = {
    {"PreviousImageButton", "Previous Image", QStyle::SP_ArrowLeft, &TForm1::PreviousImageButtonClick},
    {"NextImageButton", "Next Image", QStyle::SP_ArrowRight, &TForm1::NextImageButtonClick},
    {"", "", QStyle::SP_CustomBase, nullptr},
    {"Seconds", "", QStyle::SP_CustomBase, nullptr},  // the interval edit and its spin arrows
    {"LumoraBtn", "Run a Lumora", QStyle::SP_MediaPlay, &TForm1::LumoraBtnClick, true},
    {"", "", QStyle::SP_CustomBase, nullptr},
    {"MoveButton", "LumoMover", QStyle::SP_FileDialogToParent, nullptr},
    {"tbAcquire", "Image Editor / Acquire Images from Twain Device", QStyle::SP_DesktopIcon, nullptr},
    {"tbPhotoAlbum", "LumoAlbums", QStyle::SP_FileDialogContentsView, nullptr},
    {"ToolButton1", "LumoConverter", QStyle::SP_BrowserReload, nullptr},
    {"SearchButton", "Search Engine", QStyle::SP_FileDialogInfoView, nullptr},
    {"tbThumbLumo", "Thumbnail Explorer", QStyle::SP_FileDialogListView, nullptr},
    {"ToolButton5", "ThumbLumo Creator", QStyle::SP_FileDialogNewFolder, nullptr},
    {"", "", QStyle::SP_CustomBase, nullptr},
    {"SetColor", "Set Background Color", QStyle::SP_CustomBase, &TForm1::SetColorClick},
    {"AutoZoom", "Auto Zoom", QStyle::SP_TitleBarMaxButton, &TForm1::AutoZoomClick, true},
};

}  // namespace

std::span<const TCommandSpec> MainWindowCommands() { return kCommands; }
std::span<const TToolButtonSpec> MainWindowToolButtons() { return kToolButtons; }

bool SelectionAllows(TSelectionRule rule, int selected) {
  switch (rule) {
    case TSelectionRule::ExactlyOne: return selected == 1;
    case TSelectionRule::AtLeastOne: return selected >= 1;
    case TSelectionRule::Always: break;
  }
  return true;
}

}  // namespace lumora::browser
