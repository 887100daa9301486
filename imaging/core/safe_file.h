#pragma once
// Writing files without ever losing the old one: the new contents go to a temporary
// file in the same folder, which replaces the target only after it was written
// completely. A failure removes the temporary file and leaves the target untouched.
#include <functional>
#include <string>

namespace lumora {

class TStream;

// Calls `write` with a stream on a temporary file beside `path`, then renames it over
// `path` (following a symbolic link to its target). The new file keeps the old file's
// permissions, or gets the usual ones for a new file. Exceptions from `write` pass on.
void WriteFileSafely(const std::string& path, const std::function<void(TStream&)>& write);

// Renames `from` to `to` only when `to` does not exist; false (with errno set) otherwise.
bool RenameNoReplace(const std::string& from, const std::string& to);

}  // namespace lumora
