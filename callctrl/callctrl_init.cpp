// This build carries the configuration model of the call-control framework but not its module
// start-up, so a start is refused plainly: a configuration that asks for call control fails and
// says why, rather than reporting modules that nobody started.
#include "callctrl/callctrl_init.h"

#include "trace/api_log.h"

namespace vtx::callctrl {

int CallCtrlInit(VtxLine* line, CallCtrlInitRequest* request) {
  trace::Message(line, trace::kLevelError,
                 "The call-control framework is not available in this build.");
  request->status = CV_STATUS_ERROR;
  request->errorCode = APIERR_NOTCONNECTED;  // no module is started
  return -1;
}

}  // namespace vtx::callctrl
