// The registry's icon reader: one directory entry of a Windows icon file, 1, 4 or 8
// bits per pixel, 8 to 64 pixels a side, as a 24-bit picture whose masked pixels take
// the transparent colour (white).
#include <algorithm>
#include <cstring>
#include <memory>

#include "imaging/codecs/builtin_formats.h"
#include "imaging/core/exceptions.h"
#include "imaging/core/size_limits.h"
#include "imaging/core/stream.h"

namespace lumora {
namespace {

constexpr const char* kNotAnIcon = "Not an Icon file";
constexpr const char* kIndexOutOfBounds = "Index out of bounds";
constexpr TColor kIconTransparentColor = 0x00FFFFFF;
constexpr int kHeaderSize = 6;
constexpr int kEntrySize = 16;
constexpr int kInfoHeaderSize = 40;

struct TIconEntry {
  int dirWidth = 0, dirHeight = 0, dirBitCount = 0;
  std::uint32_t byteSize = 0, offset = 0;
};

// The bitmap of an entry as its information header describes it.
struct TIconBitmap {
  bool valid = false;     // a readable 40-byte header inside the entry
  int width = 0, height = 0, bitCount = 0;
  std::uint32_t compression = 0;
  int64_t tableBytes = 0, xorStride = 0, andStride = 0, layoutBytes = 0;
};

struct TIconFile {
  int type = 0;
  std::vector<TIconEntry> entries;
};

TIconFile ValidateIconFile(const std::vector<std::uint8_t>& bytes) {
  if (bytes.size() < size_t(kHeaderSize)) throw EPGICOFileFormatReader(kNotAnIcon);
  const std::uint8_t* p = bytes.data();
  TIconFile file;
  const int reserved = GetLE16(p);
  file.type = GetLE16(p + 2);
  const int count = GetLE16(p + 4);
  if (reserved != 0 || (file.type != 1 && file.type != 2) || count < 1 ||
      int64_t(bytes.size()) < kHeaderSize + int64_t(kEntrySize) * count) {
    throw EPGICOFileFormatReader(kNotAnIcon);
  }
  for (int i = 0; i < count; ++i) {
    const std::uint8_t* e = p + kHeaderSize + kEntrySize * i;
    TIconEntry entry;
    entry.dirWidth = e[0] ? e[0] : 256;
    entry.dirHeight = e[1] ? e[1] : 256;
    entry.dirBitCount = GetLE16(e + 6);
    entry.byteSize = GetLE32(e + 8);
    entry.offset = GetLE32(e + 12);
    if (int64_t(entry.offset) + int64_t(entry.byteSize) > int64_t(bytes.size())) throw EPGICOFileFormatReader(kNotAnIcon);
    file.entries.push_back(entry);
  }
  if (file.type != 1) throw EPGICOFileFormatReader(kNotAnIcon);
  return file;
}

TIconBitmap DescribeBitmap(const std::vector<std::uint8_t>& bytes, const TIconEntry& entry) {
  TIconBitmap bmp;
  if (entry.byteSize < std::uint32_t(kInfoHeaderSize)) return bmp;
  const std::uint8_t* h = bytes.data() + entry.offset;
  if (GetLE32(h) != std::uint32_t(kInfoHeaderSize)) return bmp;
  bmp.valid = true;
  bmp.width = std::int32_t(GetLE32(h + 4));
  bmp.height = std::int32_t(GetLE32(h + 8)) / 2;
  bmp.bitCount = GetLE16(h + 14);
  bmp.compression = GetLE32(h + 16);
  if (bmp.bitCount <= 8) bmp.tableBytes = int64_t(4) << bmp.bitCount;
  if (bmp.width > 0 && bmp.height > 0 && bmp.bitCount > 0 && bmp.bitCount <= 32) {
    bmp.xorStride = RowStride(bmp.width, bmp.bitCount);
    bmp.andStride = RowStride(bmp.width, 1);
    bmp.layoutBytes = kInfoHeaderSize + bmp.tableBytes + (bmp.xorStride + bmp.andStride) * bmp.height;
  }
  return bmp;
}

// True for an entry this reader decodes: 8..64 pixels a side, 1, 4 or 8 bits, no
// compression, and header, colour table and both bitmaps inside the entry.
bool Decodable(const TIconBitmap& bmp, const TIconEntry& entry) {
  return bmp.valid && bmp.width >= 8 && bmp.width <= 64 && bmp.height >= 8 && bmp.height <= 64 &&
         (bmp.bitCount == 1 || bmp.bitCount == 4 || bmp.bitCount == 8) && bmp.compression == 0 &&
         bmp.layoutBytes <= int64_t(entry.byteSize);
}

std::vector<std::uint8_t> ReadAll(TStream& stream) {
  const int64_t remaining = stream.Remaining();
  std::vector<std::uint8_t> bytes(size_t(remaining > 0 ? remaining : 0));
  bytes.resize(stream.Read(bytes.data(), bytes.size()));
  return bytes;
}

int IndexAt(const std::uint8_t* row, int x, int bitCount) {
  switch (bitCount) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4: return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
    default: return row[x];
  }
}

// Colours of an entry for the information texts: the palette size, or 16.7M above 8 bits.
int64_t EntryColors(int bitCount) { return bitCount >= 1 && bitCount <= 8 ? int64_t(1) << bitCount : int64_t(1) << 24; }
std::string ColorsName(int64_t colors) { return colors > 256 ? "16.7M" : std::to_string(colors); }

class TICOReader : public TFileFormatReader {
 public:
  TICOReader() : TFileFormatReader("ico", "Windows Icon") { HasSignature = true; }

  // The mask-ignoring indexed mode exists but is off.
  bool IndexedMode = false;

  bool IsFormat(const std::uint8_t* header) const override {
    return GetLE16(header) == 0 && GetLE16(header + 2) == 1 && GetLE16(header + 4) != 0;
  }

  void ReadImage(TStream& stream, TPixelGraphic& image, int index) override {
    image.Transparent = true;
    image.TransparentColor = kIconTransparentColor;
    const std::vector<std::uint8_t> bytes = ReadAll(stream);
    const TIconFile file = ValidateIconFile(bytes);
    if (index < 0 || index >= int(file.entries.size())) throw EPGICOFileFormatReader(kIndexOutOfBounds);
    const TIconEntry& entry = file.entries[size_t(index)];
    const TIconBitmap bmp = DescribeBitmap(bytes, entry);
    if (!Decodable(bmp, entry)) throw EPGICOFileFormatReader(kIndexOutOfBounds);

    const std::uint8_t* table = bytes.data() + entry.offset + kInfoHeaderSize;
    const std::uint8_t* xorBits = table + bmp.tableBytes;
    const std::uint8_t* andBits = xorBits + bmp.xorStride * bmp.height;
    const int entries = 1 << bmp.bitCount;
    std::vector<TColor> colors(static_cast<size_t>(entries));
    for (int i = 0; i < entries; ++i) colors[size_t(i)] = RGBColor(table[4 * i + 2], table[4 * i + 1], table[4 * i]);

    if (IndexedMode) {
      image.Allocate(bmp.width, bmp.height, TPixelGraphic::BitCountToNum(bmp.bitCount));
      image.Transparent = false;
      image.SetPaletteCount(entries);
      for (int i = 0; i < entries; ++i) image.SetPaletteColor(i, colors[size_t(i)]);
    } else {
      image.Allocate(bmp.width, bmp.height, 3);
      image.SetPaletteCount(0);
    }
    TProgressScope progress(image);
    for (int y = 0; y < bmp.height; ++y) {
      const int fileRow = bmp.height - 1 - y;  // the bitmaps are stored bottom-up
      const std::uint8_t* src = xorBits + bmp.xorStride * fileRow;
      const std::uint8_t* mask = andBits + bmp.andStride * fileRow;
      std::uint8_t* dst = image.ScanLine(y);
      if (IndexedMode) {
        std::memcpy(dst, src, size_t(bmp.xorStride));
      } else {
        for (int x = 0; x < bmp.width; ++x) {
          const bool masked = (mask[x >> 3] >> (7 - (x & 7))) & 1;
          const TColor c = masked ? kIconTransparentColor : colors[size_t(IndexAt(src, x, bmp.bitCount))];
          dst[3 * x] = std::uint8_t(GetBValue(c));
          dst[3 * x + 1] = std::uint8_t(GetGValue(c));
          dst[3 * x + 2] = std::uint8_t(GetRValue(c));
        }
      }
      if (progress.Step(y, bmp.height - 1)) break;
    }
    image.Changed();
  }

  void GetImageInfo(TStream& stream, int, TImageInfo& info) override {
    const std::vector<std::uint8_t> bytes = ReadAll(stream);
    const TIconFile file = ValidateIconFile(bytes);
    info = TImageInfo{};
    info.ImageCount = int(file.entries.size());
    int minWidth = 0, maxWidth = 0;
    int64_t minColors = 0, maxColors = 0;
    for (size_t i = 0; i < file.entries.size(); ++i) {
      const TIconEntry& entry = file.entries[i];
      const TIconBitmap bmp = DescribeBitmap(bytes, entry);
      const int width = bmp.valid ? bmp.width : entry.dirWidth;
      const int height = bmp.valid ? bmp.height : entry.dirHeight;
      const int bitCount = bmp.valid ? bmp.bitCount : (entry.dirBitCount ? entry.dirBitCount : 32);
      const int64_t colors = EntryColors(bitCount);
      if (i == 0) {
        info.Width = width;
        info.Height = height;
        info.BitCount = bitCount;
        minWidth = maxWidth = width;
        minColors = maxColors = colors;
      }
      minWidth = std::min(minWidth, width);
      maxWidth = std::max(maxWidth, width);
      minColors = std::min(minColors, colors);
      maxColors = std::max(maxColors, colors);
    }
    if (file.entries.size() == 1) {
      info.ColorsText = ColorsName(EntryColors(info.BitCount));
    } else {
      info.InfoText = "Sizes " + std::to_string(minWidth) + ".." + std::to_string(maxWidth);
      info.ExtraText = "Colors " + ColorsName(minColors) + ".." + ColorsName(maxColors);
    }
  }
};

}  // namespace

void RegisterICOFormats(TReaderList& readers, TWriterList&) { readers.push_back(std::make_unique<TICOReader>()); }

}  // namespace lumora
