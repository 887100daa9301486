// BMP decoding: the DIB header, colour table and pixels (raw rows, bit-field rows,
// RLE8 and RLE4), straight into the image's rows.
#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#include "imaging/codecs/bmp_format.h"
#include "imaging/core/exceptions.h"
#include "imaging/core/messages.h"
#include "imaging/core/pixel_graphic.h"
#include "imaging/core/size_limits.h"
#include "imaging/core/stream.h"
#include "imaging/core/codec_settings.h"

namespace lumora::bmp {

std::string Message(int number, std::initializer_list<std::string_view> args) {
  return "BMP: " + PGMessage(number, args);
}

void Fail(int number, std::initializer_list<std::string_view> args) {
  throw EPGBMPFileFormatReader(Message(number, args));
}

namespace {

// How many pixels one byte of input may stand for before a declared size counts as
// implausible. Raw rows carry at most 8 pixels a byte; the slack lets a truncated file
// still show what it has. Run-length data can describe far more (long runs, deltas).
constexpr std::int64_t kRawPixelsPerByte = 64;
constexpr std::int64_t kRLEPixelsPerByte = 4096;

void ReadHeaderBytes(TStream& stream, std::uint8_t* buffer, size_t count) {
  if (!stream.ReadExact(buffer, count)) Fail(msgUnexpectedEOF);
}

bool IsWindowsHeaderSize(std::uint32_t size) {
  return size == kInfoHeaderSize || size == kV4HeaderSize || size == kV5HeaderSize;
}

void ReadCoreHeader(TStream& stream, TDIBHeader& h) {
  std::uint8_t b[kCoreHeaderSize];
  ReadHeaderBytes(stream, b, sizeof b);
  h.Core = true;
  h.HeaderSize = GetLE32(b);
  h.Width = GetLE16(b + 4);
  h.Height = GetLE16(b + 6);
  h.BitCount = GetLE16(b + 10);
  if (GetLE16(b + 8) != 1) Fail(msgInvalid, {"BitmapCoreHeader.bcPlanes"});
  if (h.BitCount != 1 && h.BitCount != 4 && h.BitCount != 8 && h.BitCount != 24)
    Fail(msgInvalid, {"BitmapCoreHeader.bcBitCount"});
}

bool CompressionAccepted(const TDIBHeader& h) {
  switch (h.Compression) {
    case kCompressionRGB: return true;
    case kCompressionRLE8: return h.BitCount == 8 && !h.TopDown();
    case kCompressionRLE4: return h.BitCount == 4 && !h.TopDown();
    case kCompressionBitFields: return h.BitCount == 16 || h.BitCount == 32;
    default: return false;
  }
}

void ReadInfoHeader(TStream& stream, std::uint32_t size, TDIBHeader& h) {
  std::uint8_t b[kV5HeaderSize];
  ReadHeaderBytes(stream, b, size);
  h.HeaderSize = size;
  h.Width = static_cast<std::int32_t>(GetLE32(b + 4));
  h.Height = static_cast<std::int32_t>(GetLE32(b + 8));
  h.BitCount = GetLE16(b + 14);
  h.Compression = GetLE32(b + 16);
  h.ImageSize = GetLE32(b + 20);
  h.ColorsUsed = GetLE32(b + 32);
  if (GetLE16(b + 12) != 1) Fail(msgInvalid, {"BitmapInfoHeader.biPlanes"});
  switch (h.BitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: Fail(msgInvalid, {"BitmapInfoHeader.biBitCount"});
  }
  if (!CompressionAccepted(h)) Fail(msgInvalid, {"BitmapInfoHeader.biCompression"});

  if (h.BitCount == 16 || h.BitCount == 32) {
    if (h.Compression == kCompressionBitFields) {
      // The longer headers hold the masks themselves; a 40-byte header is followed by them.
      const std::uint8_t* m = b + kInfoHeaderSize;
      if (size == kInfoHeaderSize) ReadHeaderBytes(stream, b + kInfoHeaderSize, 12);
      h.Masks[0] = GetLE32(m);
      h.Masks[1] = GetLE32(m + 4);
      h.Masks[2] = GetLE32(m + 8);
    } else if (h.BitCount == 16) {
      h.Masks[0] = 0x7C00, h.Masks[1] = 0x3E0, h.Masks[2] = 0x1F;
    } else {
      h.Masks[0] = 0xFF0000, h.Masks[1] = 0xFF00, h.Masks[2] = 0xFF;
    }
  }
}

// ---- Reading with progress ----

// Reads up to `length` bytes in one piece (short blocks) or in ten pieces with progress
// in tenths. `got` receives the bytes read. Returns false when the handler asked to stop.
bool ChunkedRead(TStream& stream, std::uint8_t* dst, std::int64_t length, TProgressScope& progress,
                 std::int64_t& got) {
  got = 0;
  if (length < 101) {
    got = static_cast<std::int64_t>(stream.Read(dst, static_cast<size_t>(length)));
    return true;
  }
  const std::int64_t piece = length / 10;
  for (int k = 1; k <= 10; ++k) {
    const std::int64_t n = k < 10 ? piece : length - 9 * piece;
    got += static_cast<std::int64_t>(stream.Read(dst + (k - 1) * piece, static_cast<size_t>(n)));
    if (progress.Step(k, 10)) return false;
  }
  return true;
}

void FlipRows(TPixelGraphic& image) {
  const int h = image.Height();
  const size_t stride = static_cast<size_t>(image.RowStride());
  std::vector<std::uint8_t> temp(stride);
  for (int top = 0, bottom = h - 1; top < bottom; ++top, --bottom) {
    std::uint8_t* a = image.ScanLine(top);
    std::uint8_t* b = image.ScanLine(bottom);
    std::memcpy(temp.data(), a, stride);
    std::memcpy(a, b, stride);
    std::memcpy(b, temp.data(), stride);
  }
}

// ---- Bit-field pixels ----

// One colour component of a 16- or 32-bit pixel: the field is moved so that its top
// bit lands on bit 7 (fields of up to 8 bits gain precision by a left shift; wider
// fields keep their 8 most significant bits). 16-bit files add the lowest bit of the
// normalised mask to every non-zero field while the rounding setting is on, so a
// 5-bit field v reads min(255, 8v + 8). A zero mask reads 0.
struct TChannel {
  std::uint32_t Mask = 0;
  int Down = 0;
  int Up = 0;
  std::uint32_t Round = 0;

  TChannel() = default;
  TChannel(std::uint32_t mask, bool rounding) : Mask(mask) {
    if (mask == 0) return;
    const int top = 31 - std::countl_zero(mask);
    Down = top > 7 ? top - 7 : 0;
    Up = top < 7 ? 7 - top : 0;
    const std::uint32_t normalised = ((mask >> Down) << Up) & 0xFF;
    if (rounding) Round = normalised & (~normalised + 1);
  }
  std::uint8_t Decode(std::uint32_t pixel) const {
    const std::uint32_t field = pixel & Mask;
    std::uint32_t v = (field >> Down) << Up;
    if (field != 0) v += Round;
    return static_cast<std::uint8_t>(v > 255 ? 255 : v);
  }
};

template <int Bytes>
void DecodeBitFieldRow(const std::uint8_t* src, std::uint8_t* dst, int width, const TChannel& r, const TChannel& g,
                       const TChannel& b) {
  for (int x = 0; x < width; ++x, src += Bytes, dst += 3) {
    const std::uint32_t p = Bytes == 2 ? GetLE16(src) : GetLE32(src);
    dst[0] = b.Decode(p);
    dst[1] = g.Decode(p);
    dst[2] = r.Decode(p);
  }
}

// 32-bit pixels with the plain 8-bit masks: the component bytes are copied.
void CopyXRGBRow(const std::uint8_t* src, std::uint8_t* dst, int width) {
  for (int x = 0; x < width; ++x, src += 4, dst += 3) {
    dst[0] = src[0];
    dst[1] = src[1];
    dst[2] = src[2];
  }
}

void DecodeBitFields(TPixelGraphic& image, TStream& stream, const TDIBHeader& h, TProgressScope& progress) {
  const bool rounding = h.BitCount == 16 && CodecSettings().BMP16BitRounding;
  const TChannel red(h.Masks[0], rounding), green(h.Masks[1], rounding), blue(h.Masks[2], rounding);
  const bool plainXRGB = h.BitCount == 32 && h.Masks[0] == 0xFF0000 && h.Masks[1] == 0xFF00 && h.Masks[2] == 0xFF;
  const int width = image.Width();
  const int height = image.Height();
  const size_t rowBytes = static_cast<size_t>(RowStride(width, h.BitCount));
  std::vector<std::uint8_t> row(rowBytes);
  for (int r = 0; r < height; ++r) {
    const size_t got = stream.Read(row.data(), rowBytes);
    if (got == 0) break;  // end of the data: the remaining rows stay 0
    if (got < rowBytes) std::memset(row.data() + got, 0, rowBytes - got);
    std::uint8_t* dst = image.ScanLine(h.TopDown() ? r : height - 1 - r);
    if (plainXRGB) CopyXRGBRow(row.data(), dst, width);
    else if (h.BitCount == 16) DecodeBitFieldRow<2>(row.data(), dst, width, red, green, blue);
    else DecodeBitFieldRow<4>(row.data(), dst, width, red, green, blue);
    if (progress.Step(r, height)) break;
  }
}

// ---- Run-length pixels ----

// Writes run-length output into the image, ignoring every position outside it.
class TRLETarget {
 public:
  TRLETarget(TPixelGraphic& image, bool fourBits)
      : image_(image), width_(image.Width()), height_(image.Height()), fourBits_(fourBits) {}

  // n pixels from column x of row y; pixel i has the value value(i).
  template <class Value>
  void Put(std::int64_t x, std::int64_t y, std::int64_t n, Value value) {
    if (y < 0 || y >= height_ || n <= 0) return;
    const std::int64_t from = std::max<std::int64_t>(x, 0);
    const std::int64_t to = std::min<std::int64_t>(x + n, width_);
    if (from >= to) return;
    std::uint8_t* row = image_.ScanLine(static_cast<int>(y));
    for (std::int64_t c = from; c < to; ++c) {
      const unsigned v = value(c - x);
      if (!fourBits_) {
        row[c] = static_cast<std::uint8_t>(v);
      } else {
        std::uint8_t& b = row[c >> 1];
        b = (c & 1) ? std::uint8_t((b & 0xF0) | (v & 0x0F)) : std::uint8_t((b & 0x0F) | ((v & 0x0F) << 4));
      }
    }
  }
  void Fill8(std::int64_t x, std::int64_t y, std::int64_t n, std::uint8_t value) {
    if (y < 0 || y >= height_ || n <= 0) return;
    const std::int64_t from = std::max<std::int64_t>(x, 0);
    const std::int64_t to = std::min<std::int64_t>(x + n, width_);
    if (from < to) std::memset(image_.ScanLine(static_cast<int>(y)) + from, value, static_cast<size_t>(to - from));
  }

 private:
  TPixelGraphic& image_;
  std::int64_t width_, height_;
  bool fourBits_;
};

void DecodeRLE(TPixelGraphic& image, const std::uint8_t* data, std::int64_t size, bool fourBits,
               TProgressScope& progress) {
  TRLETarget out(image, fourBits);
  const std::int64_t tenth = size / 10;  // no progress for streams shorter than 10 bytes
  std::int64_t x = 0, y = image.Height() - 1, p = 0;
  while (p < size - 1) {
    const std::uint8_t n = data[p];
    const std::uint8_t c = data[p + 1];
    if (n != 0) {
      // Encoded run: n pixels of one value (RLE4: the two nibbles alternate, high first).
      if (!fourBits) out.Fill8(x, y, n, c);
      else out.Put(x, y, n, [c](std::int64_t i) { return (i & 1) ? (c & 0x0Fu) : unsigned(c >> 4); });
      x += n;
      p += 2;
    } else if (c == 0) {  // end of line
      x = 0;
      --y;
      p += 2;
    } else if (c == 1) {  // end of bitmap
      break;
    } else if (c == 2) {  // delta: move right and up
      if (p >= size - 3) break;
      x += data[p + 2];
      y -= data[p + 3];
      p += 4;
    } else {
      // Absolute run of c pixels, padded to a 16-bit boundary. A run cut off by the end
      // of the data keeps the pixels it has, then decoding stops.
      const std::int64_t bytes = fourBits ? (c + 1) / 2 : c;
      const std::int64_t have = std::min<std::int64_t>(bytes, size - (p + 2));
      const std::uint8_t* src = data + p + 2;
      const std::int64_t pixels = std::min<std::int64_t>(c, fourBits ? 2 * have : have);
      if (!fourBits) out.Put(x, y, pixels, [src](std::int64_t i) { return unsigned(src[i]); });
      else out.Put(x, y, pixels, [src](std::int64_t i) { return (i & 1) ? (src[i >> 1] & 0x0Fu) : unsigned(src[i >> 1] >> 4); });
      if (have < bytes) break;
      x += c;
      p += bytes + 2;
      if (p & 1) ++p;
    }
    if (tenth > 0 && p % tenth == 0 && progress.Step(static_cast<int>(std::min<std::int64_t>(p / tenth, 10)), 10))
      break;
  }
}

}  // namespace

TDIBHeader ReadDIBHeader(TStream& stream, THeaderKind kind) {
  TDIBHeader h;
  if (kind == THeaderKind::Core) {
    ReadCoreHeader(stream, h);
    return h;
  }
  std::uint8_t sizeBytes[4];
  ReadHeaderBytes(stream, sizeBytes, 4);
  stream.Seek(-4, SeekOrigin::Current);
  const std::uint32_t size = GetLE32(sizeBytes);
  if (kind == THeaderKind::Any && size == kCoreHeaderSize) {
    ReadCoreHeader(stream, h);
  } else if (IsWindowsHeaderSize(size)) {
    ReadInfoHeader(stream, size, h);
  } else {
    Fail(msgInvalidSizeOf, {"BitmapInfoHeader/BitmapCoreHeader"});
  }
  return h;
}

void ReadDIBInto(TPixelGraphic& image, TStream& stream, THeaderKind kind, std::int64_t pixelDataPosition) {
  TProgressScope progress(image);
  const TDIBHeader h = ReadDIBHeader(stream, kind);
  if (h.Width < 0) Fail(msgInvalid, {"BitmapInfoHeader.biWidth"});
  const std::int64_t width = h.Width;
  const std::int64_t height = h.AbsHeight();
  const int imageBits = h.BitCount > 8 ? 24 : h.BitCount;
  if (!ImageSizeAllowed(width, height, imageBits)) Fail(msgOutOfRange, {"Image size"});

  // The colour table: the core header always has the format's full table of 3-byte
  // entries; a Windows header names its length (0 = the format's size for indexed
  // pictures). Entries beyond what the format holds are skipped, and so is the whole
  // table of a true-colour picture.
  const int formatSize = h.BitCount <= 8 ? 1 << h.BitCount : 0;
  const std::int64_t declared =
      h.Core ? formatSize : (h.BitCount <= 8 && h.ColorsUsed == 0 ? formatSize : std::int64_t(h.ColorsUsed));
  int kept = static_cast<int>(std::min<std::int64_t>(declared, formatSize));
  const int entrySize = h.Core ? 3 : 4;
  const std::int64_t tableStart = stream.Position();
  const std::int64_t tableEnd = tableStart + declared * entrySize;
  const std::int64_t streamSize = stream.Size();

  // The pixels follow the table unless the file header places them elsewhere inside
  // the data: further on (an alignment gap, a profile), or inside the table when its
  // length is not stored (core header) or the declared length runs past the end of the
  // data. The table then ends where the pixels begin.
  std::int64_t pixelStart = tableEnd;
  if (pixelDataPosition >= tableStart && pixelDataPosition < streamSize &&
      (pixelDataPosition >= tableEnd || h.Core || tableEnd > streamSize)) {
    pixelStart = pixelDataPosition;
    kept = static_cast<int>(std::min<std::int64_t>(kept, (pixelDataPosition - tableStart) / entrySize));
  }
  const bool rle = h.Compression == kCompressionRLE8 || h.Compression == kCompressionRLE4;
  const std::int64_t available = std::max<std::int64_t>(0, streamSize - pixelStart);
  if (!DeclaredSizePlausible(width, height, available, rle ? kRLEPixelsPerByte : kRawPixelsPerByte))
    Fail(msgUnexpectedEOF);

  std::vector<std::uint8_t> table(static_cast<size_t>(kept) * entrySize);
  ReadHeaderBytes(stream, table.data(), table.size());

  image.Allocate(static_cast<int>(width), static_cast<int>(height), TPixelGraphic::BitCountToNum(imageBits));
  if (imageBits == 24) {
    image.SetPaletteCount(0);
    image.SetPaletteIdent(pTrueColor);
  } else {
    image.SetPaletteCount(kept);
    if (kept == 0) image.SetPaletteIdent(pNone);
    else if (image.PaletteIdent() == pNone || image.PaletteIdent() == pTrueColor) image.SetPaletteIdent(pUnknown);
    for (int i = 0; i < kept; ++i) {
      const std::uint8_t* e = table.data() + i * entrySize;
      image.SetPaletteColor(i, RGBColor(e[2], e[1], e[0]));
    }
  }
  if (image.GetEmpty()) return;

  stream.SetPosition(pixelStart);
  if (h.BitCount == 16 || h.BitCount == 32) {
    DecodeBitFields(image, stream, h, progress);
  } else if (rle) {
    std::vector<std::uint8_t> data(static_cast<size_t>(std::min<std::int64_t>(h.ImageSize, available)));
    std::int64_t got = 0;
    if (!ChunkedRead(stream, data.data(), static_cast<std::int64_t>(data.size()), progress, got)) return;
    DecodeRLE(image, data.data(), got, h.Compression == kCompressionRLE4, progress);
  } else {
    std::int64_t got = 0;
    ChunkedRead(stream, image.PixelBlock(), image.ImageByteSize(), progress, got);
    if (h.TopDown()) FlipRows(image);
  }
}

}  // namespace lumora::bmp

namespace lumora {

void TPixelGraphic::ReadDIB(TStream& stream, bool coreHeader) {
  bmp::ReadDIBInto(*this, stream, coreHeader ? bmp::THeaderKind::Core : bmp::THeaderKind::Info, -1);
}

}  // namespace lumora
