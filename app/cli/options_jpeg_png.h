#pragma once
#include "app/cli/cli_options.h"

namespace lumora::cli {

// --jpeg-quality N (1..100) and --progressive: the JPEG writer's settings for the run.
bool ParseJpegPngOption(const std::vector<std::string>& args, size_t& i, TConvertOptions& options);

}  // namespace lumora::cli
