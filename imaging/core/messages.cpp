#include "imaging/core/messages.h"

#include "imaging/core/exceptions.h"

namespace lumora {
namespace {

// Only the English column is filled; the other columns fall back to English.
#define E(n, text) {n, {text, "", "", "", "", ""}}
const TPGLangStrEntry kTable[kLanguageTableSize] = {
    E(0, ""),
    E(1, "X, Y index out of range"),
    E(2, "No palette"),
    E(3, "Invalid palette index"),
    E(4, "Unknown clipboard format"),
    E(5, "Invalid temporary file"),
    E(6, "Unknown file format"),
    E(7, "%S1 invalid"),
    E(8, "black and white"),
    E(9, "2 colors"),
    E(10, "16 shades of gray"),
    E(11, "16 system colors"),
    E(12, "16 colors"),
    E(13, "256 shades of gray"),
    E(14, "256 colors"),
    E(15, "16.7 million colors"),
    E(16, "%S1 is empty"),
    E(17, "The graphic cannot be saved to a %S1 file with the current color resolution (%S2).\r\r"
          "The graphic will be saved with a different color resolution (%S3)."),
    E(18, "The graphic cannot be saved with to a %S1 file with the current color resolution (%S2)"),
    E(19, "Unknown file extension \"%S1\""),
    E(20, "Invalid value for %S1"),
    E(21, "Negative height"),
    E(22, "Negative width"),
    E(23, "Cannot apply this filter to a source that is identical to the target"),
    E(24, "bit"),
    {25, {"Image files", "", "", "", "", ""}},
    E(26, "All files"),
    E(27, "Invalid size of %S1"),
    E(28, "Warning"),
    E(29, "Operation aborted on user request"),
    E(30, "Not supported subformat"),
    E(31, "%S1 failed"),
    E(32, "Unexpected end of file"),
    E(33, "Unknown subformat"),
    E(34, "Not a %S1 file"),
    E(35, "Width = 0 or Height = 0"),
    E(36, "Invalid color resolution"),
    E(37, "Unsupported field type %S1"),
    E(38, "Invalid count of bytes in row %S1"),
    E(39, "Unsupported Compression"),
    E(40, "Saturation=0 and Hue defined"),
    E(41, "%S1 out of range"),
    E(42, "OK"),
    E(43, "Cancel"),
    E(44, "RGB Filter"),
    E(45, "R"),
    E(46, "G"),
    E(47, "B"),
    E(48, "CMY Filter"),
    E(49, "C"),
    E(50, "M"),
    E(51, "Y"),
    E(52, "YCbCr Filter"),
    E(53, "Y"),
    E(54, "Cb"),
    E(55, "Cr"),
    E(56, "HLS Filter"),
    E(57, "H"),
    E(58, "L"),
    E(59, "S"),
    E(60, "HSV Filter"),
    E(61, "V"),
    E(62, "Negative Filter"),
    E(63, "Gamma"),
    E(64, "RGB"),
    E(65, "Y"),
    E(66, "Brightness"),
    E(67, "Contrast"),
    E(68, "Apply on"),
    E(69, "Brightness, Contrast, Gamma Filter"),
    E(70, "Grayscale Filter"),
    E(71, "RGB weighting"),
    E(72, "Std. deviation"),
    E(73, "Strength"),
    E(74, "Sharpen"),
    E(75, "Detail"),
    E(76, "Smooth"),
    E(77, "Radius"),
    E(78, "Blur"),
    E(79, "Contour"),
    E(80, "White"),
    E(81, "Black"),
    E(82, "\u00B1"),
    E(83, "\u00B0"),
    E(84, ""),
};
#undef E

TPGLanguage g_language = plEnglish;

}  // namespace

const TPGLangStrEntry* LanguageTable() { return kTable; }

void CheckLanguageTable(const TPGLangStrEntry* table, int count) {
  for (int i = 0; i < count; ++i) {
    if (table[i].Number != i) {
      throw EPixelGraphic("PGLangStrEntries order wrong " + std::to_string(i) + " and " +
                          std::to_string(table[i].Number) + " are not identical");
    }
  }
}

std::string SubstituteArgs(std::string_view text, std::initializer_list<std::string_view> args) {
  std::string out;
  out.reserve(text.size() + 32);
  int next = 1;  // the placeholder number to replace next
  const int argCount = static_cast<int>(args.size());
  size_t i = 0;
  while (i < text.size()) {
    if (next <= 3 && next <= argCount && i + 3 <= text.size() && text[i] == '%' && text[i + 1] == 'S' &&
        text[i + 2] == char('0' + next)) {
      out += *(args.begin() + (next - 1));
      i += 3;
      ++next;
      continue;
    }
    out += text[i++];
  }
  return out;
}

std::string PGMessage(int number, std::initializer_list<std::string_view> args) {
  if (number < 0 || number >= kLanguageTableSize) return {};
  const TPGLangStrEntry& e = kTable[number];
  const char* text = e.Texts[g_language];
  if (text == nullptr || *text == '\0') text = e.Texts[plEnglish];
  return SubstituteArgs(text, args);
}

}  // namespace lumora
