// Placeholder until the PNG codec is written: registers nothing.
#include "imaging/codecs/builtin_formats.h"

namespace lumora {

void RegisterPNGFormats(TReaderList&, TWriterList&) {}

}  // namespace lumora
