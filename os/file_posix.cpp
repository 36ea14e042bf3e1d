#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "os/file.h"

namespace os {

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
