#pragma once
// The format registry: ordered lists of readers and writers, reader choice by
// signature then extension, file information, the save algorithm with its
// colour-resolution fallback, and the dialog filter strings.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/core/pixel_graphic.h"

namespace lumora {

class TStream;

// Colour-resolution classes; bit c of a writer's CanWriteResolutions is class c.
enum TColorResClass : int {
  crBlackWhite = 0,
  cr2Colors = 1,
  crGray16 = 2,
  crSys16 = 3,
  cr16Colors = 4,
  crGray256 = 5,
  cr256Colors = 6,
  crTrueColor = 7,
};
using TColorResSet = std::uint8_t;
constexpr TColorResSet ColorResBit(int c) { return TColorResSet(1u << c); }
constexpr TColorResSet kAllColorRes = 0xFF;

// The class of an image from its BitCountNum and PaletteIdent.
int ColorResClassOf(const TPixelGraphic& image);
// "black and white", ..., "16.7 million colors".
std::string ColorResName(int colorResClass);
// The fallback row of class B: the order in which classes are tried.
const int* ColorResFallback(int colorResClass);

class TFileFormatReaderWriter {
 public:
  TFileFormatReaderWriter(std::string extension, std::string description, bool showInFilter = true)
      : ShowInFilter(showInFilter), Extension(std::move(extension)), Description(std::move(description)) {}
  virtual ~TFileFormatReaderWriter() = default;
  bool ShowInFilter;
  std::string Extension;    // lower case, no dot
  std::string Description;  // shown to the user
};

struct TImageInfo {
  int ImageCount = 1;
  int BitCount = 0;
  std::string ColorsText;
  int Height = 0;
  int Width = 0;
  std::string ExtraText;
  std::string InfoText;
};

class TFileFormatReader : public TFileFormatReaderWriter {
 public:
  using TFileFormatReaderWriter::TFileFormatReaderWriter;
  bool HasSignature = false;
  // Header: the first 17 bytes of the data, zero-filled when the data is shorter.
  virtual bool IsFormat(const std::uint8_t* header) const {
    (void)header;
    return false;
  }
  virtual void ReadImage(TStream& stream, TPixelGraphic& image, int index) {
    (void)stream, (void)image, (void)index;
  }
  virtual void GetImageInfo(TStream& stream, int index, TImageInfo& info) {
    (void)stream, (void)index;
    info = TImageInfo{};
  }
};

class TFileFormatWriter : public TFileFormatReaderWriter {
 public:
  TFileFormatWriter(std::string extension, std::string description, bool showInFilter, TColorResSet canWrite,
                    std::string className)
      : TFileFormatReaderWriter(std::move(extension), std::move(description), showInFilter),
        CanWriteResolutions(canWrite),
        ClassName(std::move(className)) {}
  bool WriterFlag = false;  // set by the TIFF writers only; not consulted by the registry
  TColorResSet CanWriteResolutions;
  std::string ClassName;  // used in "<class>.CanWriteResolutions is empty"
  virtual void WriteImage(TStream& stream, TPixelGraphic& image) = 0;
  // Three further steps that only the TIFF writers fill; their WriteImage runs them in
  // this order.
  virtual void WriteHeader(TStream&, TPixelGraphic&) {}
  virtual void WriteDirectoryAndData(TStream&, TPixelGraphic&) {}
  virtual void WriteFinish(TStream&, TPixelGraphic&) {}
};

using TReaderList = std::vector<std::unique_ptr<TFileFormatReader>>;
using TWriterList = std::vector<std::unique_ptr<TFileFormatWriter>>;

// The lists, filled at first use with the built-in formats, sorted by extension
// (case-insensitive). They are not changed afterwards, so workers may read them.
const TReaderList& FileFormatReaders();
const TWriterList& FileFormatWriters();
// For tests: replaces the lists (nullptr restores the built-in ones).
void SetFileFormatRegistryForTest(TReaderList* readers, TWriterList* writers);

// The BMP codec objects outside the lists that serve SaveToStream and ReadData.
TFileFormatReader& StandaloneBMPReader();
TFileFormatWriter& StandaloneBMPWriter();

// "photo.JPG" -> "jpg"; "" when the name has no extension.
std::string FileExtensionLower(const std::string& fileName);
std::string ToLowerAscii(std::string text);
std::string ToUpperAscii(std::string text);

// The reader for the data at the stream's position (signature first, then extension
// for readers without a signature), or nullptr. The position is left unchanged.
TFileFormatReader* FindReader(TStream& stream, const std::string& extension);

struct TFileInfo {
  std::string Description;
  TImageInfo Info;
};
// Describes image `index` of a file without decoding its pixels. Never raises.
bool GetFileInfo(const std::string& fileName, int index, TFileInfo& out);
// "640x480x16.7M 24 bit" (", N" appended for files with several images).
std::string FileInfoSizeLine(const TImageInfo& info);

// The save algorithm: writer by extension, colour-resolution class and fallback,
// the warning action, a converted temporary image when needed.
void SaveGraphic(TPixelGraphic& image, TStream& stream, const std::string& extension);

std::string BuildOpenFilter();
std::string BuildSaveFilter();
// The extension of the 1-based filter entry (open: entry 1 is "Image files").
std::string FilterExtension(int filterIndex, bool openDialog);

}  // namespace lumora
