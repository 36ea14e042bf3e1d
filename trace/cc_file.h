// The call-control trace file: one file that wraps to its start at the size limit, or a
// numbered series ("<directory>/<base>_<number>.<extension>") that moves on to the next file and
// deletes the oldest. Opening, writing and rotating are serialised by the call-control trace
// lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

namespace vtx::trace::cc {

// The call-control trace lock "Crvn_ECC_Trace_Mutex": process-local and recursive, because the
// writer may trace while it holds it.
std::recursive_mutex& TraceMutex();

constexpr uint32_t kFileSizeUnit = 1024000;
constexpr uint32_t kDefaultMaxFileSize = 10 * kFileSizeUnit;

// The size limit in units of 1024000 bytes (saturating at the 32-bit limit), or in bytes.
void SetMaxFileSize(uint32_t units);
void SetMaxFileBytes(uint32_t bytes);
// More than one file makes the trace file a numbered series.
void SetMaxFiles(uint32_t count);

// Closes any open file; with a name, opens it for update at its end (creating it when it does
// not exist) and writes the banner. Null forgets the numbered-file name parts. False when the
// file could not be opened (no file is open then).
bool OpenTraceFile(const char* name);
// Sets the trace file from a full name: with fewer than two files the name as it is; otherwise
// the numbered series of the name's directory, base name and extension, continuing at the
// highest number found in the directory (or 0).
bool OpenSeries(const char* name);
// Stores the parts of a numbered name and opens that file.
bool OpenNumberedFile(const char* directory, const char* base, uint32_t number,
                      const char* extension);
// Deletes the file of the series with this number; a missing file is not an error.
void DeleteNumberedFile(uint32_t number);
// The name of the open file, empty when none is open.
std::string OpenFileName();

// Writes one complete trace line (line end included) to the open file, wrapping or moving on
// to the next file first when the file has reached the size limit. Nothing without a file.
void WriteToFile(const char* text, size_t length);

}  // namespace vtx::trace::cc
