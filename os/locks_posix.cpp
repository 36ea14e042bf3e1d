// Named mutexes on POSIX: a registry of this process's names gives each name one mutex, owned by
// one thread at a time and recursive for it; a name that must exclude other processes also holds
// an flock on its lock file while a thread of this process owns it.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <new>
#include <thread>

#include "os/locks.h"
#include "os/named_mutex.h"

namespace os {
namespace {

struct NamedMutex {
  std::string name;
  int fd = -1;    // the lock file shared with other processes, or -1 for a name of this process
  int users = 0;  // open handles in this process; guarded by the registry lock
  std::mutex guard;
  std::condition_variable released;
  std::thread::id owner;
  int depth = 0;
};

// The names this process has open. Created on first use and never destroyed, so that locks
// work during the start and the end of the process as well.
struct Registry {
  std::mutex lock;
  std::map<std::string, NamedMutex*> names;
  pid_t pid = getpid();
};

Registry& TheRegistry() {
  static Registry* registry = new Registry;
  return *registry;
}

// A forked child starts with a copy of its parent's names; their owners are threads of the
// parent, so the child forgets them (their lock files stay locked for the parent).
void ForgetInheritedNames(Registry& registry) {
  if (registry.pid == getpid()) return;
  for (auto& entry : registry.names) {
    if (entry.second->fd >= 0) close(entry.second->fd);
    entry.second->fd = -1;  // a handle the parent passed on must not unlock another file
  }
  registry.names.clear();
  registry.pid = getpid();
}

// Opens the lock file read-only: flock needs no write access, so processes of other users can
// share a lock file that one user created.
int OpenLockFile(const std::string& path) {
  int fd;
  do {
    fd = open(path.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

NamedMutex* OpenName(const std::string& name, const std::string* lock_file) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> hold(registry.lock);
  ForgetInheritedNames(registry);
  NamedMutex*& slot = registry.names[name];
  if (slot == nullptr) {
    auto* created = new (std::nothrow) NamedMutex;
    if (created != nullptr && lock_file != nullptr) created->fd = OpenLockFile(*lock_file);
    if (created == nullptr || (lock_file != nullptr && created->fd < 0)) {
      delete created;
      registry.names.erase(name);
      return nullptr;
    }
    created->name = name;
    slot = created;
  }
  ++slot->users;
  return slot;
}

void CloseName(NamedMutex* mutex) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> hold(registry.lock);
  if (--mutex->users > 0) return;
  registry.names.erase(mutex->name);
  if (mutex->fd >= 0) close(mutex->fd);
  delete mutex;
}

bool WaitName(NamedMutex* mutex) {
  std::unique_lock<std::mutex> hold(mutex->guard);
  std::thread::id self = std::this_thread::get_id();
  if (mutex->depth > 0 && mutex->owner == self) {
    ++mutex->depth;
    return true;
  }
  mutex->released.wait(hold, [mutex] { return mutex->depth == 0; });
  mutex->owner = self;
  mutex->depth = 1;
  if (mutex->fd < 0) return true;
  // Other threads of this process now wait on `released`; only this one waits for the file.
  hold.unlock();
  int rc;
  do {
    rc = flock(mutex->fd, LOCK_EX);
  } while (rc != 0 && errno == EINTR);
  if (rc == 0) return true;
  hold.lock();
  mutex->depth = 0;
  mutex->owner = std::thread::id();
  mutex->released.notify_one();
  return false;
}

void ReleaseName(NamedMutex* mutex) {
  std::lock_guard<std::mutex> hold(mutex->guard);
  // Like a system mutex, only the owning thread can release it.
  if (mutex->depth == 0 || mutex->owner != std::this_thread::get_id()) return;
  if (--mutex->depth > 0) return;
  if (mutex->fd >= 0) flock(mutex->fd, LOCK_UN);
  mutex->owner = std::thread::id();
  mutex->released.notify_one();
}

NamedMutex* AcquireName(const std::string& name, const std::string* lock_file) {
  NamedMutex* mutex = OpenName(name, lock_file);
  if (mutex == nullptr) return nullptr;
  if (WaitName(mutex)) return mutex;
  CloseName(mutex);
  return nullptr;
}

// ---- Lock files

// The lock directory is shared by every user of the machine, like the system's namespace of
// mutexes. One that others may write must be sticky, or they could swap the lock files.
bool PrepareLockDirectory(const std::string& dir) {
  if (mkdir(dir.c_str(), 01777) == 0) chmod(dir.c_str(), 01777);  // the umask narrowed mkdir
  struct stat info {};
  if (lstat(dir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
  bool others_write = (info.st_mode & (S_IWGRP | S_IWOTH)) != 0;
  return info.st_uid == geteuid() || (info.st_mode & S_ISVTX) != 0 || !others_write;
}

std::string LockDirectory() {
  const char* configured = getenv("TARROW_LOCK_DIR");
  return configured != nullptr && configured[0] != '\0' ? configured : "/tmp/tarrow-locks";
}

// "mute_" and the file name with every byte outside [A-Za-z0-9._-] written as %XX, so that any
// name, slashes included, is one path component. A name too long for a path component keeps
// its beginning and ends with a hash of the whole name.
std::string LockFileName(const char* file_name) {
  std::string out = "mute_";
  for (const char* p = file_name; *p != '\0'; ++p) {
    unsigned char c = static_cast<unsigned char>(*p);
    bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                 c == '.' || c == '_' || c == '-';
    if (plain) {
      out += static_cast<char>(c);
    } else {
      char escaped[4];
      snprintf(escaped, sizeof escaped, "%%%02X", c);
      out += escaped;
    }
  }
  constexpr size_t kMaxComponent = 200;
  if (out.size() > kMaxComponent) {
    uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (const char* p = file_name; *p != '\0'; ++p) {
      hash = (hash ^ static_cast<unsigned char>(*p)) * 1099511628211ull;
    }
    char suffix[24];
    snprintf(suffix, sizeof suffix, "~%016llX", static_cast<unsigned long long>(hash));
    out.resize(kMaxComponent - 17);
    out += suffix;
  }
  return out;
}

}  // namespace

struct NamedHold {
  NamedMutex* mutex;
};

NamedHold* AcquireNamedMutex(const std::string& name) {
  NamedMutex* mutex = AcquireName(name, nullptr);
  return mutex ? new (std::nothrow) NamedHold{mutex} : nullptr;
}

void ReleaseNamedMutex(NamedHold* hold) {
  ReleaseName(hold->mutex);
  CloseName(hold->mutex);
  delete hold;
}

struct FileLock {
  NamedMutex* mutex;
};

std::string FileLockPath(const char* file_name) {
  return LockDirectory() + "/" + LockFileName(file_name);
}

FileLock* FileLockAcquire(const char* file_name) {
  if (file_name == nullptr || !PrepareLockDirectory(LockDirectory())) return nullptr;
  std::string lock_file = FileLockPath(file_name);
  NamedMutex* mutex = AcquireName(std::string("mute_") + file_name, &lock_file);
  if (mutex == nullptr) return nullptr;
  auto* handle = new (std::nothrow) FileLock{mutex};
  if (handle == nullptr) {
    ReleaseName(mutex);
    CloseName(mutex);
  }
  return handle;
}

void FileLockRelease(const char* /*file_name*/, FileLock* lock) {
  if (lock == nullptr) return;
  ReleaseName(lock->mutex);
  CloseName(lock->mutex);
  delete lock;
}

}  // namespace os
