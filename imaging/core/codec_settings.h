#pragma once
// The library-wide codec settings. The UI thread changes them; readers and writers
// take a snapshot at the start of each operation, so a preview worker never sees a
// setting change half-way through a file.
#include <cstdint>

namespace lumora {

struct TCodecSettings {
  double DisplayGamma = 1.8;
  bool GammaCorrectionOnRead = true;
  bool BMP16BitRounding = true;
  int JPEGReadDCTMethod = 0;   // 0 accurate integer, 1 fast integer, 2 floating point
  int JPEGWriteDCTMethod = 2;
  int JPEGQuality = 80;        // 1..100
  bool JPEGProgressive = false;
  bool PNGUseFileBackground = true;
  bool PNGWriteGamma = true;
  bool PXMWriteBinary = false;
  bool TIFFCountImages = false;
  int TIFFMaxImages = 1000;
  int TIFFWriteCompression = 1;  // 1 none, 32773 PackBits
  int TIFFWriteByteOrder = 0;    // 0 "II", 1 "MM"
  bool TIFFWriteCMYK = false;
  bool TIFFWriteWhiteIsZero = false;
  int TIFFResolutionUnit = 1;    // 0 none, 1 inch, 2 centimetre
  std::int32_t TIFFXResolutionNum = 300;
  std::int32_t TIFFXResolutionDen = 1;
  std::int32_t TIFFYResolutionNum = 300;
  std::int32_t TIFFYResolutionDen = 1;
};

// A copy of the current settings.
TCodecSettings CodecSettings();
void SetCodecSettings(const TCodecSettings& settings);

// Changes some settings for the lifetime of the object (tests, one CLI run).
class TScopedCodecSettings {
 public:
  explicit TScopedCodecSettings(const TCodecSettings& settings) : saved_(CodecSettings()) {
    SetCodecSettings(settings);
  }
  ~TScopedCodecSettings() { SetCodecSettings(saved_); }
  TScopedCodecSettings(const TScopedCodecSettings&) = delete;
  TScopedCodecSettings& operator=(const TScopedCodecSettings&) = delete;

 private:
  TCodecSettings saved_;
};

}  // namespace lumora
