// A host module's library while the host module runs: opened with the framework's trace and key
// callbacks, its information logged, and a thread that pulls its events into the host module's
// queue; closed, joined and unloaded in that order when the host module stops.
#pragma once

#include "callctrl/hostmod/host_module.h"

namespace vtx::callctrl {

constexpr int32_t kEventWaitMs = 10000;  // each CIPI_GetEvent
constexpr int32_t kErrorPauseMs = 1000;  // after a failed CIPI_GetEvent, and a failed open

// Loads the library named by the host module's "module_library" key, sets its trace level,
// opens it and starts the CIPI thread: false (with its message) when any step fails.
bool StartLibrary(HostModule& host);
// Sets the stop flag, closes the library (no further events) and waits for the CIPI thread. The
// library stays loaded until the host module has processed what the thread posted.
void StopLibrary(HostModule& host);

// The level CIPI_SetTrace is given: the highest of 4..1 at which the IP stack trace writes,
// 0 when it writes nothing.
int32_t LibraryTraceLevel();

}  // namespace vtx::callctrl
