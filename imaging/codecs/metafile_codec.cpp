// Placeholder until the Metafile codec is written: registers nothing.
#include "imaging/codecs/builtin_formats.h"

namespace lumora {

void RegisterMetafileFormats(TReaderList&, TWriterList&) {}

}  // namespace lumora
