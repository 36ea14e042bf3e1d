// SEAM: replaced by the telephony configuration when it lands.
#include "callctrl/board/linked_steps.h"

#include "trace/cc_trace.h"

namespace vtx::callctrl {

bool ConfigureTelephony(BoardModule& module) {
  trace::cc::Trace(trace::cc::kInternalTrace, trace::cc::kLevelWarning,
                   "SEAM telephony configuration of module 0x%X not wired", module.module_number);
  return true;
}

}  // namespace vtx::callctrl
