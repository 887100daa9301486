// Start-up time of the program: from the moment the kernel started this process to the
// main window painted for the first time, listing the folder given as the argument.
// Run it on the display to measure (for example under Xvfb):
//   startup_timing FOLDER
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include <unistd.h>

#include <cstdio>

#include "browser/main_window.h"
#include "platform/settings.h"

namespace {

// Milliseconds since the process started, from /proc (clock-tick resolution).
double MillisecondsSinceProcessStart() {
  QFile stat(QStringLiteral("/proc/self/stat"));
  QFile uptime(QStringLiteral("/proc/uptime"));
  if (!stat.open(QIODevice::ReadOnly) || !uptime.open(QIODevice::ReadOnly)) return -1;
  const QByteArray line = stat.readAll();
  // Field 22 (start time in ticks) counts from after the command name's closing ")".
  const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
  const double startTicks = fields.value(19).toDouble();
  const double upSeconds = uptime.readAll().split(' ').value(0).toDouble();
  return (upSeconds - startTicks / double(sysconf(_SC_CLK_TCK))) * 1000.0;
}

class TFirstPaintWatcher : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && !done_) {
      done_ = true;
      // Report after this paint has finished.
      QTimer::singleShot(0, [] {
        std::printf("start-up to first painted main window: %.0f ms\n", MillisecondsSinceProcessStart());
        QApplication::quit();
      });
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  bool done_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  auto store = std::make_shared<lumora::platform::TMemorySettingsStore>();
  if (argc > 1) store->Write(QStringLiteral("Directory"), QString::fromLocal8Bit(argv[1]));
  lumora::platform::SetSettingsStore(store);
  lumora::browser::TForm1 form;
  TFirstPaintWatcher watcher;
  form.installEventFilter(&watcher);
  form.show();
  return QApplication::exec();
}
