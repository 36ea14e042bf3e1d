// The machine-wide init lock "Crvn_ECC_Init_Mutex": it makes the start of the call-control
// framework exclusive across every process of the machine. A holder that dies releases it with
// its death, so a waiter never waits for a process that is gone.
#pragma once

namespace vtx::callctrl {

// Waits without limit: true when taken (also when its last holder died holding it), false when
// the lock cannot be used (errno holds the system error).
bool TakeInitLock();
void ReleaseInitLock();

}  // namespace vtx::callctrl
