#include "imaging/codecs/builtin_formats.h"

namespace lumora {

void RegisterBuiltinFormats(TReaderList& readers, TWriterList& writers) {
  RegisterBMPFormats(readers, writers);   // bmp, dib, rle
  RegisterJPEGFormats(readers, writers);  // jpg, jpeg, jif
  RegisterPNGFormats(readers, writers);
  RegisterPCXFormats(readers, writers);
  RegisterPNMFormats(readers, writers);   // pbm, pgm, ppm
  RegisterTGAFormats(readers, writers);
  RegisterTIFFFormats(readers, writers);  // tif, tiff
  RegisterMetafileFormats(readers, writers);  // wmf, emf
  RegisterGIFFormats(readers, writers);
  RegisterICOFormats(readers, writers);
}

}  // namespace lumora
