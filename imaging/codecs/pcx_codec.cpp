// Placeholder until the PCX codec is written: registers nothing.
#include "imaging/codecs/builtin_formats.h"

namespace lumora {

void RegisterPCXFormats(TReaderList&, TWriterList&) {}

}  // namespace lumora
