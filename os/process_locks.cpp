// The process lock slots: each holds one recursive mutex of this process, created on first use
// while the process's own named mutex "proc_%X_mute" is held, so that two threads that find a
// slot empty at the same moment end up with one mutex.
#include <atomic>
#include <cstdio>
#include <mutex>
#include <new>

#include "os/clock.h"
#include "os/locks.h"
#include "os/named_mutex.h"

namespace os {

struct ProcessLock {
  std::recursive_mutex mutex;
};

namespace {

constexpr int kSlotCount = 2;
std::atomic<ProcessLock*> g_slots[kSlotCount];

}  // namespace

ProcessLock* ProcessLockAcquire(ProcessLockSlot slot) {
  std::atomic<ProcessLock*>& cell = g_slots[static_cast<int>(slot)];
  ProcessLock* lock = cell.load(std::memory_order_acquire);
  if (lock == nullptr) {
    char name[32];
    snprintf(name, sizeof name, "proc_%X_mute", ProcessId());
    NamedHold* creation = AcquireNamedMutex(name);
    if (creation == nullptr) return nullptr;
    lock = cell.load(std::memory_order_acquire);
    if (lock == nullptr) {
      lock = new (std::nothrow) ProcessLock;
      if (lock != nullptr) cell.store(lock, std::memory_order_release);
    }
    ReleaseNamedMutex(creation);
    if (lock == nullptr) return nullptr;
  }
  lock->mutex.lock();
  return lock;
}

void ProcessLockRelease(ProcessLock* lock) {
  if (lock != nullptr) lock->mutex.unlock();
}

}  // namespace os
