// Writes the benchmark pictures as binary PPM files into a folder, so other programs
// can be timed on the same pixels as the library benchmarks:
//   write_bench_pictures DIR
#include <cstdio>
#include <exception>
#include <string>

#include "bench/bench_pictures.h"
#include "imaging/core/codec_settings.h"

int main(int argc, char** argv) {
  using namespace lumora;
  if (argc != 2) {
    std::fprintf(stderr, "usage: write_bench_pictures DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  TCodecSettings settings = CodecSettings();
  settings.PXMWriteBinary = true;
  TScopedCodecSettings scoped(settings);
  struct TPicture {
    const char* name;
    void (*fill)(TPixelGraphic&, int, int);
    int width, height;
  };
  const TPicture pictures[] = {
      {"gradient-6000x4000.ppm", bench::FillGradientPicture, 6000, 4000},
      {"gradient-1000x750.ppm", bench::FillGradientPicture, 1000, 750},
      {"gradient-3000x2000.ppm", bench::FillGradientPicture, 3000, 2000},
      {"photo-4000x3000.ppm", bench::FillPhotoPicture, 4000, 3000},
  };
  try {
    for (const TPicture& p : pictures) {
      TPixelGraphic image;
      p.fill(image, p.width, p.height);
      image.SaveToFile(dir + "/" + p.name);
      std::printf("%s/%s\n", dir.c_str(), p.name);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
