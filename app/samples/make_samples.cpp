// Writes the project's own sample pictures as BMP files: a 24-bit test chart, a
// colour gradient, and 8-, 4- and 1-bit palette pictures. The output depends on
// nothing but this code, so the committed files can be checked against it:
//   make_samples DIR           write the pictures into DIR
//   make_samples --check DIR   exit 1 when a file in DIR differs from what would be written
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "imaging/core/pixel_graphic.h"
#include "imaging/core/stream.h"

namespace {

using namespace lumora;

void Put24(TPixelGraphic& image, int x, int y, int r, int g, int b) {
  std::uint8_t* p = image.ScanLine(y) + 3 * x;
  p[0] = std::uint8_t(b);
  p[1] = std::uint8_t(g);
  p[2] = std::uint8_t(r);
}

// Integer distance check, so the output is the same on every machine.
bool InCircle(int x, int y, int cx, int cy, int radius) {
  const long dx = x - cx, dy = y - cy;
  return dx * dx + dy * dy <= long(radius) * radius;
}

// 320 x 240: colour bars, a 16-step gray wedge, red/green/blue ramps, a circle,
// fine line groups and a checkerboard for judging resampling, and a one-pixel frame.
void DrawTestChart(TPixelGraphic& image) {
  image.Allocate(320, 240, 3);
  static const int kBars[8][3] = {{255, 255, 255}, {255, 255, 0}, {0, 255, 255}, {0, 255, 0},
                                  {255, 0, 255},   {255, 0, 0},   {0, 0, 255},   {0, 0, 0}};
  for (int y = 0; y < 240; ++y) {
    for (int x = 0; x < 320; ++x) {
      int r = 128, g = 128, b = 128;
      if (y < 60) {
        const int* c = kBars[x / 40];
        r = c[0], g = c[1], b = c[2];
      } else if (y < 90) {
        r = g = b = (x / 20) * 17;
      } else if (y < 150) {
        const int v = x * 255 / 319;
        const int band = (y - 90) / 20;
        r = band == 0 ? v : 0;
        g = band == 1 ? v : 0;
        b = band == 2 ? v : 0;
      } else if (x < 160) {
        // Line groups: 1, 2 and 4 pixels wide.
        const int period = x < 54 ? 2 : x < 107 ? 4 : 8;
        r = g = b = (x / (period / 2)) % 2 ? 255 : 0;
        if (y >= 195) r = g = b = ((x / (period / 2)) + (y / (period / 2))) % 2 ? 255 : 0;
      } else {
        r = g = b = 64;
        if (InCircle(x, y, 240, 195, 40)) r = 240, g = 200, b = 40;
        if (InCircle(x, y, 240, 195, 20)) r = 30, g = 90, b = 200;
      }
      if (x == 0 || y == 0 || x == 319 || y == 239) r = g = b = 255;
      Put24(image, x, y, r, g, b);
    }
  }
}

// 128 x 48: hue across, brightness down.
void DrawGradient(TPixelGraphic& image) {
  image.Allocate(128, 48, 3);
  for (int y = 0; y < 48; ++y) {
    for (int x = 0; x < 128; ++x) {
      const int h = x * 6 * 256 / 128;  // 0 .. 6*256
      const int f = h % 256, sector = h / 256;
      int r = 0, g = 0, b = 0;
      switch (sector) {
        case 0: r = 255, g = f; break;
        case 1: r = 255 - f, g = 255; break;
        case 2: g = 255, b = f; break;
        case 3: g = 255 - f, b = 255; break;
        case 4: r = f, b = 255; break;
        default: r = 255, b = 255 - f; break;
      }
      const int light = 255 - y * 255 / 47;
      Put24(image, x, y, r * light / 255, g * light / 255, b * light / 255);
    }
  }
}

// 160 x 120, 8 bits: a 6x6x6 colour cube and 40 grays, drawn as concentric rings over
// a diagonal sweep of the cube.
void DrawPalette8(TPixelGraphic& image) {
  image.Allocate(160, 120, 2);
  image.SetPaletteCount(256);
  for (int i = 0; i < 216; ++i) image.SetPaletteColor(i, RGBColor(i / 36 * 51, i / 6 % 6 * 51, i % 6 * 51));
  for (int i = 0; i < 40; ++i) image.SetPaletteColor(216 + i, RGBColor(i * 255 / 39, i * 255 / 39, i * 255 / 39));
  for (int y = 0; y < 120; ++y) {
    std::uint8_t* row = image.ScanLine(y);
    for (int x = 0; x < 160; ++x) {
      const long dx = x - 80, dy = y - 60;
      const long d2 = dx * dx + dy * dy;
      int index = (x * 6 / 160) * 36 + (y * 6 / 120) * 6 + ((x + y) * 6 / 280);
      if (d2 < 50L * 50 && (d2 / 90) % 2 == 0) index = 216 + int(d2 * 39 / 2500);
      row[x] = std::uint8_t(index);
    }
  }
}

// 160 x 120, 4 bits: sixteen colour stripes crossed by a checkerboard of the dark half.
void DrawPalette4(TPixelGraphic& image) {
  image.Allocate(160, 120, 1);
  static const TColor kColors[16] = {
      RGBColor(0, 0, 0),       RGBColor(128, 0, 0),   RGBColor(0, 128, 0),   RGBColor(128, 128, 0),
      RGBColor(0, 0, 128),     RGBColor(128, 0, 128), RGBColor(0, 128, 128), RGBColor(128, 128, 128),
      RGBColor(192, 192, 192), RGBColor(255, 0, 0),   RGBColor(0, 255, 0),   RGBColor(255, 255, 0),
      RGBColor(0, 0, 255),     RGBColor(255, 0, 255), RGBColor(0, 255, 255), RGBColor(255, 255, 255)};
  image.SetPaletteCount(16);
  for (int i = 0; i < 16; ++i) image.SetPaletteColor(i, kColors[i]);
  for (int y = 0; y < 120; ++y) {
    for (int x = 0; x < 160; ++x) {
      int index = x / 10;
      if (y >= 40 && y < 80 && ((x / 8 + y / 8) % 2)) index = (index + 8) % 16;
      image.SetPixel(x, y, std::uint32_t(index));
    }
  }
}

// 160 x 120, 1 bit: a black disc with a white ring on a checkerboard, framed.
void DrawMono(TPixelGraphic& image) {
  image.Allocate(160, 120, 0);
  image.SetPaletteIdent(pBlackWhite);
  for (int y = 0; y < 120; ++y) {
    for (int x = 0; x < 160; ++x) {
      bool white = (x / 10 + y / 10) % 2 == 0;
      if (InCircle(x, y, 80, 60, 45)) white = false;
      if (InCircle(x, y, 80, 60, 30) && !InCircle(x, y, 80, 60, 24)) white = true;
      if (x == 0 || y == 0 || x == 159 || y == 119) white = false;
      image.SetPixel(x, y, white ? 1 : 0);
    }
  }
}

struct TSample {
  const char* name;
  std::function<void(TPixelGraphic&)> draw;
};

const TSample kSamples[] = {
    {"testchart_24bit.bmp", DrawTestChart}, {"gradient_24bit.bmp", DrawGradient},
    {"palette_8bit.bmp", DrawPalette8},     {"palette_4bit.bmp", DrawPalette4},
    {"mono_1bit.bmp", DrawMono},
};

std::vector<std::uint8_t> Encode(const TSample& sample) {
  TPixelGraphic image;
  sample.draw(image);
  TMemoryStream stream;
  image.SaveToStream(stream);
  return stream.TakeBytes();
}

}  // namespace

int main(int argc, char** argv) {
  const bool check = argc == 3 && std::strcmp(argv[1], "--check") == 0;
  if (argc != 2 && !check) {
    std::fprintf(stderr, "usage: make_samples [--check] DIR\n");
    return 2;
  }
  const std::string dir = argv[argc - 1];
  int differing = 0;
  for (const TSample& sample : kSamples) {
    const std::string path = dir + "/" + sample.name;
    const std::vector<std::uint8_t> bytes = Encode(sample);
    try {
      if (check) {
        if (ReadWholeFile(path) != bytes) {
          std::fprintf(stderr, "%s differs from what make_samples writes\n", path.c_str());
          ++differing;
        }
      } else {
        TPixelGraphic image;
        sample.draw(image);
        image.SaveToFile(path);
        std::printf("%s (%zu bytes)\n", path.c_str(), bytes.size());
      }
    } catch (const std::exception& e) {
      std::fprintf(stderr, "%s: %s\n", path.c_str(), e.what());
      ++differing;
    }
  }
  return differing ? 1 : 0;
}
