#pragma once
// Every message box of the program goes through here. Texts are always shown as plain
// text, so a file name can never be read as markup. Tests install a recorder.
#include <QString>
#include <QStringList>

#include <memory>

class QWidget;

namespace lumora::platform {

enum class TMessageKind { Information, Warning, Error, Question };

class TMessageBoxes {
 public:
  virtual ~TMessageBoxes() = default;
  virtual void Show(QWidget* parent, TMessageKind kind, const QString& text) = 0;
  // Yes/No question; true for Yes.
  virtual bool AskYesNo(QWidget* parent, const QString& text) = 0;
};

// Records every message and answers questions with a scripted reply.
class TRecordingMessageBoxes : public TMessageBoxes {
 public:
  void Show(QWidget*, TMessageKind, const QString& text) override { shown << text; }
  bool AskYesNo(QWidget*, const QString& text) override {
    asked << text;
    return answer;
  }
  QStringList shown;
  QStringList asked;
  bool answer = true;
};

TMessageBoxes& MessageBoxes();
void SetMessageBoxes(std::shared_ptr<TMessageBoxes> boxes);  // nullptr: real dialogs

inline void ShowMessage(const QString& text, QWidget* parent = nullptr) {
  MessageBoxes().Show(parent, TMessageKind::Information, text);
}
inline void ShowError(const QString& text, QWidget* parent = nullptr) {
  MessageBoxes().Show(parent, TMessageKind::Error, text);
}

}  // namespace lumora::platform
