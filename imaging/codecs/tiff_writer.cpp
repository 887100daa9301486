// TIFF writer: strips of at most 32,767 bytes (twice that budget with PackBits), either
// byte order, colour as RGB or CMYK, gray as BlackIsZero or WhiteIsZero.
#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/codecs/rgb_rows.h"
#include "imaging/codecs/tiff_format.h"
#include "imaging/core/codec_settings.h"
#include "imaging/core/exceptions.h"
#include "imaging/core/messages.h"
#include "imaging/core/stream.h"

namespace lumora {

void PackBitsEncodeRow(const std::uint8_t* row, size_t count, std::vector<std::uint8_t>& out) {
  if (count == 0) return;
  // Length of the run of equal bytes each byte belongs to; single bytes are 1. The
  // scratch rows are kept between calls (one pair per thread).
  thread_local std::vector<std::uint32_t> run;
  thread_local std::vector<std::uint8_t> single;
  run.resize(count);
  single.resize(count);
  for (size_t i = 0; i < count;) {
    size_t j = i + 1;
    while (j < count && row[j] == row[i]) ++j;
    for (size_t k = i; k < j; ++k) {
      run[k] = std::uint32_t(std::min<size_t>(j - i, 3));  // 1, 2 or "longer"
      single[k] = j - i == 1;
    }
    i = j;
  }
  // A two-byte run beside a single byte joins the literal bytes: first looking left,
  // then looking right.
  for (size_t i = 1; i + 1 < count; ++i) {
    if (run[i] == 2 && row[i] == row[i + 1] && !single[i] && (i == 0 || row[i - 1] != row[i]) && single[i - 1]) {
      single[i] = single[i + 1] = 1;
    }
  }
  for (size_t i = count - 1; i-- > 0;) {
    if (run[i] == 2 && row[i] == row[i + 1] && !single[i] && (i == 0 || row[i - 1] != row[i]) && i + 2 < count &&
        single[i + 2]) {
      single[i] = single[i + 1] = 1;
    }
  }
  for (size_t i = 0; i < count;) {
    if (single[i]) {
      size_t n = 1;
      while (n < 128 && i + n < count && single[i + n]) ++n;
      out.push_back(std::uint8_t(n - 1));
      out.insert(out.end(), row + i, row + i + n);
      i += n;
    } else {
      size_t n = 1;
      while (n < 128 && i + n < count && row[i + n] == row[i]) ++n;
      out.push_back(std::uint8_t(257 - n));  // 1 - n as a signed byte
      out.push_back(row[i]);
      i += n;
    }
  }
}

namespace {

// Little- or big-endian numbers, as the file's byte order says.
struct TOrder {
  bool big;
  void Put16(std::uint8_t* p, std::uint32_t v) const { big ? PutBE16(p, v) : PutLE16(p, v); }
  void Put32(std::uint8_t* p, std::uint32_t v) const { big ? PutBE32(p, v) : PutLE32(p, v); }
};

enum TFieldType : std::uint16_t { ftShort = 3, ftLong = 4, ftRational = 5 };

class TTIFFWriter : public TFileFormatWriter {
 public:
  TTIFFWriter(std::string extension, bool show)
      : TFileFormatWriter(std::move(extension), "Tagged Image File Format", show,
                          TColorResSet(kAllColorRes & ~ColorResBit(cr2Colors)), "TTIFFileFormatWriter") {
    WriterFlag = true;
  }

  void WriteImage(TStream& stream, TPixelGraphic& image) override {
    settings_ = CodecSettings();
    if (settings_.TIFFWriteCompression != kTiffCompressionNone &&
        settings_.TIFFWriteCompression != kTiffCompressionPackBits) {
      throw EPGTIFFileFormatWriter("TIFF: Internal Error");
    }
    // A directory without strips is no image for any reader.
    if (image.GetEmpty()) throw EPGTIFFileFormatWriter("TIFF: " + PGMessage(msgZeroSize));
    WriteHeader(stream, image);
    WriteDirectoryAndData(stream, image);
    WriteFinish(stream, image);
  }

  void WriteHeader(TStream& stream, TPixelGraphic&) override {
    order_.big = settings_.TIFFWriteByteOrder == 1;
    tiffStart_ = stream.Position();
    std::uint8_t h[8] = {};
    h[0] = h[1] = order_.big ? 'M' : 'I';
    order_.Put16(h + 2, 42);
    stream.Write(h, 4);
    firstDirectoryField_ = stream.Position();
    stream.Write(h + 4, 4);
  }

  void WriteDirectoryAndData(TStream& stream, TPixelGraphic& image) override;
  void WriteFinish(TStream&, TPixelGraphic&) override {}

 private:
  std::uint32_t Relative(TStream& stream) { return std::uint32_t(stream.Position() - tiffStart_); }
  void PatchLong(TStream& stream, std::int64_t at, std::uint32_t value) {
    std::uint8_t b[4];
    order_.Put32(b, value);
    const std::int64_t here = stream.Position();
    stream.SetPosition(at);
    stream.Write(b, 4);
    stream.SetPosition(here);
  }

  TCodecSettings settings_;
  TOrder order_{false};
  std::int64_t tiffStart_ = 0;
  std::int64_t firstDirectoryField_ = 0;
};

// How the image's rows become file rows.
struct TRowFormat {
  int bitCount;
  bool gray;    // written as WhiteIsZero/BlackIsZero rather than through a ColorMap
  bool invert;  // WhiteIsZero
  bool cmyk;
  size_t rowBytes;
};

void BuildRow(const TRowFormat& f, int width, const std::uint8_t* in, std::uint8_t* out) {
  const size_t w = size_t(width);
  switch (f.bitCount) {
    case 1:
    case 4:
    case 8: {
      if (f.invert) {
        for (size_t i = 0; i < f.rowBytes; ++i) out[i] = std::uint8_t(~in[i]);
      } else {
        std::memcpy(out, in, f.rowBytes);
      }
      if (f.bitCount == 1 && (w & 7)) out[f.rowBytes - 1] &= std::uint8_t(0xFF00 >> (w & 7));
      if (f.bitCount == 4 && (w & 1)) out[f.rowBytes - 1] &= 0xF0;
      return;
    }
    default:
      if (!f.cmyk) {
        CopySwappingRedBlue(in, out, w);
        return;
      }
      for (size_t x = 0; x < w; ++x) {
        const int c = 255 - in[3 * x + 2], m = 255 - in[3 * x + 1], y = 255 - in[3 * x];
        const int k = std::min({c, m, y});
        out[4 * x] = std::uint8_t(c - k);
        out[4 * x + 1] = std::uint8_t(m - k);
        out[4 * x + 2] = std::uint8_t(y - k);
        out[4 * x + 3] = std::uint8_t(k);
      }
  }
}

void TTIFFWriter::WriteDirectoryAndData(TStream& stream, TPixelGraphic& image) {
  const int width = image.Width(), height = image.Height();
  const int bitCount = image.BitCount();
  const bool packBits = settings_.TIFFWriteCompression == kTiffCompressionPackBits;
  const TPaletteIdent ident = image.PaletteIdent();

  TRowFormat f{};
  f.bitCount = bitCount;
  f.cmyk = bitCount == 24 && settings_.TIFFWriteCMYK;
  f.gray = bitCount == 1 || (bitCount == 4 && ident == pGray16) || (bitCount == 8 && ident == pGray256);
  f.invert = f.gray && settings_.TIFFWriteWhiteIsZero;
  const std::int64_t w = width;
  f.rowBytes = size_t(bitCount == 1 ? (w + 7) / 8 : bitCount == 4 ? (w + 1) / 2 : bitCount == 8 ? w : (f.cmyk ? 4 : 3) * w);
  const std::int64_t budget = std::int64_t(f.rowBytes) * (packBits ? 2 : 1);
  const std::uint32_t rowsPerStrip = std::uint32_t(std::clamp<std::int64_t>(32767 / budget, 1, height));
  const std::uint32_t strips = (std::uint32_t(height) + rowsPerStrip - 1) / rowsPerStrip;
  const bool palette = bitCount != 24 && !f.gray;
  const int samples = bitCount == 24 ? (f.cmyk ? 4 : 3) : 1;
  const std::uint32_t photometric = bitCount == 24 ? (f.cmyk ? 5 : 2) : palette ? 3 : f.invert ? 0 : 1;
  const std::uint32_t mapEntries = palette ? 1u << bitCount : 0;

  // Layout after the directory: ColorMap, BitsPerSample values, the two resolutions,
  // the strip arrays (more than one strip), then the strips.
  const std::uint32_t entryCount = palette ? 14 : 13;
  const std::uint32_t directory = Relative(stream);
  PatchLong(stream, firstDirectoryField_, directory);
  const std::uint32_t afterDirectory = directory + 2 + 12 * entryCount + 4;
  const std::uint32_t colorMapAt = afterDirectory;
  const std::uint32_t bitsAt = colorMapAt + 6 * mapEntries;
  const std::uint32_t resolutionAt = bitsAt + (bitCount == 24 ? 2 * samples : 0);
  const std::uint32_t offsetsAt = resolutionAt + 16;
  const std::uint32_t countsAt = offsetsAt + (strips > 1 ? 4 * strips : 0);
  const std::uint32_t dataAt = countsAt + (strips > 1 ? 4 * strips : 0);

  std::vector<std::uint8_t> block(size_t(dataAt - directory), 0);
  std::uint8_t* p = block.data();
  order_.Put16(p, entryCount);
  std::uint8_t* entry = p + 2;
  std::int64_t offsetsValueAt = 0, countsValueAt = 0;  // stream positions to patch
  const auto add = [&](std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint32_t value) {
    order_.Put16(entry, tag);
    order_.Put16(entry + 2, type);
    order_.Put32(entry + 4, count);
    if (type == ftShort && count == 1) order_.Put16(entry + 8, value);  // then a zero SHORT
    else order_.Put32(entry + 8, value);
    const std::int64_t valueAt = tiffStart_ + directory + (entry + 8 - p);
    entry += 12;
    return valueAt;
  };
  const int resolutionUnit = std::clamp(settings_.TIFFResolutionUnit, 0, 2) + 1;
  add(tagNewSubfileType, ftLong, 1, 0);
  add(tagImageWidth, ftLong, 1, std::uint32_t(width));
  add(tagImageLength, ftLong, 1, std::uint32_t(height));
  if (bitCount == 24) add(tagBitsPerSample, ftShort, std::uint32_t(samples), bitsAt);
  else add(tagBitsPerSample, ftShort, 1, std::uint32_t(bitCount));
  add(tagCompression, ftShort, 1, std::uint32_t(settings_.TIFFWriteCompression));
  add(tagPhotometric, ftShort, 1, photometric);
  offsetsValueAt = add(tagStripOffsets, ftLong, strips, strips > 1 ? offsetsAt : 0);
  add(tagSamplesPerPixel, ftShort, 1, std::uint32_t(samples));
  add(tagRowsPerStrip, ftLong, 1, rowsPerStrip);
  countsValueAt = add(tagStripByteCounts, ftLong, strips, strips > 1 ? countsAt : 0);
  add(tagXResolution, ftRational, 1, resolutionAt);
  add(tagYResolution, ftRational, 1, resolutionAt + 8);
  add(tagResolutionUnit, ftShort, 1, std::uint32_t(resolutionUnit));
  if (palette) add(tagColorMap, ftShort, 3 * mapEntries, colorMapAt);
  // The next-directory offset stays 0.

  if (palette) {
    std::uint8_t* map = p + (colorMapAt - directory);
    for (std::uint32_t i = 0; i < mapEntries; ++i) {
      const TColor c = int(i) < image.PaletteCount() ? image.PaletteColors()[i] : 0;
      order_.Put16(map + 2 * i, std::uint32_t(GetRValue(c)) * 256);
      order_.Put16(map + 2 * (mapEntries + i), std::uint32_t(GetGValue(c)) * 256);
      order_.Put16(map + 2 * (2 * mapEntries + i), std::uint32_t(GetBValue(c)) * 256);
    }
  }
  if (bitCount == 24) {
    for (int s = 0; s < samples; ++s) order_.Put16(p + (bitsAt - directory) + 2 * s, 8);
  }
  std::uint8_t* res = p + (resolutionAt - directory);
  order_.Put32(res, std::uint32_t(settings_.TIFFXResolutionNum));
  order_.Put32(res + 4, std::uint32_t(settings_.TIFFXResolutionDen));
  order_.Put32(res + 8, std::uint32_t(settings_.TIFFYResolutionNum));
  order_.Put32(res + 12, std::uint32_t(settings_.TIFFYResolutionDen));
  stream.Write(block.data(), block.size());

  // The strips, each at an even offset, written one strip at a time.
  std::vector<std::uint32_t> stripOffsets, stripCounts;
  std::vector<std::uint8_t> rowBuffer(f.rowBytes), strip;
  TProgressScope progress(image);
  for (int y = 0; y < height;) {
    if (Relative(stream) & 1) {
      const std::uint8_t zero = 0;
      stream.Write(&zero, 1);
    }
    stripOffsets.push_back(Relative(stream));
    strip.clear();
    const int last = std::min<int>(height, y + int(rowsPerStrip));
    for (; y < last; ++y) {
      if (packBits) {
        BuildRow(f, width, image.ScanLine(y), rowBuffer.data());
        PackBitsEncodeRow(rowBuffer.data(), rowBuffer.size(), strip);
      } else {
        strip.resize(strip.size() + f.rowBytes);
        BuildRow(f, width, image.ScanLine(y), strip.data() + strip.size() - f.rowBytes);
      }
      progress.Step(y, height - 1);
    }
    stream.Write(strip.data(), strip.size());
    stripCounts.push_back(std::uint32_t(strip.size()));
  }

  // Patch the strip offsets and byte counts (the values themselves for one strip).
  if (strips == 1) {
    PatchLong(stream, offsetsValueAt, stripOffsets[0]);
    PatchLong(stream, countsValueAt, stripCounts[0]);
  } else {
    std::vector<std::uint8_t> arrays(size_t(8) * strips);
    for (std::uint32_t s = 0; s < strips; ++s) {
      order_.Put32(arrays.data() + 4 * s, stripOffsets[s]);
      order_.Put32(arrays.data() + 4 * (strips + s), stripCounts[s]);
    }
    const std::int64_t end = stream.Position();
    stream.SetPosition(tiffStart_ + offsetsAt);
    stream.Write(arrays.data(), arrays.size());
    stream.SetPosition(end);
  }
}

}  // namespace

void AddTIFFWriters(TWriterList& writers) {
  writers.push_back(std::make_unique<TTIFFWriter>("tif", true));
  writers.push_back(std::make_unique<TTIFFWriter>("tiff", false));
}

}  // namespace lumora
