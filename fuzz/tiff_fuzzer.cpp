// Fuzz target of the TIFF reader: ReadImage and GetImageInfo on arbitrary bytes
// must end in a decoded picture or a library exception, within the limits policy.
#include "fuzz/reader_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  return FuzzRegisteredReader("tif", data, size);
}
