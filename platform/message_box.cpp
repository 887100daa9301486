#include "platform/message_box.h"

#include <QApplication>
#include <QMessageBox>

namespace lumora::platform {
namespace {

QMessageBox::Icon IconFor(TMessageKind kind) {
  switch (kind) {
    case TMessageKind::Warning: return QMessageBox::Warning;
    case TMessageKind::Error: return QMessageBox::Critical;
    case TMessageKind::Question: return QMessageBox::Question;
    case TMessageKind::Information: break;
  }
  return QMessageBox::Information;
}

class TQtMessageBoxes : public TMessageBoxes {
 public:
  void Show(QWidget* parent, TMessageKind kind, const QString& text) override {
    QMessageBox box(IconFor(kind), QApplication::applicationName(), text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
  }
  bool AskYesNo(QWidget* parent, const QString& text) override {
    QMessageBox box(QMessageBox::Question, QApplication::applicationName(), text,
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setTextFormat(Qt::PlainText);
    return box.exec() == QMessageBox::Yes;
  }
};

std::shared_ptr<TMessageBoxes>& Current() {
  static std::shared_ptr<TMessageBoxes> boxes;
  return boxes;
}

}  // namespace

TMessageBoxes& MessageBoxes() {
  auto& boxes = Current();
  if (!boxes) boxes = std::make_shared<TQtMessageBoxes>();
  return *boxes;
}

void SetMessageBoxes(std::shared_ptr<TMessageBoxes> boxes) { Current() = std::move(boxes); }

}  // namespace lumora::platform
