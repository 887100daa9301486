#pragma once
// The built-in codecs. Each codec file appends its reader and writer objects; the
// order of the calls in builtin_formats.cpp is the registration order.
#include <memory>

#include "imaging/core/registry.h"

namespace lumora {

void RegisterBuiltinFormats(TReaderList& readers, TWriterList& writers);

void RegisterBMPFormats(TReaderList& readers, TWriterList& writers);
void RegisterJPEGFormats(TReaderList& readers, TWriterList& writers);
void RegisterPNGFormats(TReaderList& readers, TWriterList& writers);
void RegisterPCXFormats(TReaderList& readers, TWriterList& writers);
void RegisterPNMFormats(TReaderList& readers, TWriterList& writers);
void RegisterTGAFormats(TReaderList& readers, TWriterList& writers);
void RegisterTIFFFormats(TReaderList& readers, TWriterList& writers);
void RegisterMetafileFormats(TReaderList& readers, TWriterList& writers);
void RegisterGIFFormats(TReaderList& readers, TWriterList& writers);
void RegisterICOFormats(TReaderList& readers, TWriterList& writers);

// The BMP reader and writer outside the lists (SaveToStream, ReadData, WriteData).
std::unique_ptr<TFileFormatReader> MakeStandaloneBMPReader();
std::unique_ptr<TFileFormatWriter> MakeStandaloneBMPWriter();

}  // namespace lumora
