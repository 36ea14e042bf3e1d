// The dialling database file: 96-byte records back to back, an empty key marking a free slot.
// Every function works on a stream the caller opened in binary mode and holds the named file
// lock of; none of them traces.
#pragma once

#include <cstdio>
#include <string>

#include "vtx.h"

namespace vtx::teleph::dialdb {

static_assert(sizeof(VtxDialDBRecord) == VTX_DIALDB_RECORD_SIZE, "a record is 96 bytes");

// The digits, "*" and "#" of a dialled number, in order.
std::string CleanNumber(const std::string& raw);
// Whether `key` can name a record: not empty (a free slot) and short enough to stay terminated.
bool IsUsableKey(const std::string& key);

enum class FileResult {
  kOk,
  kEnd,         // no further record
  kReadError,   // the system refused a read
  kDamagedEnd,  // the file ends inside a record
  kWriteError,  // the system refused a write, or wrote only part of it
};

// Reads the record at the stream's position.
FileResult ReadRecord(FILE* stream, VtxDialDBRecord* record);

constexpr long kNoPosition = -1;

// A record as found in the file, or a new one of that key.
struct FoundRecord {
  VtxDialDBRecord record;
  long position;   // byte offset in the file, kNoPosition for a new record
  long free_slot;  // the first free slot before it, kNoPosition for none
};

// Reads from the start for the record of `key`; at the end of the file gives a new zeroed
// record of that key (kOk either way).
FileResult FindRecord(FILE* stream, const std::string& key, FoundRecord* found);
// Writes the record at its position, else at the first free slot, else at the end of the file.
// A write that fails at the end leaves the file as it was.
FileResult WriteRecord(FILE* stream, const FoundRecord& found);
// Frees the record's slot; a new record has none.
FileResult ClearRecord(FILE* stream, const FoundRecord& found);

}  // namespace vtx::teleph::dialdb
