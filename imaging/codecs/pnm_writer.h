#pragma once
// The PBM/PGM/PPM writers ("pbm", "pgm", "ppm"), registered by the anymap codec.
#include "imaging/core/registry.h"

namespace lumora {

void AddPNMWriters(TWriterList& writers);

}  // namespace lumora
