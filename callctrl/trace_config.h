// The call-control configuration's trace keys applied to the call-control trace.
#pragma once

#include <string>

#include "callctrl/callctrl_init.h"
#include "callctrl/config/callctrl_config.h"

namespace vtx::callctrl {

// Opens the configured trace file (numbering resumed after the highest file of the series in
// its directory) unless the request names its own, sets the six categories' levels and the file
// limits, and copies the configuration into the trace when category 0 traces basic messages.
// When `api_trace` is on, the configuration is opened again (replacing `config`, which may then
// be null) so that its messages are listed under the new settings.
void ApplyTraceConfig(CallCtrlConfig*& config, const CallCtrlInitRequest& request,
                      const char* file_name);

// For a program that shows the call-control trace: the file the trace is written to now (empty
// when none is open), and a file that traces the start-up at the basic level of every category
// until the configuration names its own (false when it cannot be opened).
std::string OpenTraceFileName();
bool TraceStartInto(const char* file_name);

}  // namespace vtx::callctrl
