// Placeholder until the ICO codec is written: registers nothing.
#include "imaging/codecs/builtin_formats.h"

namespace lumora {

void RegisterICOFormats(TReaderList&, TWriterList&) {}

}  // namespace lumora
