// The main window on the offscreen platform: listing a folder of 10,000 files and
// sorting it by each column, and the time from a selection change to the painted
// picture for a 24-megapixel JPEG and a 1-megapixel PNG.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include <sys/time.h>

#include <memory>

#include "bench/bench_pictures.h"
#include "browser/list_folder.h"
#include "browser/main_window.h"
#include "imaging/core/codec_settings.h"
#include "imaging/core/pixel_graphic.h"
#include "platform/message_box.h"
#include "platform/settings.h"
#include "ui/file_list_view.h"
#include "ui/status_bar.h"

namespace {

using namespace lumora;

QTemporaryDir& Dir() {
  static QTemporaryDir dir;
  return dir;
}

// 10,000 files of the ten listed types with varied names, sizes and times.
const QString& BigFolder() {
  static const QString folder = [] {
    const QString path = Dir().filePath("many");
    QDir().mkpath(path);
    static const char* kTypes[] = {"jpg", "gif", "bmp", "ico", "wmf", "avi", "pcx", "png", "tga", "tif"};
    std::uint32_t seed = 11;
    for (int i = 0; i < 10000; ++i) {
      seed = seed * 1664525u + 1013904223u;
      const QString name = QStringLiteral("%1/IMG_%2_%3.%4").arg(path).arg(seed % 100000).arg(i).arg(kTypes[seed % 10]);
      QFile file(name);
      file.open(QIODevice::WriteOnly);
      file.write(QByteArray(int(seed >> 22), 'x'));
      file.close();
      const struct timeval times[2] = {{time_t(1'600'000'000 + (seed >> 4)), 0}, {time_t(1'600'000'000 + (seed >> 4)), 0}};
      utimes(QFile::encodeName(name).constData(), times);
    }
    return path;
  }();
  return folder;
}

// The pictures folder: a 6000x4000 quality-90 JPEG, a 1200x900 PNG and a tiny BMP to
// move the selection to between runs.
const QString& PictureFolder() {
  static const QString folder = [] {
    const QString path = Dir().filePath("pictures");
    QDir().mkpath(path);
    TCodecSettings settings = CodecSettings();
    settings.JPEGQuality = 90;
    const TScopedCodecSettings quality(settings);
    bench::NoisyPhoto(6000, 4000)->SaveToFile(QFile::encodeName(path + "/photo24mp.jpg").toStdString());
    bench::NoisyPhoto(1200, 900)->SaveToFile(QFile::encodeName(path + "/picture1mp.png").toStdString());
    bench::NoisyPhoto(8, 8)->SaveToFile(QFile::encodeName(path + "/tiny.bmp").toStdString());
    return path;
  }();
  return folder;
}

void BM_ListFolder10000(benchmark::State& state) {
  const QString& folder = BigFolder();
  ui::TFileListView list;
  ui::TStatusBar bar({{25, Qt::AlignLeft}, {80, Qt::AlignLeft}});
  const QString masks = browser::BuildFileMasks(QString::fromLatin1(browser::kDefaultFileTypes));
  for (auto _ : state) browser::ListFolder(&list, folder, &bar, masks);
  state.counters["files"] = list.Count();
}
BENCHMARK(BM_ListFolder10000)->Unit(benchmark::kMillisecond);

void BM_Sort10000(benchmark::State& state) {
  ui::TFileListView list;
  ui::TStatusBar bar({{25, Qt::AlignLeft}, {80, Qt::AlignLeft}});
  browser::ListFolder(&list, BigFolder(), &bar, browser::BuildFileMasks(QString::fromLatin1(browser::kDefaultFileTypes)));
  bool ascending = true;
  for (auto _ : state) {
    list.SortBy(int(state.range(0)), ascending);
    ascending = !ascending;
  }
}
BENCHMARK(BM_Sort10000)->ArgName("column")->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

void BM_SelectionToPaintedPicture(benchmark::State& state) {
  const QString name = state.range(0) ? QStringLiteral("photo24mp.jpg") : QStringLiteral("picture1mp.png");
  platform::SetSettingsStore(std::make_shared<platform::TMemorySettingsStore>());
  platform::SettingsStore().Write(QStringLiteral("Directory"), PictureFolder());
  browser::TForm1 form;
  form.resize(1600, 1000);
  form.show();
  QCoreApplication::processEvents();
  QImage frame(form.RightMain->size(), QImage::Format_RGB32);
  for (auto _ : state) {
    state.PauseTiming();
    form.SLV1->SelectOnly(form.SLV1->FindName(QStringLiteral("tiny.bmp")));
    QCoreApplication::processEvents();
    state.ResumeTiming();
    form.SLV1->SelectOnly(form.SLV1->FindName(name));
    QCoreApplication::processEvents();  // the deferred show
    form.RightMain->render(&frame);     // the paint
    benchmark::DoNotOptimize(frame.constBits());
  }
  if (form.ShownControl() == nullptr) state.SkipWithError("nothing was shown");
  state.counters["file_MB"] = double(QFileInfo(PictureFolder() + "/" + name).size()) / 1e6;
  form.close();
  platform::SetSettingsStore(nullptr);
}
BENCHMARK(BM_SelectionToPaintedPicture)->ArgName("jpeg24mp")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  platform::SetMessageBoxes(std::make_shared<platform::TRecordingMessageBoxes>());
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
