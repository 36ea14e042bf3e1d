// SEAM: replaced by the port factory, the module dispatcher and the telephony configuration when
// they land.
#include "callctrl/board/linked_steps.h"

#include "trace/cc_trace.h"

namespace vtx::callctrl {

std::unique_ptr<CallControlObject> MakePortObject(int32_t, uint32_t) {
  return nullptr;
}

bool DispatchToPorts(BoardModule&, const uint8_t*, uint32_t) {
  return true;
}

bool ConfigureTelephony(BoardModule& module) {
  trace::cc::Trace(trace::cc::kInternalTrace, trace::cc::kLevelWarning,
                   "SEAM telephony configuration of module 0x%X not wired", module.module_number);
  return true;
}

}  // namespace vtx::callctrl
