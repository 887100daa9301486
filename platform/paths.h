#pragma once
// Path helpers: the "/" separator, the home folder standing in for "c:\", file sizes.
#include <QString>

namespace lumora::platform {

// `path` with "/" appended unless it already ends in "/"; an empty path gives "/".
// Callers must not join a name to an empty folder: that would name a file in "/".
QString AddSlash(const QString& path);

// The folder that stands in for the default folder "c:\": the user's home folder.
QString DefaultFolder();

// A folder as stored in the settings: "c:\" (any case, with or without the
// backslash) means the default folder; anything else is taken as it is.
QString ResolveStoredFolder(const QString& stored);

// Size in bytes of the file or folder at `path` (hidden ones included; 0 for a
// folder), or -1 when nothing is there.
qint64 FileSizeOf(const QString& path);

}  // namespace lumora::platform
