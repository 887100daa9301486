#pragma once
// lumora-cli: the image library from the command line. The entry point takes the
// arguments and the output streams, so tests run it in-process.
#include <ostream>
#include <string>
#include <vector>

namespace lumora::cli {

// Exit status: 0 success, 1 failure, 2 bad usage.
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace lumora::cli
