#include "imaging/core/pixel_graphic.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "imaging/core/codec_settings.h"
#include "imaging/core/exceptions.h"
#include "imaging/core/messages.h"
#include "imaging/core/registry.h"
#include "imaging/core/safe_file.h"
#include "imaging/core/size_limits.h"
#include "imaging/core/stream.h"

namespace lumora {

TPixelGraphic::TPixelGraphic() : Gamma(CodecSettings().DisplayGamma) {}

TPixelGraphic::~TPixelGraphic() { FlushPendingDrawing(); }

int TPixelGraphic::BitCountToNum(int bitCount) {
  switch (bitCount) {
    case 1: return 0;
    case 4: return 1;
    case 8: return 2;
    case 24: return 3;
  }
  throw EPGInvalidBitCountNum(PGMessage(msgInvalidValue, {"BitCountNum"}));
}

void TPixelGraphic::Allocate(int width, int height, int bitCountNum) {
  if (width < 0) throw EPGInvalidSize(PGMessage(msgNegativeWidth));
  if (height < 0) throw EPGInvalidSize(PGMessage(msgNegativeHeight));
  if (bitCountNum < 0 || bitCountNum > 3) throw EPGInvalidBitCountNum(PGMessage(msgInvalidValue, {"BitCountNum"}));
  if (width == width_ && height == height_ && bitCountNum == bitCountNum_) {
    Clear();
    return;
  }
  const int bitCount = BitCountOfNum(bitCountNum);
  // Check before anything changes, so a refused size leaves the image as it was.
  CheckImageSize(width, height, bitCount);

  FlushPendingDrawing();
  pixels_.reset();
  width_ = width;
  height_ = height;
  bitCountNum_ = bitCountNum;
  stride_ = static_cast<int>(lumora::RowStride(width, bitCount));
  imageSize_ = std::int64_t(stride_) * height;
  EndDither();

  if (imageSize_ > 0) {
    const int formatSize = FormatPaletteSize();
    if (formatSize < PaletteCount()) SetPaletteCount(formatSize);
    if (bitCountNum == 3) paletteIdent_ = pTrueColor;
    try {
      pixels_ = AllocatePixelBlock(static_cast<size_t>(imageSize_));
    } catch (const std::bad_alloc&) {
      width_ = height_ = stride_ = 0;
      imageSize_ = 0;
      throw EPixelGraphic(PGMessage(msgFailed, {"CreateDIBSection"}));
    }
  }
  Changed();
}

void TPixelGraphic::SetWidth(int width) {
  if (width != width_) Allocate(width, height_, bitCountNum_);
}

void TPixelGraphic::SetHeight(int height) {
  if (height != height_) Allocate(width_, height, bitCountNum_);
}

void TPixelGraphic::SetBitCountNum(int bitCountNum) {
  if (bitCountNum != bitCountNum_) Allocate(width_, height_, bitCountNum);
}

std::uint32_t TPixelGraphic::GetPixel(int x, int y) const {
  if (!InImage(x, y)) {
    if (RangeCheck) throw EPGXYIndexOutOfRange(PGMessage(msgXYIndexOutOfRange));
    return FillColor;
  }
  FlushPendingDrawing();
  const std::uint8_t* row = ScanLine(y);
  switch (bitCountNum_) {
    case 0: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 1: return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
    case 2: return row[x];
    default: {
      const std::uint8_t* p = row + 3 * x;
      return RGBColor(p[2], p[1], p[0]);
    }
  }
}

void TPixelGraphic::SetPixel(int x, int y, std::uint32_t value) {
  if (!InImage(x, y)) {
    if (RangeCheck) throw EPGXYIndexOutOfRange(PGMessage(msgXYIndexOutOfRange));
    return;
  }
  FlushPendingDrawing();
  std::uint8_t* row = ScanLine(y);
  switch (bitCountNum_) {
    case 0: {
      const std::uint8_t mask = std::uint8_t(0x80 >> (x & 7));
      if (value == 1) row[x >> 3] |= mask;
      else row[x >> 3] &= std::uint8_t(~mask);
      break;
    }
    case 1: {
      std::uint8_t& b = row[x >> 1];
      if (x & 1) b = std::uint8_t((b & 0xF0) | (value & 0x0F));
      else b = std::uint8_t((b & 0x0F) | ((value & 0x0F) << 4));
      break;
    }
    case 2: row[x] = std::uint8_t(value); break;
    default: {
      std::uint8_t* p = row + 3 * x;
      p[0] = std::uint8_t(GetBValue(value));
      p[1] = std::uint8_t(GetGValue(value));
      p[2] = std::uint8_t(GetRValue(value));
    }
  }
}

TColor TPixelGraphic::GetRGBPixel(int x, int y) const {
  const std::uint32_t v = GetPixel(x, y);
  if (bitCountNum_ == 3) return v;
  return ColorTableEntry(static_cast<int>(v));
}

void TPixelGraphic::SetRGBPixel(int x, int y, TColor color) {
  if (bitCountNum_ == 3) SetPixel(x, y, color);
  else SetPixel(x, y, ColorToIndex(color));
}

void TPixelGraphic::Clear() {
  if (!pixels_) return;
  FlushPendingDrawing();
  if (FillColor == 0) {
    std::memset(pixels_.get(), 0, static_cast<size_t>(imageSize_));
  } else if (bitCountNum_ == 2) {
    for (int y = 0; y < height_; ++y) std::memset(ScanLine(y), std::uint8_t(FillColor), static_cast<size_t>(width_));
  } else {
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x) SetPixel(x, y, FillColor);
  }
  Changed();
}

void TPixelGraphic::SetFillColor(TColor color) { FillColor = bitCountNum_ == 3 ? color : ColorToIndex(color); }

TColor TPixelGraphic::FillColorAsColor() const {
  return bitCountNum_ == 3 ? FillColor : ColorTableEntry(static_cast<int>(FillColor));
}

TColor TPixelGraphic::PaletteColor(int index) const {
  if (paletteIdent_ == pTrueColor) return static_cast<TColor>(index);
  if (index < 0 || index >= PaletteCount()) throw EPGInvalidPaletteIndex(PGMessage(msgInvalidPaletteIndex));
  return palette_[index];
}

void TPixelGraphic::InvalidatePaletteCaches() {
  color_.MemoInvalid = true;
  ClearColorCache();
}

void TPixelGraphic::SetPaletteCount(int count) {
  if (count < 0) count = 0;
  if (count != PaletteCount()) {
    FlushPendingDrawing();
    palette_.resize(static_cast<size_t>(count), 0);
    paletteIdent_ = count > 0 ? pUnknown : pNone;
  }
  InvalidatePaletteCaches();
}

void TPixelGraphic::SetPaletteColor(int index, TColor color) {
  if (paletteIdent_ == pNone || paletteIdent_ == pTrueColor) throw EPGNoPalette(PGMessage(msgNoPalette));
  if (index < 0 || index >= PaletteCount()) throw EPGInvalidPaletteIndex(PGMessage(msgInvalidPaletteIndex));
  FlushPendingDrawing();
  palette_[index] = color & 0xFFFFFF;
  paletteIdent_ = pUnknown;
  InvalidatePaletteCaches();
}

void TPixelGraphic::CopyPalette(const TPixelGraphic& source) {
  SetPaletteCount(source.PaletteCount());
  for (int i = 0; i < source.PaletteCount(); ++i) SetPaletteColor(i, source.palette_[i]);
  DeterminePaletteIdent();
}

std::vector<TColor> TPixelGraphic::ColorTable() const {
  std::vector<TColor> table(static_cast<size_t>(FormatPaletteSize()));
  for (size_t i = 0; i < table.size(); ++i) table[i] = ColorTableEntry(static_cast<int>(i));
  return table;
}

void TPixelGraphic::EndUpdate() {
  if (updateCount_ > 0) --updateCount_;
  Changed();
}

void TPixelGraphic::Changed() {
  if (updateCount_ == 0 && OnChange) OnChange(*this);
}

void TPixelGraphic::ProgressStart() {
  if (OnProgressStart) OnProgressStart(*this);
}

bool TPixelGraphic::Progress(int step, int max) {
  bool abort = false;
  if (OnProgress) OnProgress(*this, step, max, abort);
  return abort;
}

void TPixelGraphic::ProgressEnd() {
  if (OnProgressEnd) OnProgressEnd(*this);
}

void TPixelGraphic::LoadFromFileEx(const std::string& fileName, int index) {
  TFileStream stream(fileName, TFileStream::OpenRead);
  LoadFromStreamEx(stream, FileExtensionLower(fileName), index);
}

void TPixelGraphic::LoadFromStreamEx(TStream& stream, const std::string& extension, int index) {
  FlushPendingDrawing();
  TUpdateScope update(*this);
  const TCodecSettings settings = CodecSettings();
  Allocate(0, 0, 3);
  Gamma = settings.DisplayGamma;
  TFileFormatReader* reader = FindReader(stream, extension);
  if (!reader) throw EPGUnknownFileFormat(PGMessage(msgUnknownFileFormat));
  reader->ReadImage(stream, *this, index);
  if (settings.GammaCorrectionOnRead) ApplyGammaCorrection();
  DeterminePaletteIdent();
}

void TPixelGraphic::ApplyGammaCorrection() {
  const double display = CodecSettings().DisplayGamma;
  if (display <= 0 || !(std::fabs(Gamma / display - 1.0) > 0.05)) return;
  const double exponent = Gamma / display;
  std::uint8_t table[256];
  for (int i = 0; i < 256; ++i) {
    table[i] = static_cast<std::uint8_t>(std::clamp(std::nearbyint(255.0 * std::pow(i / 255.0, exponent)), 0.0, 255.0));
  }
  if (bitCountNum_ == 3) {
    for (int y = 0; y < height_; ++y) {
      std::uint8_t* row = ScanLine(y);
      for (int x = 0; x < 3 * width_; ++x) row[x] = table[row[x]];
    }
  } else if (paletteIdent_ != pNone && paletteIdent_ != pTrueColor) {
    for (int i = 0; i < PaletteCount(); ++i) {
      const TColor c = palette_[i];
      SetPaletteColor(i, RGBColor(table[GetRValue(c)], table[GetGValue(c)], table[GetBValue(c)]));
    }
  }
  Gamma = display;
}

void TPixelGraphic::SaveToFile(const std::string& fileName) {
  const std::string extension = FileExtensionLower(fileName);
  // Resolve the writer and colour resolution before touching the file system, so
  // a refused save leaves no trace; the stream is written to a temporary file that
  // replaces the target only when complete.
  WriteFileSafely(fileName, [&](TStream& stream) { SaveToStreamEx(stream, extension); });
}

void TPixelGraphic::SaveToStreamEx(TStream& stream, const std::string& extension) {
  FlushPendingDrawing();
  SaveGraphic(*this, stream, extension);
}

void TPixelGraphic::SaveToStream(TStream& stream) {
  FlushPendingDrawing();
  StandaloneBMPWriter().WriteImage(stream, *this);
}

void TPixelGraphic::WriteData(TStream& stream) {
  TMemoryStream bmp;
  SaveToStream(bmp);
  std::uint8_t count[4];
  PutLE32(count, static_cast<std::uint32_t>(bmp.size()));
  stream.Write(count, 4);
  stream.Write(bmp.data(), bmp.size());
}

void TPixelGraphic::ReadData(TStream& stream) {
  std::uint8_t countBytes[4];
  if (!stream.ReadExact(countBytes, 4)) throw EPGBMPFileFormatReader("BMP: " + PGMessage(msgUnexpectedEOF));
  const std::int64_t count = GetLE32(countBytes);
  const std::int64_t start = stream.Position();
  const std::int64_t available = std::min<std::int64_t>(count, stream.Remaining());
  std::vector<std::uint8_t> bytes(static_cast<size_t>(available));
  stream.Read(bytes.data(), bytes.size());
  stream.SetPosition(start + count);
  TMemoryStream bmp(bytes.data(), bytes.size());
  LoadFromStreamEx(bmp, "bmp", 0);
}

void TPixelGraphic::LoadFromClipboardFormat(int format, const std::vector<std::uint8_t>& data) {
  if ((format != CF_BITMAP_FORMAT && format != CF_DIB_FORMAT) || data.empty()) {
    throw EPGUnknownClipboardFormat(PGMessage(msgUnknownClipboardFormat));
  }
  TUpdateScope update(*this);
  TMemoryStream stream(data.data(), data.size());
  ReadDIB(stream, false);
  Gamma = CodecSettings().DisplayGamma;
  DeterminePaletteIdent();
}

void TPixelGraphic::SaveToClipboardFormat(int& format, std::vector<std::uint8_t>& data) const {
  TMemoryStream stream;
  WriteDIB(stream);
  data = stream.TakeBytes();
  format = CF_DIB_FORMAT;
}

void TPixelGraphic::Assign(const TPixelGraphic* source) {
  if (source == this) return;
  if (!source) {
    Allocate(0, 0, 3);
    return;
  }
  FlushPendingDrawing();
  source->FlushPendingDrawing();
  TUpdateScope update(*this);
  Allocate(source->width_, source->height_, source->bitCountNum_);
  if (pixels_ && source->pixels_) std::memcpy(pixels_.get(), source->pixels_.get(), static_cast<size_t>(imageSize_));
  SetPaletteIdent(source->paletteIdent_);
  SetPaletteCount(source->PaletteCount());
  FillColor = source->FillColor;
  Dither = source->Dither;
  DitherErrorLimit = source->DitherErrorLimit;
  DitherErrorLimitAuto = source->DitherErrorLimitAuto;
  DitherErrorLimitSoft = source->DitherErrorLimitSoft;
  SetUsePaletteCache(source->usePaletteCache_);
  Gamma = source->Gamma;
  SetRGBWeighting(source->rgbWeighting_);
  InterpolateRotation = source->InterpolateRotation;
  StretchMode = source->StretchMode;
  ReadWarningAction = source->ReadWarningAction;
  Transparent = source->Transparent;
  TransparentColor = source->TransparentColor;
  RangeCheck = source->RangeCheck;
  SaveColorResWarningAction = source->SaveColorResWarningAction;
  if (paletteIdent_ != pNone && paletteIdent_ != pTrueColor) {
    for (int i = 0; i < source->PaletteCount(); ++i) SetPaletteColor(i, source->palette_[i]);
  }
  DeterminePaletteIdent();
}

TPrintRect ComputePrintRect(int width, int height, int pageWidth, int pageHeight, int aspectX, int aspectY) {
  TPrintRect r{0, 0, pageWidth, pageHeight};
  if (width <= 0 || height <= 0 || pageWidth <= 0 || pageHeight <= 0 || aspectX <= 0 || aspectY <= 0) return r;
  // Fit the width when the picture, scaled to the page width, is no taller than the page:
  // PageWidth * (Height / Width) * AspectX / AspectY <= PageHeight, compared exactly.
  // AspectX/AspectY is the device pixel's width/height, so the test also holds for
  // non-square device pixels.
  using Wide = __int128;
  if (Wide(pageWidth) * height * aspectX <= Wide(pageHeight) * width * aspectY) {
    const int e = static_cast<int>(
        std::nearbyint(double(pageWidth) * (double(height) / width) * aspectX / aspectY));
    r.Top = (pageHeight - e) / 2;
    r.Bottom = pageHeight - r.Top;
  } else {
    const int e = static_cast<int>(std::nearbyint(double(pageHeight) * (double(width) / height) * aspectY / aspectX));
    r.Left = (pageWidth - e) / 2;
    r.Right = pageWidth - r.Left;
  }
  return r;
}

std::string PrintDocumentTitle(const std::string& applicationTitle, const TPixelGraphic& image) {
  return applicationTitle + " Graphic " + std::to_string(image.Width()) + "x" + std::to_string(image.Height()) + "x" +
         std::to_string(std::uint64_t(1) << image.BitCount());
}

}  // namespace lumora
