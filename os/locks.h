// Process-wide locks and named file locks.
//
// Process locks: two slots, each holding one mutex of this process, created on first use. The
// creation itself is serialised by the process's own named mutex "proc_%X_mute" (process
// identifier in hexadecimal), so two threads that find a slot empty at the same moment end up
// with one mutex. A slot mutex is recursive for the thread that holds it.
//
// Named file locks: the mutex "mute_%s" with a file's name serialises work on that file across
// threads and across the processes of this machine. It is recursive for the thread that holds it.
//
// No lock here is taken with a time limit.
#pragma once

#include <string>

namespace os {

enum class ProcessLockSlot {
  kTraceLog = 0,     // the API trace log's output and state
  kPendingList = 1,  // a notification line's list of pending asynchronous requests
};

struct ProcessLock;

// Waits for the slot's mutex and returns it, or null when it cannot be created.
ProcessLock* ProcessLockAcquire(ProcessLockSlot slot);
// Releases a lock returned by ProcessLockAcquire; null does nothing.
void ProcessLockRelease(ProcessLock* lock);

struct FileLock;

// Waits for the named file lock of `file_name` (any file name, slashes included) and returns
// it, or null when it cannot be created.
FileLock* FileLockAcquire(const char* file_name);
// Releases and closes a lock returned by FileLockAcquire for the same name; null does nothing.
void FileLockRelease(const char* file_name, FileLock* lock);

// What carries the lock "mute_<file_name>" between processes. On POSIX hosts a file of the lock
// directory ($TARROW_LOCK_DIR, else the machine's shared lock directory) whose name encodes
// `file_name` into one path component; on Windows the name of the kernel mutex.
std::string FileLockPath(const char* file_name);

}  // namespace os
