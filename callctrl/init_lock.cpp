#include "callctrl/init_lock.h"

#include <ace/Process_Mutex.h>

namespace vtx::callctrl {
namespace {

constexpr char kInitLockName[] = "Crvn_ECC_Init_Mutex";
constexpr mode_t kEveryUser = 0666;  // every user's process may open it

// Made on first use and removed with the process; the kernel undoes a dead holder's hold.
ACE_Process_Mutex& InitLock() {
  static ACE_Process_Mutex lock(kInitLockName, nullptr, kEveryUser);
  return lock;
}

}  // namespace

bool TakeInitLock() {
  return InitLock().acquire() == 0;
}

void ReleaseInitLock() {
  InitLock().release();
}

}  // namespace vtx::callctrl
