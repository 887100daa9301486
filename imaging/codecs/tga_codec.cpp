// Placeholder until the TGA codec is written: registers nothing.
#include "imaging/codecs/builtin_formats.h"

namespace lumora {

void RegisterTGAFormats(TReaderList&, TWriterList&) {}

}  // namespace lumora
