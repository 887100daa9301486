#pragma once
// Pieces of the TIFF codec shared by its reader, its writer and the tests.
#include <cstdint>
#include <vector>

#include "imaging/core/registry.h"

namespace lumora {

// The tags the codec reads and writes.
enum TTiffTag : std::uint16_t {
  tagNewSubfileType = 254,
  tagImageWidth = 256,
  tagImageLength = 257,
  tagBitsPerSample = 258,
  tagCompression = 259,
  tagPhotometric = 262,
  tagStripOffsets = 273,
  tagSamplesPerPixel = 277,
  tagRowsPerStrip = 278,
  tagStripByteCounts = 279,
  tagXResolution = 282,
  tagYResolution = 283,
  tagPlanarConfiguration = 284,
  tagResolutionUnit = 296,
  tagColorMap = 320,
};

constexpr int kTiffCompressionNone = 1;
constexpr int kTiffCompressionPackBits = 32773;

// Appends the PackBits packets of one row to `out`. A two-byte run beside single
// bytes goes into the literal packet; packets never cross the row's end.
void PackBitsEncodeRow(const std::uint8_t* row, size_t count, std::vector<std::uint8_t>& out);

// The "tif" (shown) and "tiff" (not shown) writers.
void AddTIFFWriters(TWriterList& writers);

}  // namespace lumora
