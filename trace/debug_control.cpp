// Trace control: the application of a trace-control record in this process.
#include "trace/api_log.h"
#include "trace/cc_trace.h"
#include "trace/output.h"

namespace vtx::trace {
namespace {

int Fail(VtxDebugControlArgs* args, uint32_t line_status) {
  args->status = CV_STATUS_ERROR;
  args->line_status = line_status;
  return -1;
}

}  // namespace

int ApplyControl(VtxDebugControlArgs* args) {
  args->status = CV_STATUS_OK;
  args->line_status = 0;
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
