#include "browser/about_window.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

#include "browser/browser_texts.h"

namespace lumora::browser {

TAboutWindow::TAboutWindow(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("About Lumora"));
  auto* layout = new QVBoxLayout(this);
  auto* name = new QLabel(texts::kTitleVersion, this);
  QFont big = name->font();
  big.setPointSizeF(big.pointSizeF() * 1.6);
  big.setBold(true);
  name->setFont(big);
  for (QLabel* label : {name, new QLabel(QStringLiteral("Halvane Software"), this),
                        new QLabel(QStringLiteral("Image viewer, editor and organiser"), this)}) {
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignCenter);
    layout->addWidget(label);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  layout->addWidget(buttons);
}

}  // namespace lumora::browser
