// Placeholder until the PNM codec is written: registers nothing.
#include "imaging/codecs/builtin_formats.h"

namespace lumora {

void RegisterPNMFormats(TReaderList&, TWriterList&) {}

}  // namespace lumora
