// The module's telephony control beyond its ports' settings: the board's critical sections,
// which serialise the telephony configuration between processes, the controller reset of each
// port, the save of the telephony parameters and the load of the detector's PCPM table.
//
// A critical section is taken by ACQUIRE (answered at once when it is free, else when the
// holder lets it go, in the order asked) and let go by RELEASE from its holder, whose
// RESULT_CODE tag is the mark the section keeps: every later ACQUIRED carries the mark as its
// RESULT_CODE (1 once the telephony is configured). RESET frees it and clears the mark, whoever
// holds it. A holder whose session ends keeps the section; waiters whose sessions end are
// forgotten.
#pragma once

#include <cstdint>
#include <deque>
#include <map>

#include "sim/firmware.h"

namespace sim {

class Module;

struct CriticalSection {
  bool taken = false;
  uint32_t holder = 0;            // session handle of the holder
  uint32_t mark = 0;              // left by the last release
  std::deque<FwCommand> waiting;  // acquires of other sessions, in order
};

using CriticalSections = std::map<uint32_t, CriticalSection>;  // by CRIT_SEC_ID

void InstallTelephonyControlFirmware(Module& module);

// Drops the waiting acquires of a session that ended.
void ForgetWaiter(CriticalSections& sections, uint32_t session);

}  // namespace sim
