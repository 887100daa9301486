#pragma once
// Builds BMP files field by field, so a test can state exactly what its file holds.
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

namespace lumora::test {

struct TBmpFile {
  std::uint32_t HeaderSize = 40;  // 12 writes an OS/2 core header
  std::int32_t Width = 1;
  std::int32_t Height = 1;
  std::uint16_t Planes = 1;
  std::uint16_t Bits = 24;
  std::uint32_t Compression = 0;
  std::optional<std::uint32_t> ImageSize;   // default: the size of Pixels
  std::optional<std::uint32_t> ColorsUsed;  // default: Palette entries of 4 bytes
  // Written after a 40-byte header, inside the longer ones (at byte 40 of the header).
  std::vector<std::uint32_t> Masks;
  std::vector<std::uint8_t> Palette;  // raw table bytes (3 per entry for core headers)
  std::vector<std::uint8_t> Pixels;
  std::optional<std::uint32_t> DataOffset;  // default: right after the table

  std::vector<std::uint8_t> Build() const {
    std::vector<std::uint8_t> h;
    auto put16 = [&](std::uint32_t v) {
      h.push_back(std::uint8_t(v));
      h.push_back(std::uint8_t(v >> 8));
    };
    auto put32 = [&](std::uint32_t v) {
      put16(v & 0xFFFF);
      put16(v >> 16);
    };
    put32(HeaderSize);
    if (HeaderSize == 12) {
      put16(std::uint32_t(Width));
      put16(std::uint32_t(Height));
      put16(Planes);
      put16(Bits);
    } else {
      put32(std::uint32_t(Width));
      put32(std::uint32_t(Height));
      put16(Planes);
      put16(Bits);
      put32(Compression);
      put32(ImageSize ? *ImageSize : std::uint32_t(Pixels.size()));
      put32(0);
      put32(0);
      put32(ColorsUsed ? *ColorsUsed : std::uint32_t(Palette.size() / 4));
      put32(0);
      if (HeaderSize <= 40) {
        for (std::uint32_t m : Masks) put32(m);
      } else {
        const size_t fieldsEnd = h.size();
        for (std::uint32_t m : Masks) put32(m);
        h.resize(fieldsEnd + (HeaderSize - 40), 0);
        for (size_t i = 0; i < Masks.size(); ++i)
          for (int k = 0; k < 4; ++k) h[fieldsEnd + 4 * i + k] = std::uint8_t(Masks[i] >> (8 * k));
      }
    }
    h.insert(h.end(), Palette.begin(), Palette.end());
    const std::uint32_t offset = DataOffset ? *DataOffset : std::uint32_t(14 + h.size());
    std::vector<std::uint8_t> file = {'B', 'M'};
    const std::uint32_t fileSize = std::uint32_t(14 + h.size() + Pixels.size());
    for (std::uint32_t v : {fileSize, 0u, offset}) {
      for (int k = 0; k < 4; ++k) file.push_back(std::uint8_t(v >> (8 * k)));
    }
    file.insert(file.end(), h.begin(), h.end());
    file.insert(file.end(), Pixels.begin(), Pixels.end());
    return file;
  }
};

// n palette entries of 4 bytes (blue, green, red, 0) with entry i = (i, 2i, 3i) mod 256.
inline std::vector<std::uint8_t> RampPalette(int n) {
  std::vector<std::uint8_t> p;
  for (int i = 0; i < n; ++i) {
    p.push_back(std::uint8_t(3 * i));
    p.push_back(std::uint8_t(2 * i));
    p.push_back(std::uint8_t(i));
    p.push_back(0);
  }
  return p;
}

inline std::vector<std::uint8_t> LE16s(std::initializer_list<std::uint16_t> values) {
  std::vector<std::uint8_t> out;
  for (std::uint16_t v : values) {
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
  }
  return out;
}

inline std::vector<std::uint8_t> LE32s(std::initializer_list<std::uint32_t> values) {
  std::vector<std::uint8_t> out;
  for (std::uint32_t v : values)
    for (int k = 0; k < 4; ++k) out.push_back(std::uint8_t(v >> (8 * k)));
  return out;
}

}  // namespace lumora::test
