// PBM/PGM/PPM writer: plain (P1, P2, P3) or, with PXMWriteBinary, binary (P4, P5, P6)
// variants; the writer's extension decides which of the three.
#include "imaging/codecs/pnm_writer.h"
#include "imaging/codecs/rgb_rows.h"

#include <string>
#include <vector>

#include "imaging/core/codec_settings.h"
#include "imaging/core/exceptions.h"
#include "imaging/core/messages.h"
#include "imaging/core/stream.h"

namespace lumora {
namespace {

// "0".."255" followed by a space, built once.
struct TDecimalTable {
  TDecimalTable() {
    for (int i = 0; i < 256; ++i) text[i] = std::to_string(i) + ' ';
  }
  std::string text[256];
};

const TDecimalTable& Decimals() {
  static const TDecimalTable table;
  return table;
}

class TPNMWriter : public TFileFormatWriter {
 public:
  TPNMWriter(std::string extension, std::string description, TColorResSet canWrite)
      : TFileFormatWriter(std::move(extension), std::move(description), true, canWrite, "TPxMFileFormatWriter") {}

  void WriteImage(TStream& stream, TPixelGraphic& image) override {
    const TCodecSettings settings = CodecSettings();
    int kind;  // 1 PBM, 2 PGM, 3 PPM
    if (Extension == "pbm") kind = 1;
    else if (Extension == "pgm") kind = 2;
    else if (Extension == "ppm") kind = 3;
    else throw EPGPxMFileFormatWriter("PBM, PGM, PPM: " + PGMessage(msgUnknownExtension, {Extension}));
    if (image.GetEmpty() || image.Width() == 0 || image.Height() == 0) {
      throw EPGPxMFileFormatWriter("PBM, PGM, PPM: " + PGMessage(msgZeroSize));
    }
    // Checked before anything is written, so a refused image leaves the stream alone.
    static const char* const kNames[4] = {"", "PBM: ", "PGM: ", "PPM: "};
    static const int kBitCountNum[4] = {0, 0, 2, 3};
    if (image.BitCountNum() != kBitCountNum[kind]) {
      throw EPGPxMFileFormatWriter(kNames[kind] + PGMessage(msgInvalidColorRes));
    }

    const bool binary = settings.PXMWriteBinary;
    const int width = image.Width(), height = image.Height();
    std::string header = "P" + std::to_string(binary ? kind + 3 : kind) + "\n" + std::to_string(width) + " " +
                         std::to_string(height) + "\n";
    if (kind != 1) header += "255\n";
    stream.Write(header.data(), header.size());

    TProgressScope progress(image);
    std::string text;
    std::vector<std::uint8_t> bytes;
    for (int y = 0; y < height; ++y) {
      const std::uint8_t* row = image.ScanLine(y);
      if (binary) {
        BinaryRow(kind, row, width, bytes);
        stream.Write(bytes.data(), bytes.size());
      } else {
        PlainRow(kind, row, width, text);
        stream.Write(text.data(), text.size());
      }
      progress.Step(y, height);
    }
  }

 private:
  static void BinaryRow(int kind, const std::uint8_t* row, int width, std::vector<std::uint8_t>& out) {
    if (kind == 1) {
      // Index 0 is black, which is bit 1 in the file; padding bits stay 0.
      const int n = (width + 7) / 8;
      out.assign(row, row + n);
      for (auto& b : out) b = std::uint8_t(~b);
      if (width & 7) out[size_t(n - 1)] &= std::uint8_t(0xFF00 >> (width & 7));
    } else if (kind == 2) {
      out.assign(row, row + width);
    } else {
      out.resize(size_t(3) * size_t(width));
      CopySwappingRedBlue(row, out.data(), size_t(width));
    }
  }

  // One line per row, numbers separated by single spaces.
  static void PlainRow(int kind, const std::uint8_t* row, int width, std::string& out) {
    out.clear();
    const TDecimalTable& dec = Decimals();
    if (kind == 1) {
      out.reserve(size_t(2) * size_t(width));
      for (int x = 0; x < width; ++x) {
        out += ((row[x >> 3] >> (7 - (x & 7))) & 1) ? '0' : '1';
        out += ' ';
      }
    } else if (kind == 2) {
      out.reserve(size_t(4) * size_t(width));
      for (int x = 0; x < width; ++x) out += dec.text[row[x]];
    } else {
      out.reserve(size_t(12) * size_t(width));
      for (int x = 0; x < width; ++x) {
        out += dec.text[row[3 * x + 2]];
        out += dec.text[row[3 * x + 1]];
        out += dec.text[row[3 * x]];
      }
    }
    out.back() = '\n';
  }
};

}  // namespace

void AddPNMWriters(TWriterList& writers) {
  writers.push_back(std::make_unique<TPNMWriter>("pbm", "Portable Bitmap", ColorResBit(crBlackWhite)));
  writers.push_back(std::make_unique<TPNMWriter>("pgm", "Portable Graymap", ColorResBit(crGray256)));
  writers.push_back(std::make_unique<TPNMWriter>("ppm", "Portable Pixelmap", ColorResBit(crTrueColor)));
}

}  // namespace lumora
