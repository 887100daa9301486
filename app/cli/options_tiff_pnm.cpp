// Options of `lumora-cli convert` for the TIFF and PBM/PGM/PPM writers.
#include "app/cli/cli_options.h"

namespace lumora::cli {

bool ParseTIFFPNMOption(const std::vector<std::string>& args, size_t& i, TConvertOptions& options) {
  const std::string& a = args[i];
  TCodecSettings& s = options.settings;
  if (a == "--tiff-compression") {
    const std::string& v = OptionValue(args, i);
    if (v == "none") s.TIFFWriteCompression = 1;
    else if (v == "packbits") s.TIFFWriteCompression = 32773;
    else throw TUsageError{"--tiff-compression takes none or packbits, not " + v};
  } else if (a == "--tiff-byte-order") {
    const std::string& v = OptionValue(args, i);
    if (v == "ii") s.TIFFWriteByteOrder = 0;
    else if (v == "mm") s.TIFFWriteByteOrder = 1;
    else throw TUsageError{"--tiff-byte-order takes ii or mm, not " + v};
  } else if (a == "--tiff-cmyk") {
    s.TIFFWriteCMYK = true;
  } else if (a == "--tiff-white-is-zero") {
    s.TIFFWriteWhiteIsZero = true;
  } else if (a == "--pnm-binary") {
    s.PXMWriteBinary = true;
  } else {
    return false;
  }
  return true;
}

}  // namespace lumora::cli
