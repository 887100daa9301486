#pragma once
// The GIF writer: one picture with at most 256 distinct colours as a single-image
// GIF89a file. Not a registry writer: the editor's export and the converter call it.
#include <cstdint>
#include <string>
#include <vector>

#include "imaging/core/pixel_graphic.h"

namespace lumora {

// GIFWriteError codes.
enum : int {
  gifwOK = 0,
  gifwEncoding = 2,       // the encoding or the file write did not finish (or the picture cannot be a GIF)
  gifwTooManyColors = 4,  // more than 256 distinct colours
  gifwColorPass = 6,      // the colour pass did not finish
};

// The code of the last call (0 at start-up).
int GIFWriteError();

// Builds the whole file in memory. False leaves the reason in GIFWriteError.
bool EncodeGIF(const TPixelGraphic& bitmap, bool interlaced, TColor transparentColor, bool transparent,
               std::vector<std::uint8_t>& out);

// Writes the file; false leaves the reason in GIFWriteError and the target untouched.
bool SaveBitmapAsGIF(const std::string& path, const TPixelGraphic& bitmap, bool interlaced, TColor transparentColor,
                     bool transparent);

// The LZW image data of the indices (count >= 1): the minimum code size byte, the
// codes in sub-blocks of up to 255 bytes, and the zero-length terminator.
void EncodeGIFLZW(const std::uint8_t* indices, size_t count, int minCodeSize, std::vector<std::uint8_t>& out);

// The text of the comment extension every written file carries.
extern const char* const kGIFWriterComment;

}  // namespace lumora
