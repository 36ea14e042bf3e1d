// Distribution of a trace-control record (DEBUG_OPTIONS bit 0x1) to the other trace users of the
// machine through the driver: the API trace part to channel ordinals, the call-control part to
// the first call-control module and the IP call-control part to every IP call-control module.
#pragma once

#include "vtx.h"

namespace vtx::trace {

// Sends the record as HOST_CTRL EXT_DEBUG requests on a session of its own, applies its
// call-control bits here too, writes the result words and returns 0, or -1 on failure.
int DistributeControl(VtxDebugControlArgs* args);

}  // namespace vtx::trace
