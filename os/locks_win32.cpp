// Named mutexes on Windows are the system's own kernel objects: recursive for the owning thread,
// shared by every process of the session, and given back when a holder dies.
#include <windows.h>

#include <new>
#include <string>

#include "os/locks.h"
#include "os/named_mutex.h"

namespace os {

struct NamedHold {
  HANDLE mutex;
};

NamedHold* AcquireNamedMutex(const std::string& name) {
  HANDLE mutex = CreateMutexA(nullptr, FALSE, name.c_str());
  if (mutex == nullptr) return nullptr;
  // A holder that ended without releasing leaves the mutex abandoned: it is ours all the same.
  DWORD waited = WaitForSingleObject(mutex, INFINITE);
  if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
    auto* hold = new (std::nothrow) NamedHold{mutex};
    if (hold) return hold;
    ReleaseMutex(mutex);
  }
  CloseHandle(mutex);
  return nullptr;
}

void ReleaseNamedMutex(NamedHold* hold) {
  ReleaseMutex(hold->mutex);
  CloseHandle(hold->mutex);
  delete hold;
}

struct FileLock {
  NamedHold* hold;
};

// A kernel object's name may hold any character but the backslash, which the file name's
// folder separators become as slashes.
std::string FileLockPath(const char* file_name) {
  std::string name = std::string("mute_") + file_name;
  for (char& c : name) {
    if (c == '\\') c = '/';
  }
  return name;
}

FileLock* FileLockAcquire(const char* file_name) {
  if (file_name == nullptr) return nullptr;
  NamedHold* hold = AcquireNamedMutex(FileLockPath(file_name));
  if (hold == nullptr) return nullptr;
  auto* handle = new (std::nothrow) FileLock{hold};
  if (handle == nullptr) ReleaseNamedMutex(hold);
  return handle;
}

void FileLockRelease(const char* /*file_name*/, FileLock* lock) {
  if (lock == nullptr) return;
  ReleaseNamedMutex(lock->hold);
  delete lock;
}

}  // namespace os
