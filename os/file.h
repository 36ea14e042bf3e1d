// Files as the library opens them: the firmware and font files, the preference and country
// parameter files, the dialling database and the trace files.
#pragma once

#include <cstdio>

namespace os {

// Opens `path` with the C mode text `mode`. With `binary`, the mode becomes its first character,
// then "b", then the rest ("r" becomes "rb", "r+" becomes "rb+"); otherwise it is used as given.
// Returns null when the file cannot be opened (errno tells why).
FILE* FileOpen(const char* path, const char* mode, bool binary);
void FileClose(FILE* stream);

}  // namespace os
