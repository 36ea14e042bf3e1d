// Trace control: the application of a trace-control record in this process.
#include "api/result.h"
#include "trace/api_log.h"
#include "trace/cc_trace.h"
#include "trace/output.h"

namespace vtx::trace {
int ApplyControl(VtxDebugControlArgs* args) {
  SetResult(args, CV_STATUS_OK, 0);
  uint32_t options = args->debug_options;
  TraceLock hold;
  if ((options & VTX_DEBUG_SET_FUNCTION) != 0) InstallFunctionLocked(args->trace_func);
  if ((options & VTX_DEBUG_SET_MODE) != 0) args->debug_mode = ExchangeMask(args->debug_mode);
  if ((options & VTX_DEBUG_SET_FILES) != 0) {
    uint32_t error = SetFilesLocked(args->debug_fname1, args->debug_fname2, args->debug_file_limit);
    if (error != 0) return Fail(args, error);
  }
  if ((options & VTX_DEBUG_SET_FUNC_OPTS) != 0) SetFunctionOptions(args->debug_func_dbg_opts);
  cc::ApplyControl(options, args->debug_cc_trace_level, args->debug_cc_trace_file);
  return 0;
}

}  // namespace vtx::trace
