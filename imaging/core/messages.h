#pragma once
// The library's message table: numbered texts, one column per language, and the
// "%S1".."%S3" argument substitution.
#include <initializer_list>
#include <string>
#include <string_view>

namespace lumora {

constexpr int kLanguageTableSize = 85;

enum TPGLanguage { plEnglish, plGerman, plFrench, plDutch, plSpanish, plSixth };

struct TPGLangStrEntry {
  int Number;
  const char* Texts[6];
};

// Message numbers used by name in the code.
enum PGMsg : int {
  msgXYIndexOutOfRange = 1,
  msgNoPalette = 2,
  msgInvalidPaletteIndex = 3,
  msgUnknownClipboardFormat = 4,
  msgInvalidTemporaryFile = 5,
  msgUnknownFileFormat = 6,
  msgInvalid = 7,              // "%S1 invalid"
  msgColorResBase = 8,         // 8..15: names of the colour-resolution classes 0..7
  msgIsEmpty = 16,             // "%S1 is empty"
  msgColorResWarning = 17,
  msgCannotWriteColorRes = 18,
  msgUnknownExtension = 19,
  msgInvalidValue = 20,        // "Invalid value for %S1"
  msgNegativeHeight = 21,
  msgNegativeWidth = 22,
  msgFilterSourceIsTarget = 23,
  msgBit = 24,
  msgImageFiles = 25,
  msgAllFiles = 26,
  msgInvalidSizeOf = 27,       // "Invalid size of %S1"
  msgWarning = 28,
  msgAborted = 29,
  msgNotSupportedSubformat = 30,
  msgFailed = 31,              // "%S1 failed"
  msgUnexpectedEOF = 32,
  msgUnknownSubformat = 33,
  msgNotAFile = 34,            // "Not a %S1 file"
  msgZeroSize = 35,
  msgInvalidColorRes = 36,
  msgUnsupportedFieldType = 37,
  msgInvalidRowByteCount = 38,
  msgUnsupportedCompression = 39,
  msgSaturationHue = 40,
  msgOutOfRange = 41,          // "%S1 out of range"
  msgOK = 42,
  msgCancel = 43,
};

const TPGLangStrEntry* LanguageTable();

// Checks that entry i holds number i; raises EPixelGraphic otherwise. Run at start-up.
void CheckLanguageTable(const TPGLangStrEntry* table = LanguageTable(), int count = kLanguageTableSize);

// Replaces the first "%S1", then the first "%S2", then the first "%S3" in one pass over
// the template, so argument text that itself contains "%S2" is left alone.
std::string SubstituteArgs(std::string_view text, std::initializer_list<std::string_view> args);

// The text of message `number` in the current language with the arguments substituted.
std::string PGMessage(int number, std::initializer_list<std::string_view> args = {});

}  // namespace lumora
