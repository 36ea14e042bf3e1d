// The telephony configuration of a module is not part of this build yet: the board keeps what
// it has, and the trace says so.
#include "callctrl/board/linked_steps.h"

#include "trace/cc_trace.h"

namespace vtx::callctrl {

bool ConfigureTelephony(BoardModule& module) {
  trace::cc::Trace(trace::cc::kInternalTrace, trace::cc::kLevelWarning,
                   "Telephony of module 0x%X left as the board has it: this build does not "
                   "configure it",
                   module.module_number);
  return true;
}

}  // namespace vtx::callctrl
