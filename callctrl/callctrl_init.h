// The start of the host call-control framework: once per process, after a line is configured,
// it reads the call-control configuration and starts the configured board and host modules.
#pragma once

#include <cstdint>

#include "callctrl/config/config_records.h"
#include "vtx.h"

namespace vtx::callctrl {

// Filled by the caller and zeroed before use.
struct CallCtrlInitRequest {
  uint32_t status;                    // out: 0, or 2 on failure
  uint32_t errorCode;                 // out: the API error code of a failure
  const char* userPreferenceFile;     // in: null means "cvcall.cfg"
  ModuleConfigRecord* moduleRecords;  // in: records laid over the configuration's, or null
  int32_t moduleRecordCount;          // in
  uint32_t traceFileGiven;            // in: non-zero when the caller names its own trace file
  const char* traceFileName;          // in
};

// Results: 1 started (or already running, or some modules failed), -1 the init lock was not
// taken, -2 the call-control configuration file did not open, -4 it configures no module.
// `line` only gives trace lines their context. Once a module has started, later calls return 1
// at once; until then every call tries the whole start again.
int CallCtrlInit(VtxLine* line, CallCtrlInitRequest* request);

// Whether a module started in this process.
bool CallCtrlRunning();

// Stops every started module (event threads ended, objects destroyed, lines detached) and
// makes the process uninitialised again, for a program that ends the framework before it exits.
void CallCtrlShutdown();

}  // namespace vtx::callctrl
