#pragma once
// Shared pieces of the BMP reader and writer: header layout, the parsed header, the
// message helper and the decoding entry point used by the registry reader.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace lumora {

class TPixelGraphic;
class TStream;

namespace bmp {

constexpr int kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;
// BITMAPV4HEADER and BITMAPV5HEADER: the 40-byte header, the masks and fields we skip.
constexpr std::uint32_t kV4HeaderSize = 108;
constexpr std::uint32_t kV5HeaderSize = 124;

enum : std::uint32_t { kCompressionRGB = 0, kCompressionRLE8 = 1, kCompressionRLE4 = 2, kCompressionBitFields = 3 };

// "BMP: " + the message table text.
std::string Message(int number, std::initializer_list<std::string_view> args = {});
// Raises EPGBMPFileFormatReader with Message(number, args).
[[noreturn]] void Fail(int number, std::initializer_list<std::string_view> args = {});

// Which header ReadDIBHeader expects at the stream position.
enum class THeaderKind {
  Core,  // a 12-byte OS/2 header, whatever its size field says
  Info,  // a Windows header: size 40, 108 or 124
  Any,   // decided by the size field: 12 or one of the Windows sizes
};

struct TDIBHeader {
  bool Core = false;
  std::uint32_t HeaderSize = 0;
  std::int64_t Width = 0;   // as stored (signed for Windows headers)
  std::int64_t Height = 0;  // as stored: negative means the first row is the top row
  int BitCount = 0;
  std::uint32_t Compression = kCompressionRGB;
  std::uint32_t ImageSize = 0;
  std::uint32_t ColorsUsed = 0;
  // Red, green and blue masks of 16- and 32-bit pixels (the defaults for RGB files).
  std::uint32_t Masks[3] = {0, 0, 0};

  bool TopDown() const { return Height < 0; }
  std::int64_t AbsHeight() const { return Height < 0 ? -Height : Height; }
};

// Reads and checks the header at the stream's position, leaving the stream after the
// header (and after the three masks that follow a 40-byte bit-field header). Refuses
// with the BMP messages: a short header is "Unexpected end of file".
TDIBHeader ReadDIBHeader(TStream& stream, THeaderKind kind);

// Decodes a DIB (header, colour table, pixels) from the stream's position into the
// image, with OnProgressStart/OnProgressEnd around it. `pixelDataPosition` is the absolute stream position the file header names
// for the pixels, or -1 when there is none (packed DIBs); it is used when it lies
// inside the stream and after the colour table.
void ReadDIBInto(TPixelGraphic& image, TStream& stream, THeaderKind kind, std::int64_t pixelDataPosition);

// Entries of the colour table the writer stores for this image: the palette, or 2^bits
// black entries for an indexed image without one; never more than the format holds.
int WrittenColorTableEntries(const TPixelGraphic& image);

}  // namespace bmp
}  // namespace lumora
