#include "browser/help_window.h"

#include <QTextBrowser>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

namespace lumora::browser {
namespace {

struct TTopicAnchor {
  int topic;
  const char* anchor;
};

constexpr TTopicAnchor kTopics[] = {
    {kHelpContents, "contents"},   {kHelpKeywordSearch, "index"}, {kHelpOnHelp, "using-help"},
    {130, "file-manager"},         {370, "acquire"},              {380, "editing"},
    {560, "publishing"},           {590, "radial"},               {600, "incremental-rename"},
};

const QUrl kHelpDocument(QStringLiteral("qrc:/lumora/help/lumora.html"));

}  // namespace

QString HelpAnchorForTopic(int topic) {
  for (const TTopicAnchor& t : kTopics)
    if (t.topic == topic) return QString::fromLatin1(t.anchor);
  return QStringLiteral("contents");
}

THelpWindow::THelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setWindowTitle(QStringLiteral("Lumora Help"));
  resize(640, 520);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* bar = new QToolBar(this);
  browser_ = new QTextBrowser(this);
  browser_->setOpenExternalLinks(true);
  bar->addAction(QStringLiteral("Back"), browser_, &QTextBrowser::backward);
  bar->addAction(QStringLiteral("Forward"), browser_, &QTextBrowser::forward);
  bar->addAction(QStringLiteral("Contents"), this, [this] { ShowTopic(kHelpContents); });
  layout->addWidget(bar);
  layout->addWidget(browser_);
}

void THelpWindow::ShowTopic(int topic) {
  anchor_ = HelpAnchorForTopic(topic);
  QUrl url = kHelpDocument;
  url.setFragment(anchor_);
  browser_->setSource(url);
  browser_->scrollToAnchor(anchor_);
  show();
  raise();
  activateWindow();
}

}  // namespace lumora::browser
