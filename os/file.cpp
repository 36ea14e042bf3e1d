#include "os/file.h"

#include <cerrno>
#include <string>

namespace os {

FILE* FileOpen(const char* path, const char* mode, bool binary) {
  if (path == nullptr || mode == nullptr || mode[0] == '\0') {
    errno = EINVAL;
    return nullptr;
  }
  if (!binary) return fopen(path, mode);
  std::string binary_mode(1, mode[0]);
  binary_mode += 'b';
  binary_mode += mode + 1;
  return fopen(path, binary_mode.c_str());
}

void FileClose(FILE* stream) {
  if (stream != nullptr) fclose(stream);
}

}  // namespace os
