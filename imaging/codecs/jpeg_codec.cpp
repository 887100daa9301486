// Placeholder until the JPEG codec is written: registers nothing.
#include "imaging/codecs/builtin_formats.h"

namespace lumora {

void RegisterJPEGFormats(TReaderList&, TWriterList&) {}

}  // namespace lumora
