#pragma once
// The about window: product name, version and maker.
#include <QDialog>

namespace lumora::browser {

class TAboutWindow : public QDialog {
  Q_OBJECT
 public:
  explicit TAboutWindow(QWidget* parent = nullptr);
};

}  // namespace lumora::browser
