// Files as the library opens them: the firmware and font files, the preference and country
// parameter files, the dialling database and the trace files.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace os {

// Opens a file that a reader parses: only a regular file (never a directory, a FIFO or a device,
// which would fail oddly, block or never end) of at most `limit` bytes, checked before a byte is
// read. Null with `error` set to one message naming the file: "FILE: not a regular file",
// "FILE: larger than LIMIT bytes", or "FILE: " and the system's error text (so that a file that
// may not be read is not reported as missing); errno tells the cause as well.
FILE* OpenRegularFile(const char* path, bool binary, uint64_t limit, std::string& error);
// The whole content of such a file.
bool ReadRegularFile(const char* path, uint64_t limit, std::string& content, std::string& error);

// Opens `path` with the C mode text `mode`. With `binary`, the mode becomes its first character,
// then "b", then the rest ("r" becomes "rb", "r+" becomes "rb+"); otherwise it is used as given.
// Returns null when the file cannot be opened (errno tells why).
FILE* FileOpen(const char* path, const char* mode, bool binary);
void FileClose(FILE* stream);

// Writes `size` bytes after anything still buffered in the stream and hands them to the system
// before returning, like a write followed by a flush. Returns false when not all were written.
bool FileWriteThrough(FILE* stream, const char* data, size_t size);

// Writes `size` bytes at byte `offset` of the stream's file, straight to the system. The stream
// drops what it had buffered, so that reads after a new positioning see the bytes written.
// Returns false when not all were written.
bool FileWriteAt(FILE* stream, long offset, const void* data, size_t size);

// Whether the stream's file is a regular file (not a directory, device or pipe).
bool FileIsRegular(FILE* stream);

// Flushes the stream and cuts its file to `size` bytes. Returns false when either fails.
bool FileTruncate(FILE* stream, long size);

}  // namespace os
