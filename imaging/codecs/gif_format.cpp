#include "imaging/codecs/gif_format.h"

#include <cstring>

#include "imaging/codecs/gif_lzw.h"
#include "imaging/core/stream.h"

namespace lumora {
namespace {

struct TPendingControl {
  int disposal = 0;
  int delayMs = 0;
  bool transparent = false;
  int transparentIndex = 0;
};

// Reads one sub-block at data[pos]: false when none is left (terminator or end of data).
bool NextSubBlock(const std::uint8_t* data, size_t size, size_t& pos, const std::uint8_t*& block, size_t& length) {
  if (pos >= size) return false;
  length = data[pos++];
  if (length == 0) return false;
  if (length > size - pos) length = size - pos;
  block = data + pos;
  pos += length;
  return true;
}

}  // namespace

bool WalkGIFFile(const std::uint8_t* data, size_t size, const TGIFWalkOptions& options, TGIFFileStructure& out) {
  out = TGIFFileStructure{};
  if (size < 13 || std::memcmp(data, "GIF", 3) != 0) return false;
  out.versionByte = char(data[4]);
  out.screenWidth = GetLE16(data + 6);
  out.screenHeight = GetLE16(data + 8);
  const std::uint8_t screenFlags = data[10];
  size_t pos = 13;
  if (screenFlags & 0x80) {
    out.hasGlobalTable = true;
    out.globalBits = (screenFlags & 7) + 1;
    const size_t bytes = size_t(3) << out.globalBits;
    if (bytes > size - pos) return false;
    std::memcpy(out.globalTable, data + pos, bytes);
    pos += bytes;
  }

  TPendingControl control;
  std::string comment;
  while (pos < size) {
    if (options.onBlock && !options.onBlock(pos)) {
      out.cancelled = true;
      return true;
    }
    const std::uint8_t introducer = data[pos];
    if (introducer == ';') return true;
    if (introducer == '!') {
      if (size - pos < 2) return true;
      const std::uint8_t label = data[pos + 1];
      pos += 2;
      const std::uint8_t* block = nullptr;
      size_t length = 0;
      switch (label) {
        case 0xF9:
          if (NextSubBlock(data, size, pos, block, length) && length >= 4) {
            const int method = (block[0] >> 2) & 7;
            control.disposal = (method == 0 || method == 1 || method == 3) ? method : 2;
            control.delayMs = GetLE16(block + 1) * 10;
            control.transparent = (block[0] & 1) != 0;
            control.transparentIndex = block[3];
          }
          GatherGIFSubBlocks(data, size, pos, nullptr);
          break;
        case 0xFE:
          while (NextSubBlock(data, size, pos, block, length)) comment.append(reinterpret_cast<const char*>(block), length);
          break;
        case 0xFF:
          if (NextSubBlock(data, size, pos, block, length) && length >= 11 &&
              std::memcmp(block, "NETSCAPE2.0", 11) == 0 && NextSubBlock(data, size, pos, block, length) &&
              length >= 3) {
            out.loopCount = GetLE16(block + 1);
          }
          GatherGIFSubBlocks(data, size, pos, nullptr);
          break;
        case 0x01:
          GatherGIFSubBlocks(data, size, pos, nullptr);
          break;
        default:
          if (!options.skipUnknownExtensions) {
            out.stoppedUnknownExtension = true;
            return true;
          }
          GatherGIFSubBlocks(data, size, pos, nullptr);
          break;
      }
      continue;
    }
    if (introducer != ',') {
      pos += 2;  // an unknown byte pair is passed over
      continue;
    }
    if (options.maxImages > 0 && int(out.images.size()) >= options.maxImages) {
      out.stoppedByLimit = true;
      return true;
    }
    if (size - pos < 10) {
      out.stoppedInDescriptor = true;
      return true;
    }
    TGIFImageRecord image;
    image.left = GetLE16(data + pos + 1);
    image.top = GetLE16(data + pos + 3);
    image.width = GetLE16(data + pos + 5);
    image.height = GetLE16(data + pos + 7);
    const std::uint8_t flags = data[pos + 9];
    pos += 10;
    if (options.maxSide > 0 && (image.width > options.maxSide || image.height > options.maxSide)) {
      out.stoppedOversize = true;
      return true;
    }
    image.interlaced = (flags & 0x40) != 0;
    if (flags & 0x80) {
      image.hasLocalTable = true;
      image.localBits = (flags & 7) + 1;
      const size_t bytes = size_t(3) << image.localBits;
      if (bytes > size - pos) {
        out.stoppedInDescriptor = true;
        return true;
      }
      image.localTablePos = pos;
      pos += bytes;
    }
    image.disposal = control.disposal;
    image.delayMs = control.delayMs;
    image.transparent = control.transparent;
    image.transparentIndex = control.transparentIndex;
    image.comment = std::move(comment);
    comment.clear();
    control = TPendingControl{};
    image.codeSizePos = pos;
    image.dataMissing = pos >= size;
    if (pos < size) {
      ++pos;
      GatherGIFSubBlocks(data, size, pos, nullptr);
    }
    if (options.onImage && !options.onImage(image)) {
      out.stoppedByImage = true;
      return true;
    }
    out.anyInterlaced |= image.interlaced;
    out.anyTransparent |= image.transparent;
    out.images.push_back(std::move(image));
  }
  return true;
}

std::vector<std::uint8_t> GIFImageCode(const std::uint8_t* data, size_t size, const TGIFImageRecord& image) {
  std::vector<std::uint8_t> code;
  if (image.dataMissing || image.codeSizePos >= size) return code;
  code.push_back(data[image.codeSizePos]);
  size_t pos = image.codeSizePos + 1;
  GatherGIFSubBlocks(data, size, pos, &code);
  return code;
}

}  // namespace lumora
