#include "trace/control_distribution.h"

#include "trace/api_log.h"

namespace vtx::trace {

// The packet layer does not carry trace control to other users yet.
int DistributeControl(VtxDebugControlArgs* args) {
  Message(nullptr, kLevelError, "Trace control distribution is not available: no packet transport");
  args->status = CV_STATUS_ERROR;
  args->line_status = APIERR_NO_TRANSPORT;
  return -1;
}

}  // namespace vtx::trace
