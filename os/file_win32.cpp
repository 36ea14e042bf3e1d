#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>

#include "os/file.h"
#include "os/regular_file.h"

namespace os {
namespace {

// Writes all of `size` bytes to the stream's file handle, at `offset` when given, else at the
// file's position (which moves on).
bool WriteAll(FILE* stream, const char* data, size_t size, const long* offset) {
  HANDLE file = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  if (file == INVALID_HANDLE_VALUE) {
    errno = EBADF;
    return false;
  }
  uint64_t position = offset ? static_cast<uint64_t>(*offset) : 0;
  while (size > 0) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(position);
    at.OffsetHigh = static_cast<DWORD>(position >> 32);
    const DWORD chunk = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(file, data, chunk, &written, offset ? &at : nullptr) || written == 0) {
      errno = written == 0 && GetLastError() == ERROR_SUCCESS ? ENOSPC : EIO;
      return false;
    }
    data += written;
    position += written;
    size -= written;
  }
  return true;
}

}  // namespace

FILE* OpenRegularFile(const char* path, bool binary, uint64_t limit, std::string& error) {
  const int fd = _open(path, _O_RDONLY | (binary ? _O_BINARY : _O_TEXT));
  if (fd < 0) {
    errno = FileSystemError(path, errno, error);
    return nullptr;
  }
  struct _stat64 info {};
  int reason = _fstat64(fd, &info) != 0
                   ? FileSystemError(path, errno, error)
                   : RefusedFile(path,
                                 (info.st_mode & _S_IFMT) == _S_IFREG   ? FileKind::kRegular
                                 : (info.st_mode & _S_IFMT) == _S_IFDIR ? FileKind::kDirectory
                                                                        : FileKind::kOther,
                                 static_cast<uint64_t>(info.st_size), limit, error);
  FILE* stream = reason == 0 ? _fdopen(fd, binary ? "rb" : "r") : nullptr;
  if (reason == 0 && stream == nullptr) reason = FileSystemError(path, errno, error);
  if (stream == nullptr) {
    _close(fd);
    errno = reason;
  }
  return stream;
}

bool FileWriteThrough(FILE* stream, const char* data, size_t size) {
  return fflush(stream) == 0 && WriteAll(stream, data, size, nullptr);
}

bool FileWriteAt(FILE* stream, long offset, const void* data, size_t size) {
  return fflush(stream) == 0 && WriteAll(stream, static_cast<const char*>(data), size, &offset);
}

bool FileIsRegular(FILE* stream) {
  struct _stat64 info {};
  return _fstat64(_fileno(stream), &info) == 0 && (info.st_mode & _S_IFMT) == _S_IFREG;
}

bool FileTruncate(FILE* stream, long size) {
  return fflush(stream) == 0 && _chsize_s(_fileno(stream), size) == 0;
}

}  // namespace os
