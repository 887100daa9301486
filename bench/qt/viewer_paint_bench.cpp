// The viewer on the offscreen platform: time from setting FileName to the first
// complete paint (a 6000 x 4000 quality-90 JPEG fitted into 1600 x 1000 with the precise
// quality), and the repaint time per frame while panning at 4x zoom.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QScrollBar>
#include <QTemporaryDir>

#include "bench/bench_pictures.h"
#include "imaging/core/codec_settings.h"
#include "imaging/widgets/pg_image.h"

namespace {

QTemporaryDir& Dir() {
  static QTemporaryDir dir;
  return dir;
}

const std::string& PhotoFile() {
  static const std::string path = [] {
    const std::string p = Dir().filePath("photo.jpg").toStdString();
    lumora::TCodecSettings settings = lumora::CodecSettings();
    settings.JPEGQuality = 90;
    const lumora::TScopedCodecSettings quality(settings);
    lumora::bench::NoisyPhoto(6000, 4000)->SaveToFile(p);
    return p;
  }();
  return path;
}

void BM_FileNameToFirstCompletePaint(benchmark::State& state) {
  const std::string& file = PhotoFile();
  for (auto _ : state) {
    lumora::TPGImage viewer;
    viewer.SetStretch(lumora::sAlwaysKAR);
    viewer.SetStretchMode(lumora::smPrecise);
    viewer.SetBorderWidth(0);
    viewer.SetBounds(0, 0, 1600, 1000);
    viewer.show();
    QImage frame(1600, 1000, QImage::Format_RGB32);
    viewer.SetFileName(file);
    viewer.viewport()->render(&frame);
    viewer.WaitForPaintCopy();
    viewer.viewport()->render(&frame);
    benchmark::DoNotOptimize(frame.constBits());
  }
}
BENCHMARK(BM_FileNameToFirstCompletePaint)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_PanRepaintAt4xZoom(benchmark::State& state) {
  lumora::TPGImage viewer;
  viewer.SetUseThread(false);
  viewer.SetStretchMode(state.range(0) ? lumora::smPrecise : lumora::smFast);
  viewer.SetStretch(lumora::sZoomKAR);
  viewer.SetZoomFactor(4.0);
  viewer.SetBounds(0, 0, 1600, 1000);
  viewer.TakePixelGraphic(lumora::bench::NoisyPhoto(3000, 2000));
  viewer.show();
  QImage frame(viewer.viewport()->size(), QImage::Format_RGB32);
  viewer.viewport()->render(&frame);
  int x = 0;
  for (auto _ : state) {
    x = (x + 16) % 8000;
    viewer.horizontalScrollBar()->setValue(x);
    viewer.viewport()->render(&frame);
  }
  benchmark::DoNotOptimize(frame.constBits());
}
// Argument 1: through the precise display copy; 0: stretched while drawing.
BENCHMARK(BM_PanRepaintAt4xZoom)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
