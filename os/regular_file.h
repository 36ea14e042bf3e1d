// What opening a file for a reader says, the same on every system: the checks of what was opened
// and their messages, for the backends' OpenRegularFile and for ReadRegularFile.
#pragma once

#include <cstdint>
#include <string>

namespace os {

enum class FileKind { kRegular, kDirectory, kOther };

// The errno for which a file of `kind` and `size` is refused, 0 when it is taken; `error` says
// why, naming the file: "PATH: not a regular file", "PATH: larger than LIMIT bytes".
int RefusedFile(const char* path, FileKind kind, uint64_t size, uint64_t limit, std::string& error);
// Sets `error` to "PATH: " and the system's text for `reason`; returns `reason`.
int FileSystemError(const char* path, int reason, std::string& error);
std::string TooLargeError(const char* path, uint64_t limit);

}  // namespace os
