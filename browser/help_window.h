#pragma once
// The program's help: an HTML document shown in a window of its own. Help topics are
// numbers, each mapped to an anchor of the document.
#include <QWidget>

class QTextBrowser;

namespace lumora::browser {

inline constexpr int kHelpContents = 0;
inline constexpr int kHelpKeywordSearch = 261;
inline constexpr int kHelpOnHelp = -1;

// The anchor of a topic; "contents" for topics the document does not have.
QString HelpAnchorForTopic(int topic);

class THelpWindow : public QWidget {
  Q_OBJECT
 public:
  explicit THelpWindow(QWidget* parent = nullptr);
  void ShowTopic(int topic);
  QString CurrentAnchor() const { return anchor_; }
  QTextBrowser* Browser() const { return browser_; }

 private:
  QTextBrowser* browser_;
  QString anchor_;
};

}  // namespace lumora::browser
