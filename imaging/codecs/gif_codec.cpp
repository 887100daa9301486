// Placeholder until the GIF codec is written: registers nothing.
#include "imaging/codecs/builtin_formats.h"

namespace lumora {

void RegisterGIFFormats(TReaderList&, TWriterList&) {}

}  // namespace lumora
