// The call-control framework of a build without ACE: its threads, events and start-up lock are
// ACE's, so no module can start. The start fails as an init lock that cannot be taken does, and
// says why in the call-control trace.
#include <cerrno>

#include "callctrl/callctrl_init.h"
#include "trace/cc_trace.h"

namespace vtx::callctrl {

int CallCtrlInit(VtxLine* line, CallCtrlInitRequest* request) {
  request->status = CV_STATUS_OK;
  trace::cc::TraceLine(line, trace::cc::kInternalTrace, trace::cc::kLevelError,
                       "Call control is not part of this build: the framework runs on ACE, "
                       "which this build does not have");
  errno = ENOSYS;
  return -1;
}

bool CallCtrlRunning() {
  return false;
}

void CallCtrlShutdown() {}

}  // namespace vtx::callctrl
