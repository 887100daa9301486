// Stepping through the list, the timed slide show, the window's keys and the pane colour.
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QTimer>
#include <QToolButton>

#include "browser/browser_texts.h"
#include "browser/main_window.h"
#include "browser/show_rules.h"
#include "imaging/widgets/gif_image.h"
#include "imaging/widgets/pg_image.h"
#include "platform/color_dialog.h"
#include "platform/message_box.h"
#include "ui/file_list_view.h"
#include "ui/up_down.h"

namespace lumora::browser {

void TForm1::NextImageButtonClick() {
  const int focused = SLV1->FocusedRow();
  if (SLV1->Count() == 0) return;
  if (focused >= 0) SLV1->Deselect(focused);
  SLV1->FocusAndSelect(NextRow(SLV1->Count(), focused));
}

void TForm1::PreviousImageButtonClick() {
  const int focused = SLV1->FocusedRow();
  if (SLV1->Count() == 0) return;
  if (focused >= 0) SLV1->Deselect(focused);
  SLV1->FocusAndSelect(PreviousRow(SLV1->Count(), focused));
}

void TForm1::LumoraBtnClick() {
  QToolButton* button = ToolButton(QStringLiteral("LumoraBtn"));
  if (SLV1->Count() == 0) {
    button->setChecked(false);
    platform::ShowMessage(texts::kNoFilesForShow, this);
  } else {
    if (SLV1->SelectedCount() == 0) {
      // The selection shows the first file unless it was the one shown last.
      SLV1->FocusAndSelect(0);
      const QString first = SLV1->PathOf(SLV1->NameAt(0));
      if (CurrentFile != first) ShowFile(first);
    } else if (SLV1->SelectedCount() > 1 && button->isChecked()) {
      // A show over several selected files would never show one: keep the focused one.
      const int focused = SLV1->FocusedRow();
      SLV1->SelectOnly(focused >= 0 ? focused : SLV1->SelectedRows().front());
    }
    Timer1->setInterval(UpDown1->Position() * 1000);
    if (button->isChecked()) {
      Timer1->start();
    } else {
      Timer1->stop();
    }
  }
  // Bookmarks would change the folder under a running show.
  if (QMenu* bookmarks = menuBar()->findChild<QMenu*>(QStringLiteral("Bookmarks1")))
    bookmarks->menuAction()->setEnabled(!button->isChecked());
}

void TForm1::Timer1Timer() {
  NextImageButtonClick();
  // Files the user selected beside the shown one would stop the show from showing.
  if (SLV1->SelectedCount() > 1 && SLV1->FocusedRow() >= 0) SLV1->SelectOnly(SLV1->FocusedRow());
}

void TForm1::UpDown1Click(bool) {
  Seconds->setText(QString::number(UpDown1->Position()));
  Timer1->setInterval(UpDown1->Position() * 1000);
}

void TForm1::SetColorClick() {
  const std::optional<QColor> chosen = platform::AskColor(lastPickedColor_, this);
  if (!chosen) return;
  lastPickedColor_ = *chosen;
  SetPaneColor(*chosen);
}

void TForm1::ApplyPaneColor() {
  const QColor color = PaneColor();
  PGImage1->SetPicBoxColor(color);
  PGImage1->SetColor(color);
  GIFImage1->SetColor(color);
}

void TForm1::FormKeyDown(QKeyEvent* event) {
  QToolButton* show = ToolButton(QStringLiteral("LumoraBtn"));
  if (event->key() == Qt::Key_Escape && show->isChecked()) {
    show->setChecked(false);
    LumoraBtnClick();
    return;
  }
  const QKeySequence key(int(event->modifiers() & Qt::KeypadModifier) | event->key());
  for (QAction* action : findChildren<QAction*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (action->shortcut() != key) continue;
    if (action->isEnabled()) action->trigger();
    return;
  }
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == RightMain && event->type() == QEvent::Resize) {
    RightMainResize();
  } else if (event->type() == QEvent::KeyRelease) {
    handledKey_ = nullptr;
  } else if (event->type() == QEvent::KeyPress && event != handledKey_) {
    // A key the focused control ignores travels up to its parents; it acts only once.
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget && widget->window() == this) {
      handledKey_ = event;
      FormKeyDown(static_cast<QKeyEvent*>(event));
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace lumora::browser
