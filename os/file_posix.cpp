#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "os/file.h"

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

// Straight to the descriptor: the stream's buffer would only add a copy and a second call.
bool FileWriteThrough(FILE* stream, const char* data, size_t size) {
  if (fflush(stream) != 0) return false;
  int fd = fileno(stream);
  while (size > 0) {
    ssize_t written = write(fd, data, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

bool FileWriteAt(FILE* stream, long offset, const void* data, size_t size) {
  if (fflush(stream) != 0) return false;
  const int fd = fileno(stream);
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t written = pwrite(fd, bytes, size, static_cast<off_t>(offset));
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      if (written == 0) errno = ENOSPC;
      return false;
    }
    bytes += written;
    offset += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

bool FileIsRegular(FILE* stream) {
  struct stat info {};
  return fstat(fileno(stream), &info) == 0 && S_ISREG(info.st_mode);
}

bool FileTruncate(FILE* stream, long size) {
  if (fflush(stream) != 0) return false;
  int rc;
  do {
    rc = ftruncate(fileno(stream), static_cast<off_t>(size));
  } while (rc != 0 && errno == EINTR);
  return rc == 0;
}

}  // namespace os
