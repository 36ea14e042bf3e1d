// Reading a whole file through OpenRegularFile, the same on every system.
#include "os/file.h"

namespace os {

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
  if (too_large) error = std::string(path) + ": larger than " + std::to_string(limit) + " bytes";
  if (failed) error = std::string(path) + ": read error";
  return !too_large && !failed;
}

}  // namespace os
