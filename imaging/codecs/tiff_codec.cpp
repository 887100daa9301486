// Placeholder until the TIFF codec is written: registers nothing.
#include "imaging/codecs/builtin_formats.h"

namespace lumora {

void RegisterTIFFFormats(TReaderList&, TWriterList&) {}

}  // namespace lumora
