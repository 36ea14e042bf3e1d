// Shared libraries opened at run time (host module libraries): open by path, look entry points
// up by name, close.
#pragma once

#include <string>

namespace os {

struct Library;

// Opens the library at `path` (a bare file name goes through the system's library search).
// Null when it does not open, with `error` holding the system loader's reason.
Library* LibraryOpen(const char* path, std::string& error);
// The address of the exported `name`, or null when the library has no such export.
void* LibrarySymbol(Library* library, const char* name);
// Closes a library returned by LibraryOpen; null does nothing.
void LibraryClose(Library* library);

// Whether `path` names a folder (holds a folder separator) rather than a bare file name.
bool PathHasFolder(const std::string& path);

}  // namespace os
