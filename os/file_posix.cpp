#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "os/file.h"
#include "os/regular_file.h"

namespace os {

FILE* OpenRegularFile(const char* path, bool binary, uint64_t limit, std::string& error) {
  // Opened without waiting, so that a FIFO cannot block the open; the kind is then checked on
  // what was opened, not on the name, which could change in between.
  const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    errno = FileSystemError(path, errno, error);
    return nullptr;
  }
  struct stat info {};
  int reason = fstat(fd, &info) != 0
                   ? FileSystemError(path, errno, error)
                   : RefusedFile(path,
                                 S_ISREG(info.st_mode)   ? FileKind::kRegular
                                 : S_ISDIR(info.st_mode) ? FileKind::kDirectory
                                                         : FileKind::kOther,
                                 static_cast<uint64_t>(info.st_size), limit, error);
  FILE* stream = nullptr;
  if (reason == 0) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    (void)binary;  // text and binary files are read alike here
    stream = fdopen(fd, "r");
    if (stream == nullptr) reason = FileSystemError(path, errno, error);
  }
  if (stream == nullptr) {
    close(fd);
    errno = reason;
  }
  return stream;
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
