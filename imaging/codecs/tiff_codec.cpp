// TIFF reader: baseline strip files in either byte order, uncompressed or PackBits,
// bilevel, gray, palette, RGB (3 or 4 samples) and CMYK at 8 bits per sample.
// Every offset and count is bounded by the file; a looping directory chain ends.
#include <algorithm>
#include <cstring>
#include <set>
#include <vector>

#include "imaging/codecs/buffered_input.h"
#include "imaging/codecs/builtin_formats.h"
#include "imaging/codecs/rgb_rows.h"
#include "imaging/codecs/tiff_format.h"
#include "imaging/core/codec_settings.h"
#include "imaging/core/exceptions.h"
#include "imaging/core/messages.h"
#include "imaging/core/size_limits.h"
#include "imaging/core/stream.h"
#include "imaging/core/warnings.h"

namespace lumora {
namespace {

using TInput = TBufferedInput<EPGTIFFileFormatReader, 4096>;

[[noreturn]] void Refuse(const std::string& text) { throw EPGTIFFileFormatReader("TIFF: " + text); }
[[noreturn]] void RefuseInvalid(const char* what) { Refuse(PGMessage(msgInvalid, {what})); }

// One directory's values, with the TIFF 6.0 defaults for absent tags.
struct TTiffDirectory {
  bool bigEndian = false;
  int imageCount = 1;
  std::uint32_t width = 0, height = 0;
  std::uint32_t compression = kTiffCompressionNone;
  std::uint32_t photometric = 0;
  std::uint32_t samplesPerPixel = 1;
  std::uint32_t rowsPerStrip = 0;  // resolved: 1..height (or the height itself)
  std::uint32_t planar = 1;
  std::vector<std::uint32_t> bitsPerSample;
  std::vector<std::uint32_t> stripOffsets;
  std::vector<std::uint32_t> colorMap;
  bool rowsPerStripGiven = false;
  std::uint32_t rowsPerStripValue = 0;

  int BitsPerSample() const { return bitsPerSample.empty() ? 0 : int(bitsPerSample[0]); }
  int BitCountSum() const {
    std::int64_t sum = 0;
    for (std::uint32_t b : bitsPerSample) sum += b;
    return int(std::min<std::int64_t>(sum, INT32_MAX));
  }
};

// Random access to the TIFF data with offsets relative to its start.
class TTiffFile {
 public:
  explicit TTiffFile(TStream& stream) : in_(stream, "TIFF: "), start_(in_.Position()), size_(in_.Remaining()) {}

  TInput& Input() { return in_; }
  std::int64_t Size() const { return size_; }
  bool bigEndian = false;

  bool Fits(std::int64_t offset, std::int64_t count) const {
    return offset >= 0 && count >= 0 && offset <= size_ && count <= size_ - offset;
  }
  // Reads count bytes at offset; "Unexpected end of file" when they are not all there.
  void ReadAt(std::int64_t offset, void* buffer, size_t count) {
    if (!Fits(offset, std::int64_t(count))) in_.RaiseEOF();
    in_.Seek(start_ + offset);
    in_.Read(buffer, count);
  }
  void SeekTo(std::int64_t offset) { in_.Seek(start_ + offset); }
  std::uint16_t U16(const std::uint8_t* p) const { return bigEndian ? GetBE16(p) : GetLE16(p); }
  std::uint32_t U32(const std::uint8_t* p) const { return bigEndian ? GetBE32(p) : GetLE32(p); }

 private:
  TInput in_;
  std::int64_t start_;
  std::int64_t size_;
};

struct TEntry {
  std::uint16_t tag, type;
  std::uint32_t count;
  std::uint8_t value[4];
};

int TypeSize(int type) { return type == 1 ? 1 : type == 3 ? 2 : type == 4 ? 4 : 0; }

// The values of an entry of type BYTE, SHORT or LONG: in the entry itself when they
// fit into its 4 bytes, else at the offset it holds.
std::vector<std::uint32_t> EntryValues(TTiffFile& file, const TEntry& e) {
  const int size = TypeSize(e.type);
  if (size == 0) Refuse("Unsupported field Type: " + std::to_string(e.type));
  const std::int64_t bytes = std::int64_t(e.count) * size;
  std::vector<std::uint8_t> raw;
  const std::uint8_t* p = e.value;
  if (bytes > 4) {
    const std::int64_t offset = file.U32(e.value);
    if (!file.Fits(offset, bytes)) file.Input().RaiseEOF();
    raw.resize(size_t(bytes));
    file.ReadAt(offset, raw.data(), raw.size());
    p = raw.data();
  }
  std::vector<std::uint32_t> values(e.count);
  for (std::uint32_t i = 0; i < e.count; ++i) {
    const std::uint8_t* v = p + std::int64_t(i) * size;
    values[i] = size == 1 ? v[0] : size == 2 ? file.U16(v) : file.U32(v);
  }
  return values;
}

std::uint32_t EntryValue(TTiffFile& file, const TEntry& e) {
  const std::vector<std::uint32_t> values = EntryValues(file, e);
  return values.empty() ? 0 : values[0];
}

// The offsets of the directories: only the first unless counting is on; a chain that
// loops ends at the repeat, one that leaves the file falls back to one image.
std::vector<std::uint32_t> DirectoryChain(TTiffFile& file, std::uint32_t first, const TCodecSettings& settings) {
  std::vector<std::uint32_t> chain{first};
  if (!settings.TIFFCountImages) return chain;
  std::set<std::uint32_t> seen{first};
  std::uint32_t current = first;
  while (int(chain.size()) < std::max(1, settings.TIFFMaxImages)) {
    std::uint8_t countBytes[2], next[4];
    if (!file.Fits(current, 2)) return {first};
    file.ReadAt(current, countBytes, 2);
    const std::int64_t nextAt = std::int64_t(current) + 2 + 12 * std::int64_t(file.U16(countBytes));
    if (!file.Fits(nextAt, 4)) return {first};
    file.ReadAt(nextAt, next, 4);
    const std::uint32_t offset = file.U32(next);
    if (offset == 0 || !seen.insert(offset).second) break;
    chain.push_back(offset);
    current = offset;
  }
  return chain;
}

bool Accepted(const TTiffDirectory& d) {
  const auto allEight = [&] {
    return std::all_of(d.bitsPerSample.begin(), d.bitsPerSample.end(), [](std::uint32_t b) { return b == 8; });
  };
  switch (d.photometric) {
    case 0: case 1: case 3: {
      const int b = d.BitsPerSample();
      return d.samplesPerPixel == 1 && (b == 1 || b == 4 || b == 8);
    }
    case 2: return (d.samplesPerPixel == 3 || d.samplesPerPixel == 4) && allEight();
    case 5: return d.samplesPerPixel == 4 && allEight();
    default: return false;
  }
}

TTiffDirectory ReadDirectory(TTiffFile& file, int index) {
  std::uint8_t header[8];
  if (!file.Fits(0, 8)) Refuse("Not a TIF file");
  file.ReadAt(0, header, 8);
  if (header[0] == 'M' && header[1] == 'M') file.bigEndian = true;
  else if (header[0] == 'I' && header[1] == 'I') file.bigEndian = false;
  else Refuse("Not a TIF file");
  if (file.U16(header + 2) != 42) Refuse("Not a TIF file");

  TTiffDirectory d;
  d.bigEndian = file.bigEndian;
  const std::vector<std::uint32_t> chain = DirectoryChain(file, file.U32(header + 4), CodecSettings());
  d.imageCount = int(chain.size());
  if (index < 0 || index >= d.imageCount) RefuseInvalid("Index");
  const std::uint32_t at = chain[size_t(index)];

  std::uint8_t countBytes[2];
  file.ReadAt(at, countBytes, 2);
  const int count = file.U16(countBytes);
  std::vector<std::uint8_t> raw(size_t(count) * 12);
  file.ReadAt(std::int64_t(at) + 2, raw.data(), raw.size());

  bool bitsGiven = false;
  for (int i = 0; i < count; ++i) {
    const std::uint8_t* p = raw.data() + 12 * i;
    TEntry e{file.U16(p), file.U16(p + 2), file.U32(p + 4), {p[8], p[9], p[10], p[11]}};
    switch (e.tag) {
      case tagImageWidth: d.width = EntryValue(file, e); break;
      case tagImageLength: d.height = EntryValue(file, e); break;
      case tagBitsPerSample: d.bitsPerSample = EntryValues(file, e); bitsGiven = true; break;
      case tagCompression: d.compression = EntryValue(file, e); break;
      case tagPhotometric: d.photometric = EntryValue(file, e); break;
      case tagStripOffsets: d.stripOffsets = EntryValues(file, e); break;
      case tagSamplesPerPixel: d.samplesPerPixel = EntryValue(file, e); break;
      case tagRowsPerStrip:
        d.rowsPerStripValue = EntryValue(file, e);
        d.rowsPerStripGiven = true;
        break;
      case tagPlanarConfiguration: d.planar = EntryValue(file, e); break;
      case tagColorMap: d.colorMap = EntryValues(file, e); break;
      case tagNewSubfileType:
      case tagStripByteCounts: EntryValues(file, e); break;  // read and bounded, not needed
      default: break;
    }
  }
  if (!bitsGiven) d.bitsPerSample.assign(std::min<std::uint32_t>(d.samplesPerPixel, 4), 1);

  if (d.planar > 1) RefuseInvalid("PlanarConfiguration");
  if (d.samplesPerPixel != 1 && d.samplesPerPixel != 3 && d.samplesPerPixel != 4) Refuse("Invalid SamplesPerPixel");
  if (d.bitsPerSample.size() != d.samplesPerPixel) Refuse("Invalid count of SamplesPerPixel");
  if (!Accepted(d)) Refuse("Invalid SamplesPerPixel");
  // No RowsPerStrip (or 0) means one strip for the whole image; a value beyond the
  // height (2^32-1 is common) means the same.
  if (d.rowsPerStripValue == 0) {
    if (d.stripOffsets.size() != 1) Refuse("Invalid RowsPerStrip");
    d.rowsPerStrip = d.height;
  } else {
    d.rowsPerStrip = std::min(d.rowsPerStripValue, d.height);
  }
  return d;
}

void CheckCompression(std::uint32_t compression) {
  switch (compression) {
    case kTiffCompressionNone:
    case kTiffCompressionPackBits: return;
    case 2: Refuse("Unsupported compression CCITT 1D");
    case 3: Refuse("Unsupported compression Group 3 Fax");
    case 4: Refuse("Unsupported compression Group 4 Fax");
    case 5: Refuse("Unsupported compression LZW");
    case 6: Refuse("Unsupported compression JPEG");
    default: Refuse("Unsupported compression " + std::to_string(compression));
  }
}

// One PackBits row; a packet that would overflow the row is refused.
void UnpackBitsRow(TInput& in, std::uint8_t* out, size_t rowBytes, int y) {
  size_t n = 0;
  while (n < rowBytes) {
    const int c = static_cast<std::int8_t>(in.Byte());
    if (c == -128) continue;
    const size_t count = c >= 0 ? size_t(c) + 1 : size_t(1 - c);
    if (count > rowBytes - n) {
      throw EPGTIFFileFormatReader("TIFF (PackBits): Invalid count of bytes in row " + std::to_string(y));
    }
    if (c >= 0) in.Read(out + n, count);
    else std::memset(out + n, in.Byte(), count);
    n += count;
  }
}

// Converts one file row into image row `out` (BGR for colour).
void ConvertRow(const TTiffDirectory& d, int width, const std::uint8_t* in, std::uint8_t* out) {
  const bool whiteIsZero = d.photometric == 0;
  const size_t w = size_t(width);
  if (d.samplesPerPixel == 1) {
    const int bits = d.BitsPerSample();
    const size_t bytes = bits == 1 ? (w + 7) / 8 : bits == 4 ? (w + 1) / 2 : w;
    if (whiteIsZero) {
      for (size_t i = 0; i < bytes; ++i) out[i] = std::uint8_t(~in[i]);
    } else {
      std::memcpy(out, in, bytes);
    }
    if (bits == 1 && (w & 7)) out[bytes - 1] &= std::uint8_t(0xFF00 >> (w & 7));
    if (bits == 4 && (w & 1)) out[bytes - 1] &= 0xF0;
    return;
  }
  if (d.samplesPerPixel == 3) {
    for (size_t x = 0; x < w; ++x) {
      out[3 * x] = in[3 * x + 2];
      out[3 * x + 1] = in[3 * x + 1];
      out[3 * x + 2] = in[3 * x];
    }
    return;
  }
  if (d.photometric == 5) {
    for (size_t x = 0; x < w; ++x) {
      const int c = in[4 * x], m = in[4 * x + 1], yl = in[4 * x + 2], k = in[4 * x + 3];
      out[3 * x] = std::uint8_t(std::max(255 - yl - k, 0));
      out[3 * x + 1] = std::uint8_t(std::max(255 - m - k, 0));
      out[3 * x + 2] = std::uint8_t(std::max(255 - c - k, 0));
    }
    return;
  }
  for (size_t x = 0; x < w; ++x) {
    out[3 * x] = in[4 * x + 2];
    out[3 * x + 1] = in[4 * x + 1];
    out[3 * x + 2] = in[4 * x];
  }
}

void SetPalette(TPixelGraphic& image, const TTiffDirectory& d) {
  const int bits = d.BitsPerSample();
  if (bits == 1) {
    image.SetPaletteIdent(pBlackWhite);
    return;
  }
  if (d.photometric != 3) {
    image.SetPaletteIdent(bits == 4 ? pGray16 : pGray256);
    return;
  }
  const size_t third = d.colorMap.size() / 3;
  if (third == 0) RefuseInvalid("ColorMap");
  const int count = int(std::min<size_t>(third, size_t(1) << bits));
  image.SetPaletteCount(count);
  for (int i = 0; i < count; ++i) {
    const size_t k = size_t(i);
    image.SetPaletteColor(i, RGBColor(int(d.colorMap[k] >> 8), int(d.colorMap[third + k] >> 8),
                                      int(d.colorMap[2 * third + k] >> 8)));
  }
}

class TTIFFReader : public TFileFormatReader {
 public:
  explicit TTIFFReader(std::string extension) : TFileFormatReader(std::move(extension), "Tagged Image File Format") {
    HasSignature = true;
  }

  bool IsFormat(const std::uint8_t* h) const override {
    return (h[0] == 0x49 && h[1] == 0x49 && h[2] == 0x2A && h[3] == 0x00) ||
           (h[0] == 0x4D && h[1] == 0x4D && h[2] == 0x00 && h[3] == 0x2A);
  }

  void ReadImage(TStream& stream, TPixelGraphic& image, int index) override {
    TTiffFile file(stream);
    TTiffDirectory d = ReadDirectory(file, index);
    CheckCompression(d.compression);
    if (d.width == 0 || d.height == 0) Refuse(PGMessage(msgZeroSize));

    const std::int64_t strips = (std::int64_t(d.height) + d.rowsPerStrip - 1) / d.rowsPerStrip;
    if (strips != std::int64_t(d.stripOffsets.size())) {
      const std::string text = "NumStripOffsets<>(ImageLength+RowsPerStrip-1) div RowsPerStrip";
      if (d.stripOffsets.size() != 1 || !ResolveWarning(image.ReadWarningAction, "TIFF-Warning", text)) Refuse(text);
      d.rowsPerStrip = d.height;
    }

    const int bitCount = d.samplesPerPixel == 1 ? d.BitsPerSample() : 24;
    CheckImageSize(d.width, d.height, bitCount);
    const std::int64_t rowBytes = (std::int64_t(d.BitsPerSample()) * d.samplesPerPixel * d.width + 7) / 8;
    // Uncompressed rows need their bytes in the file; a PackBits packet of two bytes
    // gives at most 128.
    const std::int64_t perByte = d.compression == kTiffCompressionNone ? 1 : 64;
    if (!DeclaredSizePlausible(rowBytes, d.height, file.Size(), perByte)) file.Input().RaiseEOF();

    const int width = int(d.width), height = int(d.height);
    image.Allocate(width, height, TPixelGraphic::BitCountToNum(bitCount));
    SetPalette(image, d);

    std::vector<std::uint8_t> row(static_cast<size_t>(rowBytes));
    TInput& in = file.Input();
    TProgressScope progress(image);
    for (int y = 0; y < height; ++y) {
      if (std::uint32_t(y) % d.rowsPerStrip == 0) {
        const std::uint32_t offset = d.stripOffsets[std::uint32_t(y) / d.rowsPerStrip];
        if (!file.Fits(offset, 1)) in.RaiseEOF();
        file.SeekTo(offset);
      }
      std::uint8_t* target = image.ScanLine(y);
      if (d.compression == kTiffCompressionNone && d.samplesPerPixel == 3) {
        // RGB rows go straight into the image row and are turned into BGR there.
        in.Read(target, row.size());
        SwapRedBlue(target, size_t(width));
      } else {
        if (d.compression == kTiffCompressionNone) in.Read(row.data(), row.size());
        else UnpackBitsRow(in, row.data(), row.size(), y);
        ConvertRow(d, width, row.data(), target);
      }
      if (progress.Step(y, height)) break;
    }
  }

  void GetImageInfo(TStream& stream, int index, TImageInfo& info) override {
    TTiffFile file(stream);
    const TTiffDirectory d = ReadDirectory(file, index);
    info = TImageInfo{};
    info.ImageCount = d.imageCount;
    info.InfoText = d.bigEndian ? "M, " : "I, ";
    switch (d.compression) {
      case 1: info.InfoText += "Uncompr."; break;
      case 2: info.InfoText += "CCITT 1D"; break;
      case 3: info.InfoText += "Group 3 F."; break;
      case 4: info.InfoText += "Group 4 F."; break;
      case 5: info.InfoText += "LZW"; break;
      case 6: info.InfoText += "JPEG"; break;
      case kTiffCompressionPackBits: info.InfoText += "PackBits"; break;
      default: break;
    }
    switch (d.photometric) {
      case 0: info.InfoText += ", WhiteIsZero"; break;
      case 1: info.InfoText += ", BlackIsZero"; break;
      case 2: info.InfoText += ", RGB"; break;
      case 3: info.InfoText += ", RGB Palette"; break;
      case 5: info.InfoText += ", CMYK"; break;
      default: Refuse("Unsupported photometric interpretation " + std::to_string(d.photometric));
    }
    if (d.compression >= 2 && d.compression <= 6) info.ExtraText = "(Unsupported compression)";
    info.Width = int(std::min<std::uint32_t>(d.width, INT32_MAX));
    info.Height = int(std::min<std::uint32_t>(d.height, INT32_MAX));
    info.BitCount = d.BitCountSum();
    info.ColorsText = info.BitCount > 23 ? "16.7 M" : PowerOfTwoText(info.BitCount);
  }
};

}  // namespace

void RegisterTIFFFormats(TReaderList& readers, TWriterList& writers) {
  readers.push_back(std::make_unique<TTIFFReader>("tif"));
  readers.push_back(std::make_unique<TTIFFReader>("tiff"));
  AddTIFFWriters(writers);
}

}  // namespace lumora
