// Where the API trace log's lines go: standard output, one file, two alternating files, an
// application function, or nothing after a file could not be opened. Lines are handed over and
// the output is changed under the process-wide trace lock.
#pragma once

#include <cstddef>
#include <cstdint>

#include "os/locks.h"
#include "vtx.h"

namespace vtx::trace {

// Holds the trace lock (the process lock slot of the trace log) while alive. Recursive: an
// application function may trace from inside the output.
class TraceLock {
 public:
  TraceLock() : lock_(os::ProcessLockAcquire(os::ProcessLockSlot::kTraceLog)) {}
  ~TraceLock() { os::ProcessLockRelease(lock_); }
  TraceLock(const TraceLock&) = delete;
  TraceLock& operator=(const TraceLock&) = delete;

 private:
  os::ProcessLock* lock_;
};

// Writes one line of `length` characters. `text` is terminated and has room for one more
// character after the terminator (the line end written to streams).
void Emit(char* text, size_t length);

// The functions below expect the caller to hold the trace lock.

// Installs an application function (null: standard output) and closes any open trace file.
void InstallFunctionLocked(VtxTraceFunc function);
// Sets the trace files: one file, or two alternating files when `second` and a non-zero limit
// are given; a null `first` goes back to standard output. Returns 0, APIERR_BADSTATE while an
// application function is installed, or APIERR_FILEIO when the file cannot be opened (tracing
// is then off).
uint32_t SetFilesLocked(const char* first, const char* second, uint32_t limit);

}  // namespace vtx::trace
