// Trace control: VtxDebugControl and the application of a trace-control record.
#include "api/frame.h"
#include "trace/api_log.h"
#include "trace/cc_trace.h"
#include "trace/control_distribution.h"
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
  if ((options & VTX_DEBUG_DISTRIBUTE) != 0) return DistributeControl(args);

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

namespace {

int DebugControlWorker(VtxDebugControlArgs* args) {
  if (args == nullptr) return -1;
  CallEntry(nullptr, "VtxDebugControl", "debug_options=0x%X,debug_mode=0x%X", args->debug_options,
            args->debug_mode);
  int ret = ApplyControl(args);
  CallReturn(nullptr, "VtxDebugControl", args, "ret=%d,debug_mode=0x%X", ret, args->debug_mode);
  return ret;
}

}  // namespace
}  // namespace vtx::trace

extern "C" int VtxDebugControl(VtxDebugControlArgs* args) {
  using vtx::api::Carry;
  using vtx::api::Family;
  return vtx::api::Framed<Family::kTrace, Carry::kOutput>(vtx::trace::DebugControlWorker, args);
}
