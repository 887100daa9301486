#pragma once
// Builds small GIF files block by block for tests, and packs raw LZW codes so tests
// can feed the decoder exactly the code sequence they mean.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "imaging/codecs/gif_writer.h"

namespace lumora::test {

// Codes (value, width) packed least significant bit first, prefixed by the minimum
// code size byte, in sub-blocks, with the terminator when `terminate`.
inline std::vector<std::uint8_t> PackLZWCodes(int minCodeSize, const std::vector<std::pair<int, int>>& codes,
                                              bool terminate = true) {
  std::vector<std::uint8_t> bytes;
  std::uint32_t acc = 0;
  int bits = 0;
  for (const auto& [code, width] : codes) {
    acc |= std::uint32_t(code) << bits;
    bits += width;
    while (bits >= 8) {
      bytes.push_back(std::uint8_t(acc));
      acc >>= 8;
      bits -= 8;
    }
  }
  if (bits > 0) bytes.push_back(std::uint8_t(acc));
  std::vector<std::uint8_t> out{std::uint8_t(minCodeSize)};
  for (size_t i = 0; i < bytes.size(); i += 255) {
    const size_t n = std::min<size_t>(255, bytes.size() - i);
    out.push_back(std::uint8_t(n));
    out.insert(out.end(), bytes.begin() + std::ptrdiff_t(i), bytes.begin() + std::ptrdiff_t(i + n));
  }
  if (terminate) out.push_back(0);
  return out;
}

// The code stream without sub-block framing: min code size byte + packed bytes.
inline std::vector<std::uint8_t> RawLZWCodes(int minCodeSize, const std::vector<std::pair<int, int>>& codes) {
  std::vector<std::uint8_t> framed = PackLZWCodes(minCodeSize, codes, false);
  std::vector<std::uint8_t> out{framed[0]};
  size_t pos = 1;
  while (pos < framed.size()) {
    const size_t n = framed[pos++];
    out.insert(out.end(), framed.begin() + std::ptrdiff_t(pos), framed.begin() + std::ptrdiff_t(pos + n));
    pos += n;
  }
  return out;
}

class TGIFBuilder {
 public:
  // Colours as 0xRRGGBB.
  explicit TGIFBuilder(int width, int height, std::vector<std::uint32_t> global = {}, const char* version = "89a") {
    Put("GIF");
    Put(version);
    Put16(width);
    Put16(height);
    const int bits = TableBits(int(global.size()));
    bytes_.push_back(global.empty() ? 0 : std::uint8_t(0x80 | (bits - 1)));
    bytes_.push_back(0);
    bytes_.push_back(0);
    PutTable(global, bits);
  }

  TGIFBuilder& Control(int disposal, int delayHundredths, bool transparent = false, int transparentIndex = 0) {
    const std::uint8_t packed = std::uint8_t((disposal << 2) | (transparent ? 1 : 0));
    bytes_.insert(bytes_.end(), {0x21, 0xF9, 4, packed, std::uint8_t(delayHundredths),
                                 std::uint8_t(delayHundredths >> 8), std::uint8_t(transparentIndex), 0});
    return *this;
  }

  TGIFBuilder& Loop(int count) {
    bytes_.insert(bytes_.end(), {0x21, 0xFF, 11});
    Put("NETSCAPE2.0");
    bytes_.insert(bytes_.end(), {3, 1, std::uint8_t(count), std::uint8_t(count >> 8), 0});
    return *this;
  }

  TGIFBuilder& Comment(const std::string& text) {
    bytes_.insert(bytes_.end(), {0x21, 0xFE});
    for (size_t i = 0; i < text.size(); i += 255) {
      const size_t n = std::min<size_t>(255, text.size() - i);
      bytes_.push_back(std::uint8_t(n));
      Put(text.substr(i, n));
    }
    bytes_.push_back(0);
    return *this;
  }

  TGIFBuilder& Extension(std::uint8_t label, const std::vector<std::uint8_t>& payload) {
    bytes_.insert(bytes_.end(), {0x21, label, std::uint8_t(payload.size())});
    bytes_.insert(bytes_.end(), payload.begin(), payload.end());
    bytes_.push_back(0);
    return *this;
  }

  // An image of indices (row-major, file row order given by `interlaced`'s meaning:
  // the indices are listed for rows 0..h-1 and reordered here when interlaced).
  TGIFBuilder& Image(int left, int top, int width, int height, const std::vector<std::uint8_t>& indices,
                     std::vector<std::uint32_t> local = {}, bool interlaced = false, int minCodeSize = 0) {
    const int bits = TableBits(int(local.size()));
    Descriptor(left, top, width, height, local.empty() ? 0 : bits, interlaced);
    PutTable(local, bits);
    std::vector<std::uint8_t> ordered;
    if (interlaced) {
      static constexpr int kStart[4] = {0, 4, 2, 1};
      static constexpr int kStep[4] = {8, 8, 4, 2};
      for (int pass = 0; pass < 4; ++pass) {
        for (int y = kStart[pass]; y < height; y += kStep[pass]) {
          ordered.insert(ordered.end(), indices.begin() + std::ptrdiff_t(y) * width,
                         indices.begin() + std::ptrdiff_t(y + 1) * width);
        }
      }
    } else {
      ordered = indices;
    }
    int maxIndex = 0;
    for (std::uint8_t v : ordered) maxIndex = std::max<int>(maxIndex, v);
    if (minCodeSize == 0) minCodeSize = std::max(2, TableBits(maxIndex + 1));
    std::vector<std::uint8_t> code;
    EncodeGIFLZW(ordered.data(), ordered.size(), minCodeSize, code);
    bytes_.insert(bytes_.end(), code.begin(), code.end());
    return *this;
  }

  // A descriptor (and optionally raw data bytes that follow it verbatim).
  TGIFBuilder& Descriptor(int left, int top, int width, int height, int localBits = 0, bool interlaced = false) {
    bytes_.push_back(',');
    Put16(left);
    Put16(top);
    Put16(width);
    Put16(height);
    bytes_.push_back(std::uint8_t((localBits ? 0x80 | (localBits - 1) : 0) | (interlaced ? 0x40 : 0)));
    return *this;
  }
  TGIFBuilder& Raw(const std::vector<std::uint8_t>& data) {
    bytes_.insert(bytes_.end(), data.begin(), data.end());
    return *this;
  }

  std::vector<std::uint8_t> Bytes(bool trailer = true) const {
    std::vector<std::uint8_t> out = bytes_;
    if (trailer) out.push_back(';');
    return out;
  }

  static int TableBits(int colors) {
    int n = 1;
    while ((1 << n) < colors) ++n;
    return n;
  }

 private:
  void Put(const std::string& s) { bytes_.insert(bytes_.end(), s.begin(), s.end()); }
  void Put16(int v) {
    bytes_.push_back(std::uint8_t(v));
    bytes_.push_back(std::uint8_t(v >> 8));
  }
  void PutTable(const std::vector<std::uint32_t>& colors, int bits) {
    if (colors.empty()) return;
    for (int i = 0; i < (1 << bits); ++i) {
      const std::uint32_t c = i < int(colors.size()) ? colors[size_t(i)] : 0;
      bytes_.insert(bytes_.end(), {std::uint8_t(c >> 16), std::uint8_t(c >> 8), std::uint8_t(c)});
    }
  }
  std::vector<std::uint8_t> bytes_;
};

}  // namespace lumora::test
