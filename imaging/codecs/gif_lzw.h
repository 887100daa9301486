#pragma once
// The GIF variable-length LZW decoder shared by the registry reader and the animated
// display, and the helpers both use to walk a GIF file's blocks. Every read is
// bounded by the data, every code by the 4096-entry table, every pixel by the frame.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace lumora {

// Collects the data sub-blocks starting at data[pos] (a length byte, then that many
// bytes) up to the zero-length terminator or the end of the data, and leaves `pos`
// after the terminator (or at the end). `out` receives the concatenated bytes.
void GatherGIFSubBlocks(const std::uint8_t* data, size_t size, size_t& pos, std::vector<std::uint8_t>* out);

enum class TGIFLZWResult {
  Complete,   // every pixel of the frame was written (extra codes are ignored)
  EndedEarly, // the end code or the end of the data came before the frame was full
  Damaged,    // a code that cannot occur in valid data (beyond the next free code, ...)
  BadCodeSize,// a minimum code size the 4096-entry table cannot serve
  Aborted,    // the row callback asked to stop
};

// The row order of a GIF image: 0, 1, 2, ... or the four interlace passes
// 0, 8, 16, ..., 4, 12, ..., 2, 6, ..., 1, 3, 5, ...
std::vector<int> GIFRowOrder(int height, bool interlaced);

struct TGIFLZWTarget {
  int width = 0;
  int height = 0;
  bool interlaced = false;
  // Address of image row 0 and the distance between rows (negative for bottom-up).
  std::uint8_t* row0 = nullptr;
  std::ptrdiff_t stride = 0;
  // Called after each completed row with the count of rows done and the row's number;
  // returning false stops decoding (Aborted). May be empty.
  std::function<bool(int rowsDone, int row)> onRow;
};

struct TGIFLZWOutcome {
  TGIFLZWResult result = TGIFLZWResult::Complete;
  std::int64_t pixelsWritten = 0;
};

// Decodes one image: `code` is the LZW data (the minimum code size byte first, then
// the concatenated sub-block bytes). Rows are filled in the file's order; pixels the
// data does not reach are left as they are (the caller zero-fills).
TGIFLZWOutcome DecodeGIFLZW(const std::uint8_t* code, size_t size, const TGIFLZWTarget& target);

// Smallest and largest minimum code size the decoder accepts.
constexpr int kGIFMinCodeSizeLow = 1;
constexpr int kGIFMinCodeSizeHigh = 11;

}  // namespace lumora
