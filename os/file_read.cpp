// Reading a whole file through OpenRegularFile, and what the checks of an opened file say: the
// same on every system.
#include <cerrno>
#include <cstring>

#include "os/file.h"
#include "os/regular_file.h"

namespace os {

int RefusedFile(const char* path, FileKind kind, uint64_t size, uint64_t limit,
                std::string& error) {
  if (kind != FileKind::kRegular) {
    error = std::string(path) + ": not a regular file";
    return kind == FileKind::kDirectory ? EISDIR : EINVAL;
  }
  if (size > limit) {
    error = TooLargeError(path, limit);
    return EFBIG;
  }
  return 0;
}

int FileSystemError(const char* path, int reason, std::string& error) {
  error = std::string(path) + ": " + strerror(reason);
  return reason;
}

std::string TooLargeError(const char* path, uint64_t limit) {
  return std::string(path) + ": larger than " + std::to_string(limit) + " bytes";
}

bool ReadRegularFile(const char* path, uint64_t limit, std::string& content, std::string& error) {
  FILE* stream = OpenRegularFile(path, true, limit, error);
  if (stream == nullptr) return false;
  content.clear();
  char buffer[16384];
  bool too_large = false;
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, stream)) > 0;) {
    // A file that grew after it was measured still stops at the limit.
    if (content.size() + n > limit) {
      too_large = true;
      break;
    }
    content.append(buffer, n);
  }
  const bool failed = ferror(stream) != 0;
  FileClose(stream);
  if (too_large) error = TooLargeError(path, limit);
  if (failed) error = std::string(path) + ": read error";
  return !too_large && !failed;
}

}  // namespace os
