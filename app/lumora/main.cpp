// Lumora: splash, application title, main window, event loop.
#include <QApplication>
#include <QSplashScreen>

#include "app/lumora/splash.h"
#include "browser/browser_texts.h"
#include "browser/main_window.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  lumora::app::ShowSplash();
  QApplication::setApplicationName(lumora::browser::texts::kApplicationTitle);
  QApplication::setDesktopFileName(QStringLiteral("lumora"));

  // Qt has taken its own options out of the arguments by now.
  QStringList arguments = QApplication::arguments();
  if (!arguments.isEmpty()) arguments.removeFirst();
  lumora::browser::TForm1 mainWindow(arguments);
  // Tool windows are created here as they become part of the program.
  mainWindow.show();
  return QApplication::exec();
}
