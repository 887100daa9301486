#include "imaging/codecs/gif_writer.h"

#include <atomic>
#include <cstring>
#include <memory>

#include "imaging/codecs/gif_lzw.h"
#include "imaging/core/safe_file.h"
#include "imaging/core/stream.h"

namespace lumora {

const char* const kGIFWriterComment = "Written by the Lumora GIF writer";

namespace {

std::atomic<int> g_gifWriteError{gifwOK};

constexpr int kMaxColors = 256;
constexpr int kMaxCode = 4096;
constexpr int kHashSize = 5119;

// Colour -> table index in the order of first appearance. The open-addressed lookup
// gives the same indices as a linear search of the table.
class TColorTable {
 public:
  TColorTable() { std::memset(slots_, 0xFF, sizeof(slots_)); }
  // The index of `rgb` (0x00RRGGBB-free 24-bit key), appending it when new; -1 for a 257th colour.
  int IndexOf(std::uint32_t rgb) {
    std::uint32_t h = (rgb * 2654435761u) >> 22;  // 10 bits
    for (;;) {
      const std::int32_t slot = slots_[h];
      if (slot < 0) break;
      if (colors_[slot] == rgb) return slot;
      h = (h + 1) & 1023;
    }
    if (count_ == kMaxColors) return -1;
    colors_[count_] = rgb;
    slots_[h] = count_;
    return count_++;
  }
  int Count() const { return count_; }
  std::uint32_t Color(int i) const { return colors_[i]; }

 private:
  std::int32_t slots_[1024];
  std::uint32_t colors_[kMaxColors] = {};
  int count_ = 0;
};

// Colour of pixel x of a row as 0x00BBGGRR.
TColor PixelColor(const TPixelGraphic& image, const std::uint8_t* row, int x) {
  switch (image.BitCountNum()) {
    case 0: return image.ColorTableEntry((row[x >> 3] >> (7 - (x & 7))) & 1);
    case 1: return image.ColorTableEntry((x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4));
    case 2: return image.ColorTableEntry(row[x]);
    default: return RGBColor(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
  }
}

// LZW codes into bytes, least significant bit first, in sub-blocks of up to 255 bytes.
class TCodeWriter {
 public:
  explicit TCodeWriter(std::vector<std::uint8_t>& out) : out_(out) {}
  void Put(int code, int width) {
    acc_ |= std::uint32_t(code) << bits_;
    bits_ += width;
    while (bits_ >= 8) {
      Byte(std::uint8_t(acc_));
      acc_ >>= 8;
      bits_ -= 8;
    }
  }
  void Finish() {
    if (bits_ > 0) Byte(std::uint8_t(acc_));
    acc_ = 0;
    bits_ = 0;
    FlushBlock();
    out_.push_back(0);
  }

 private:
  void Byte(std::uint8_t b) {
    block_[blockLen_++] = b;
    if (blockLen_ == 255) FlushBlock();
  }
  void FlushBlock() {
    if (blockLen_ == 0) return;
    out_.push_back(std::uint8_t(blockLen_));
    out_.insert(out_.end(), block_, block_ + blockLen_);
    blockLen_ = 0;
  }
  std::vector<std::uint8_t>& out_;
  std::uint32_t acc_ = 0;
  int bits_ = 0;
  std::uint8_t block_[255];
  int blockLen_ = 0;
};

// The string table: key pixel x 4096 + prefix, hashed into 5119 slots.
class TStringTable {
 public:
  TStringTable() { Clear(); }
  void Clear() { std::memset(keys_, 0xFF, sizeof(keys_)); }
  // The slot holding `key`, or the free slot where it belongs.
  int Find(std::int32_t key, int pixel, int prefix) const {
    int i = (pixel << 4) ^ prefix;
    const int step = i == 0 ? 1 : kHashSize - i;
    while (keys_[i] >= 0 && keys_[i] != key) {
      i -= step;
      if (i < 0) i += kHashSize;
    }
    return i;
  }
  bool Holds(int slot, std::int32_t key) const { return keys_[slot] == key; }
  int Code(int slot) const { return codes_[slot]; }
  void Enter(int slot, std::int32_t key, int code) {
    keys_[slot] = key;
    codes_[slot] = std::uint16_t(code);
  }

 private:
  std::int32_t keys_[kHashSize];
  std::uint16_t codes_[kHashSize] = {};
};

}  // namespace

void EncodeGIFLZW(const std::uint8_t* indices, size_t count, int minCodeSize, std::vector<std::uint8_t>& out) {
  out.push_back(std::uint8_t(minCodeSize));
  TCodeWriter writer(out);
  auto table = std::make_unique<TStringTable>();
  const int clear = 1 << minCodeSize;
  const int endCode = clear + 1;
  int next = clear + 2;
  int width = minCodeSize + 1;
  // Emits a code, then widens when the next free code no longer fits.
  auto emit = [&](int code) {
    writer.Put(code, width);
    if (next > (1 << width) - 1 && width < 12) ++width;
  };
  writer.Put(clear, width);
  int prefix = indices[0];
  for (size_t i = 1; i < count; ++i) {
    const int k = indices[i];
    const std::int32_t key = (std::int32_t(k) << 12) + prefix;
    const int slot = table->Find(key, k, prefix);
    if (table->Holds(slot, key)) {
      prefix = table->Code(slot);
      continue;
    }
    emit(prefix);
    if (next < kMaxCode) {
      table->Enter(slot, key, next++);
    } else {
      table->Clear();
      writer.Put(clear, width);
      next = clear + 2;
      width = minCodeSize + 1;
    }
    prefix = k;
  }
  emit(prefix);
  emit(endCode);
  writer.Finish();
}

namespace {

int TableBits(int colors) {
  int n = 1;
  while ((1 << n) < colors) ++n;
  return n;
}

}  // namespace

int GIFWriteError() { return g_gifWriteError.load(); }

bool EncodeGIF(const TPixelGraphic& bitmap, bool interlaced, TColor transparentColor, bool transparent,
               std::vector<std::uint8_t>& out) {
  out.clear();
  g_gifWriteError = gifwEncoding;
  const int w = bitmap.Width();
  const int h = bitmap.Height();
  // Sizes are 16-bit fields, and an empty picture has no first index.
  if (bitmap.GetEmpty() || w <= 0 || h <= 0 || w > 65535 || h > 65535) return false;
  bitmap.FlushPendingDrawing();

  g_gifWriteError = gifwColorPass;
  TColorTable colors;
  std::vector<std::uint8_t> indices(size_t(w) * size_t(h));
  size_t n = 0;
  for (int y : GIFRowOrder(h, interlaced)) {
    const std::uint8_t* row = bitmap.ScanLine(y);
    for (int x = 0; x < w; ++x) {
      const int index = colors.IndexOf(PixelColor(bitmap, row, x));
      if (index < 0) {
        g_gifWriteError = gifwTooManyColors;
        return false;
      }
      indices[n++] = std::uint8_t(index);
    }
  }
  int transparentIndex = -1;
  if (transparent) {
    for (int i = 0; i < colors.Count(); ++i) {
      if (colors.Color(i) == (transparentColor & 0xFFFFFF)) transparentIndex = i;
    }
  }

  g_gifWriteError = gifwEncoding;
  const int bits = TableBits(colors.Count());
  out.reserve(indices.size() / 2 + 1024);
  auto put16 = [&](int v) {
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
  };
  const char* signature = "GIF89a";
  out.insert(out.end(), signature, signature + 6);
  put16(w);
  put16(h);
  out.push_back(std::uint8_t(0x80 + (bits - 1)));
  out.push_back(0);  // background index
  out.push_back(0);  // aspect
  for (int i = 0; i < (1 << bits); ++i) {
    const TColor c = i < colors.Count() ? colors.Color(i) : 0;
    out.push_back(std::uint8_t(GetRValue(c)));
    out.push_back(std::uint8_t(GetGValue(c)));
    out.push_back(std::uint8_t(GetBValue(c)));
  }
  const std::uint8_t control[] = {0x21, 0xF9, 0x04, std::uint8_t(transparentIndex >= 0 ? 1 : 0), 0, 0,
                                  std::uint8_t(transparentIndex >= 0 ? transparentIndex : 0), 0};
  out.insert(out.end(), control, control + sizeof(control));
  out.push_back(0x2C);
  put16(0);
  put16(0);
  put16(w);
  put16(h);
  out.push_back(interlaced ? 0x40 : 0);
  EncodeGIFLZW(indices.data(), indices.size(), bits < 2 ? 2 : bits, out);
  out.push_back(0x21);
  out.push_back(0xFE);
  const size_t textLength = std::strlen(kGIFWriterComment);
  for (size_t i = 0; i < textLength; i += 255) {
    const size_t len = textLength - i < 255 ? textLength - i : 255;
    out.push_back(std::uint8_t(len));
    out.insert(out.end(), kGIFWriterComment + i, kGIFWriterComment + i + len);
  }
  out.push_back(0);
  out.push_back(0x3B);
  g_gifWriteError = gifwOK;
  return true;
}

bool SaveBitmapAsGIF(const std::string& path, const TPixelGraphic& bitmap, bool interlaced, TColor transparentColor,
                     bool transparent) {
  std::vector<std::uint8_t> bytes;
  if (!EncodeGIF(bitmap, interlaced, transparentColor, transparent, bytes)) return false;
  g_gifWriteError = gifwEncoding;  // until the file is in place
  try {
    WriteFileSafely(path, [&](TStream& stream) { stream.Write(bytes.data(), bytes.size()); });
  } catch (const std::exception&) {
    g_gifWriteError = gifwEncoding;
    return false;
  }
  g_gifWriteError = gifwOK;
  return true;
}

}  // namespace lumora
