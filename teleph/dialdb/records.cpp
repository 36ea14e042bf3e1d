#include "teleph/dialdb/records.h"

#include <cerrno>
#include <cstring>

#include "os/file.h"

namespace vtx::teleph::dialdb {
namespace {

bool SameKey(const VtxDialDBRecord& record, const std::string& key) {
  // The wanted key is shorter than the field, so its terminating zero is compared too.
  return memcmp(record.key, key.c_str(), key.size() + 1) == 0;
}

FileResult WriteAt(FILE* stream, long position, const VtxDialDBRecord& record) {
  return os::FileWriteAt(stream, position, &record, sizeof record) ? FileResult::kOk
                                                                   : FileResult::kWriteError;
}

}  // namespace

std::string CleanNumber(const std::string& raw) {
  std::string cleaned;
  for (char c : raw) {
    if ((c >= '0' && c <= '9') || c == '*' || c == '#') cleaned += c;
  }
  return cleaned;
}

bool IsUsableKey(const std::string& key) {
  return !key.empty() && key.size() < VTX_DIALDB_KEY_SIZE;
}

FileResult ReadRecord(FILE* stream, VtxDialDBRecord* record) {
  size_t got = fread(record, 1, sizeof *record, stream);
  if (got == sizeof *record) return FileResult::kOk;
  if (ferror(stream)) return FileResult::kReadError;
  return got == 0 ? FileResult::kEnd : FileResult::kDamagedEnd;
}

FileResult FindRecord(FILE* stream, const std::string& key, FoundRecord* found) {
  found->free_slot = kNoPosition;
  if (fseek(stream, 0, SEEK_SET) != 0) return FileResult::kReadError;
  for (long position = 0;; position += sizeof(VtxDialDBRecord)) {
    FileResult read = ReadRecord(stream, &found->record);
    if (read == FileResult::kEnd) break;
    if (read != FileResult::kOk) return read;
    if (SameKey(found->record, key)) {
      found->position = position;
      return FileResult::kOk;
    }
    if (found->record.key[0] == '\0' && found->free_slot == kNoPosition) {
      found->free_slot = position;
    }
  }
  found->record = VtxDialDBRecord{};
  memcpy(found->record.key, key.c_str(), key.size() + 1);
  found->position = kNoPosition;
  return FileResult::kOk;
}

FileResult WriteRecord(FILE* stream, const FoundRecord& found) {
  if (found.position != kNoPosition) return WriteAt(stream, found.position, found.record);
  if (found.free_slot != kNoPosition) return WriteAt(stream, found.free_slot, found.record);
  if (fseek(stream, 0, SEEK_END) != 0) return FileResult::kWriteError;
  const long end = ftell(stream);
  if (end < 0) return FileResult::kWriteError;
  FileResult written = WriteAt(stream, end, found.record);
  if (written != FileResult::kOk) {
    // Part of a record at the end would shift every record appended after it.
    const int error = errno;
    os::FileTruncate(stream, end);
    errno = error;
  }
  return written;
}

FileResult ClearRecord(FILE* stream, const FoundRecord& found) {
  if (found.position == kNoPosition) return FileResult::kOk;
  return WriteAt(stream, found.position, VtxDialDBRecord{});
}

}  // namespace vtx::teleph::dialdb
