#pragma once
// TPixelGraphic: the library's in-memory picture. 1, 4, 8 or 24 bits per pixel, one
// bottom-up block of rows padded to 4 bytes (24-bit pixels as blue, green, red), a
// palette with an identity, change and progress events.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/core/color_resolution_state.h"
#include "imaging/core/pg_types.h"
#include "imaging/core/pixel_memory.h"

namespace lumora {

class TStream;

// Clipboard format numbers of the packed-DIB exchange.
constexpr int CF_BITMAP_FORMAT = 2;
constexpr int CF_DIB_FORMAT = 8;

class TPixelGraphic {
 public:
  TPixelGraphic();
  ~TPixelGraphic();
  TPixelGraphic(const TPixelGraphic&) = delete;
  TPixelGraphic& operator=(const TPixelGraphic&) = delete;

  // ---- Size and pixel format ----
  // A new zero-filled block; the same size and format only clears to FillColor.
  void Allocate(int width, int height, int bitCountNum);
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetWidth(int width);
  void SetHeight(int height);
  int BitCountNum() const { return bitCountNum_; }
  void SetBitCountNum(int bitCountNum);
  int BitCount() const { return BitCountOfNum(bitCountNum_); }
  // 2, 16, 256 for the indexed formats, 0 for 24 bits.
  int FormatPaletteSize() const { return bitCountNum_ == 3 ? 0 : 1 << BitCount(); }
  bool GetEmpty() const { return !pixels_; }
  int RowStride() const { return stride_; }
  std::int64_t ImageByteSize() const { return imageSize_; }

  // 1, 4, 8, 24 -> 0..3; anything else raises EPGInvalidBitCountNum.
  static int BitCountToNum(int bitCount);
  static int BitCountOfNum(int bitCountNum) {
    static constexpr int kBits[4] = {1, 4, 8, 24};
    return kBits[bitCountNum & 3];
  }

  // ---- Pixels ----
  std::uint8_t* PixelBlock() { return pixels_.get(); }
  const std::uint8_t* PixelBlock() const { return pixels_.get(); }
  // Address of row Y (0 = top). No range check.
  std::uint8_t* ScanLine(int y) { return pixels_.get() + std::int64_t(stride_) * (height_ - 1 - y); }
  const std::uint8_t* ScanLine(int y) const {
    return pixels_.get() + std::int64_t(stride_) * (height_ - 1 - y);
  }
  bool InImage(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_ && pixels_; }

  // Raw value: palette index, or colour for 24 bits. Outside: FillColor (or raises with RangeCheck).
  std::uint32_t GetPixel(int x, int y) const;
  void SetPixel(int x, int y, std::uint32_t value);
  // The pixel as a colour. Indices beyond the palette read as entry 0, as the display shows them.
  TColor GetRGBPixel(int x, int y) const;
  // Nearest palette entry for indexed images, no dithering.
  void SetRGBPixel(int x, int y, TColor color);
  void Clear();

  std::uint32_t FillColor = 0;
  // FillColor := colour for 24 bits, else ColorToIndex(colour).
  void SetFillColor(TColor color);
  TColor FillColorAsColor() const;

  // ---- Palette ----
  int PaletteCount() const { return static_cast<int>(palette_.size()); }
  // PaletteColors[I]: I itself for pTrueColor; raises EPGInvalidPaletteIndex outside the palette.
  TColor PaletteColor(int index) const;
  // Colour-table semantics: entry I when it exists, else entry 0, else black.
  TColor ColorTableEntry(int index) const {
    if (index >= 0 && index < PaletteCount()) return palette_[index];
    return palette_.empty() ? 0 : palette_[0];
  }
  const std::vector<TColor>& PaletteColors() const { return palette_; }
  void SetPaletteCount(int count);
  void SetPaletteColor(int index, TColor color);
  TPaletteIdent PaletteIdent() const { return paletteIdent_; }
  void SetPaletteIdent(TPaletteIdent ident);
  void CopyPalette(const TPixelGraphic& source);
  void DeterminePaletteIdent();
  bool IsGrayPalette() const { return isGrayPalette_; }
  // The colour table of the format: FormatPaletteSize() entries (0x00BBGGRR).
  std::vector<TColor> ColorTable() const;

  // ---- Colour mapping and dithering (colour resolution) ----
  std::uint32_t ColorToIndex(TColor color);
  void ClearColorCache();
  bool UsePaletteCache() const { return usePaletteCache_; }
  void SetUsePaletteCache(bool on);
  bool RGBWeighting() const { return rgbWeighting_; }
  void SetRGBWeighting(bool on);
  // Luminance 0..765 with this image's weighting.
  int Luminance(int r, int g, int b) const {
    return rgbWeighting_ ? (897 * r + 1761 * g + 342 * b) / 1000 : r + g + b;
  }

  bool Dither = true;
  std::uint8_t DitherErrorLimit = 32;
  bool DitherErrorLimitAuto = true;
  bool DitherErrorLimitSoft = true;
  void BeginDither();
  void NextDitherRow();
  void SetRGBPixelDithered(int x, int y, int r, int g, int b);
  void EndDither();
  // State of the colour mapping and the diffusion, for the row routines of color_mapping.h.
  TColorResolutionState& ColorResolutionState() { return color_; }

  // ---- Plain properties ----
  bool PreviewLoad = false;
  // With PreviewLoad: the box the picture will be shown in (0 = no box). A reader that can
  // decode at a reduced scale does so as long as the result still covers the fitted size.
  int PreviewWidth = 0;
  int PreviewHeight = 0;
  bool PaletteRealized = false;
  double Gamma;  // DisplayGamma at construction
  bool InterpolateRotation = true;
  TStretchMode StretchMode = smPrecise;
  bool Transparent = false;
  TColor TransparentColor = 0;
  TPGWarningAction ReadWarningAction = pgwaOKCancelBox;
  bool RangeCheck = false;
  TPGWarningAction SaveColorResWarningAction = pgwaOKCancelBox;

  // ---- Events ----
  TNotifyEvent OnChange;
  TPGProgressEvent OnProgress;
  TNotifyEvent OnProgressEnd;
  TNotifyEvent OnProgressStart;
  void BeginUpdate() { ++updateCount_; }
  void EndUpdate();
  // Fires OnChange unless an update is open.
  void Changed();
  int UpdateCount() const { return updateCount_; }
  void ProgressStart();
  // Reports progress; returns true when the handler asked to abort.
  bool Progress(int step, int max);
  void ProgressEnd();

  // ---- Files, streams, clipboard ----
  void LoadFromFile(const std::string& fileName) { LoadFromFileEx(fileName, 0); }
  void LoadFromFileEx(const std::string& fileName, int index);
  void LoadFromStream(TStream& stream) { LoadFromStreamEx(stream, "", 0); }
  void LoadFromStreamEx(TStream& stream, const std::string& extension, int index);
  // Saves with the writer registered for the extension; an existing file is replaced only
  // after the new one was written completely.
  void SaveToFile(const std::string& fileName);
  void SaveToStreamEx(TStream& stream, const std::string& extension);
  // Always writes a BMP file.
  void SaveToStream(TStream& stream);
  // Form streaming: 32-bit little-endian byte count, then a BMP file of that many bytes.
  void ReadData(TStream& stream);
  void WriteData(TStream& stream);
  // Packed DIB (header, colour table, pixels) as used by the clipboard.
  void ReadDIB(TStream& stream, bool coreHeader);
  void WriteDIB(TStream& stream) const;
  std::int64_t PackedDIBSize() const { return 4 * std::int64_t(PaletteCount()) + imageSize_ + 58; }
  void LoadFromClipboardFormat(int format, const std::vector<std::uint8_t>& data);
  void SaveToClipboardFormat(int& format, std::vector<std::uint8_t>& data) const;

  // ---- Copying ----
  // nullptr empties the image (Allocate(0, 0, 3)).
  void Assign(const TPixelGraphic* source);

  // ---- Geometry ----
  void StretchFrom(const TPixelGraphic& source);
  void StretchCopy(int dx, int dy, int dw, int dh, const TPixelGraphic& source, int sx, int sy, int sw, int sh);
  void CopyRectFrom(int dx, int dy, const TPixelGraphic& source, int sx, int sy, int w, int h);
  void RotateFrom(const TPixelGraphic& source, double angle, bool fitSize);
  void MirrorHorizontal();
  void MirrorVertical();

  // ---- Drawing glue ----
  // A canvas that draws into the pixel block installs a flush that ends its pending
  // drawing; every direct pixel access path calls FlushPendingDrawing first.
  void SetPendingDrawingFlush(std::function<void()> flush) { pendingDrawingFlush_ = std::move(flush); }
  void FlushPendingDrawing() const {
    if (pendingDrawingFlush_) pendingDrawingFlush_();
  }

 private:
  void ApplyGammaCorrection();
  void InvalidatePaletteCaches();

  int width_ = 0;
  int height_ = 0;
  int bitCountNum_ = 3;
  int stride_ = 0;
  std::int64_t imageSize_ = 0;
  TPixelBlock pixels_;
  std::vector<TColor> palette_;
  TPaletteIdent paletteIdent_ = pTrueColor;
  bool isGrayPalette_ = false;
  bool usePaletteCache_ = true;
  bool rgbWeighting_ = true;
  int updateCount_ = 0;
  std::function<void()> pendingDrawingFlush_;
  TColorResolutionState color_;
};

// Keeps OnProgressStart/OnProgressEnd paired around a long operation, also on failure.
class TProgressScope {
 public:
  explicit TProgressScope(TPixelGraphic& image) : image_(image) { image_.ProgressStart(); }
  ~TProgressScope() { image_.ProgressEnd(); }
  TProgressScope(const TProgressScope&) = delete;
  TProgressScope& operator=(const TProgressScope&) = delete;
  // True when the handler asked to abort.
  bool Step(int step, int max) { return image_.Progress(step, max); }

 private:
  TPixelGraphic& image_;
};

// Paired BeginUpdate/EndUpdate.
class TUpdateScope {
 public:
  explicit TUpdateScope(TPixelGraphic& image) : image_(image) { image_.BeginUpdate(); }
  ~TUpdateScope() { image_.EndUpdate(); }
  TUpdateScope(const TUpdateScope&) = delete;
  TUpdateScope& operator=(const TUpdateScope&) = delete;

 private:
  TPixelGraphic& image_;
};

// Where a picture of Width x Height lands on a page of PageWidth x PageHeight device
// pixels whose pixels have the relative size AspectX x AspectY: the largest centred
// rectangle that keeps the picture's proportions.
struct TPrintRect {
  int Left, Top, Right, Bottom;
  bool operator==(const TPrintRect&) const = default;
};
TPrintRect ComputePrintRect(int width, int height, int pageWidth, int pageHeight, int aspectX, int aspectY);
// "<title> Graphic 640x480x16777216"
std::string PrintDocumentTitle(const std::string& applicationTitle, const TPixelGraphic& image);

}  // namespace lumora
