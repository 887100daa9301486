#pragma once
// The block structure of a GIF file: header, logical screen, global colour table,
// extensions and image descriptors. One walker serves the registry reader and the
// animated display; it records where each image's data lies without decoding it.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace lumora {

struct TGIFImageRecord {
  int left = 0, top = 0, width = 0, height = 0;
  bool interlaced = false;
  bool hasLocalTable = false;
  int localBits = 0;                    // 0 without a local table
  size_t localTablePos = 0;             // 3 * 2^localBits bytes at this offset
  // From the graphic control extension before the image (all zero without one).
  int disposal = 0;                     // 0, 1, 3 as stored, every other value 2
  int delayMs = 0;                      // the stored hundredths x 10
  bool transparent = false;
  int transparentIndex = 0;
  std::string comment;                  // comment extensions since the previous image
  size_t codeSizePos = 0;               // the minimum code size byte
  bool dataMissing = false;             // the file ends before the image data
};

struct TGIFFileStructure {
  char versionByte = '9';               // the fifth byte of the file ('7' in "GIF87a")
  int screenWidth = 0, screenHeight = 0;
  bool hasGlobalTable = false;
  int globalBits = 0;
  std::uint8_t globalTable[768] = {};   // entries the file does not give are black
  int loopCount = 1;                    // from a "NETSCAPE2.0" block
  std::vector<TGIFImageRecord> images;
  bool anyInterlaced = false;
  bool anyTransparent = false;
  // Why the walk stopped before the trailer, when it did.
  bool stoppedInDescriptor = false;     // data ended inside a descriptor or its table
  bool stoppedOversize = false;         // an image wider or higher than maxSide
  bool stoppedByLimit = false;          // maxImages reached
  bool stoppedUnknownExtension = false;
  bool stoppedByImage = false;          // onImage ended the walk
  bool cancelled = false;
};

struct TGIFWalkOptions {
  int maxImages = 0;                    // 0: no limit
  int maxSide = 0;                      // 0: no limit
  bool skipUnknownExtensions = true;    // false: an unknown label ends the walk
  // Called before each block with the position; returning false cancels the walk.
  std::function<bool(size_t pos)> onBlock;
  // Called for each image before it is kept; returning false drops it and ends the walk.
  std::function<bool(TGIFImageRecord& image)> onImage;
};

// False when the data is not a GIF file (no "GIF", or cut inside the header, logical
// screen or global table). Otherwise the structure up to the trailer or the first
// problem, which the flags name.
bool WalkGIFFile(const std::uint8_t* data, size_t size, const TGIFWalkOptions& options, TGIFFileStructure& out);

// The LZW data of an image: its minimum code size byte followed by the bytes of its
// sub-blocks, bounded by the data.
std::vector<std::uint8_t> GIFImageCode(const std::uint8_t* data, size_t size, const TGIFImageRecord& image);

}  // namespace lumora
