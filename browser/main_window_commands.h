#pragma once
// The commands of the main window: every menu item, popup item and tool button, with
// its caption or hint, its key and its handler. A command without a handler belongs to
// a window that is not part of the program yet; it is shown, but disabled.
#include <QStyle>

#include <span>

namespace lumora::browser {

class TForm1;
using THandler = void (TForm1::*)();

// When a popup item may be chosen, judged by the list's selection as the popup opens.
enum class TSelectionRule { Always, ExactlyOne, AtLeastOne };

struct TCommandSpec {
  // "File", "File/Edit File", "Edit", "Bookmarks", "Tools", "Help",
  // "Help/Contacting us...", "Popup", "Popup/Set As Wallpaper", "TreePopup".
  const char* menu;
  const char* objectName;  // "" for a separator
  const char* caption;
  int key;                 // 0, or a key with its modifiers
  THandler handler;
  TSelectionRule rule = TSelectionRule::Always;
  bool checkable = false;
};

struct TToolButtonSpec {
  const char* objectName;  // "" for a separator
  const char* hint;
  QStyle::StandardPixmap icon;
  THandler handler;
  bool checkable = false;
};

std::span<const TCommandSpec> MainWindowCommands();
std::span<const TToolButtonSpec> MainWindowToolButtons();

// Whether a popup item with `rule` may be chosen while `selected` files are selected.
bool SelectionAllows(TSelectionRule rule, int selected);

}  // namespace lumora::browser
