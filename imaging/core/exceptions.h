#pragma once
// The image library's exception family. Every message comes from the message table.
#include <stdexcept>
#include <string>

namespace lumora {

class EPixelGraphic : public std::runtime_error {
 public:
  explicit EPixelGraphic(const std::string& message) : std::runtime_error(message) {}
};

#define LUMORA_PG_EXCEPTION(Name)                                            \
  class Name : public EPixelGraphic {                                        \
   public:                                                                   \
    explicit Name(const std::string& message) : EPixelGraphic(message) {}    \
  };

LUMORA_PG_EXCEPTION(EPGXYIndexOutOfRange)
LUMORA_PG_EXCEPTION(EPGNoPalette)
LUMORA_PG_EXCEPTION(EPGInvalidPaletteIndex)
LUMORA_PG_EXCEPTION(EPGEmpty)
LUMORA_PG_EXCEPTION(EPGCanWriteResolutionsEmpty)
LUMORA_PG_EXCEPTION(EPGCannotWriteColorRes)
LUMORA_PG_EXCEPTION(EPGFileFormatWritersEmpty)
LUMORA_PG_EXCEPTION(EPGUnknownExtension)
LUMORA_PG_EXCEPTION(EPGUnknownFileFormat)
LUMORA_PG_EXCEPTION(EPGUnknownClipboardFormat)
LUMORA_PG_EXCEPTION(EPGBMPFileFormatReader)
LUMORA_PG_EXCEPTION(EPGJPGFileFormatReaderWriter)
LUMORA_PG_EXCEPTION(EPGPNGFileFormatReaderWriter)
LUMORA_PG_EXCEPTION(EPGPCXFileFormatReader)
LUMORA_PG_EXCEPTION(EPGPxMFileFormatReader)
LUMORA_PG_EXCEPTION(EPGPxMFileFormatWriter)
LUMORA_PG_EXCEPTION(EPGTGAFileFormatReader)
LUMORA_PG_EXCEPTION(EPGTIFFileFormatReader)
LUMORA_PG_EXCEPTION(EPGTIFFileFormatWriter)
LUMORA_PG_EXCEPTION(EPGGIFFileFormatReader)
LUMORA_PG_EXCEPTION(EPGICOFileFormatReader)
LUMORA_PG_EXCEPTION(EPGInvalidBitCountNum)
LUMORA_PG_EXCEPTION(EPGInvalidSize)
LUMORA_PG_EXCEPTION(EPGFilter)
LUMORA_PG_EXCEPTION(EPGSaturationHue)
LUMORA_PG_EXCEPTION(EPGConvFilter)
// Raised when a progress handler asked to stop a save or conversion.
LUMORA_PG_EXCEPTION(EPGAborted)

#undef LUMORA_PG_EXCEPTION

}  // namespace lumora
