#include "imaging/core/registry.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <mutex>

#include "imaging/codecs/builtin_formats.h"
#include "imaging/core/color_resolution.h"
#include "imaging/core/exceptions.h"
#include "imaging/core/messages.h"
#include "imaging/core/stream.h"
#include "imaging/core/warnings.h"

namespace lumora {
namespace {

struct TRegistry {
  TReaderList readers;
  TWriterList writers;
  std::unique_ptr<TFileFormatReader> bmpReader;
  std::unique_ptr<TFileFormatWriter> bmpWriter;
};

bool LessExtension(const std::string& a, const std::string& b) { return ToLowerAscii(a) < ToLowerAscii(b); }

template <class List>
void SortByExtension(List& list) {
  std::stable_sort(list.begin(), list.end(),
                   [](const auto& a, const auto& b) { return LessExtension(a->Extension, b->Extension); });
}

TRegistry& BuiltinRegistry() {
  static TRegistry registry = [] {
    CheckLanguageTable();
    TRegistry r;
    RegisterBuiltinFormats(r.readers, r.writers);
    SortByExtension(r.readers);
    SortByExtension(r.writers);
    r.bmpReader = MakeStandaloneBMPReader();
    r.bmpWriter = MakeStandaloneBMPWriter();
    return r;
  }();
  return registry;
}

TReaderList* g_testReaders = nullptr;
TWriterList* g_testWriters = nullptr;

bool EqualsIgnoreCase(const std::string& a, const std::string& b) { return ToLowerAscii(a) == ToLowerAscii(b); }

std::string StripDot(std::string extension) {
  if (!extension.empty() && extension[0] == '.') extension.erase(0, 1);
  return extension;
}

}  // namespace

std::string ToLowerAscii(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string ToUpperAscii(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

const TReaderList& FileFormatReaders() { return g_testReaders ? *g_testReaders : BuiltinRegistry().readers; }
const TWriterList& FileFormatWriters() { return g_testWriters ? *g_testWriters : BuiltinRegistry().writers; }

void SetFileFormatRegistryForTest(TReaderList* readers, TWriterList* writers) {
  if (readers) SortByExtension(*readers);
  if (writers) SortByExtension(*writers);
  g_testReaders = readers;
  g_testWriters = writers;
}

TFileFormatReader& StandaloneBMPReader() { return *BuiltinRegistry().bmpReader; }
TFileFormatWriter& StandaloneBMPWriter() { return *BuiltinRegistry().bmpWriter; }

std::string FileExtensionLower(const std::string& fileName) {
  const size_t slash = fileName.find_last_of('/');
  const size_t dot = fileName.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return ToLowerAscii(fileName.substr(dot + 1));
}

int ColorResClassOf(const TPixelGraphic& image) {
  const TPaletteIdent ident = image.PaletteIdent();
  switch (image.BitCountNum()) {
    case 0: return ident == pBlackWhite ? crBlackWhite : cr2Colors;
    case 1: return ident == pGray16 ? crGray16 : ident == pSys16 ? crSys16 : cr16Colors;
    case 2: return ident == pGray256 ? crGray256 : cr256Colors;
    default: return crTrueColor;
  }
}

std::string ColorResName(int colorResClass) { return PGMessage(msgColorResBase + colorResClass); }

const int* ColorResFallback(int colorResClass) {
  static const int kFallback[8][8] = {
      {0, 1, 2, 3, 4, 5, 6, 7}, {1, 4, 6, 7, 3, 0, 2, 5}, {2, 4, 5, 6, 7, 3, 0, 1}, {3, 4, 6, 7, 2, 5, 0, 1},
      {4, 6, 7, 3, 2, 5, 0, 1}, {5, 6, 7, 2, 4, 3, 0, 1}, {6, 7, 4, 3, 5, 2, 0, 1}, {7, 6, 4, 3, 5, 2, 0, 1},
  };
  return kFallback[colorResClass & 7];
}

TFileFormatReader* FindReader(TStream& stream, const std::string& extension) {
  const std::string ext = StripDot(extension);
  try {
    const int64_t start = stream.Position();
    std::uint8_t header[17] = {};
    stream.Read(header, sizeof header);
    stream.SetPosition(start);
    const TReaderList& readers = FileFormatReaders();
    for (const auto& reader : readers) {
      if (reader->HasSignature && reader->IsFormat(header)) return reader.get();
    }
    if (!ext.empty()) {
      for (const auto& reader : readers) {
        if (!reader->HasSignature && EqualsIgnoreCase(reader->Extension, ext)) return reader.get();
      }
    }
  } catch (...) {
  }
  return nullptr;
}

bool GetFileInfo(const std::string& fileName, int index, TFileInfo& out) {
  try {
    const size_t slash = fileName.find_last_of('/');
    const std::string namePart = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
    if (namePart.empty()) return false;
    struct stat st;
    if (stat(fileName.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    TFileStream stream(fileName, TFileStream::OpenRead);
    TFileFormatReader* reader = FindReader(stream, FileExtensionLower(fileName));
    if (!reader) return false;
    out.Description = reader->Description;
    const int64_t start = stream.Position();
    reader->GetImageInfo(stream, index, out.Info);
    stream.SetPosition(start);
    return true;
  } catch (...) {
    return false;
  }
}

std::string FileInfoSizeLine(const TImageInfo& info) {
  std::string line = std::to_string(info.Width) + "x" + std::to_string(info.Height) + "x" + info.ColorsText + " " +
                     std::to_string(info.BitCount) + " " + PGMessage(msgBit);
  if (info.ImageCount > 1) line += ", " + std::to_string(info.ImageCount);
  return line;
}

void SaveGraphic(TPixelGraphic& image, TStream& stream, const std::string& extension) {
  const std::string ext = ToLowerAscii(StripDot(extension));
  const TWriterList& writers = FileFormatWriters();
  if (writers.empty()) throw EPGFileFormatWritersEmpty(PGMessage(msgIsEmpty, {"FileFormatWriters"}));
  TFileFormatWriter* writer = nullptr;
  for (const auto& w : writers) {
    if (EqualsIgnoreCase(w->Extension, ext)) {
      writer = w.get();
      break;
    }
  }
  if (!writer) throw EPGUnknownExtension(PGMessage(msgUnknownExtension, {ext}));

  image.DeterminePaletteIdent();
  const int have = ColorResClassOf(image);
  int target = -1;
  for (int i = 0; i < 8 && target < 0; ++i) {
    const int c = ColorResFallback(have)[i];
    if (writer->CanWriteResolutions & ColorResBit(c)) target = c;
  }
  if (target < 0) {
    throw EPGCanWriteResolutionsEmpty(PGMessage(msgIsEmpty, {writer->ClassName + ".CanWriteResolutions"}));
  }
  if (target == have) {
    writer->WriteImage(stream, image);
    return;
  }

  const std::string warning =
      PGMessage(msgColorResWarning, {writer->Description, ColorResName(have), ColorResName(target)});
  if (!ResolveWarning(image.SaveColorResWarningAction, warning)) {
    throw EPGCannotWriteColorRes(PGMessage(msgCannotWriteColorRes, {writer->Description, ColorResName(have)}));
  }

  // Convert through a temporary image with default settings (dithering on) that
  // reports progress through the same handlers.
  TPixelGraphic converted;
  converted.OnProgress = image.OnProgress;
  converted.OnProgressStart = image.OnProgressStart;
  converted.OnProgressEnd = image.OnProgressEnd;
  static const int kBitCountNum[8] = {0, 0, 1, 1, 1, 2, 2, 3};
  converted.SetBitCountNum(kBitCountNum[target]);
  switch (target) {
    case crBlackWhite: converted.SetPaletteIdent(pBlackWhite); break;
    case cr2Colors: OptimizePalette(converted, image, 2, false); break;
    case crGray16: converted.SetPaletteIdent(pGray16); break;
    case crSys16: converted.SetPaletteIdent(pSys16); break;
    case cr16Colors: OptimizePalette(converted, image, 16, false); break;
    case crGray256: converted.SetPaletteIdent(pGray256); break;
    case cr256Colors: OptimizePalette(converted, image, 252, true); break;
    default: break;
  }
  converted.Allocate(image.Width(), image.Height(), kBitCountNum[target]);
  converted.StretchFrom(image);
  converted.DeterminePaletteIdent();
  writer->WriteImage(stream, converted);
}

std::string BuildOpenFilter() {
  const TReaderList& readers = FileFormatReaders();
  std::string patterns, entries;
  for (const auto& r : readers) {
    if (!r->ShowInFilter) continue;
    const std::string lower = ToLowerAscii(r->Extension);
    if (!patterns.empty()) patterns += "; ";
    patterns += "*." + lower;
    entries += ToUpperAscii(r->Extension) + " - " + r->Description + "|*." + lower + "|";
  }
  std::string filter;
  if (!patterns.empty()) filter = PGMessage(msgImageFiles) + "|" + patterns + "|" + entries;
  return filter + PGMessage(msgAllFiles) + "|*.*";
}

std::string BuildSaveFilter() {
  std::string filter;
  for (const auto& w : FileFormatWriters()) {
    if (!w->ShowInFilter) continue;
    filter += ToUpperAscii(w->Extension) + " - " + w->Description + "|*." + ToLowerAscii(w->Extension) + "|";
  }
  return filter;
}

std::string FilterExtension(int filterIndex, bool openDialog) {
  int position = openDialog ? 2 : 1;
  if (openDialog) {
    for (const auto& r : FileFormatReaders()) {
      if (!r->ShowInFilter) continue;
      if (position++ == filterIndex) return ToLowerAscii(r->Extension);
    }
  } else {
    for (const auto& w : FileFormatWriters()) {
      if (!w->ShowInFilter) continue;
      if (position++ == filterIndex) return ToLowerAscii(w->Extension);
    }
  }
  return {};
}

}  // namespace lumora
